// The About box: its texts, the paging over hardware and software pages,
// the licence links and viewers, and the pictures in the resource tree.
#include "modalanswer.h"
#include "ov9174.h"
#include "ov9174fp_About.h"
#include "ov9174fp_clickableLabel.h"
#include "ov9174fp_genFC.h"
#include "ov9174fp_licenses.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

#include <qwt_global.h>

namespace {
class TestDescriptor : public ov9174fp_genFC
{
public:
    bool supportsModel(ViUInt16 model) const override { return model == 0x8263; }
    QString description() const override { return QStringLiteral("16-Channel Signal Conditioning Unit"); }
    QString copyright() const override { return QStringLiteral("Copyright (c) Test Maker"); }
    QString panelVersion() const override { return QStringLiteral("4.3.3.12484"); }
    QString driverRevision() const override { return QStringLiteral("2.1.0.7"); }
    ViStatus openSession(const char *, ViUInt16 *, ViUInt16, ViUInt16, ViSession *) override { return 0; }
    ViStatus closeSession(ViSession) override { return 0; }
};

QStringList labelTexts(const QWidget &w)
{
    QStringList texts;
    for (const QLabel *l : w.findChildren<QLabel *>())
        texts << l->text();
    return texts;
}

clickableLabel *link(const QWidget &w, const char *name)
{
    return w.findChild<clickableLabel *>(QString::fromLatin1(name));
}

QString sourceFile(const QString &relative)
{
    QFile f(qEnvironmentVariable("OVSIM_TEST_SOURCE_DIR") + QLatin1Char('/') + relative);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

// Two cards, S = 1, as the application object fills the box.
void addTwoCards(ov9174fp_About &about)
{
    about.addHardwareInfo(QStringLiteral("00001234"), QStringLiteral("1.2.0.0"), QStringLiteral("7931-BB"));
    about.addHardwareInfo(QStringLiteral("00001a2b"), QStringLiteral("3.4.0.0"), QStringLiteral("8263-AA"));
    about.addSoftwareRevision(QStringLiteral("4.3.16.12460"), QStringLiteral("4.3.16.12460"));
}
} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void textsAndGroups();
    void descriptorConstructorTakesItsTexts();
    void qwtRowOnlyWithVersionAndShowsLinkedLibrary();
    void pagingOverTwoCards();
    void pagingSharesSoftwarePageBelowOffset();
    void singleCardKeepsPagingHidden();
    void okHides();
    void linksOpenTheirViewers();
    void licenceViewers_data();
    void licenceViewers();
    void clickableLabelLooksAndClicks();
    void picturesInResourceTree();
};

