// Placeholder so that the library links while the main panel is being built.
#include "ov9174fp_app.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "ov9174fp_led.h"

#include <cstdlib>

ov9174fp_app::ov9174fp_app(QWidget *parent) : QWidget(parent)
{
    helpButton = new QPushButton(this);
    waveformLengthLabel = new QLabel(QStringLiteral("Waveform Length"), this);
    waveformLengthBox = new QComboBox(this);
    for (int n : {10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000})
        waveformLengthBox->addItem(QString::number(n), n);
    waveformLengthBox->setCurrentIndex(6);
    samplingRateLabel = new QLabel(QStringLiteral("Sampling Rate"), this);
    samplingRateBox = new QComboBox(this);
    aboutButton = new QPushButton(QStringLiteral("About"), this);
    contentArea = new QWidget(this);
    locationLabel = new QLabel(this);
    functionCardLabel = new QLabel(this);
    activeLight = new ov9174fp_led(QStringLiteral("Active"), Qt::green, Qt::magenta, this);
    closeButton = new QPushButton(QStringLiteral("Close"), this);
    resetDeviceButton = new QPushButton(QStringLiteral("Reset Device"), this);
    singleButton = new QPushButton(this);
    singleButton->setCheckable(true);
    singleButton->hide();
    contButton = new QPushButton(this);
    contButton->setCheckable(true);
    contButton->hide();
    configButton = new QPushButton(QStringLiteral("Channel\nConfiguration"), this);
    enableAllChannelsButton = new QPushButton(QStringLiteral("Enable\nAll Channels"), this);

    auto *body = new QHBoxLayout(this);
    body->addWidget(contentArea);
    auto *column = new QVBoxLayout;
    statusBoxLayout = new QVBoxLayout;
    statusBoxLayout->addWidget(activeLight);
    statusBoxLayout->addWidget(locationLabel);
    statusBoxLayout->addWidget(functionCardLabel);
    column->addLayout(statusBoxLayout);
    for (QWidget *w : std::initializer_list<QWidget *>{waveformLengthLabel, waveformLengthBox, samplingRateLabel,
                                                       samplingRateBox, singleButton, contButton, configButton,
                                                       enableAllChannelsButton, resetDeviceButton, helpButton,
                                                       aboutButton, closeButton})
        column->addWidget(w);
    body->addLayout(column);

    connect(singleButton, &QPushButton::toggled, this, &ov9174fp_app::startToggledSlot);
    connect(contButton, &QPushButton::toggled, this, &ov9174fp_app::startContToggledSlot);
    connect(configButton, &QPushButton::clicked, this, &ov9174fp_app::configureDevSlot);
    connect(enableAllChannelsButton, &QPushButton::clicked, this, &ov9174fp_app::enableAllChans);
    connect(resetDeviceButton, &QPushButton::clicked, this, &ov9174fp_app::resetPressed);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    contentAreaInUse = true;
}

ov9174fp_app::~ov9174fp_app() = default;

void ov9174fp_app::errorMessage(const QString &text)
{
    if (QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Keltri 7931 SFP Error message"),
                              text + QStringLiteral("\nDo you want to exit?"), QMessageBox::Yes | QMessageBox::No) ==
        QMessageBox::Yes)
        std::_Exit(0);
}

void ov9174fp_app::warningMessage(const QString &text)
{
    QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Keltri 7931 SFP Warning message"), text,
                         QMessageBox::Ok);
}

void ov9174fp_app::centreWindow(QWidget *window)
{
    const QRect a = QGuiApplication::primaryScreen()->availableGeometry();
    window->move((a.width() - window->width()) / 2, (a.height() - window->height()) / 2);
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
        contButton->setEnabled(false);
        emit startSingle();
    } else {
        setAcquisitionControlsEnabled(false);
        emit breakSingle();
    }
}

void ov9174fp_app::startContToggledSlot(bool status)
{
    if (status) {
        singleButton->setEnabled(false);
        emit startCont();
    } else {
        setAcquisitionControlsEnabled(false);
        emit stopCont();
    }
}

void ov9174fp_app::configureDevSlot() { emit configDev(); }

void ov9174fp_app::enableAllChans() { emit enableAll(); }

void ov9174fp_app::closeEvent(QCloseEvent *event)
{
    if (QMessageBox::question(QApplication::activeWindow(), QStringLiteral("Keltri 7931 SFP"),
                              QStringLiteral("Do you really want to exit?"), QMessageBox::Yes | QMessageBox::No) ==
        QMessageBox::Yes)
        event->accept();
    else
        event->ignore();
}

void ov9174fp_app::setAcquisitionControlsEnabled(bool enabled)
{
    for (QPushButton *b : {singleButton, contButton, configButton, enableAllChannelsButton})
        b->setEnabled(enabled);
}
