// Reading a scenario (the simulated VISA system) from YAML text.
#ifndef OVSIM_SCENARIO_H
#define OVSIM_SCENARIO_H

#include "model.h"

#include <string>

namespace ovsim {
namespace detail {

constexpr int kScenarioVersion = 1;

// Parses `text`; `source` names it in error messages ("<file>:<line>: reason").
// On failure `out` is left empty and `error` holds the reason.
bool parseScenario(const std::string &text, const std::string &source, Scenario *out, std::string *error);
// Reads and parses a file; a missing or unreadable file is an error too.
bool readScenarioFile(const std::string &path, Scenario *out, std::string *error);

} // namespace detail
} // namespace ovsim

#endif
