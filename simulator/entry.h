// The common frame of every simulated entry point: the journal entry, an
// injected failure, and the status that goes back to the caller.
#ifndef OVSIM_ENTRY_H
#define OVSIM_ENTRY_H

#include "journal.h"

namespace ovsim {
namespace detail {

class ApiEntry {
public:
    ApiEntry(const char *function, ArgList &args);
    ApiEntry(const ApiEntry &) = delete;
    ApiEntry &operator=(const ApiEntry &) = delete;
    // True when a failure was injected: return injectedStatus() at once.
    bool injected() const { return injected_; }
    ViStatus injectedStatus();
    // Records the status of the work done and passes it on.
    ViStatus finish(ViStatus status);

private:
    const char *function_;
    uint64_t id_;
    bool injected_;
    ViStatus injectedStatus_ = 0;
};

} // namespace detail
} // namespace ovsim

// Opens the frame of an entry point named `name`, with its arguments, and
// returns at once with an injected failure.
#define OVSIM_ENTRY(name, args)                                                                                        \
    ::ovsim::detail::ApiEntry entry(name, args);                                                                       \
    if (entry.injected())                                                                                              \
        return entry.injectedStatus();

#endif
