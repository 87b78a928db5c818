#include "ov9174fp_About.h"

#include "ov7931Demo_hwaccess.h"
#include "ov9174.h"
#include "ov9174fp_clickableLabel.h"
#include "ov9174fp_genFC.h"
#include "ov9174fp_licenses.h"
#include "ov9174fp_resources.h"
#include "ov9174fp_traceOption.h"

#include <QDesktopServices>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <qwt_global.h>

namespace {
const char *const licensesWebPage = "https://www.orvane.com/about/third-party-license-usage/";

QString commonLibraryRevision()
{
    ViChar revision[512] = {};
    blockedHardwareAccess1(ov9174_libRevision, revision);
    revision[sizeof revision - 1] = '\0';
    return QString::fromLatin1(revision);
}

QString textAt(const QStringList &list, int index)
{
    return index >= 0 && index < list.size() ? list.at(index) : QString();
}
} // namespace

ov9174fp_About::ov9174fp_About(const QString &panelVersion, const QString &driverRevision, const QString &model,
                               const QString &copyright, QWidget *parent, int offset, const QString &qwtVersion,
                               bool)
    : QDialog(parent), softwareOffset(offset)
{
    build(panelVersion, driverRevision, model, copyright, qwtVersion);
}

ov9174fp_About::ov9174fp_About(ov9174fp_genFC *descriptor, const QString &model, QWidget *parent, int offset,
                               const QString &qwtVersion, bool)
    : QDialog(parent), softwareOffset(offset)
{
    build(descriptor ? descriptor->panelVersion() : QString(), descriptor ? descriptor->driverRevision() : QString(),
          model, descriptor ? descriptor->copyright() : QString(), qwtVersion);
}

ov9174fp_About::~ov9174fp_About() = default;

void ov9174fp_About::build(const QString &panelVersion, const QString &driverRevision, const QString &model,
                           const QString &copyright, const QString &qwtVersion)
{
    ov9174fp_initResources();
    const int h = fontMetrics().height();

    setWindowTitle(tr("About Keltri %1 Soft Front Panel").arg(model));
    setMinimumSize(380, 300);
    resize(380, 300);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto *product = new QLabel(
        QStringLiteral("<font size='5' bold>Keltri %1 VXIplug&amp;play Driver<br>Soft Front Panel Application</font>")
            .arg(model),
        this);
    product->setAlignment(Qt::AlignCenter);
    layout->addWidget(product);
    auto *copyrightLabel = new QLabel(copyright, this);
    copyrightLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(copyrightLabel);
    layout->addSpacing(h);

    auto *row = new QHBoxLayout;
    layout->addLayout(row);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setPixmap(QPixmap(QStringLiteral(":/ov9174/softfrontpanel_lib/orvane-logo.bmp")));
    logo->setStyleSheet(QStringLiteral("QLabel {background-color:#1A2C5E}"));
    logo->setAlignment(Qt::AlignCenter);
    logo->setMargin(10);
    row->addWidget(logo);

    auto *column = new QVBoxLayout;
    row->addLayout(column);

    // Third-party licences.
    auto *licenses = new QGroupBox(QStringLiteral("Third-Party Licenses"), this);
    auto *grid = new QGridLayout(licenses);
    grid->setSpacing(h);
    grid->setContentsMargins(h, h, h, h);

    auto *qtName = new clickableLabel(QStringLiteral("Qt"), licenses);
    qtName->setObjectName(QStringLiteral("qtLink"));
    auto *qtVersionLabel = new QLabel(tr(" libraries version %1:").arg(QString::fromLatin1(qVersion())), licenses);
    auto *qtCell = new QHBoxLayout;
    qtCell->setSpacing(0);
    qtCell->addWidget(qtName);
    qtCell->addWidget(qtVersionLabel);
    qtCell->addStretch(1);
    grid->addLayout(qtCell, 0, 0);
    auto *qtLicenseLink = new clickableLabel(qtLicenseName(), licenses);
    qtLicenseLink->setObjectName(QStringLiteral("qtLicenseLink"));
    grid->addWidget(qtLicenseLink, 0, 1);
    connect(qtName, &clickableLabel::clicked, this, [this] { QMessageBox::aboutQt(this); });
    connect(qtLicenseLink, &clickableLabel::clicked, this, &ov9174fp_About::showQtLicense);

    int gridRow = 1;
    if (!qwtVersion.isEmpty()) {
        // The version of the library this program was built with.
        grid->addWidget(new QLabel(tr("Qwt library version %1:").arg(QStringLiteral(QWT_VERSION_STR)), licenses),
                        gridRow, 0);
        auto *qwtLink = new clickableLabel(QStringLiteral("LGPL v2.1"), licenses);
        qwtLink->setObjectName(QStringLiteral("qwtLicenseLink"));
        grid->addWidget(qwtLink, gridRow, 1);
        connect(qwtLink, &clickableLabel::clicked, this, &ov9174fp_About::showQwtLicense);
        ++gridRow;
    }

    grid->addWidget(new QLabel(QStringLiteral("KISS FFT library:"), licenses), gridRow, 0);
    auto *kissLink = new clickableLabel(QStringLiteral("BSD"), licenses);
    kissLink->setObjectName(QStringLiteral("kissFFTLicenseLink"));
    grid->addWidget(kissLink, gridRow, 1);
    connect(kissLink, &clickableLabel::clicked, this, &ov9174fp_About::showKissFFTLicense);
    ++gridRow;

    auto *learnMore = new clickableLabel(QStringLiteral("Learn more about licenses"), licenses);
    learnMore->setObjectName(QStringLiteral("licensesWebLink"));
    grid->addWidget(learnMore, gridRow, 0, 1, 2);
    connect(learnMore, &clickableLabel::clicked, this, &ov9174fp_About::openLicensesWebPage);
    column->addWidget(licenses);

    // Software revisions; these two are software page 0.
    auto *software = new QGroupBox(QStringLiteral("Software Revisions"), this);
    softwareForm = new QFormLayout(software);
    softwareForm->setSpacing(h);
    softwareForm->setContentsMargins(h, h, h, h);
    commonLibraryLabel = new QLabel(commonLibraryRevision(), software);
    driverLabel = new QLabel(driverRevision, software);
    panelLabel = new QLabel(panelVersion, software);
    softwareForm->addRow(QStringLiteral("Keltri Common Library:"), commonLibraryLabel);
    softwareForm->addRow(QStringLiteral("Instrument Driver:"), driverLabel);
    softwareForm->addRow(QStringLiteral("Soft Front Panel:"), panelLabel);
    driverRevisions << driverRevision;
    panelVersions << panelVersion;
    column->addWidget(software);

    // Hardware information: rows come with the first card.
    auto *hardware = new QGroupBox(QStringLiteral("Hardware Information"), this);
    auto *hardwareColumn = new QVBoxLayout(hardware);
    hardwareColumn->setSpacing(h);
    hardwareColumn->setContentsMargins(h, h, h, h);
    hardwareForm = new QFormLayout;
    hardwareForm->setSpacing(h);
    hardwareColumn->addLayout(hardwareForm);
    // Below the card rows: the driver-call trace, for the maker's support.
    hardwareColumn->addWidget(new ov9174fp_traceOption(hardware));
    column->addWidget(hardware);

    auto *buttons = new QHBoxLayout;
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);
    prevPushButton = new QPushButton(QStringLiteral("< Previous"), this);
    nextPushButton = new QPushButton(QStringLiteral("Next >"), this);
    for (QPushButton *b : {prevPushButton, nextPushButton}) {
        b->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
        b->hide();
    }
    prevPushButton->setEnabled(false);
    connect(nextPushButton, &QPushButton::clicked, this, &ov9174fp_About::next);
    connect(prevPushButton, &QPushButton::clicked, this, &ov9174fp_About::prev);
    buttons->addWidget(ok);
    buttons->addWidget(prevPushButton);
    buttons->addWidget(nextPushButton);
    column->addLayout(buttons);
}

