// Keyboard shortcuts of the main panel: each key clicks its button, in every
// state; the key is shown in the tool tip without changing its text.
#include "appfixture.h"
#include "ov7931Demo_App.h"
#include "ov9174fp_app.h"
#include "ov9174fp_shortcuts.h"

#include <QHelpEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

namespace {
struct ShortcutPanel : ov9174fp_app {
    ShortcutPanel()
    {
        singleShotButton()->show();
        continuousButton()->show();
        installPanelShortcuts(this);
        show();
        activateWindow();
    }
};

// The panel's signals so far, in order, as one text.
struct Signals {
    QStringList seen;
    explicit Signals(ov9174fp_app *p)
    {
        QObject::connect(p, &ov9174fp_app::startSingle, [this] { seen << "startSingle"; });
        QObject::connect(p, &ov9174fp_app::breakSingle, [this] { seen << "breakSingle"; });
        QObject::connect(p, &ov9174fp_app::startCont, [this] { seen << "startCont"; });
        QObject::connect(p, &ov9174fp_app::stopCont, [this] { seen << "stopCont"; });
        QObject::connect(p, &ov9174fp_app::configDev, [this] { seen << "configDev"; });
    }
    QString take() { return std::exchange(seen, {}).join(' '); }
};

QString poppedUpTip(QWidget *w)
{
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(w, &help);
    return QToolTip::text();
}
} // namespace

class TestShortcuts : public QObject
{
    Q_OBJECT

private slots:
    void keysClickTheirButtons_data()
    {
        QTest::addColumn<QString>("keys"); // F5/F6/F7 pressed in turn; "e" re-enables the controls
        QTest::addColumn<QString>("signalsSeen");
        QTest::newRow("single shot started and broken") << "F5 F5" << "startSingle/breakSingle";
        QTest::newRow("continuous started and stopped") << "F6 F6" << "startCont/stopCont";
        QTest::newRow("continuous key while a single shot runs") << "F5 F6" << "startSingle/";
        QTest::newRow("after a break the controls wait") << "F5 F5 F5 F7" << "startSingle/breakSingle//";
        QTest::newRow("enabled again") << "F6 F6 e F5" << "startCont/stopCont/startSingle";
        QTest::newRow("configuration") << "F7 F7" << "configDev/configDev";
    }

    void keysClickTheirButtons()
    {
        QFETCH(QString, keys);
        ShortcutPanel panel;
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        Signals spy(&panel);
        QStringList seen;
        for (const QString &key : keys.split(' ')) {
            if (key == "e") {
                panel.enableStart();
                continue;
            }
            QTest::keyClick(&panel, key == "F5" ? Qt::Key_F5 : key == "F6" ? Qt::Key_F6 : Qt::Key_F7);
            // A shortcut animates the click: it lands after a moment.
            QTest::qWait(200);
            seen << spy.take();
        }
        QTEST(seen.join('/'), "signalsSeen");
    }

    void hiddenButtonIgnoresItsKey()
    {
        ov9174fp_app panel; // start buttons hidden until the instrument shows them
        installPanelShortcuts(&panel);
        panel.show();
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        Signals spy(&panel);
        QTest::keyClick(&panel, Qt::Key_F5);
        QTest::keyClick(&panel, Qt::Key_F6);
        QTest::qWait(200);
        QCOMPARE(spy.take(), QString());
    }

    void toolTipsNameTheKeys()
    {
        ShortcutPanel panel;
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(poppedUpTip(panel.singleShotButton()), QStringLiteral("Starts the Single-Shot Data Acquisition (F5)"));
        QCOMPARE(poppedUpTip(panel.continuousButton()), QStringLiteral("Starts the Repetititve Data Acquisition (F6)"));
        QCOMPARE(poppedUpTip(panel.configurationButton()),
                 QStringLiteral("Change Channels' Configurations, Calibrate Channels, and Check Status (F7)"));
        // The running texts, with the same key.
        panel.continuousButton()->click();
        QCOMPARE(poppedUpTip(panel.continuousButton()), QStringLiteral("Stops the Data Acquisition process (F6)"));
        // The tool tip and what's-this texts themselves are unchanged.
        QCOMPARE(panel.continuousButton()->toolTip(), QStringLiteral("Stops the Data Acquisition process"));
        QCOMPARE(panel.configurationButton()->whatsThis(), panel.configurationButton()->toolTip());
        // Buttons without a key keep their plain tool tip.
        QCOMPARE(poppedUpTip(panel.resetButton()), QStringLiteral("Reset the device to the default state"));
    }

    void instrumentPanelHasThem()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Demo);
        QCOMPARE(app->singleShotButton()->shortcut(), panelShortcuts::singleShot);
        QCOMPARE(app->continuousButton()->shortcut(), panelShortcuts::continuous);
        QCOMPARE(app->configurationButton()->shortcut(), panelShortcuts::channelConfiguration);
    }
};

QTEST_MAIN(TestShortcuts)
#include "test_shortcuts.moc"
