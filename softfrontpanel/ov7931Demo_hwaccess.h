// Guarded hardware access: every driver call of every thread is made while
// holding hardwareLock, for that one call only, and a non-zero status is
// turned into the user's error or warning box.
#ifndef OV7931DEMO_HWACCESS_H
#define OV7931DEMO_HWACCESS_H

#include "visa.h"

#include <QMutex>
#include <QString>

extern QMutex hardwareLock;

template <typename F, typename... A>
inline ViStatus blockedHardwareAccess(F f, A... a)
{
    QMutexLocker locker(&hardwareLock);
    return f(a...);
}

template <typename F, typename A1>
inline ViStatus blockedHardwareAccess1(F f, A1 a1)
{
    return blockedHardwareAccess(f, a1);
}
template <typename F, typename A1, typename A2>
inline ViStatus blockedHardwareAccess2(F f, A1 a1, A2 a2)
{
    return blockedHardwareAccess(f, a1, a2);
}
template <typename F, typename A1, typename A2, typename A3>
inline ViStatus blockedHardwareAccess3(F f, A1 a1, A2 a2, A3 a3)
{
    return blockedHardwareAccess(f, a1, a2, a3);
}
template <typename F, typename A1, typename A2, typename A3, typename A4>
inline ViStatus blockedHardwareAccess4(F f, A1 a1, A2 a2, A3 a3, A4 a4)
{
    return blockedHardwareAccess(f, a1, a2, a3, a4);
}
template <typename F, typename A1, typename A2, typename A3, typename A4, typename A5>
inline ViStatus blockedHardwareAccess5(F f, A1 a1, A2 a2, A3 a3, A4 a4, A5 a5)
{
    return blockedHardwareAccess(f, a1, a2, a3, a4, a5);
}
template <typename F, typename A1, typename A2, typename A3, typename A4, typename A5, typename A6>
inline ViStatus blockedHardwareAccess6(F f, A1 a1, A2 a2, A3 a3, A4 a4, A5 a5, A6 a6)
{
    return blockedHardwareAccess(f, a1, a2, a3, a4, a5, a6);
}
template <typename F, typename A1, typename A2, typename A3, typename A4, typename A5, typename A6, typename A7>
inline ViStatus blockedHardwareAccess7(F f, A1 a1, A2 a2, A3 a3, A4 a4, A5 a5, A6 a6, A7 a7)
{
    return blockedHardwareAccess(f, a1, a2, a3, a4, a5, a6, a7);
}

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
    QString text; // "<call> failed due to [<msg>]" or "Warning: [<msg>]"
};
StatusReport describeStatus(ViStatus status, const char *callText, ReportRule rule);

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
