// The framework's main front-panel window: the right-hand control column
// shared by the maker's soft front panels, the content area on the left for
// the instrument's body, the exit question and the message boxes.
#ifndef OV9174FP_APP_H
#define OV9174FP_APP_H

#include <QWidget>

class QBoxLayout;
class QComboBox;
class QLabel;
class QLayout;
class QPushButton;
class QVBoxLayout;
class ov9174fp_About;
class ov9174fp_led;

class ov9174fp_app : public QWidget
{
    Q_OBJECT

public:
    explicit ov9174fp_app(QWidget *parent = nullptr);
    ~ov9174fp_app() override;

    // Message boxes of the framework. errorMessage's "Yes" ends the process
    // at once with exit code 0; warningMessage returns when closed.
    static void errorMessage(const QString &text);
    static void warningMessage(const QString &text);
    // Centres a top-level window in its screen's available area, its
    // top-left corner never outside it.
    static void centreWindow(QWidget *window);
    // The model number as it reads in titles: 0x7931 in base 16, width 4.
    static QString modelNumberText();

    void setContentLayout(QLayout *layout);
    void setFunctionCardLabel(const QString &text, const QString &whatsThis = QString());
    void setLocationLabel(const QString &text, const QString &whatsThis = QString());
    void setActive(bool active);

    // The controls the instrument reads and drives.
    QComboBox *waveformLengthList() const { return waveformLengthBox; }
    QComboBox *samplingRateList() const { return samplingRateBox; }
    QPushButton *singleShotButton() const { return singleButton; }
    QPushButton *continuousButton() const { return contButton; }
    QPushButton *configurationButton() const { return configButton; }
    QPushButton *enableAllButton() const { return enableAllChannelsButton; }
    QPushButton *resetButton() const { return resetDeviceButton; }
    QPushButton *aboutPushButton() const { return aboutButton; }
    QPushButton *helpPushButton() const { return helpButton; }
    QPushButton *closePushButton() const { return closeButton; }
    QWidget *contentWidget() const { return contentArea; }
    bool isContentAreaInUse() const { return contentAreaInUse; }
    ov9174fp_led *activeLed() const { return activeLight; }
    QLabel *locationText() const { return locationLabel; }
    QLabel *functionCardText() const { return functionCardLabel; }
    ov9174fp_About *aboutBox() const { return aboutDialog; }
    void setAboutBox(ov9174fp_About *about) { aboutDialog = about; }

signals:
    void startSingle();
    void breakSingle();
    void startCont();
    void stopCont();
    void resetPressed();
    void configDev();
    void enableAll();

public slots:
    void enterWIT();
    void userBreak();
    void enableStart();

private slots:
    void startToggledSlot(bool status);
    void startContToggledSlot(bool status);
    void configureDevSlot();
    void enableAllChans();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void setAcquisitionControlsEnabled(bool enabled);

    QPushButton *helpButton = nullptr;
    QLabel *waveformLengthLabel = nullptr;
    QComboBox *waveformLengthBox = nullptr;
    QLabel *samplingRateLabel = nullptr;
    QComboBox *samplingRateBox = nullptr;
    ov9174fp_About *aboutDialog = nullptr;
    QPushButton *aboutButton = nullptr;
    QWidget *contentArea = nullptr;
    bool contentAreaInUse = false;
    QLabel *locationLabel = nullptr;
    QLabel *functionCardLabel = nullptr;
    ov9174fp_led *activeLight = nullptr;
    QPushButton *closeButton = nullptr;
    QVBoxLayout *statusBoxLayout = nullptr;
    QPushButton *resetDeviceButton = nullptr;
    QPushButton *singleButton = nullptr;
    QPushButton *contButton = nullptr;
    QPushButton *configButton = nullptr;
    QPushButton *enableAllChannelsButton = nullptr;
};

#endif
