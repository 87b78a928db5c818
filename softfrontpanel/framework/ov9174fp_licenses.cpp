#include "ov9174fp_licenses.h"
#include "ov9174fp_resources.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QVBoxLayout>

namespace {
bool runningQt4() { return QString::fromLatin1(qVersion()).startsWith(QLatin1Char('4')); }
} // namespace

QString qtLicenseName()
{
    return runningQt4() ? QStringLiteral("LGPL v2.1") : QStringLiteral("LGPL v3");
}

QString qtLicenseResource()
{
    return runningQt4() ? QStringLiteral(":/ov9174/softfrontpanel_lib/qt-lgpl-license.txt")
                        : QStringLiteral(":/ov9174/softfrontpanel_lib/qt5-lgpl-license.txt");
}

QString qwtLicenseResource() { return QStringLiteral(":/ov9174/softfrontpanel_lib/qwt-lgpl-license.txt"); }

QString kissFFTLicenseResource() { return QStringLiteral(":/ov9174/softfrontpanel_lib/kiss-fft-bsd-license.txt"); }

QString readLicenseText(const QString &resource)
{
    ov9174fp_initResources();
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&file);
    in.setCodec("UTF-8");
    return in.readAll();
}

ov9174fp_licenseViewer::ov9174fp_licenseViewer(const QString &title, const QString &resource, QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(title);

    text = new QPlainTextEdit(this);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    text->setFont(font);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double s = screen ? screen->logicalDotsPerInchX() / 96.0 : 1.0;
    text->setMinimumSize(int(650 * s), int(500 * s));
    text->setPlainText(readLicenseText(resource));

    auto *ok = new QPushButton(QStringLiteral("Ok"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
}

qtLicense::qtLicense(QWidget *parent)
    : ov9174fp_licenseViewer(QStringLiteral("Qt LGPL License"), qtLicenseResource(), parent)
{
}

qwtLicense::qwtLicense(QWidget *parent)
    : ov9174fp_licenseViewer(QStringLiteral("Qwt LGPL License"), qwtLicenseResource(), parent)
{
}

kissFFTLicense::kissFFTLicense(QWidget *parent)
    : ov9174fp_licenseViewer(QStringLiteral("KISS FFT BSD License"), kissFFTLicenseResource(), parent)
{
}
