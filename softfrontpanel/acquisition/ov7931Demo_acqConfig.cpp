// The continuous-run dialog's widgets, texts and checks. The data-rate text
// comes from the run's text rules; the suffix rule is a plain function so
// that it is tested without the dialog.
#include "ov7931Demo_acqConfig.h"

#include "runTexts.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const char kTitle[] = "Keltri 7931 SFP";
const char kBinaryFilter[] = "Binary data (*.bin7931)";
const char kCsvFilter[] = "CSV data (*.csv)";

void setHelp(QWidget *w, const QString &text)
{
    w->setToolTip(text);
    w->setWhatsThis(text);
}

} // namespace

QString recordingPathFor(const QString &path, bool csv, bool *changed)
{
    const QString suffix = csv ? QStringLiteral("csv") : QStringLiteral("bin7931");
    const QFileInfo fi(QDir::fromNativeSeparators(path));
    if (fi.suffix().toLower() == suffix) {
        if (changed)
            *changed = false;
        return path;
    }
    if (changed)
        *changed = true;
    return QDir::toNativeSeparators(fi.absolutePath() + QLatin1Char('/') + fi.baseName() + QLatin1Char('.') + suffix);
}

QString defaultRecordingPath()
{
    QString dir = qEnvironmentVariable("USERPROFILE");
    if (dir.isEmpty())
        dir = QDir::homePath();
    return QDir::toNativeSeparators(QDir::fromNativeSeparators(dir) + QStringLiteral("/dump.bin7931"));
}

acqConfig::acqConfig(QWidget *parent) : QDialog(parent)
{
    pathEdit = new QLineEdit(defaultRecordingPath(), this);
    pathEdit->setMinimumWidth(300);

    formatSelector = new QComboBox(this);
    formatSelector->addItem(QStringLiteral("Binary, ViReal64"), 8);
    formatSelector->addItem(QStringLiteral("Text, CSV"), 27);
    setHelp(formatSelector, QStringLiteral("<html>Binary storage allows acquisition at higher data rates. The text "
                                           "output (CSV format) is very slow and may only be used in case of small "
                                           "amount of channels and low data rates.</html>"));

    refreshSelector = new QComboBox(this);
    const struct {
        const char *text;
        int ms;
    } intervals[] = {{"20 msec", 20},   {"50 msec", 50}, {"100 msec", 100}, {"200 msec", 200},
                     {"500 msec", 500}, {"1 sec", 1000}, {"2 sec", 2000}};
    for (const auto &i : intervals)
        refreshSelector->addItem(QString::fromLatin1(i.text), i.ms);
    refreshSelector->setCurrentIndex(1);
    setHelp(refreshSelector,
            QStringLiteral("The minimum time between plot refreshes. It may be longer if the data rate is small."));

    refreshLabel = new QLabel(QStringLiteral("Plot Refresh Interval"), this);
    dataRateLabel = new QLabel(QString(), this);

    browseButton = new QPushButton(QStringLiteral("Browse"), this);
    startButton = new QPushButton(QStringLiteral("Start"), this);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    startButton->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(pathEdit, 1);
    pathRow->addWidget(browseButton);
    layout->addLayout(pathRow);
    auto *formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(QStringLiteral("Data Format"), this));
    formatRow->addWidget(formatSelector, 1);
    layout->addLayout(formatRow);
    auto *refreshRow = new QHBoxLayout;
    refreshRow->addWidget(refreshLabel);
    refreshRow->addWidget(refreshSelector, 1);
    layout->addLayout(refreshRow);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(dataRateLabel);
    bottom->addSpacing(20);
    bottom->addStretch(1);
    bottom->addWidget(startButton);
    bottom->addWidget(cancelButton);
    layout->addLayout(bottom);

    setWindowTitle(QStringLiteral("Continuous Acquisition Configuration"));
    if (parent)
        setWindowIcon(parent->windowIcon());
    setModal(true);

    connect(startButton, &QPushButton::clicked, this, &acqConfig::acceptMaybe);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(formatSelector, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            QOverload<>::of(&acqConfig::setDataRate));
    connect(formatSelector, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            QOverload<>::of(&acqConfig::checkPath));
    connect(browseButton, &QPushButton::clicked, this, &acqConfig::browseSlot);
}

QString acqConfig::recordingPath() const { return pathEdit->text(); }

int acqConfig::fileFormat() const { return formatSelector->currentIndex() == 0 ? 0 : 1; }

int acqConfig::refreshInterval() const { return refreshSelector->currentData().toInt(); }

void acqConfig::setDataRate(int rate)
{
    if (rate >= 0)
        samplesPerSecond = rate;
    setDataRate();
}

void acqConfig::setDataRate()
{
    const std::string text =
        dataRateLabelText(formatSelector->currentData().toInt(), samplesPerSecond, formatSelector->currentIndex() == 1);
    dataRateLabel->setText(QString::fromStdString(text));
}

bool acqConfig::checkPath() { return checkPath(false); }

bool acqConfig::checkPath(bool moreChecks)
{
    const QString path = pathEdit->text();
    if (path.isEmpty())
        return true;

    const QFileInfo fi(QDir::fromNativeSeparators(path));
    if (moreChecks && !fi.absoluteDir().exists()) {
        QMessageBox::critical(this, QString::fromLatin1(kTitle),
                              QStringLiteral("Directory: \"%1\" does not exist.")
                                  .arg(QDir::toNativeSeparators(fi.absolutePath())),
                              QMessageBox::Ok);
        return false;
    }

    const bool csv = formatSelector->currentIndex() == 1;
    bool changed = false;
    const QString fixedPath = recordingPathFor(path, csv, &changed);
    if (changed) {
        {
            const QSignalBlocker block(pathEdit);
            pathEdit->setText(fixedPath);
        }
        if (moreChecks)
            QMessageBox::warning(this, QString::fromLatin1(kTitle),
                                 csv ? QStringLiteral("File extension changed to '.csv'.")
                                     : QStringLiteral("File extension changed to '.bin7931'."),
                                 QMessageBox::Ok);
    }

    if (moreChecks && QFileInfo::exists(QDir::fromNativeSeparators(fixedPath))) {
        const auto answer = QMessageBox::question(this, QString::fromLatin1(kTitle),
                                                  QStringLiteral("File already exists, overwrite?"),
                                                  QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return false;
    }
    return true;
}

void acqConfig::acceptMaybe()
{
    if (checkPath(true))
        accept();
    else
        reject();
}

void acqConfig::browseSlot()
{
    const QString current = pathEdit->text();
    const bool currentIsCsv = QFileInfo(QDir::fromNativeSeparators(current)).suffix().toLower() == QLatin1String("csv");
    QString filter = QString::fromLatin1(currentIsCsv ? kCsvFilter : kBinaryFilter);
    const QString chosen = QFileDialog::getSaveFileName(
        this, tr("Set Output File Name"), current,
        QString::fromLatin1(kBinaryFilter) + QStringLiteral(";;") + QString::fromLatin1(kCsvFilter), &filter);
    if (chosen.isEmpty())
        return;
    const QString suffix = QFileInfo(chosen).suffix();
    if (suffix == QLatin1String("csv") && formatSelector->currentIndex() != 1)
        formatSelector->setCurrentIndex(1);
    else if (suffix == QLatin1String("bin7931") && formatSelector->currentIndex() != 0)
        formatSelector->setCurrentIndex(0);
    pathEdit->setText(QDir::toNativeSeparators(chosen));
}
