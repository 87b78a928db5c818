// The main front-panel window: the control column, the start-button state
// machine, the exit question and the framework's message boxes.
#include "modalanswer.h"
#include "ov9174fp_app.h"
#include "ov9174fp_led.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QThread>
#include <QWhatsThis>
#include <QtTest>

namespace {
// The acquisition controls as text: the single-shot, continuous, configuration
// and enable-all buttons, each "+" enabled or "-" disabled and "*" when checked,
// then the first word of both start buttons' tool tips.
QString controls(const ov9174fp_app &p)
{
    QStringList parts;
    for (QPushButton *b : {p.singleShotButton(), p.continuousButton(), p.configurationButton(), p.enableAllButton()})
        parts << QString(b->isEnabled() ? "+" : "-") + (b->isChecked() ? "*" : "");
    return parts.join(' ') + ' ' + p.singleShotButton()->toolTip().section(' ', 0, 0) + ' ' +
           p.continuousButton()->toolTip().section(' ', 0, 0);
}

// A panel with its start buttons shown, as the instrument leaves it.
struct ShownPanel : ov9174fp_app {
    ShownPanel()
    {
        singleShotButton()->show();
        continuousButton()->show();
        show();
    }
};
} // namespace

class TestMainPanel : public QObject
{
    Q_OBJECT

private slots:
    void controlColumnInOrder()
    {
        ShownPanel p;
        QVERIFY(QTest::qWaitForWindowExposed(&p));
        QList<QWidget *> column{p.activeLed()->parentWidget()};
        for (QLabel *l : p.findChildren<QLabel *>())
            if (l->text() == QLatin1String("Waveform Length") || l->text() == QLatin1String("Sampling Rate"))
                column.insert(l->text().startsWith('W') ? 1 : column.size(), l);
        column.insert(2, p.waveformLengthList());
        column << p.samplingRateList() << p.singleShotButton() << p.continuousButton() << p.configurationButton()
               << p.enableAllButton() << p.resetButton() << p.helpPushButton() << p.aboutPushButton()
               << p.closePushButton();
        QCOMPARE(column.size(), 13);
        for (int i = 0; i < column.size(); ++i) {
            const QRect r = column[i]->geometry();
            QVERIFY2(r.left() > p.contentWidget()->geometry().right(), qPrintable(QString::number(i)));
            QVERIFY2(i == 0 || column[i - 1]->geometry().bottom() < r.top(), qPrintable(QString::number(i)));
        }
    }

    void startButtons_data()
    {
        QTest::addColumn<QString>("actions"); // s, c: click the start buttons; g, a, r: the plain buttons;
                                              // b: userBreak(); e: enableStart()
        // startSingle breakSingle startCont stopCont resetPressed configDev enableAll
        QTest::addColumn<QString>("emitted");
        QTest::addColumn<QString>("controls");
        QTest::newRow("single-shot started") << "s" << "1 0 0 0 0 0 0" << "+* - + + Breaks Starts";
        QTest::newRow("single-shot broken by the user") << "ss" << "1 1 0 0 0 0 0" << "- - - - Starts Starts";
        QTest::newRow("... until the acquisition is done") << "sse" << "1 1 0 0 0 0 0" << "+ + + + Starts Starts";
        QTest::newRow("single-shot, userBreak") << "sb" << "1 1 0 0 0 0 0" << "+ + + + Starts Starts";
        QTest::newRow("userBreak when idle only enables") << "ssb" << "1 1 0 0 0 0 0" << "+ + + + Starts Starts";
        QTest::newRow("continuous started") << "c" << "0 0 1 0 0 0 0" << "- +* + + Starts Stops";
        QTest::newRow("disabled single-shot does nothing") << "cs" << "0 0 1 0 0 0 0" << "- +* + + Starts Stops";
        QTest::newRow("continuous stopped by the user") << "cc" << "0 0 1 1 0 0 0" << "- - - - Starts Starts";
        QTest::newRow("... until userBreak") << "ccb" << "0 0 1 1 0 0 0" << "+ + + + Starts Starts";
        QTest::newRow("continuous, userBreak") << "cb" << "0 0 1 1 0 0 0" << "+ + + + Starts Starts";
        QTest::newRow("plain buttons") << "gaar" << "0 0 0 0 1 1 2" << "+ + + + Starts Starts";
    }

