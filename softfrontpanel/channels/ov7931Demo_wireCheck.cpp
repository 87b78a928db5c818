#include "ov7931Demo_wireCheck.h"

#include "ov7931.h"
#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_wireRules.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace {
// The colour of a verdict's text; an invalid colour for a code without one.
QColor verdictColour(int code)
{
    switch (code) {
    case WireBroken:
        return QColor(Qt::red);
    case WireOk:
        return QColor(Qt::darkGreen);
    case WireStatusUnknown:
        return QColor(Qt::darkBlue);
    case WireMaybeBroken:
        return QColor(Qt::darkYellow);
    default:
        return QColor();
    }
}

void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}
} // namespace

ov7931Demo_bkCheckDialog::ov7931Demo_bkCheckDialog(ov7931Demo_ChCfg *p, ov7931Demo_AppInterface *a)
    : QDialog(p), app(a), panel(p)
{
    setModal(true);
    setWindowIcon(p->windowIcon());
    setWindowTitle(QStringLiteral("Keltri %1 Wire Status").arg(0x7931, 4, 16));

    group = new QGroupBox(this);
    group->setMinimumWidth(350);
    auto *wires = new QVBoxLayout(group);
    wires->setAlignment(Qt::AlignCenter);
    for (QLabel *&label : wireLabels) {
        label = new QLabel(group);
        wires->addWidget(label, 0, Qt::AlignCenter);
    }
    note = new QLabel(QStringLiteral("\nNote that the maximum load resistance that can be tested is 40k") +
                          QChar(0x03A9),
                      group);
    QFont italic = font();
    italic.setItalic(true);
    note->setFont(italic);
    setTextColour(note, QColor(Qt::red));
    note->hide();
    wires->addWidget(note, 0, Qt::AlignCenter);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setMaximumWidth(50);
    connect(okButton, &QPushButton::clicked, this, &ov7931Demo_bkCheckDialog::closeWindow);

    auto *grid = new QGridLayout(this);
    grid->addWidget(group, 0, 0, 1, 2, Qt::AlignCenter);
    grid->addWidget(okButton, 1, 1, Qt::AlignRight);
}

ov7931Demo_bkCheckDialog::~ov7931Demo_bkCheckDialog() = default;

void ov7931Demo_bkCheckDialog::closeWindow() { hide(); }

void ov7931Demo_bkCheckDialog::checkWires(int channel)
{
    ViInt16 ib[4] = {0, 0, 0, 0};
    if (app->slaveVi != 0) {
        // A failure is reported; the verdicts below show what the array holds.
        OV_CALL7931(blockedHardwareAccess6(ov7931_brokenWireDetect, app->slaveVi, channel, &ib[0], &ib[1], &ib[2],
                                           &ib[3]));
    }
    const std::array<int, 4> results = {ib[0], ib[1], ib[2], ib[3]};
    const int mode = panel->mode();
    for (int i = 0; i < 4; ++i) {
        wireLabels[i]->clear();
        const QString line = wireLine(mode, i, results[static_cast<size_t>(i)]);
        if (line.isEmpty())
            continue;
        wireLabels[i]->setText(line);
        const QColor colour = verdictColour(results[static_cast<size_t>(i)]);
        if (colour.isValid())
            setTextColour(wireLabels[i], colour);
    }
    note->setVisible(showsLoadLimitNote(results, app->slaveSubType, mode));
    for (QLabel *label : wireLabels)
        label->repaint();
    repaint();
    if (layout())
        layout()->activate();
    show();
}

ov7931Demo_bkCheckDialog *createWireDialog(ov7931Demo_ChCfg *panel, ov7931Demo_AppInterface *app)
{
    return new ov7931Demo_bkCheckDialog(panel, app);
}

void checkBrokenWire(ov7931Demo_ChCfg *panel)
{
    if (panel->mode() < 4 && panel->excitationCode() != 0) {
        panel->wireDialog->checkWires(panel->d_ch + 1);
        return;
    }
    QMessageBox::critical(panel, QStringLiteral("Keltri %1").arg(0x7931, 4, 16),
                          QStringLiteral("Broken Wire Detection Stopped\nTo be able to test broken wire for Channel "
                                         "%1, please make sure:\n1. Sensor/Resistance is connected\n2. Excitation "
                                         "current should be ENABLED\n3. Sensor Type option should NOT be "
                                         "Voltage.\nPlease check your configurations first")
                              .arg(panel->d_ch + 1),
                          QMessageBox::Ok);
}
