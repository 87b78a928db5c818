#include "ov7931Demo_hwaccess.h"

#include "ov7931.h"
#include "ov8263.h"
#include "ov9174fp_app.h"

#include <atomic>

QMutex hardwareLock;

namespace {
std::atomic<const ViSession *> reportMaster{nullptr};
std::atomic<const ViSession *> reportSlave{nullptr};
std::atomic<StatusReportSink> reportSink{nullptr};

ViSession current(const std::atomic<const ViSession *> &p)
{
    const ViSession *s = p.load();
    return s ? *s : 0;
}

// A report raised on another thread is handed to the GUI thread by the
// message functions themselves.
void show(const StatusReport &report)
{
    if (const StatusReportSink sink = reportSink.load()) {
        sink(report);
        return;
    }
    if (report.isError)
        ov9174fp_app::errorMessage(report.text);
    else
        ov9174fp_app::warningMessage(report.text);
}
} // namespace

void setStatusReportSink(StatusReportSink sink) { reportSink = sink; }

void setReportSessions(const ViSession *masterVi, const ViSession *slaveVi)
{
    reportMaster = masterVi;
    reportSlave = slaveVi;
}

StatusReport describeStatus(ViStatus status, const char *callText, ReportRule rule)
{
    ViChar buffer[1024] = {0};
    ViStatus deciding = status;
    const ViSession masterVi = current(reportMaster);
    const ViSession slaveVi = current(reportSlave);
    if (rule == ReportRule::Conditioning) {
        if (status == ov7931_ERROR_FC_DRIVER) {
            ViStatus fcStatus = 0;
            blockedHardwareAccess(ov7931_getFCLastError, slaveVi, &fcStatus);
            blockedHardwareAccess(ov8263_error_message, masterVi, fcStatus, buffer);
            deciding = fcStatus;
        } else {
            blockedHardwareAccess(ov7931_error_message, slaveVi, status, buffer);
        }
    } else {
        blockedHardwareAccess(ov8263_error_message, masterVi, status, buffer);
    }
    buffer[sizeof buffer - 1] = 0;
    StatusReport report;
    report.isError = deciding < 0;
    report.message = QLatin1String(buffer);
    // Driver texts are byte texts: shown through a Latin-1 conversion.
    if (report.isError)
        report.text = QStringLiteral("%1 failed due to [%2]").arg(QLatin1String(callText), QLatin1String(buffer));
    else
        report.text = QStringLiteral("Warning: [%1]").arg(QLatin1String(buffer));
    return report;
}

ViStatus reportStatus(ViStatus status, const char *callText, ReportRule rule)
{
    if (status != 0)
        show(describeStatus(status, callText, rule));
    return status;
}

ViStatus reportErrorOnly(ViStatus status, const char *callText, ReportRule rule)
{
    if (status < 0)
        show(describeStatus(status, callText, rule));
    return status;
}
