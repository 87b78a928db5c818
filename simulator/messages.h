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
// Copies the text of `status` into a caller's 1024-character buffer.
void writeStatusText(ViStatus status, char *buffer);
// Copies `text` into `buffer` of `size` characters, truncating.
void copyText(const std::string &text, char *buffer, size_t size);

} // namespace detail
} // namespace ovsim

#endif
