#include "entry.h"

#include "faults.h"
#include "ov7931.h"
#include "ov8263.h"
#include "state.h"

#include <cstring>

namespace ovsim {
namespace detail {

ApiEntry::ApiEntry(const char *function, ArgList &args) : function_(function)
{
    id_ = journalBegin(function, args.take());
    injected_ = takeInjectedFault(function, &injectedStatus_);
}

ViStatus ApiEntry::injectedStatus()
{
    if (injectedStatus_ == ov7931_ERROR_FC_DRIVER && std::strncmp(function_, "ov7931_", 7) == 0) {
        // A forwarded failure: the digitizer status behind it is the one set
        // through setForwardedStatus (or a hardware failure by default).
        auto lk = lockState();
        State &s = state();
        s.lastFcError = s.forwardedStatus != 0 ? s.forwardedStatus : ov8263_ERROR_HARDWARE;
    }
    journalEnd(id_, injectedStatus_);
    return injectedStatus_;
}

ViStatus ApiEntry::finish(ViStatus status)
{
    journalEnd(id_, status);
    return status;
}

} // namespace detail
} // namespace ovsim