void ov9174fp_About::addHardwareInfo(const QString &serial, const QString &revision, const QString &model)
{
    deviceModels << model;
    revisions << revision;
    serialNumbers << serial;
    if (deviceModels.size() == 1) {
        deviceModelLabel = new QLabel(model, this);
        revisionLabel = new QLabel(revision, this);
        serialNumberLabel = new QLabel(serial, this);
        hardwareForm->addRow(QStringLiteral("Device Model:"), deviceModelLabel);
        hardwareForm->addRow(QStringLiteral("Revision:"), revisionLabel);
        hardwareForm->addRow(QStringLiteral("Serial Number:"), serialNumberLabel);
    } else {
        prevPushButton->setVisible(true);
        nextPushButton->setVisible(true);
        nextPushButton->setEnabled(page < deviceModels.size() - 1);
    }
}

void ov9174fp_About::addSoftwareRevision(const QString &driverRevision, const QString &panelVersion)
{
    driverRevisions << driverRevision;
    panelVersions << panelVersion;
}

void ov9174fp_About::next()
{
    if (page >= deviceModels.size() - 1)
        return;
    ++page;
    showPage();
}

void ov9174fp_About::prev()
{
    if (page <= 0)
        return;
    --page;
    showPage();
}

void ov9174fp_About::showPage()
{
    const int k = softwareOffset > page ? 0 : page - softwareOffset + 1;
    driverLabel->setText(textAt(driverRevisions, k));
    panelLabel->setText(textAt(panelVersions, k));
    if (deviceModelLabel) {
        deviceModelLabel->setText(textAt(deviceModels, page));
        revisionLabel->setText(textAt(revisions, page));
        serialNumberLabel->setText(textAt(serialNumbers, page));
    }
    nextPushButton->setEnabled(page < deviceModels.size() - 1);
    prevPushButton->setEnabled(page > 0);
}

QString ov9174fp_About::shownCommonLibraryRevision() const { return commonLibraryLabel->text(); }
QString ov9174fp_About::shownDriverRevision() const { return driverLabel->text(); }
QString ov9174fp_About::shownPanelVersion() const { return panelLabel->text(); }
QString ov9174fp_About::shownDeviceModel() const { return deviceModelLabel ? deviceModelLabel->text() : QString(); }
QString ov9174fp_About::shownRevision() const { return revisionLabel ? revisionLabel->text() : QString(); }
QString ov9174fp_About::shownSerialNumber() const
{
    return serialNumberLabel ? serialNumberLabel->text() : QString();
}

void ov9174fp_About::showKissFFTLicense()
{
    kissFFTLicense viewer(this);
    viewer.exec();
}

void ov9174fp_About::showQtLicense()
{
    qtLicense viewer(this);
    viewer.exec();
}

void ov9174fp_About::showQwtLicense()
{
    qwtLicense viewer(this);
    viewer.exec();
}

void ov9174fp_About::openLicensesWebPage() { QDesktopServices::openUrl(QUrl(QString::fromLatin1(licensesWebPage))); }
