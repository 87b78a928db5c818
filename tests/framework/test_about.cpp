// The About box: paging over the hardware and software pages, and the
// library rows of the Qt 5 build.
#include "ov9174fp_About.h"
#include "ov9174fp_clickableLabel.h"
#include "ov9174fp_licenses.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <qwt_global.h>

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void paging_data()
    {
        QTest::addColumn<int>("cards"); // hardware pages
        QTest::addColumn<int>("softwareOffset"); // the number of function cards selected
        // Each page: model, serial number, revision, driver and panel version, then
        // the Previous and Next buttons (+ enabled, - disabled) or "hidden".
        QTest::addColumn<QString>("pages");
        QTest::newRow("one card") << 1 << 1 << "m0 s0 r0 D0 P0 hidden";
        QTest::newRow("two cards") << 2 << 1 << "m0 s0 r0 D0 P0 - +/m1 s1 r1 D1 P1 + -";
        QTest::newRow("3 cards, 2 selected") << 3 << 2 << "m0 s0 r0 D0 P0 - +/m1 s1 r1 D0 P0 + +/m2 s2 r2 D1 P1 + -";
    }

    void paging()
    {
        QFETCH(int, cards);
        QFETCH(int, softwareOffset);
        ov9174fp_About about(QStringLiteral("P0"), QStringLiteral("D0"), QStringLiteral("7931"), QString(), nullptr,
                             softwareOffset, QString());
        for (int i = 0; i < cards; ++i)
            about.addHardwareInfo(QString("s%1").arg(i), QString("r%1").arg(i), QString("m%1").arg(i));
        if (cards > 1)
            about.addSoftwareRevision(QStringLiteral("D1"), QStringLiteral("P1"));
        QStringList shown;
        const auto page = [&] {
            const QPushButton *prev = about.previousButton(), *next = about.nextButton();
            const QString buttons = QString(prev->isEnabled() ? " +" : " -") + (next->isEnabled() ? " +" : " -");
            return QStringList({about.shownDeviceModel(), about.shownSerialNumber(), about.shownRevision(),
                                about.shownDriverRevision(), about.shownPanelVersion()}).join(' ') +
                   (next->isHidden() ? QStringLiteral(" hidden") : buttons);
        };
        for (int i = 0; i < cards; ++i, about.nextButton()->click())
            shown << page();
        QTEST(shown.join('/'), "pages");
        about.next(); // on the last page: stays
        QCOMPARE(about.currentPage(), cards - 1);
        for (int i = cards - 1; i > 0; --i)
            about.previousButton()->click();
        about.prev(); // on the first page: stays
        QCOMPARE(page(), shown.first());
    }

    void libraryRows()
    {
        const QString qwt = QStringLiteral("Qwt library version %1:").arg(QStringLiteral(QWT_VERSION_STR));
        for (const QString &qwtVersion : {QStringLiteral("6.1.3"), QString()}) {
            ov9174fp_About about(QString(), QString(), QStringLiteral("7931"), QString(), nullptr, 1, qwtVersion);
            const QList<QLabel *> labels = about.findChildren<QLabel *>();
            const bool qwtRow = std::any_of(labels.begin(), labels.end(), [&](QLabel *l) { return l->text() == qwt; });
            QCOMPARE(qwtRow, !qwtVersion.isEmpty());
            QCOMPARE(bool(about.findChild<clickableLabel *>(QStringLiteral("qwtLicenseLink"))), !qwtVersion.isEmpty());
            QCOMPARE(about.findChild<clickableLabel *>("qtLicenseLink")->plainText(), QStringLiteral("LGPL v3"));
        }
    }

    // The KISS FFT viewer shows the library's copyright line and the BSD
    // text, not the packaging fields of the file it came from.
    void kissFFTLicenseText()
    {
        kissFFTLicense viewer;
        const QStringList lines = viewer.textBox()->toPlainText().trimmed().split('\n');
        QCOMPARE(lines.first(), QStringLiteral("Copyright (c) 2003-2022, Mark Borgerding. All rights reserved."));
        QVERIFY(lines.contains(QStringLiteral("Redistribution and use in source and binary forms, with or without "
                                              "modification,")));
        QVERIFY(lines.last().endsWith(QStringLiteral("EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE.")));
        const QRegularExpression packagingField(QStringLiteral("^[A-Z][A-Za-z-]*: "));
        for (const QString &line : lines)
            QVERIFY2(!packagingField.match(line).hasMatch() && !line.startsWith(' ') && line != ".", qPrintable(line));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("KISS FFT BSD License"));
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
