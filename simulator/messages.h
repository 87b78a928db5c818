// Texts for every status the simulated libraries return.
#ifndef OVSIM_MESSAGES_H
#define OVSIM_MESSAGES_H

#include "visa.h"

#include <string>

namespace ovsim {
namespace detail {

// The text of a known status, or null.
const char *knownStatusText(ViStatus status);
// The text of any status: unknown ones read "Unknown status code 0x%08X".
std::string statusText(ViStatus status);
// Copies the text of `status` into a caller's 1024-character buffer;
// returns `nullStatus` when there is no buffer.
ViStatus writeStatusText(ViStatus status, char *buffer, ViStatus nullStatus);
// Copies `text` into `buffer` of `size` characters, truncating.
void copyText(const std::string &text, char *buffer, size_t size);
// A driver's revision query: its own revision and the instrument's (empty
// when asked without a session), into 256-character buffers where given.
void writeRevisions(const char *driver, const std::string &instrument, char *driverRev, char *instrRev);

} // namespace detail
} // namespace ovsim

#endif
