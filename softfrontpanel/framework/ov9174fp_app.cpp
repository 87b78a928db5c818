#include "ov9174fp_app.h"

#include "ov9174fp_icons.h"
#include "ov9174fp_led.h"
#include "ov9174fp_resources.h"
#include "ov9174fp_waveformLengths.h"
#include "ov9174fp_windowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QThread>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <cstdio>
#include <cstdlib>

namespace {
const int modelNumber = 0x7931;

const char *const singleIdleTip = "Starts the Single-Shot Data Acquisition";
const char *const singleRunningTip = "Breaks the Single-Shot Data Acquisition";
const char *const contIdleTip = "Starts the Repetititve Data Acquisition";
const char *const contRunningTip = "Stops the Data Acquisition process";

// Explanatory text shown both as tool tip and as what's-this.
void explain(QWidget *w, const char *text)
{
    const QString t = QString::fromLatin1(text);
    w->setWhatsThis(t);
    w->setToolTip(t);
}

// The Plastique look of the maker's panels; Fusion where the style plugin is missing.
void installPanelStyle()
{
    const QString current = QApplication::style() ? QApplication::style()->objectName() : QString();
    if (current.compare(QLatin1String("plastique"), Qt::CaseInsensitive) == 0)
        return;
    QStyle *style = QStyleFactory::create(QStringLiteral("Plastique"));
    if (!style) {
        if (current.compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0)
            return;
        style = QStyleFactory::create(QStringLiteral("Fusion"));
    }
    if (style)
        QApplication::setStyle(style);
}

bool onGuiThread() { return qApp && QThread::currentThread() == qApp->thread(); }

// Boxes raised on other threads are handed to the GUI thread and shown there
// one after another, in the order they were raised; the raising thread goes
// on without waiting for the answer.
struct HandedOverBox {
    bool error;
    QString text;
};
QList<HandedOverBox> handedOverBoxes; // GUI thread only
bool showingHandedOverBoxes = false;  // GUI thread only

void handOverToGuiThread(bool error, const QString &text)
{
    if (!qApp)
        return;
    QMetaObject::invokeMethod(
        qApp,
        [error, text] {
            handedOverBoxes.append({error, text});
            if (showingHandedOverBoxes)
                return; // shown when the box that is open now is answered
            showingHandedOverBoxes = true;
            while (!handedOverBoxes.isEmpty()) {
                const HandedOverBox box = handedOverBoxes.takeFirst();
                if (box.error)
                    ov9174fp_app::errorMessage(box.text);
                else
                    ov9174fp_app::warningMessage(box.text);
            }
            showingHandedOverBoxes = false;
        },
        Qt::QueuedConnection);
}
} // namespace

