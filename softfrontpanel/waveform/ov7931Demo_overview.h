// The overview of a viewed recording, under the block slider: one band per
// plot that holds recorded channels, each channel's minimum and maximum over
// groups of blocks across the whole recording drawn as a vertical stroke per
// column in the channel's colour, and a marker at the slider's block. A
// click or drag moves the slider to the block of that column (see
// blockForColumn: in a column of many blocks, the block of its spike).
//
// The recording is read by a RecordingOverviewTask on its own thread; a
// timer of this widget takes the groups read so far, so the picture grows
// from the left with the reading's progress written over the part still to
// come. Destroying the widget (closing the window) stops the reading and
// waits for its thread. The widget is thin: the groups, the columns and the
// click rule are plain code in stream/recordingOverview.
#ifndef OV7931DEMO_OVERVIEW_H
#define OV7931DEMO_OVERVIEW_H

#include "recordingOverviewTask.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

class QSlider;
class QTimer;
class ov7931Demo_AppInterface;

class ov7931Demo_overview : public QWidget
{
    Q_OBJECT

public:
    // How segment k of a recorded block is drawn: its channel (0..15) and
    // the plot it belongs to (0 voltage, 1 resistance, 2 temperature);
    // a segment of no channel has plotKind -1.
    struct Segment {
        int channel = -1;
        int plotKind = -1;
    };

    // Starts reading `info` at once. `slider` is the block slider (value v
    // stands for block v-1): its value places the marker, a click sets it.
    ov7931Demo_overview(const recordingInfo &info, const std::vector<Segment> &segments, QSlider *slider,
                        QWidget *parent = nullptr);
    ~ov7931Demo_overview() override;

    // The reading's state as the widget last took it.
    const RecordingOverviewTask::Progress &progress() const { return progress_; }
    // The x of the middle of the column that shows block `block`.
    int xOfBlock(uint64_t block) const;
    // The plots shown as bands, top to bottom, and where band `band` lies.
    const std::vector<int> &bands() const { return bands_; }
    QRect bandRect(int band) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void poll();
    void layOut();
    void render();
    void goTo(int x);
    int columns() const;

    QSlider *slider_;
    std::vector<Segment> segments_;
    std::vector<int> bands_;
    std::unique_ptr<RecordingOverviewTask> task_;
    QTimer *timer_ = nullptr;
    OverviewGroups groups_;
    uint32_t groupsHave_ = 0;
    RecordingOverviewTask::Progress progress_;
    OverviewColumns layout_;
    std::vector<double> weight_; // per segment: 1 / its band's value span
    double bandLow_[3] = {}, bandHigh_[3] = {}; // each plot's finite extremes read so far
    QImage picture_;             // the bands' columns, redrawn when groups come in
    int lastColumn_ = -1;        // the column a drag is on
};

// Puts the overview of the viewed recording `info` under the waveform
// window's block slider, its channels drawn on the plots of the channel
// panels' plot kinds.
void showRecordingOverview(ov7931Demo_AppInterface *app, const recordingInfo &info);

#endif
