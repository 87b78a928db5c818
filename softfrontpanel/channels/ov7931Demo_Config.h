// The channel configuration window: 16 channel panels in tabs and Close.
#ifndef OV7931DEMO_CONFIG_H
#define OV7931DEMO_CONFIG_H

#include <QDialog>

class QPushButton;
class QTabWidget;
class ov7931Demo_AppInterface;

class ov7931Demo_Config : public QDialog
{
    Q_OBJECT

public:
    // Creates the 16 panels and stores them, in channel order, in app->chCfg.
    explicit ov7931Demo_Config(ov7931Demo_AppInterface *app);
    ~ov7931Demo_Config() override;

    QTabWidget *tabs = nullptr;
    QPushButton *closeButton = nullptr;

public slots:
    void setCloseButton();

private:
    ov7931Demo_AppInterface *app = nullptr;
};

#endif
