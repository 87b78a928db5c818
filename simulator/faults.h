// Injected failures: a named entry point returns a chosen status instead of
// doing its work.
#ifndef OVSIM_FAULTS_H
#define OVSIM_FAULTS_H

#include "visa.h"

#include <string>

namespace ovsim {
namespace detail {

// True when `function` is to fail now; `status` receives the status.
bool takeInjectedFault(const char *function, ViStatus *status);
void clearInjectedFaults();
// Every entry point the simulator offers, for checking names given to failNext.
bool isKnownFunction(const std::string &function);

} // namespace detail
} // namespace ovsim

#endif
