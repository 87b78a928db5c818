// The waveform window: three plots (volts, ohms, degrees Celsius) with the
// acquisition engine's slots and the status poll.
#ifndef OV7931DEMO_WAVEFORM_H
#define OV7931DEMO_WAVEFORM_H

#include "batchPolicy.h"
#include "contParams.h"
#include "ov7931Demo_statistics.h"
#include "visa.h"

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotGrid;
class QwtPlotZoomer;
class axisConfig;
class myQwtPlotPicker;
class ov7931Demo_AppInterface;

// The digitizer's status triple, filled by every acquisition check.
extern ViInt16 gl_state;
extern ViUInt16 gl_errors;
extern ViInt32 gl_scanBacklog;

class ov7931Demo_Waveform : public QWidget
{
    Q_OBJECT

public:
    explicit ov7931Demo_Waveform(ov7931Demo_AppInterface *app, QWidget *parent = nullptr);
    ~ov7931Demo_Waveform() override;

    // Colour of each channel's curve and legend label (index = channel - 1).
    static const QColor &channelColour(int channel);
    // Puts `widget` in the row under the block slider (a viewed recording's
    // overview), in place of the empty space under the state label.
    void addBelowSlider(QWidget *widget);

    // Largest block: 16 channels of 10000 scans.
    static constexpr int maxBlockSamples = 160000;

    // The widgets of one plot.
    struct PlotPanel {
        QwtPlot *plot = nullptr;
        QwtPlotCurve *curves[16] = {};
        QwtPlotGrid *grid = nullptr;
        myQwtPlotPicker *tracker = nullptr;
        QwtPlotZoomer *zoomer = nullptr;
        QLabel *title = nullptr;
        QFrame *separator = nullptr;
        QPushButton *expandButton = nullptr;
        QGroupBox *plotBox = nullptr;
        QGroupBox *legendBox = nullptr;
        QLabel *legend[16] = {};
        QPushButton *autoscaleButton = nullptr;
        QPushButton *statisticsButton = nullptr;
        // The value-axis and time-axis dialogs (ov7931Demo_waveformAxes.cpp).
        axisConfig *valueAxisDialog = nullptr;
        axisConfig *timeAxisDialog = nullptr;
    };
    const PlotPanel &panel(int plot) const { return panels[plot]; }

    // The acquisition timer: 50 ms for a single shot, the refresh interval
    // for a continuous run.
    QTimer *acqTimer = nullptr;

    // The block being shown, grouped by channel: the k-th enabled channel's
    // scanCount samples start at plotData + k * scanCount.
    double *plotData = nullptr;
    // Time of each sample index, one array per plot.
    double *timeAxis[3] = {};
    ViInt32 scanCount = 0;
    double samplingRate = 1000.0;
    uint32_t channelMask = 0; // bit c: channel c+1 enabled
    bool plotVisible[3] = {false, false, false};
    const bool demoMode;

    QLabel *stateLabel = nullptr;
    QLabel *fileSizeLabel = nullptr;
    QWidget *stateSpacer = nullptr; // the empty 20 pixels under the state row
    QSlider *blockSlider = nullptr;
    QLabel *blockLabel = nullptr;

    // The continuous run's record, shared with its callback and writer; it
    // also holds callbackEnabled, callbackAcknowledged, blocksRead,
    // displayedBlockIndex and bytesWritten.
    contParams_t contParams;
    // The GUI thread's policy while a recording is written (batchPolicy.h).
    BatchPolicy guiBatch;

public slots:
    void startDAQ();
    void stopDAQ();
    void breakSingle();
    void startCont();
    void stopCont();
    void timerSlot(bool incrementSlider);
    void timerSlot();
    void timerStatSlot();
    void showStat1();
    void showStat2();
    void showStat3();
    void asSlot1(bool asOn);
    void asSlot2(bool asOn);
    void asSlot3(bool asOn);
    void showHidePlots1();
    void showHidePlots2();
    void showHidePlots3();
    void showPanel();
    void sliderChanged(int value);

    // Hands the block to the curves, colours the legends, autoscales,
    // replots and shows exactly the plots with an enabled channel (a plot
    // that stays hidden is replotted when it is shown).
    void refreshPlots();
    // Recomputes channelMask from the channels' "Enabled" boxes.
    void updateEnabledChannels();
    // Shows a hidden plot (replotted) or hides a shown one.
    void togglePlotVisibility(int plot);

protected:
    // A click on an axis of a shown plot runs that axis's dialog.
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // The axis dialogs and the trackers' ranges (ov7931Demo_waveformAxes.cpp).
    void buildAxisDialogs(int p);
    void runValueAxisDialog(int p);
    void runTimeAxisDialog(int p);
    void updateTrackerRanges(int p);
    void buildPlot(int p, class QGridLayout *grid);
    void createZoomer(int p, bool trackerOff);
    // Autoscales (where its button is on) and replots plot p.
    void replotPanel(int p);
    void autoscaleChanged(int p, bool asOn);
    void showStatistics(int p);
    void setStateText(const QString &text, const QColor &colour);
    void startSingleShot();
    void showBlockTimes(double t0, double t1);
    // Stops the run and reads the block; `shortRead` tells whether it came
    // short (laid out again, its missing scans NaN).
    bool readSingleShotBlock(bool &shortRead);
    // A viewed recording's block at the slider (ov7931Demo_recordingView.cpp).
    void showRecordedBlock(bool incrementSlider);
    // The continuous run (ov7931Demo_contAcq.cpp).
    bool runContinuousDialog();
    bool continuousSetup();
    int continuousRefreshInterval() const;
    void continuousPoll();
    void showFileSize();
    void continuousShutdown();
    // The warning after a run in which some blocks came short.
    void warnOfShortBlocks(int64_t shortBlocks, int64_t blocksRead);

    ov7931Demo_AppInterface *app = nullptr;
    PlotPanel panels[3];
    std::vector<double> sampleStore;
    std::vector<double> timeStore;
    // The block in plotData holds raw resistances of the temperature
    // channels until its first refresh converts them.
    bool blockNeedsConversion = false;
    // What the plots show, for the statistics.
    StatSnapshot shownBlock;
    bool demoContinuous = false;
};

#endif