ov9174fp_app::ov9174fp_app(QWidget *parent) : QWidget(parent)
{
    ov9174fp_initResources();
    installPanelStyle();
    setWindowIcon(QIcon(ov9174fp_icons::windowIcon()));

    helpButton = new QPushButton(this);
    helpButton->setIcon(QIcon(ov9174fp_icons::whatsThisHelp()));
    helpButton->setIconSize(QSize(20, 17));
    helpButton->setWhatsThis(QStringLiteral("Show on-line help for Instrument Soft Front Panel components"));

    waveformLengthLabel = new QLabel(QStringLiteral("Waveform Length"), this);
    waveformLengthLabel->setAlignment(Qt::AlignCenter);
    waveformLengthBox = new QComboBox(this);
    for (int n : waveformLengths())
        waveformLengthBox->addItem(QString::number(n), n);
    waveformLengthBox->setCurrentIndex(defaultWaveformLengthIndex);
    waveformLengthBox->setMinimumWidth(90);
    explain(waveformLengthBox, "Selects the number of scans to be acquired");

    samplingRateLabel = new QLabel(QStringLiteral("Sampling Rate"), this);
    samplingRateLabel->setAlignment(Qt::AlignCenter);
    samplingRateBox = new QComboBox(this);
    explain(samplingRateBox, "Selects the sampling frequency(in Hertz)");

    aboutButton = new QPushButton(QStringLiteral("About"), this);
    aboutButton->setWhatsThis(QStringLiteral("Displays \"About\" panel"));

    contentArea = new QWidget(this);
    locationLabel = new QLabel(this);
    functionCardLabel = new QLabel(this);

    activeLight = new ov9174fp_led(QStringLiteral("Active"), Qt::green, Qt::magenta, this);
    activeLight->setWhatsThis(
        QStringLiteral("Green light means that the Soft Front Panel works\nin Real (not Demo) mode."));

    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setWhatsThis(QStringLiteral("Close main panel and terminates program"));

    resetDeviceButton = new QPushButton(QStringLiteral("Reset Device"), this);
    explain(resetDeviceButton, "Reset the device to the default state");

    singleButton = new QPushButton(this);
    singleButton->setCheckable(true);
    singleButton->setIcon(QIcon(ov9174fp_icons::singleShotIdle()));
    singleButton->setIconSize(QSize(12, 12));
    explain(singleButton, singleIdleTip);
    singleButton->hide();

    contButton = new QPushButton(this);
    contButton->setCheckable(true);
    contButton->setIcon(QIcon(ov9174fp_icons::continuousIdle()));
    contButton->setIconSize(QSize(12, 12));
    explain(contButton, contIdleTip);
    contButton->hide();

    configButton = new QPushButton(QStringLiteral("Channel\nConfiguration"), this);
    explain(configButton, "Change Channels' Configurations, Calibrate Channels, and Check Status");
    enableAllChannelsButton = new QPushButton(QStringLiteral("Enable\nAll Channels"), this);
    explain(enableAllChannelsButton, "Enables all channels");

    // Layout: the content area on the left, the control column on the right.
    const int h = fontMetrics().height();
    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setSpacing(h);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    auto *body = new QHBoxLayout;
    body->setSpacing(h);
    body->setContentsMargins(h / 2, 5, 0, h / 2);
    mainLayout->addLayout(body);
    body->addWidget(contentArea);

    auto *column = new QVBoxLayout;
    column->setSpacing(h / 2);
    column->setContentsMargins(0, 0, h / 2, h / 2);
    body->addLayout(column);

    auto *statusBox = new QGroupBox(this);
    statusBoxLayout = new QVBoxLayout(statusBox);
    statusBoxLayout->setSpacing(h);
    statusBoxLayout->addWidget(activeLight);
    statusBoxLayout->addWidget(locationLabel);
    statusBoxLayout->addWidget(functionCardLabel);
    column->addWidget(statusBox);
    column->addStretch();
    column->addWidget(waveformLengthLabel);
    column->addWidget(waveformLengthBox);
    column->addWidget(samplingRateLabel);
    column->addWidget(samplingRateBox);
    column->addStretch();
    column->addWidget(singleButton);
    column->addWidget(contButton);
    column->addStretch();
    column->addWidget(configButton);
    column->addStretch();
    column->addWidget(enableAllChannelsButton);
    column->addStretch();
    column->addWidget(resetDeviceButton);
    column->addStretch();
    column->addWidget(helpButton);
    column->addWidget(aboutButton);
    column->addWidget(closeButton);

    connect(helpButton, &QPushButton::clicked, this, &ov9174fp_app::enterWIT);
    connect(singleButton, &QPushButton::toggled, this, &ov9174fp_app::startToggledSlot);
    connect(contButton, &QPushButton::toggled, this, &ov9174fp_app::startContToggledSlot);
    connect(configButton, &QPushButton::clicked, this, &ov9174fp_app::configureDevSlot);
    connect(enableAllChannelsButton, &QPushButton::clicked, this, &ov9174fp_app::enableAllChans);
    connect(resetDeviceButton, &QPushButton::clicked, this, &ov9174fp_app::resetPressed);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    mainLayout->setSizeConstraint(QLayout::SetMinimumSize);
    // This window and every dialog stay wholly on the screen, also when
    // they grow (the layout keeps this one at least at its minimum size
    // when plots are shown).
    keepWindowsOnScreen();
    centreWindow(this);
    contentAreaInUse = true;
}

ov9174fp_app::~ov9174fp_app() = default;

