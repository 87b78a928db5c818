// The About box: paging over the hardware and software pages, and the
// library rows of the Qt 5 build.
#include "ov9174fp_About.h"
#include "ov9174fp_clickableLabel.h"

#include <QLabel>
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
        QTest::addColumn<QString>("pages"); // each: model serial revision driver panel, buttons (+ enabled, - disabled, hidden)
        QTest::newRow("one card") << 1 << 1 << "m0 s0 r0 D0 P0 hidden";
        QTest::newRow("two cards") << 2 << 1 << "m0 s0 r0 D0 P0 - + / m1 s1 r1 D1 P1 + -";
        QTest::newRow("three cards, two selected") << 3 << 2 << "m0 s0 r0 D0 P0 - + / m1 s1 r1 D0 P0 + + / m2 s2 r2 D1 P1 + -";
    }

    void paging()
    {
        QFETCH(int, cards);
        QFETCH(int, softwareOffset);
        QFETCH(QString, pages);
        ov9174fp_About about(QStringLiteral("P0"), QStringLiteral("D0"), QStringLiteral("7931"), QString(), nullptr,
                             softwareOffset, QString());
        for (int i = 0; i < cards; ++i)
            about.addHardwareInfo(QStringLiteral("s%1").arg(i), QStringLiteral("r%1").arg(i), QStringLiteral("m%1").arg(i));
        if (cards > 1)
            about.addSoftwareRevision(QStringLiteral("D1"), QStringLiteral("P1"));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QStringList shown;
        const auto page = [&] {
            const QPushButton *prev = about.previousButton(), *next = about.nextButton();
            return QStringList({about.shownDeviceModel(), about.shownSerialNumber(), about.shownRevision(),
                                about.shownDriverRevision(), about.shownPanelVersion()}).join(' ') +
                   (next->isVisible() ? QString(" %1 %2").arg(prev->isEnabled() ? '+' : '-').arg(next->isEnabled() ? '+' : '-')
                                      : QStringLiteral(" hidden"));
        };
        for (int i = 0; i < cards; ++i, about.nextButton()->click())
            shown << page();
        QCOMPARE(shown.join(QStringLiteral(" / ")), pages);
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
            QStringList texts;
            for (const QLabel *l : about.findChildren<QLabel *>())
                texts << l->text();
            QCOMPARE(texts.contains(qwt), !qwtVersion.isEmpty());
            QCOMPARE(bool(about.findChild<clickableLabel *>(QStringLiteral("qwtLicenseLink"))), !qwtVersion.isEmpty());
            QCOMPARE(about.findChild<clickableLabel *>(QStringLiteral("qtLicenseLink"))->plainText(), QStringLiteral("LGPL v3"));
        }
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
