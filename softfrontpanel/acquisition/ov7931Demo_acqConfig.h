// The continuous-run dialog: where and in which format a continuous run is
// recorded and how often the plots refresh. Created once by the
// application object and kept, so the choices carry over from run to run;
// the engine reads the path, the format index (0 binary, 1 CSV) and the
// refresh interval when a run starts.
#ifndef OV7931DEMO_ACQCONFIG_H
#define OV7931DEMO_ACQCONFIG_H

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The recording path with the suffix the format needs: a path whose suffix
// (lower-cased) is not "bin7931" (binary) or "csv" (CSV) becomes the
// absolute directory + the base name up to its first '.' + the suffix.
// `changed` tells whether it did.
QString recordingPathFor(const QString &path, bool csv, bool *changed);
// The initial path: dump.bin7931 in USERPROFILE when it is set, else in the
// home folder, with native separators.
QString defaultRecordingPath();

class acqConfig : public QDialog
{
    Q_OBJECT

public:
    explicit acqConfig(QWidget *parent = nullptr);

    QLineEdit *pathEdit = nullptr;
    QComboBox *formatSelector = nullptr;
    QComboBox *refreshSelector = nullptr;
    QLabel *refreshLabel = nullptr;
    QLabel *dataRateLabel = nullptr;
    int samplesPerSecond = 0;

    QPushButton *browseButton = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *cancelButton = nullptr;

    // What the engine reads.
    QString recordingPath() const;
    int fileFormat() const;      // 0 binary, 1 CSV
    int refreshInterval() const; // milliseconds

public slots:
    void setDataRate(int samplesPerSecond);
    void setDataRate();
    bool checkPath(bool moreChecks);
    bool checkPath();
    void acceptMaybe();
    void browseSlot();
};

#endif
