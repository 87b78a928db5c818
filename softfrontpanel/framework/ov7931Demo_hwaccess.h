// Guarded hardware access: every driver call of every thread is made while
// holding hardwareLock, for that one call only, and a non-zero status is
// turned into the user's error or warning box.
#ifndef OV7931DEMO_HWACCESS_H
#define OV7931DEMO_HWACCESS_H

#include "ov7931Demo_trace.h"
#include "visa.h"

#include <QMutex>
#include <QString>

#include <chrono>

extern QMutex hardwareLock;

// A guarded call: the driver function called with hardwareLock held for
// that one call. `callText` is the call as written at the call site, for the
// driver-call trace; Arity is the number in the guarded call's name (-1 for
// the plain blockedHardwareAccess).
template <int Arity, typename F, typename... A>
inline ViStatus guardedDriverCall(const char *callText, F f, A... a)
{
    static_assert(Arity < 0 || Arity == int(sizeof...(A)), "the guarded call's number is its argument count");
    if (!driverTrace::on()) {
        QMutexLocker locker(&hardwareLock);
        return f(a...);
    }
    QMutexLocker locker(&hardwareLock);
    const auto begin = std::chrono::steady_clock::now();
    const ViStatus status = f(a...);
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - begin);
    // Written while the lock is held: the trace keeps the order of the calls.
    driverTrace::record(callText, driverTrace::argumentText(a...), status, ns.count());
    return status;
}

// blockedHardwareAccess1 ... blockedHardwareAccess7(driver function, then as
// many arguments as the number says). Macros, so that the trace sees each
// call as written; the arguments are evaluated once, as in a function call.
// Each macro turns its own arguments into text (a helper macro would see them
// with names such as VI_TRUE already replaced by their values).
#define blockedHardwareAccess(f, ...) \
    guardedDriverCall<-1>("blockedHardwareAccess(" #f ", " #__VA_ARGS__ ")", f, __VA_ARGS__)
#define blockedHardwareAccess1(f, ...) \
    guardedDriverCall<1>("blockedHardwareAccess1(" #f ", " #__VA_ARGS__ ")", f, __VA_ARGS__)
#define blockedHardwareAccess2(f, ...) \
    guardedDriverCall<2>("blockedHardwareAccess2(" #f ", " #__VA_ARGS__ ")", f, __VA_ARGS__)
#define blockedHardwareAccess3(f, ...) \
    guardedDriverCall<3>("blockedHardwareAccess3(" #f ", " #__VA_ARGS__ ")", f, __VA_ARGS__)
#define blockedHardwareAccess4(f, ...) \
    guardedDriverCall<4>("blockedHardwareAccess4(" #f ", " #__VA_ARGS__ ")", f, __VA_ARGS__)
#define blockedHardwareAccess5(f, ...) \
    guardedDriverCall<5>("blockedHardwareAccess5(" #f ", " #__VA_ARGS__ ")", f, __VA_ARGS__)
#define blockedHardwareAccess6(f, ...) \
    guardedDriverCall<6>("blockedHardwareAccess6(" #f ", " #__VA_ARGS__ ")", f, __VA_ARGS__)
#define blockedHardwareAccess7(f, ...) \
    guardedDriverCall<7>("blockedHardwareAccess7(" #f ", " #__VA_ARGS__ ")", f, __VA_ARGS__)

// Which driver's message function explains a status.
enum class ReportRule {
    Conditioning, // ov7931_error_message; 0xBFFC0B05 forwards to the digitizer's status
    Digitizer     // ov8263_error_message
};

// The sessions used to look up message texts: always the current ones.
void setReportSessions(const ViSession *masterVi, const ViSession *slaveVi);

// The message a non-zero status gives, and whether it is an error (true)
// or a warning (false). Makes the message look-up calls under hardwareLock.
struct StatusReport {
    bool isError = false;
    QString text;    // "<call> failed due to [<msg>]" or "Warning: [<msg>]"
    QString message; // <msg>: the driver's own text for the status
};
StatusReport describeStatus(ViStatus status, const char *callText, ReportRule rule);

// Where reports go instead of the message boxes, in a program without
// windows (ov7931rec); null, the default, for the boxes. Called on the
// thread of the failing call.
using StatusReportSink = void (*)(const StatusReport &report);
void setStatusReportSink(StatusReportSink sink);

// Report a non-zero status with the call text: an error box (with the
// choice to quit) for a negative deciding status, a warning box otherwise.
// From a thread other than the GUI thread the box is queued to the GUI
// thread and the caller goes on without waiting. Returns `status`.
ViStatus reportStatus(ViStatus status, const char *callText, ReportRule rule = ReportRule::Conditioning);
// Error-only variant: a positive status is dropped silently.
ViStatus reportErrorOnly(ViStatus status, const char *callText, ReportRule rule = ReportRule::Conditioning);

// A guarded call whose call text is the call expression as written. Each
// macro turns its own argument into text, so that names such as VI_TRUE or
// VI_NULL stay as written and are not replaced by their values.
#define OV_CHECKED(rule, call) reportStatus((call), #call, (rule))
#define OV_CHECKED_ERRORS(rule, call) reportErrorOnly((call), #call, (rule))
#define OV_CALL7931(call) reportStatus((call), #call, ReportRule::Conditioning)
#define OV_CALL8263(call) reportStatus((call), #call, ReportRule::Digitizer)
#define OV_CALL7931_ERRORS(call) reportErrorOnly((call), #call, ReportRule::Conditioning)
#define OV_CALL8263_ERRORS(call) reportErrorOnly((call), #call, ReportRule::Digitizer)

#endif