    void startButtons()
    {
        QFETCH(QString, actions);
        ShownPanel p;
        QList<QSharedPointer<QSignalSpy>> spies;
        for (auto signal : {&ov9174fp_app::startSingle, &ov9174fp_app::breakSingle, &ov9174fp_app::startCont,
                            &ov9174fp_app::stopCont, &ov9174fp_app::resetPressed, &ov9174fp_app::configDev,
                            &ov9174fp_app::enableAll})
            spies << QSharedPointer<QSignalSpy>::create(&p, signal);
        const QMap<QChar, QPushButton *> buttons{{'s', p.singleShotButton()}, {'c', p.continuousButton()},
                                                 {'g', p.configurationButton()}, {'a', p.enableAllButton()},
                                                 {'r', p.resetButton()}};
        for (QChar action : actions) {
            if (buttons.contains(action))
                QTest::mouseClick(buttons[action], Qt::LeftButton);
            action == 'b' ? p.userBreak() : action == 'e' ? p.enableStart() : void();
        }
        QStringList counts;
        for (const auto &spy : spies)
            counts << QString::number(spy->count());
        QTEST(counts.join(' '), "emitted");
        QTEST(controls(p), "controls");
    }

    void userBreakStopsContinuousFirst()
    {
        ShownPanel p;
        QStringList order;
        connect(&p, &ov9174fp_app::stopCont, [&] { order << "stopCont"; });
        connect(&p, &ov9174fp_app::breakSingle, [&] { order << "breakSingle"; });
        for (QPushButton *b : {p.singleShotButton(), p.continuousButton()}) {
            const QSignalBlocker blocker(b);
            b->setChecked(true);
        }
        p.userBreak();
        QCOMPARE(order, (QStringList{"stopCont", "breakSingle"}));
        QCOMPARE(::controls(p), QStringLiteral("+ + + + Starts Starts"));
        QTest::mouseClick(p.helpPushButton(), Qt::LeftButton); // help: what's-this mode
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWhatsThis::leaveWhatsThisMode();
    }

    void exitQuestion()
    {
        ShownPanel p;
        p.continuousButton()->click();
        ModalAnswerer answer({QStringLiteral("No"), QStringLiteral("No"), QStringLiteral("Yes")});
        QVERIFY(!p.close());
        QTest::mouseClick(p.closePushButton(), Qt::LeftButton); // the Close button asks the same
        QVERIFY(p.isVisible());
        QVERIFY(p.continuousButton()->isChecked()); // "No" changed nothing
        QCOMPARE(answer.seen().size(), 2);
        for (const SeenBox &box : answer.seen())
            QCOMPARE(box.title + " | " + box.text + " | " + box.buttons.join(','),
                     QStringLiteral("Keltri 7931 SFP | Do you really want to exit? | No,Yes"));
        QCOMPARE(answer.seen().at(0).icon, QMessageBox::Question);
        QVERIFY(p.close());
        QVERIFY(!p.isVisible());
    }

    void messageBoxes()
    {
        ShownPanel p;
        ModalAnswerer answer({"OK", "No", "OK", "No", "OK"});
        ov9174fp_app::warningMessage(QStringLiteral("Warning: [demo text]"));
        ov9174fp_app::errorMessage(QStringLiteral("call failed due to [reason]"));
        // From a worker: shown on the GUI thread in the order raised, without the worker waiting.
        QThread *worker = QThread::create([] {
            ov9174fp_app::warningMessage(QStringLiteral("first"));
            ov9174fp_app::errorMessage(QStringLiteral("second"));
            ov9174fp_app::warningMessage(QStringLiteral("third"));
        });
        worker->start();
        QVERIFY(worker->wait(5000));
        delete worker;
        QTRY_COMPARE(answer.seen().size(), 5);
        QStringList seen;
        for (const SeenBox &box : answer.seen())
            seen << QStringLiteral("%1 | %2 | %3 | %4").arg(box.title, box.text).arg(box.icon).arg(box.clicked);
        QCOMPARE(seen, (QStringList{
                           "Keltri 7931 SFP Warning message | Warning: [demo text] | 2 | OK",
                           "Keltri 7931 SFP Error message | call failed due to [reason]\nDo you want to exit? | 3 | No",
                           "Keltri 7931 SFP Warning message | first | 2 | OK",
                           "Keltri 7931 SFP Error message | second\nDo you want to exit? | 3 | No",
                           "Keltri 7931 SFP Warning message | third | 2 | OK"}));
    }
};

QTEST_MAIN(TestMainPanel)
#include "test_mainpanel.moc"
