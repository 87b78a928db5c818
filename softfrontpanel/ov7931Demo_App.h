// The instrument's application object: the main window of the Keltri 7931
// panel. Opens the conditioning card on the digitizer's session, identifies
// both cards, builds the instrument's windows and wires the panel's signals;
// at the end saves the panel's choices and closes both sessions.
#ifndef OV7931DEMO_APP_H
#define OV7931DEMO_APP_H

#include "ov7931Demo_AppInterface.h"

#include <QFuture>
#include <QString>

class QProgressDialog;
class QTimer;
class QVBoxLayout;

class ov7931Demo_App : public ov7931Demo_AppInterface
{
    Q_OBJECT

public:
    ov7931Demo_App(ov9174fp_genFC *descriptor, int cardCount, bool viewingRecording, const QString &slaveSubType,
                   QWidget *parent = nullptr);
    ~ov7931Demo_App() override;

    // The session, deviceBusy, the channel panels and the windows: ov7931Demo_AppInterface.
    QTimer *statusTimer = nullptr;
    QFuture<void> readerTask;

    QString masterSubType;
    QString masterSerial;
    QString masterRevision;
    QString slaveSerial;
    QString slaveRevision;

    // The per-card settings file: "ov7931_" + slaveSerial + ".ini".
    QString settingsFileName() const override;

    // The digitizer's sampling-frequency limits as read when the cards were
    // opened (both 0 in demo mode).
    double lowestFrequency() const { return frequencyLimits[0]; }
    double highestFrequency() const { return frequencyLimits[1]; }

    // The progress dialog of resetDevice, built but not shown.
    static QProgressDialog *createResetProgressDialog(QWidget *parent);

public slots:
    void enableAllChannels();
    void resetDevice();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void openCards(double excitationCurrents[16][2], bool haveCurrents[16]);
    void registerIdentities();
    void fillSamplingRates();
    void restoreChoices();
    void saveChoices();

    QVBoxLayout *bodyLayout = nullptr;
    double frequencyLimits[2] = {0.0, 0.0};
};

#endif
