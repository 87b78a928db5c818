// The main front-panel window and its parts: the start-button state machine
// driven by clicks and by keys, the exit question, the framework's message
// boxes and the About box; where windows are
// placed, and the demo panel sized for its plots on a 1366 x 768 display.
#include "appfixture.h"
#include "modalanswer.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_Waveform.h"
#include "ov9174fp_About.h"
#include "ov9174fp_app.h"
#include "ov9174fp_clickableLabel.h"
#include "ov9174fp_icons.h"
#include "ov9174fp_licenses.h"
#include "ov9174fp_shortcuts.h"
#include "ov9174fp_windowPlacement.h"
#include "wave_helpers.h"

#include <QHelpEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolTip>
#include <QtTest>

#include <qwt_global.h>

#include <thread>

namespace {
// The acquisition controls as text: the single-shot, continuous, configuration
// and enable-all buttons, each "+" enabled or "-" disabled and "*" when checked,
// the start buttons' icons ("i" idle, "r" running) and the first word of their tool tips.
QString controls(const ov9174fp_app &p)
{
    QStringList parts;
    for (QPushButton *b : {p.singleShotButton(), p.continuousButton(), p.configurationButton(), p.enableAllButton()})
        parts << QString(b->isEnabled() ? "+" : "-") + (b->isChecked() ? "*" : "");
    for (QPushButton *b : {p.singleShotButton(), p.continuousButton()}) {
        const QColor centre = b->icon().pixmap(12, 12).toImage().pixelColor(4, 6);
        parts << (centre == ov9174fp_icons::idleColour() ? "i" : centre == ov9174fp_icons::runningColour() ? "r" : "?");
    }
    return parts.join(' ') + ' ' + p.singleShotButton()->toolTip().section(' ', 0, 0) + ' ' +
           p.continuousButton()->toolTip().section(' ', 0, 0);
}

// A panel with its start buttons shown, as the instrument leaves it; its
// signals so far in order.
struct ShownPanel : ov9174fp_app {
    QStringList seen;
    explicit ShownPanel(bool withButtons = true)
    {
        singleShotButton()->setVisible(withButtons);
        continuousButton()->setVisible(withButtons);
        const std::pair<void (ov9174fp_app::*)(), const char *> names[] = {
            {&ov9174fp_app::startSingle, "startSingle"}, {&ov9174fp_app::breakSingle, "breakSingle"},
            {&ov9174fp_app::startCont, "startCont"},     {&ov9174fp_app::stopCont, "stopCont"},
            {&ov9174fp_app::resetPressed, "reset"},      {&ov9174fp_app::configDev, "configDev"},
            {&ov9174fp_app::enableAll, "enableAll"}};
        for (const auto &[signal, name] : names)
            connect(this, signal, this, [this, name = name] { seen << name; });
        installPanelShortcuts(this);
        show();
        activateWindow();
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

class TestMainPanel : public QObject
{
    Q_OBJECT

private slots:
    // Per case the actions (s, c: click the start buttons; g, a, r: the
    // plain buttons; S, C: start buttons checked without signals; b:
    // userBreak(); e: enableStart()), the signals emitted and the controls left.
    void startButtons()
    {
        const std::tuple<const char *, const char *, const char *> cases[] = {
            {"s", "startSingle", "+* - + + r i Breaks Starts"},
            {"ss", "startSingle breakSingle", "- - - - i i Starts Starts"}, // broken by the user
            {"sse", "startSingle breakSingle", "+ + + + i i Starts Starts"}, // ... until the acquisition is done
            {"sb", "startSingle breakSingle", "+ + + + i i Starts Starts"},
            {"ssb", "startSingle breakSingle", "+ + + + i i Starts Starts"}, // userBreak when idle only enables
            {"c", "startCont", "- +* + + i r Starts Stops"},
            {"cs", "startCont", "- +* + + i r Starts Stops"}, // a disabled single-shot button does nothing
            {"cc", "startCont stopCont", "- - - - i i Starts Starts"},
            {"ccb", "startCont stopCont", "+ + + + i i Starts Starts"},
            {"cb", "startCont stopCont", "+ + + + i i Starts Starts"},
            {"gaar", "configDev enableAll enableAll reset", "+ + + + i i Starts Starts"},
            {"SCb", "stopCont breakSingle", "+ + + + i i Starts Starts"}}; // the continuous run stops first
        for (const auto &[actions, emitted, controlsLeft] : cases) {
            ShownPanel p;
            const QMap<QChar, QPushButton *> buttons{{'s', p.singleShotButton()}, {'c', p.continuousButton()},
                                                     {'g', p.configurationButton()}, {'a', p.enableAllButton()},
                                                     {'r', p.resetButton()}};
            for (QChar action : QString(actions)) {
                if (buttons.contains(action))
                    QTest::mouseClick(buttons[action], Qt::LeftButton);
                if (action == 'S' || action == 'C') {
                    const QSignalBlocker blocker(buttons[action.toLower()]);
                    buttons[action.toLower()]->setChecked(true);
                }
                action == 'b' ? p.userBreak() : action == 'e' ? p.enableStart() : void();
            }
            QCOMPARE(actions + QString(" | ") + p.take() + " | " + controls(p), actions + QString(" | ") + emitted +
                                                                                    " | " + controlsLeft);
        }
    }

    // F5, F6 and F7 click their buttons in every state (a shortcut animates
    // the click: it lands when the button comes up); a hidden button ignores
    // its key. The key is shown in the tool tip without changing its text.
    // (The instrument's panel installs them: app/test_main.)
    void keys()
    {
        ShownPanel p(false);
        QVERIFY(QTest::qWaitForWindowActive(&p));
        QStringList seen;
        for (const QString &key : QStringLiteral("F5 F6 show F5 F6 F5 F5 F7 e F6 F6 F7 e F7").split(' ')) {
            if (key == "e" || key == "show") {
                key == "e" ? p.enableStart() : (p.singleShotButton()->show(), p.continuousButton()->show());
                continue;
            }
            QTest::keyClick(&p, key == "F5" ? Qt::Key_F5 : key == "F6" ? Qt::Key_F6 : Qt::Key_F7);
            QTRY_VERIFY(!p.singleShotButton()->isDown() && !p.continuousButton()->isDown() &&
                        !p.configurationButton()->isDown());
            seen << p.take();
        }
        QCOMPARE(seen.join('/'), QStringLiteral("//startSingle//breakSingle///startCont/stopCont//configDev"));
        p.enableStart();
        QCOMPARE(poppedUpTip(p.singleShotButton()), QStringLiteral("Starts the Single-Shot Data Acquisition (F5)"));
        QCOMPARE(poppedUpTip(p.continuousButton()), QStringLiteral("Starts the Repetititve Data Acquisition (F6)"));
        QCOMPARE(poppedUpTip(p.configurationButton()),
                 QStringLiteral("Change Channels' Configurations, Calibrate Channels, and Check Status (F7)"));
        p.continuousButton()->click();
        QCOMPARE(poppedUpTip(p.continuousButton()), QStringLiteral("Stops the Data Acquisition process (F6)"));
        QCOMPARE(p.continuousButton()->toolTip(), QStringLiteral("Stops the Data Acquisition process"));
        QCOMPARE(p.configurationButton()->whatsThis(), p.configurationButton()->toolTip());
        QCOMPARE(poppedUpTip(p.resetButton()), QStringLiteral("Reset the device to the default state"));
    }

    // Closing asks first ("No" changes nothing); warnings and errors from a
    // worker are shown on the GUI thread in the order raised (from the GUI
    // thread: test_hwaccess's reporting rules).
    void exitQuestionAndMessageBoxes()
    {
        ShownPanel p;
        p.continuousButton()->click();
        ModalAnswerer answer({"No", "No", "Yes", "OK", "No", "OK"});
        QVERIFY(!p.close());
        QTest::mouseClick(p.closePushButton(), Qt::LeftButton); // the Close button asks the same
        QVERIFY(p.isVisible() && p.continuousButton()->isChecked());
        QVERIFY(p.close() && !p.isVisible());
        std::thread([] {
            ov9174fp_app::warningMessage(QStringLiteral("first"));
            ov9174fp_app::errorMessage(QStringLiteral("second"));
            ov9174fp_app::warningMessage(QStringLiteral("third"));
        }).join();
        QTRY_COMPARE(answer.seen().size(), 6);
        QStringList seen;
        for (const SeenBox &box : answer.seen())
            seen << QStringLiteral("%1 | %2 | %3 | %4").arg(box.title, box.text).arg(box.icon).arg(box.clicked);
        const QString exit = QStringLiteral("Keltri 7931 SFP | Do you really want to exit? | 4 | ");
        QCOMPARE(seen, (QStringList{exit + "No", exit + "No", exit + "Yes",
                                    "Keltri 7931 SFP Warning message | first | 2 | OK",
                                    "Keltri 7931 SFP Error message | second\nDo you want to exit? | 3 | No",
                                    "Keltri 7931 SFP Warning message | third | 2 | OK"}));
        QCOMPARE(answer.seen().at(0).buttons, (QStringList{"No", "Yes"}));
    }

    // Two cards: Next shows the second card's page and stops there; the
    // library rows of the Qt 5 build; the KISS FFT viewer shows the
    // copyright line and the BSD text, not the packaging fields of the file
    // it came from.
    void aboutBox()
    {
        {
            ov9174fp_About about("P0", "D0", "7931", QString(), nullptr, 1, QString());
            about.addHardwareInfo(QStringLiteral("s0"), QStringLiteral("r0"), QStringLiteral("m0"));
            about.addHardwareInfo(QStringLiteral("s1"), QStringLiteral("r1"), QStringLiteral("m1"));
            about.addSoftwareRevision(QStringLiteral("D1"), QStringLiteral("P1"));
            about.nextButton()->click();
            about.next(); // on the last page: stays
            const QString buttons = QString(about.previousButton()->isEnabled() ? " +" : " -") +
                                    (about.nextButton()->isEnabled() ? "+" : "-");
            QCOMPARE(QStringList({about.shownDeviceModel(), about.shownSerialNumber(), about.shownRevision(),
                                  about.shownDriverRevision(), about.shownPanelVersion()}).join(' ') + buttons,
                     QStringLiteral("m1 s1 r1 D1 P1 +-"));
        }
        const QString qwt = QStringLiteral("Qwt library version %1:").arg(QStringLiteral(QWT_VERSION_STR));
        for (const QString &qwtVersion : {QStringLiteral("6.1.3"), QString()}) {
            ov9174fp_About about(QString(), QString(), QStringLiteral("7931"), QString(), nullptr, 1, qwtVersion);
            const QList<QLabel *> labels = about.findChildren<QLabel *>();
            QCOMPARE(std::any_of(labels.begin(), labels.end(), [&](QLabel *l) { return l->text() == qwt; }),
                     !qwtVersion.isEmpty());
            QCOMPARE(bool(about.findChild<clickableLabel *>(QStringLiteral("qwtLicenseLink"))), !qwtVersion.isEmpty());
            QCOMPARE(about.findChild<clickableLabel *>("qtLicenseLink")->plainText(), QStringLiteral("LGPL v3"));
        }
        kissFFTLicense viewer;
        const QStringList lines = viewer.textBox()->toPlainText().trimmed().split('\n');
        QCOMPARE(lines.first(), QStringLiteral("Copyright (c) 2003-2022, Mark Borgerding. All rights reserved."));
        QVERIFY(lines.last().endsWith(QStringLiteral("EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE.")));
        const QRegularExpression packagingField(QStringLiteral("^[A-Z][A-Za-z-]*: "));
        for (const QString &line : lines)
            QVERIFY2(!packagingField.match(line).hasMatch() && !line.startsWith(' ') && line != ".", qPrintable(line));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("KISS FFT BSD License"));
    }
    // Per case: the frame, the available area, where centredWithin puts it
    // and where keptWithin moves it from (900, 700); one already inside stays.
    void placementRules()
    {
        const std::tuple<QSize, QRect, QPoint, QPoint> cases[] = {
            {QSize(1000, 600), QRect(0, 30, 1366, 738), QPoint(183, 99), QPoint(366, 168)}, // panel on top
            {QSize(983, 863), QRect(0, 0, 1366, 768), QPoint(191, 0), QPoint(383, 0)}, // taller than the screen
            {QSize(1500, 500), QRect(1366, 20, 1280, 1004), QPoint(1366, 272), QPoint(1366, 524)}}; // too wide
        for (const auto &[frame, available, centred, kept] : cases) {
            QCOMPARE(centredWithin(frame, available), centred);
            QCOMPARE(keptWithin(QRect(QPoint(900, 700), frame), available), kept);
            QCOMPARE(keptWithin(QRect(centred, frame), available), centred);
        }
    }

    // The demo panel opens with one channel: sized for that plot and placed
    // by the rule above; plots shown later grow it and it is moved back
    // inside. With all three plots it still fits a 1366 x 768 display with a
    // task bar and a title bar (with a viewed recording's slider row and
    // overview: waveform.test_recordingView_1366x768).
    void demoPanelFitsItsScreen()
    {
        AppFixture f;
        ov7931Demo_App *app = wave::panelWith(&f, {{0, wave::Voltage}});
        ov7931Demo_Waveform *w = app->waveform;
        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app));
        const QRect available = availableArea(app);
        QCOMPARE(app->height(), app->minimumSizeHint().height());
        QCOMPARE(app->frameGeometry().topLeft(), centredWithin(app->frameGeometry().size(), available));
        const int onePlot = app->height();
        app->move(available.center());
        wave::enable(app, {{1, wave::Resistance}, {2, wave::PT100}});
        w->updateEnabledChannels();
        w->refreshPlots();
        QTRY_VERIFY(app->height() > onePlot);
        QTRY_COMPARE(app->frameGeometry().topLeft(), keptWithin(app->frameGeometry(), available));
        QVERIFY(app->minimumSizeHint().height() + 40 + 30 <= 768 && app->minimumSizeHint().width() <= 1366);
    }
};

QTEST_MAIN(TestMainPanel)
#include "test_mainpanel.moc"
