#include "ov9174fp_fcEnterAddress.h"

#include "ov9174fp_descriptorHistory.h"
#include "ov9174fp_fcIcon.h"
#include "ov9174fp_saveProblems.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ov9174fp_fcEnterAddress::ov9174fp_fcEnterAddress() : QDialog(nullptr)
{
    model = QStringLiteral("%1").arg(0x7931, 4, 16, QChar(QLatin1Char(' ')));
    path = ov9174fp_descriptorHistory::defaultFilePath();

    setWindowTitle(QStringLiteral("Keltri ") + model + QStringLiteral(" SFP: Enter Function Card Address"));
    setWindowIcon(ov9174fp_fcWindowIcon());

    const int h = fontMetrics().height();
    auto *layout = new QVBoxLayout(this);

    auto *descriptorRow = new QHBoxLayout;
    descriptorRow->addWidget(new QLabel(QStringLiteral("Instrument Descriptor:"), this));
    descriptorCombo = new QComboBox(this);
    descriptorCombo->setEditable(true);
    descriptorCombo->setInsertPolicy(QComboBox::NoInsert);
    descriptorCombo->setMinimumWidth(20 * h);
    const QString descriptorHelp = QStringLiteral(
        "Enter the Instrument descriptor for the Function Card you want to connect to.<br>Examples:<br>"
        "<b>VXI0::1::INSTR</b> - VXI mainframe 0, Module with Logical Address 1<br>"
        "<b>TCPIP::192.168.2.60::INSTR</b> - Network Instrument with IP Address 192.168.2.60");
    descriptorCombo->setToolTip(descriptorHelp);
    descriptorCombo->setWhatsThis(descriptorHelp);
    descriptorRow->addWidget(descriptorCombo, 1);
    layout->addLayout(descriptorRow);

    auto *cardRow = new QHBoxLayout;
    cardRow->addWidget(new QLabel(QStringLiteral("Function Card Number:"), this));
    cardNumberCombo = new QComboBox(this);
    cardNumberCombo->addItem(QStringLiteral("Select"));
    for (int n = 1; n <= ov9174fp_descriptorHistory::maxFcNumber; ++n)
        cardNumberCombo->addItem(QStringLiteral("FC %1").arg(n));
    const QString cardHelp = QStringLiteral("Select the Function Card Number");
    cardNumberCombo->setToolTip(cardHelp);
    cardNumberCombo->setWhatsThis(cardHelp);
    cardRow->addWidget(cardNumberCombo);
    cardRow->addStretch();
    layout->addLayout(cardRow);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    okButton->setAutoDefault(false);
    cancelButton->setAutoDefault(false);
    buttonRow->addWidget(okButton);
    buttonRow->addWidget(cancelButton);
    layout->addLayout(buttonRow);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    adjustSize();
}

ov9174fp_fcEnterAddress::~ov9174fp_fcEnterAddress() = default;

void ov9174fp_fcEnterAddress::loadDefaults()
{
    const ov9174fp_descriptorHistory file(path, model);
    descriptorCombo->clear();
    descriptorCombo->clearEditText();
    remembered = file.load();
    descriptorCombo->addItems(remembered);
    if (!remembered.isEmpty())
        descriptorCombo->setCurrentIndex(0);
    if (descriptorCombo->currentText().isEmpty()) {
        descriptorCombo->addItem(file.firstEntryOrFallback());
        descriptorCombo->setCurrentIndex(0);
    }
    cardNumberCombo->setCurrentIndex(file.fcNumber());
}

QString ov9174fp_fcEnterAddress::takeDescriptor()
{
    // Blanks around a descriptor are never part of a VISA resource name.
    const QString text = descriptorCombo->currentText().trimmed();
    if (text.isEmpty())
        return QString();
    const ov9174fp_descriptorHistory file(path, model);
    remembered = ov9174fp_descriptorHistory::remember(remembered, text);
    ov9174fp_saveProblems::report(path, file.store(remembered));
    return text;
}

void ov9174fp_fcEnterAddress::storeCardNumber()
{
    ov9174fp_saveProblems::report(path, ov9174fp_descriptorHistory(path, model).storeFcNumber(cardNumberCombo->currentIndex()));
}