void TestAbout::textsAndGroups()
{
    QWidget main;
    ov9174fp_About about(QStringLiteral("4.3.3.12484"), QStringLiteral("2.1.0.7"), QStringLiteral("7931"),
                         QStringLiteral("Copyright (c) Test Maker"), &main, 1, QStringLiteral("6.1.3"));
    QCOMPARE(about.windowTitle(), QStringLiteral("About Keltri 7931 Soft Front Panel"));
    QCOMPARE(about.minimumSize(), QSize(380, 300));
    QVERIFY(about.isHidden());
    QCOMPARE(about.parentWidget(), &main);

    const QStringList texts = labelTexts(about);
    QVERIFY(texts.contains(QStringLiteral("Copyright (c) Test Maker")));
    QVERIFY(std::any_of(texts.begin(), texts.end(), [](const QString &t) {
        return t.contains(QLatin1String("Keltri 7931 VXIplug&amp;play Driver<br>Soft Front Panel Application"));
    }));
    QVERIFY(texts.contains(QStringLiteral(" libraries version %1:").arg(QString::fromLatin1(qVersion()))));
    QVERIFY(texts.contains(QStringLiteral("KISS FFT library:")));

    QStringList groups;
    for (const QGroupBox *g : about.findChildren<QGroupBox *>())
        groups << g->title();
    QCOMPARE(groups, (QStringList{"Third-Party Licenses", "Software Revisions", "Hardware Information"}));

    ViChar revision[512] = {};
    ov9174_libRevision(revision);
    QCOMPARE(about.shownCommonLibraryRevision(), QString::fromLatin1(revision));
    QCOMPARE(about.shownDriverRevision(), QStringLiteral("2.1.0.7"));
    QCOMPARE(about.shownPanelVersion(), QStringLiteral("4.3.3.12484"));
    QCOMPARE(about.softwarePageCount(), 1);
    QCOMPARE(about.hardwarePageCount(), 0);
    QVERIFY(about.shownDeviceModel().isEmpty());

    // Qt 5: the Qt licence is the LGPL 3.
    QCOMPARE(link(about, "qtLicenseLink")->plainText(), QStringLiteral("LGPL v3"));
    QCOMPARE(link(about, "qtLink")->plainText(), QStringLiteral("Qt"));
    QCOMPARE(link(about, "kissFFTLicenseLink")->plainText(), QStringLiteral("BSD"));
    QCOMPARE(link(about, "licensesWebLink")->plainText(), QStringLiteral("Learn more about licenses"));

    QCOMPARE(about.nextButton()->text(), QStringLiteral("Next >"));
    QCOMPARE(about.previousButton()->text(), QStringLiteral("< Previous"));
    QVERIFY(about.nextButton()->isHidden());
    QVERIFY(about.previousButton()->isHidden());
    QVERIFY(!about.previousButton()->isEnabled());
    QCOMPARE(about.nextButton()->sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    QCOMPARE(about.nextButton()->sizePolicy().verticalPolicy(), QSizePolicy::Maximum);

    const QLabel *logo = about.findChild<QLabel *>(QStringLiteral("logo"));
    QVERIFY(logo && !logo->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(logo->styleSheet(), QStringLiteral("QLabel {background-color:#1A2C5E}"));
}

void TestAbout::descriptorConstructorTakesItsTexts()
{
    TestDescriptor fc;
    ov9174fp_About about(&fc, QStringLiteral("7931"), nullptr, 1, QStringLiteral(QWT_VERSION_STR));
    QCOMPARE(about.shownPanelVersion(), QStringLiteral("4.3.3.12484"));
    QCOMPARE(about.shownDriverRevision(), QStringLiteral("2.1.0.7"));
    QVERIFY(labelTexts(about).contains(QStringLiteral("Copyright (c) Test Maker")));
}

void TestAbout::qwtRowOnlyWithVersionAndShowsLinkedLibrary()
{
    const QString linked = QStringLiteral("Qwt library version %1:").arg(QStringLiteral(QWT_VERSION_STR));
    ov9174fp_About with(QString(), QString(), QStringLiteral("7931"), QString(), nullptr, 1,
                        QStringLiteral("6.1.3"));
    QVERIFY(labelTexts(with).contains(linked));
    QCOMPARE(link(with, "qwtLicenseLink")->plainText(), QStringLiteral("LGPL v2.1"));

    ov9174fp_About without(QString(), QString(), QStringLiteral("7931"), QString(), nullptr, 1, QString());
    QVERIFY(!labelTexts(without).contains(linked));
    QVERIFY(!link(without, "qwtLicenseLink"));
    QVERIFY(link(without, "kissFFTLicenseLink"));
}

void TestAbout::pagingOverTwoCards()
{
    ov9174fp_About about(QStringLiteral("4.3.3.12484"), QStringLiteral("2.1.0.7"), QStringLiteral("7931"),
                         QString(), nullptr, 1, QStringLiteral("6.1.3"));
    about.addHardwareInfo(QStringLiteral("00001234"), QStringLiteral("1.2.0.0"), QStringLiteral("7931-BB"));
    QVERIFY(about.nextButton()->isHidden());
    QCOMPARE(about.shownDeviceModel(), QStringLiteral("7931-BB"));
    QCOMPARE(about.shownRevision(), QStringLiteral("1.2.0.0"));
    QCOMPARE(about.shownSerialNumber(), QStringLiteral("00001234"));
    QVERIFY(labelTexts(about).contains(QStringLiteral("Device Model:")));
    QVERIFY(labelTexts(about).contains(QStringLiteral("Revision:")));
    QVERIFY(labelTexts(about).contains(QStringLiteral("Serial Number:")));

    about.addHardwareInfo(QStringLiteral("00001a2b"), QStringLiteral("3.4.0.0"), QStringLiteral("8263-AA"));
    about.addSoftwareRevision(QStringLiteral("4.3.16.12460"), QStringLiteral("4.3.16.12460"));
    QVERIFY(!about.nextButton()->isHidden());
    QVERIFY(!about.previousButton()->isHidden());
    QVERIFY(about.nextButton()->isEnabled());
    QVERIFY(!about.previousButton()->isEnabled());
    // Page 0 still shows the first card and the software page 0.
    QCOMPARE(about.currentPage(), 0);
    QCOMPARE(about.shownDeviceModel(), QStringLiteral("7931-BB"));
    QCOMPARE(about.shownDriverRevision(), QStringLiteral("2.1.0.7"));
    QCOMPARE(about.shownPanelVersion(), QStringLiteral("4.3.3.12484"));

    about.nextButton()->click();
    QCOMPARE(about.currentPage(), 1);
    QCOMPARE(about.shownDeviceModel(), QStringLiteral("8263-AA"));
    QCOMPARE(about.shownRevision(), QStringLiteral("3.4.0.0"));
    QCOMPARE(about.shownSerialNumber(), QStringLiteral("00001a2b"));
    QCOMPARE(about.shownDriverRevision(), QStringLiteral("4.3.16.12460"));
    QCOMPARE(about.shownPanelVersion(), QStringLiteral("4.3.16.12460"));
    QVERIFY(!about.nextButton()->isEnabled());
    QVERIFY(about.previousButton()->isEnabled());

    about.next(); // already on the last page: stays
    QCOMPARE(about.currentPage(), 1);

    about.previousButton()->click();
    QCOMPARE(about.currentPage(), 0);
    QCOMPARE(about.shownDeviceModel(), QStringLiteral("7931-BB"));
    QCOMPARE(about.shownDriverRevision(), QStringLiteral("2.1.0.7"));
    QCOMPARE(about.shownPanelVersion(), QStringLiteral("4.3.3.12484"));
    QVERIFY(about.nextButton()->isEnabled());
    QVERIFY(!about.previousButton()->isEnabled());
    about.prev(); // already on the first page: stays
    QCOMPARE(about.currentPage(), 0);
}

void TestAbout::pagingSharesSoftwarePageBelowOffset()
{
    // Two function cards selected (S = 2) and three hardware pages.
    ov9174fp_About about(QStringLiteral("P0"), QStringLiteral("D0"), QStringLiteral("7931"), QString(), nullptr, 2,
                         QString());
    about.addHardwareInfo(QStringLiteral("s0"), QStringLiteral("r0"), QStringLiteral("m0"));
    about.addHardwareInfo(QStringLiteral("s1"), QStringLiteral("r1"), QStringLiteral("m1"));
    about.addHardwareInfo(QStringLiteral("s2"), QStringLiteral("r2"), QStringLiteral("m2"));
    about.addSoftwareRevision(QStringLiteral("D1"), QStringLiteral("P1"));

    const QStringList drivers{"D0", "D0", "D1"};
    const QStringList panels{"P0", "P0", "P1"};
    for (int page = 1; page < 3; ++page) {
        about.next();
        QCOMPARE(about.currentPage(), page);
        QCOMPARE(about.shownSerialNumber(), QStringLiteral("s%1").arg(page));
        QCOMPARE(about.shownDriverRevision(), drivers[page]);
        QCOMPARE(about.shownPanelVersion(), panels[page]);
        QCOMPARE(about.nextButton()->isEnabled(), page < 2);
    }
    about.prev();
    QCOMPARE(about.shownDriverRevision(), QStringLiteral("D0"));
    QCOMPARE(about.shownSerialNumber(), QStringLiteral("s1"));
}

void TestAbout::singleCardKeepsPagingHidden()
{
    ov9174fp_About about(QString(), QString(), QStringLiteral("7931"), QString(), nullptr, 1, QString());
    about.addHardwareInfo(QStringLiteral("DEMO"), QStringLiteral("1.0.0.0 (DEMO)"), QStringLiteral("7931-BB"));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(!about.nextButton()->isVisible());
    QVERIFY(!about.previousButton()->isVisible());
    about.next();
    QCOMPARE(about.currentPage(), 0);
    QCOMPARE(about.shownSerialNumber(), QStringLiteral("DEMO"));
}

void TestAbout::okHides()
{
    ov9174fp_About about(QString(), QString(), QStringLiteral("7931"), QString(), nullptr, 1, QString());
    addTwoCards(about);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QPushButton *ok = nullptr;
    for (QPushButton *b : about.findChildren<QPushButton *>())
        if (b->text() == QLatin1String("OK"))
            ok = b;
    QVERIFY(ok);
    about.next();
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    // Kept, with its page, for the next showing.
    about.show();
    QCOMPARE(about.currentPage(), 1);
}

void TestAbout::linksOpenTheirViewers()
{
    ov9174fp_About about(QString(), QString(), QStringLiteral("7931"), QString(), nullptr, 1,
                         QStringLiteral("6.1.3"));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    QStringList titles;
    QStringList firstLines;
    ModalAnswerer answer({QStringLiteral("OK")});
    bool viewerWellFormed = true;
    answer.other = [&](QWidget *w) -> bool {
        auto *viewer = qobject_cast<ov9174fp_licenseViewer *>(w);
        if (!viewer)
            return false;
        titles << viewer->windowTitle();
        firstLines << viewer->textBox()->toPlainText().section(QLatin1Char('\n'), 0, 0).trimmed();
        viewerWellFormed = viewerWellFormed && viewer->parentWidget() == &about && viewer->isModal();
        viewer->accept();
        return true;
    };
    for (const char *name : {"qtLicenseLink", "qwtLicenseLink", "kissFFTLicenseLink"})
        QTest::mouseClick(link(about, name), Qt::LeftButton);
    QVERIFY(viewerWellFormed);
    QCOMPARE(titles, (QStringList{"Qt LGPL License", "Qwt LGPL License", "KISS FFT BSD License"}));
    QVERIFY(firstLines[0].contains(QLatin1String("GNU LESSER GENERAL PUBLIC LICENSE")));
    QVERIFY(firstLines[1].contains(QLatin1String("GNU LESSER GENERAL PUBLIC LICENSE")));
    QVERIFY(firstLines[2].startsWith(QLatin1String("Format:")));

    // "Qt" opens Qt's own About box.
    QTest::mouseClick(link(about, "qtLink"), Qt::LeftButton);
    QCOMPARE(answer.seen().size(), 1);
    QVERIFY(answer.seen()[0].title.contains(QLatin1String("About Qt")));
}

void TestAbout::licenceViewers_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("marker");
    QTest::newRow("qt") << "Qt LGPL License" << "ov9174/softfrontpanel_lib/qt5-lgpl-license.txt" << "Version 3";
    QTest::newRow("qwt") << "Qwt LGPL License" << "ov9174/softfrontpanel_lib/qwt-lgpl-license.txt"
                         << "Version 2.1";
    QTest::newRow("kissfft") << "KISS FFT BSD License" << "ov9174/softfrontpanel_lib/kiss-fft-bsd-license.txt"
                             << "BSD-3-clause";
}

void TestAbout::licenceViewers()
{
    QFETCH(QString, title);
    QFETCH(QString, file);
    QFETCH(QString, marker);
    QWidget parent;
    QScopedPointer<ov9174fp_licenseViewer> viewer;
    if (title.startsWith(QLatin1String("Qt ")))
        viewer.reset(new qtLicense(&parent));
    else if (title.startsWith(QLatin1String("Qwt")))
        viewer.reset(new qwtLicense(&parent));
    else
        viewer.reset(new kissFFTLicense(&parent));
    QCOMPARE(viewer->windowTitle(), title);
    QVERIFY(viewer->isModal());

    const QPlainTextEdit *text = viewer->textBox();
    const QString expected = sourceFile(file);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(text->toPlainText(), expected);
    QVERIFY(text->toPlainText().contains(marker));
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(text->font().family(), QStringLiteral("Courier"));
    const double s = QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 96.0;
    QCOMPARE(text->minimumSize(), QSize(int(650 * s), int(500 * s)));

    QPushButton *ok = viewer->findChild<QPushButton *>();
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("Ok"));
    QSignalSpy accepted(viewer.data(), &QDialog::accepted);
    ok->click();
    QCOMPARE(accepted.count(), 1);
}

