// Reading a scenario (the simulated VISA system) from YAML text.
#ifndef OVSIM_SCENARIO_H
#define OVSIM_SCENARIO_H

#include "model.h"

#include <string>

namespace ovsim {
namespace detail {

constexpr int kScenarioVersion = 1;
// Larger scenario files are refused.
constexpr long long kMaxScenarioFileSize = 16ll * 1024 * 1024;

// Parses `text`; `source` names it in error messages ("<file>:<line>: reason").
// On failure `out` is left empty and `error` holds the reason.
bool parseScenario(const std::string &text, const std::string &source, Scenario *out, std::string *error);
// Reads and parses a file; a missing or unreadable file is an error too, and
// so is anything but a regular file of UTF-8 text of at most 16 MiB.
bool readScenarioFile(const std::string &path, Scenario *out, std::string *error);

} // namespace detail
} // namespace ovsim

#endif
