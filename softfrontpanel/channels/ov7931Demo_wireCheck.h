// The wire-status dialog of a channel panel ("Test Wire"): asks the
// conditioning card to test the sensor's four wires and shows each verdict
// in its colour, with a note about the card's 40 kilo-ohm test limit where
// a result may come from a large load rather than a broken wire. One dialog
// per panel, created with it and reused for every test.
#ifndef OV7931DEMO_WIRECHECK_H
#define OV7931DEMO_WIRECHECK_H

#include "ov7931Demo_panelTools.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class ov7931Demo_AppInterface;
class ov7931Demo_ChCfg;

class ov7931Demo_bkCheckDialog : public QDialog
{
    Q_OBJECT

public:
    ov7931Demo_bkCheckDialog(ov7931Demo_ChCfg *panel, ov7931Demo_AppInterface *app);
    ~ov7931Demo_bkCheckDialog() override;

    // Tests the wires of `channel` (1..16) and shows the dialog. GUI thread.
    void checkWires(int channel);

    ov7931Demo_AppInterface *app = nullptr;
    QGroupBox *group = nullptr;
    QLabel *wireLabels[4] = {};
    QLabel *note = nullptr;
    QPushButton *okButton = nullptr;

public slots:
    void closeWindow();

private:
    ov7931Demo_ChCfg *panel = nullptr;
};

#endif