void TestAbout::clickableLabelLooksAndClicks()
{
    clickableLabel label(QStringLiteral("BSD"));
    QCOMPARE(label.text(), QStringLiteral("<u><font color='#22e'>BSD</font></u>"));
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    QSignalSpy clicked(&label, &clickableLabel::clicked);
    QTest::mousePress(&label, Qt::LeftButton);
    QCOMPARE(clicked.count(), 0); // on release only
    QTest::mouseRelease(&label, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    const QMetaObject &mo = clickableLabel::staticMetaObject;
    QCOMPARE(mo.methodCount() - mo.methodOffset(), 1);
}

void TestAbout::picturesInResourceTree()
{
    QCOMPARE(QImage(QStringLiteral(":/fp_splash.png")).size(), QSize(520, 400));
    QCOMPARE(QImage(QStringLiteral(":/ov7931fp_splash.png")).size(), QSize(452, 194));
    QVERIFY(!QImage(QStringLiteral(":/ov9174/softfrontpanel_lib/orvane-logo.bmp")).isNull());
    QCOMPARE(qtLicenseResource(), QStringLiteral(":/ov9174/softfrontpanel_lib/qt5-lgpl-license.txt"));
    QCOMPARE(qtLicenseName(), QStringLiteral("LGPL v3"));
    // The Qt 4 text is in the tree too, for a build against Qt 4.
    QVERIFY(readLicenseText(QStringLiteral(":/ov9174/softfrontpanel_lib/qt-lgpl-license.txt"))
                .contains(QLatin1String("Version 2.1")));
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
