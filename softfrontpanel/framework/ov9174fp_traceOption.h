// The About box's switch for the driver-call trace: checking it asks for the
// trace file (appended to when it exists) and starts the trace; unchecking
// stops it. The box follows a trace started from the environment
// (OV7931FP_TRACE) whenever the About box is shown, and its tool tip names
// the file being written.
#ifndef OV9174FP_TRACEOPTION_H
#define OV9174FP_TRACEOPTION_H

#include <QCheckBox>

class ov9174fp_traceOption : public QCheckBox
{
    Q_OBJECT

public:
    explicit ov9174fp_traceOption(QWidget *parent = nullptr);

    // The file offered when the trace is switched on.
    static QString defaultTraceFile();

public slots:
    // Shows whether a trace runs now, without starting or stopping one.
    void showTraceState();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void switched(bool on);
};

#endif
