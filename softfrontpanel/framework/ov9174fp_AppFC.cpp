#include "ov9174fp_AppFC.h"

#include "ov7931Demo_hwaccess.h"
#include "ov9174fp_About.h"
#include "ov9174fp_fcSelect.h"
#include "ov9174fp_genFC.h"

#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QString modelNumber() { return QStringLiteral("%1").arg(0x7931, 4, 16, QChar(QLatin1Char(' '))); }

// Giving up the connection ends the process at once, as quitting from an
// error box does: no settings are written and nothing else is torn down.
[[noreturn]] void endProcessAfterCancel()
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(0);
}

QString attributeText(ViSession vi, ViAttr attribute, bool *ok)
{
    ViChar buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    *ok = blockedHardwareAccess3(viGetAttribute, vi, attribute, static_cast<void *>(buffer)) == VI_SUCCESS;
    buffer[sizeof buffer - 1] = '\0';
    return QString::fromLatin1(buffer);
}

} // namespace

ov9174fp_AppFC::ov9174fp_AppFC(ov9174fp_genFC *descriptor, int cardCount, bool viewing,
                               const QString &guiVersion, bool flag, QWidget *parent)
    : ov9174fp_app(parent), fc(descriptor), viewingRecording(viewing)
{
    auto *select = new ov9174fp_fcSelect(fc, cardCount);
    if (!viewingRecording) {
        if (!windowIcon().isNull())
            select->setWindowIcon(windowIcon());
        centreWindow(select);
        if (select->runConnectionDialog() == 0) {
            demoMode = true;
            delete select;
            endProcessAfterCancel();
        }
    }

    demoMode = viewingRecording || select->demoFlag != 0;
    masterVi = demoMode ? 0 : select->session;
    selectedCount = select->selectedCount;
    std::memcpy(fcNumbers, select->fcNumbers, sizeof fcNumbers);
    if (viewingRecording) {
        // A recording is shown as if in demo mode.
        selectedCount = 1;
        fcNumbers[0] = 1;
    }
    setActive(!demoMode);

    readLocation();
    delete select;

    applyPanelTexts();
    createAboutBox(guiVersion, flag);
}

ov9174fp_AppFC::~ov9174fp_AppFC() = default;

QString ov9174fp_AppFC::windowTitleFor(const QString &host)
{
    if (host.isEmpty())
        return QStringLiteral("Keltri ") + modelNumber() + QStringLiteral(" Soft Front Panel");
    return QStringLiteral("Keltri ") + modelNumber() + QStringLiteral(" Soft Front Panel: ") + host;
}

void ov9174fp_AppFC::readLocation()
{
    isLxi = false;
    host.clear();
    if (demoMode) {
        location = QStringLiteral("Slot 5");
        return;
    }
    ViInt16 slot = 0;
    if (blockedHardwareAccess3(viGetAttribute, masterVi, VI_ATTR_SLOT, static_cast<void *>(&slot)) ==
        VI_SUCCESS) {
        location = QStringLiteral("Slot %1").arg(slot);
        return;
    }
    isLxi = true;
    bool ok = false;
    const QString device = attributeText(masterVi, VI_ATTR_TCPIP_DEVICE_NAME, &ok);
    if (ok)
        location = device;
    const QString hostName = attributeText(masterVi, VI_ATTR_TCPIP_HOSTNAME, &ok);
    if (ok)
        host = hostName;
}

void ov9174fp_AppFC::applyPanelTexts()
{
    setWindowTitle(windowTitleFor(host));
    setLocationLabel(location, isLxi ? QStringLiteral("Shows which LXI module is connected to the Soft Front Panel")
                                     : QStringLiteral("Shows which VXI module is connected to the Soft Front Panel"));
    setFunctionCardLabel(QStringLiteral("FC %1").arg(fcNumbers[0]),
                         QStringLiteral("Shows which function card is connected to the Soft Front Panel"));
}

void ov9174fp_AppFC::createAboutBox(const QString &guiVersion, bool flag)
{
    ov9174fp_About *about = nullptr;
    if (fc)
        about = new ov9174fp_About(fc, modelNumber(), this, selectedCount, guiVersion, flag);
    else
        about = new ov9174fp_About(QString(), QString(), modelNumber(), QString(), this, selectedCount, guiVersion,
                                   flag);
    about->hide();
    setAboutBox(about);
    connect(aboutPushButton(), &QPushButton::clicked, about, &QWidget::show);
}
