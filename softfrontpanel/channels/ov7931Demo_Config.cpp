#include "ov7931Demo_Config.h"

#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_ChCfg.h"

#include <QGridLayout>
#include <QPushButton>
#include <QTabWidget>

ov7931Demo_Config::ov7931Demo_Config(ov7931Demo_AppInterface *a) : QDialog(a), app(a)
{
    setModal(true);
    setWindowIcon(a->windowIcon());
    setWindowTitle(QStringLiteral("Keltri %1 Channel Configuration").arg(0x7931, 4, 16));

    tabs = new QTabWidget(this);
    tabs->setUsesScrollButtons(false); // all 16 tabs in view: the window widens to them
    for (int ch = 0; ch < 16; ++ch) {
        auto *panel = new ov7931Demo_ChCfg(app, ch, tabs);
        app->chCfg[ch] = panel;
        tabs->addTab(panel, QStringLiteral("Ch %1").arg(ch + 1));
    }

    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setMaximumWidth(100);
    closeButton->setToolTip(QStringLiteral("Close Configuration Panel"));
    closeButton->setWhatsThis(QStringLiteral("Close Configuration Panel"));
    connect(closeButton, &QPushButton::clicked, this, &ov7931Demo_Config::setCloseButton);

    auto *layout = new QGridLayout(this);
    layout->addWidget(tabs, 0, 0, 1, 3);
    layout->addWidget(closeButton, 1, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(2, 1);
}

ov7931Demo_Config::~ov7931Demo_Config() = default;

void ov7931Demo_Config::setCloseButton() { hide(); }
