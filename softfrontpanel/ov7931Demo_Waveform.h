// The waveform window: three plots (volts, ohms, degrees Celsius) with the
// acquisition engine's slots and the status poll.
#ifndef OV7931DEMO_WAVEFORM_H
#define OV7931DEMO_WAVEFORM_H

#include <QWidget>

class QTimer;
class ov7931Demo_App;

class ov7931Demo_Waveform : public QWidget
{
    Q_OBJECT

public:
    explicit ov7931Demo_Waveform(ov7931Demo_App *app, QWidget *parent = nullptr);
    ~ov7931Demo_Waveform() override;

    QTimer *acqTimer = nullptr;

public slots:
    void startDAQ();
    void stopDAQ();
    void breakSingle();
    void startCont();
    void stopCont();
    void timerSlot();
    void timerStatSlot();
    void showPanel();
    void refreshPlots();
    void updateEnabledChannels();
    void togglePlotVisibility(int plot);

private:
    ov7931Demo_App *app = nullptr;
};

#endif
