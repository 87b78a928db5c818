// VISA resource names: matching a name against the scenario's resources and
// the search expressions of viFindRsrc.
#ifndef OVSIM_RESOURCE_NAMES_H
#define OVSIM_RESOURCE_NAMES_H

#include "model.h"

#include <string>

namespace ovsim {
namespace detail {

// The name in a comparable form: upper case, board number 0 when left out,
// "::INSTR" added when left out, the default LAN device name "inst0" dropped.
// Empty when the text is not a resource name at all.
std::string canonicalResourceName(const std::string &name);
// VI_INTF_TCPIP for TCPIP names, VI_INTF_GPIB for GPIB, VI_INTF_ASRL for ASRL, VI_INTF_VXI otherwise.
int interfaceTypeOfName(const std::string &name);
// VISA search expressions: ? any character, * and + repeat the preceding
// item, [..] and [^..] character classes, \ escapes; case-insensitive.
bool visaPatternMatches(const std::string &pattern, const std::string &name);
// Finds a resource by name: VI_ERROR_INV_RSRC_NAME for a malformed name,
// VI_ERROR_RSRC_NFOUND for an unknown one.
ViStatus lookUpResource(const Scenario &sc, const std::string &name, const Resource **out);
// As lookUpResource, and the status of a resource that refuses to be opened.
ViStatus openableResource(const Scenario &sc, const std::string &name, const Resource **out);

} // namespace detail
} // namespace ovsim

#endif
