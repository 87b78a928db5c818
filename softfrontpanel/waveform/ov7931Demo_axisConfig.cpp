#include "ov7931Demo_axisConfig.h"

#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_Waveform.h"
#include "ov9174fp_digitCtrl.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void setHelp(QWidget *w, const QString &text)
{
    w->setToolTip(text);
    w->setWhatsThis(text);
}

} // namespace

axisConfig::axisConfig(ov7931Demo_AppInterface *a, int plotIndex, bool showCustomUnit)
    : QDialog(nullptr), app(a), plot(plotIndex)
{
    if (app)
        setWindowIcon(app->windowIcon());
    setWindowTitle(QStringLiteral("Axis Configuration"));
    setModal(true);

    auto *main = new QVBoxLayout(this);

    customRange = new QGroupBox(QStringLiteral("Custom Range"), this);
    auto *rangeRow = new QHBoxLayout(customRange);
    lowerLimit = new QDoubleSpinBox(customRange);
    upperLimit = new QDoubleSpinBox(customRange);
    maxButton = new QPushButton(QStringLiteral("Max"), customRange);
    setHelp(maxButton, QStringLiteral("Sets the maximum range."));
    rangeRow->addWidget(new QLabel(QStringLiteral("Lower Limit"), customRange));
    rangeRow->addWidget(lowerLimit);
    rangeRow->addSpacing(10);
    rangeRow->addWidget(new QLabel(QStringLiteral("Upper Limit"), customRange));
    rangeRow->addWidget(upperLimit);
    rangeRow->addSpacing(10);
    rangeRow->addWidget(maxButton);
    main->addWidget(customRange);

    // The custom-unit section exists in every dialog; it is laid out (and so
    // shown) only when asked for.
    customUnit = new QGroupBox(QStringLiteral("Custom Unit Display"), this);
    customUnit->setCheckable(true);
    customUnit->setChecked(false);
    setHelp(customUnit, QStringLiteral("<html>Allows conversion from measured voltage to any arbitrary units. Linear "
                                       "conversion is assumed, therefore only the voltage offset and multiplication "
                                       "factor are required.</html>"));
    unitName = new QLineEdit(customUnit);
    offset = new QDoubleSpinBox(customUnit);
    offset->setSuffix(QStringLiteral(" V"));
    offset->setDecimals(9);
    offset->setRange(-10.24, 10.24);
    offset->setSingleStep(0.000000001);
    setHelp(offset, QStringLiteral("The offset voltage value is subtracted from the measured values.<br><b>Result = "
                                   "(Measured-Offset)*Multiplier</b></hmtl>"));
    multiplier = new ov9174fp_digitCtrl(-1000000000000.0, 1000000000000.0, 0.000000000001, QStringLiteral("%g"),
                                        customUnit);
    multiplier->setMinimumWidth(120);
    multiplier->setValue(1.0);
    setHelp(multiplier, QStringLiteral("<html>{unit}/V<br><b>Result = (Measured-Offset)*Multiplier</b></hmtl>"));
    rangeLabel = new QLabel(customUnit);
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    rangeLabel->setFont(bold);
    rangeLabel->hide();
    if (showCustomUnit) {
        auto *unitLayout = new QVBoxLayout(customUnit);
        auto *nameRow = new QHBoxLayout;
        nameRow->addWidget(new QLabel(QStringLiteral("Unit Name"), customUnit));
        nameRow->addWidget(unitName);
        auto *conversionRow = new QHBoxLayout;
        conversionRow->addWidget(new QLabel(QStringLiteral("Offset"), customUnit));
        conversionRow->addWidget(offset);
        conversionRow->addSpacing(10);
        conversionRow->addWidget(new QLabel(QStringLiteral("Multiplier"), customUnit));
        conversionRow->addWidget(multiplier);
        unitLayout->addLayout(nameRow);
        unitLayout->addLayout(conversionRow);
        unitLayout->addWidget(rangeLabel);
        main->addWidget(customUnit);
    } else {
        customUnit->hide();
    }

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    main->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, &axisConfig::checkValuesAndAccept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(maxButton, &QPushButton::clicked, this, &axisConfig::setMaxSlot);
    connect(unitName, &QLineEdit::textChanged, this, &axisConfig::updateLimits);
    connect(lowerLimit, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &axisConfig::updateLimits);
    connect(upperLimit, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &axisConfig::updateLimits);
    connect(offset, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &axisConfig::updateLimits);
    connect(multiplier, qOverload<double>(&ov9174fp_digitCtrl::valueChanged), this, &axisConfig::updateLimits);
    connect(customUnit, &QGroupBox::toggled, this, &axisConfig::updateLimits);
}

axisConfig::~axisConfig() = default;

void axisConfig::setMaxSlot()
{
    // Both boxes carry the same range.
    lowerLimit->setValue(lowerLimit->minimum());
    upperLimit->setValue(lowerLimit->maximum());
}

void axisConfig::updateLimits()
{
    const double m = multiplier->value();
    const double lo = (lowerLimit->value() - offset->value()) * m;
    const double hi = (upperLimit->value() - offset->value()) * m;
    // The unit is appended, not formatted: a percent sign in it stays as typed.
    rangeLabel->setText(QString::asprintf("Range:  %.6lf .. %.6lf  ", lo, hi) + unitName->text());
    if (sender() == customUnit)
        rangeLabel->setVisible(customUnit->isChecked());
}

void axisConfig::checkValuesAndAccept()
{
    const bool rangeUsed = customRange->isChecked() || !customRange->isCheckable();
    if (lowerLimit->value() >= upperLimit->value() && rangeUsed) {
        QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Keltri 7931 SFP"),
                             QStringLiteral("The lower limit must be below the upper limit."), QMessageBox::Ok);
        return;
    }
    if (customRange->isCheckable() && app && app->waveform)
        app->waveform->panel(plot).autoscaleButton->setChecked(!customRange->isChecked());
    accept();
}
