// The instrument's application object: the main window of the Keltri 7931
// panel. Opens the conditioning card on the digitizer's session, identifies
// both cards, builds the instrument's windows and wires the panel's signals;
// at the end saves the panel's choices and closes both sessions.
#ifndef OV7931DEMO_APP_H
#define OV7931DEMO_APP_H

#include "ov9174fp_AppFC.h"

#include <QFuture>
#include <QString>

#include <atomic>

class QProgressDialog;
class QTimer;
class QVBoxLayout;
class ov7931Demo_Waveform;
class ov7931Demo_Config;
class ov7931Demo_ChCfg;
class acqConfig;

class ov7931Demo_App : public ov9174fp_AppFC
{
    Q_OBJECT

public:
    ov7931Demo_App(ov9174fp_genFC *descriptor, int cardCount, bool viewingRecording, const QString &slaveSubType,
                   QWidget *parent = nullptr);
    ~ov7931Demo_App() override;

    // masterVi (inherited) and slaveVi: the two sessions, 0 in demo mode.
    ViSession slaveVi = 0;
    ov7931Demo_Waveform *waveform = nullptr;
    ov7931Demo_Config *config = nullptr;
    ov7931Demo_ChCfg *chCfg[16] = {};
    QTimer *statusTimer = nullptr;
    acqConfig *acqCfg = nullptr; // the continuous-run dialog, kept for the session
    // 1 while a reset, a calibration or an apply-to-all owns the hardware.
    std::atomic<int> deviceBusy{0};
    bool continuousMode = false;
    QFuture<void> readerTask;

    QString masterSubType;
    QString masterSerial;
    QString masterRevision;
    QString slaveSubType;
    QString slaveSerial;
    QString slaveRevision;

    // The per-card settings file: "ov7931_" + slaveSerial + ".ini".
    QString settingsFileName() const;

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