QString ov9174fp_app::modelNumberText() { return QStringLiteral("%1").arg(modelNumber, 4, 16); }

void ov9174fp_app::errorMessage(const QString &text)
{
    if (!onGuiThread()) {
        handOverToGuiThread(true, text);
        return;
    }
    const QString title = QStringLiteral("Keltri ") + modelNumberText() + QStringLiteral(" SFP Error message");
    const int answer = QMessageBox::critical(QApplication::activeWindow(), title,
                                             text + QStringLiteral("\nDo you want to exit?"),
                                             QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        // Quit at once: no settings saved, no session closed, no destructors.
        std::fflush(nullptr);
        std::_Exit(0);
    }
}

void ov9174fp_app::warningMessage(const QString &text)
{
    if (!onGuiThread()) {
        handOverToGuiThread(false, text);
        return;
    }
    const QString title = QStringLiteral("Keltri ") + modelNumberText() + QStringLiteral(" SFP Warning message");
    QMessageBox::warning(QApplication::activeWindow(), title, text, QMessageBox::Ok);
}

void ov9174fp_app::centreWindow(QWidget *window)
{
    if (!window)
        return;
    const QRect available = availableArea(window);
    if (available.isValid())
        window->move(centredWithin(window->frameGeometry().size().expandedTo(window->size()), available));
}

void ov9174fp_app::setContentLayout(QLayout *layout) { contentArea->setLayout(layout); }

void ov9174fp_app::setFunctionCardLabel(const QString &text, const QString &whatsThis)
{
    functionCardLabel->setText(text);
    if (!whatsThis.isEmpty())
        functionCardLabel->setWhatsThis(whatsThis);
}

void ov9174fp_app::setLocationLabel(const QString &text, const QString &whatsThis)
{
    locationLabel->setText(text);
    if (!whatsThis.isEmpty())
        locationLabel->setWhatsThis(whatsThis);
}

void ov9174fp_app::setActive(bool active) { activeLight->setValue(active ? 1 : 0); }

void ov9174fp_app::enterWIT() { QWhatsThis::enterWhatsThisMode(); }

void ov9174fp_app::userBreak()
{
    if (contButton->isChecked())
        contButton->toggle();
    if (singleButton->isChecked())
        singleButton->toggle();
    setAcquisitionControlsEnabled(true);
}

void ov9174fp_app::enableStart() { setAcquisitionControlsEnabled(true); }

void ov9174fp_app::startToggledSlot(bool status)
{
    if (status) {
        singleButton->setIcon(QIcon(ov9174fp_icons::running()));
        explain(singleButton, singleRunningTip);
        contButton->setEnabled(false);
        emit startSingle();
    } else {
        singleButton->setIcon(QIcon(ov9174fp_icons::singleShotIdle()));
        explain(singleButton, singleIdleTip);
        setAcquisitionControlsEnabled(false);
        emit breakSingle();
    }
}

void ov9174fp_app::startContToggledSlot(bool status)
{
    if (status) {
        contButton->setIcon(QIcon(ov9174fp_icons::running()));
        explain(contButton, contRunningTip);
        singleButton->setEnabled(false);
        emit startCont();
    } else {
        contButton->setIcon(QIcon(ov9174fp_icons::continuousIdle()));
        explain(contButton, contIdleTip);
        setAcquisitionControlsEnabled(false);
        emit stopCont();
    }
}

void ov9174fp_app::configureDevSlot() { emit configDev(); }

void ov9174fp_app::enableAllChans() { emit enableAll(); }

void ov9174fp_app::closeEvent(QCloseEvent *event)
{
    const QString title = QStringLiteral("Keltri ") + modelNumberText() + QStringLiteral(" SFP");
    const int answer = QMessageBox::question(QApplication::activeWindow(), title,
                                             QStringLiteral("Do you really want to exit?"),
                                             QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        event->accept();
    else
        event->ignore();
}

void ov9174fp_app::setAcquisitionControlsEnabled(bool enabled)
{
    for (QPushButton *b : {singleButton, contButton, configButton, enableAllChannelsButton})
        b->setEnabled(enabled);
}
