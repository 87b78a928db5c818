// Placeholder so that the library links while the application object is being built.
#include "ov7931Demo_App.h"

#include "ov7931Demo_Config.h"
#include "ov7931Demo_Waveform.h"

#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

ov7931Demo_App::ov7931Demo_App(ov9174fp_genFC *descriptor, int cardCount, bool viewing, const QString &subType,
                               QWidget *parent)
    : ov9174fp_AppFC(descriptor, cardCount, viewing, QStringLiteral("6.1.3"), false, parent),
      masterSubType(QStringLiteral("8263-AA")), masterSerial(QStringLiteral("DEMO")),
      masterRevision(QStringLiteral("1.0.0.0 (DEMO)")), slaveSubType(subType), slaveSerial(QStringLiteral("DEMO")),
      slaveRevision(QStringLiteral("1.0.0.0 (DEMO)"))
{
    bodyLayout = new QVBoxLayout;
    config = new ov7931Demo_Config(this);
    waveform = new ov7931Demo_Waveform(this, this);
    bodyLayout->addWidget(waveform);
    singleShotButton()->show();
    continuousButton()->show();
    statusTimer = new QTimer(this);
    connect(this, &ov9174fp_app::configDev, waveform, &ov7931Demo_Waveform::showPanel);
    setContentLayout(bodyLayout);
}

ov7931Demo_App::~ov7931Demo_App() = default;

QString ov7931Demo_App::settingsFileName() const { return QStringLiteral("ov7931_") + slaveSerial + ".ini"; }

void ov7931Demo_App::enableAllChannels() {}
void ov7931Demo_App::resetDevice() {}
void ov7931Demo_App::showEvent(QShowEvent *event) { ov9174fp_AppFC::showEvent(event); }
