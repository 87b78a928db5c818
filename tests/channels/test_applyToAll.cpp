// "Apply Configuration to all Enabled Channels" checked against the simulated
// card's journal: the cascades and applies in channel order, the dialog, Cancel.
#include "channelbench.h"
#include "tooltest.h"

#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_applyToAll.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_workerControl.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace {
const int kTargets[3] = {2, 4, 8}; // d_ch of the three enabled targets (channels 3, 5, 9)

// A live (or demo) panel on `subType` with channel 1 as the source
// (Resistance, excitation index `current`, range index 3) and the three targets enabled.
ov7931Demo_App *prepare(AppFixture &fx, const QString &subType, bool live, int current)
{
    if (live && subType != "7931-BB")
        testkit::loadScenario(testkit::defaultScenarioWith({"sub_type: BB", "sub_type: " + subType.mid(5)}));
    ov7931Demo_App *app = fx.create(live ? AppFixture::Mode::Live : AppFixture::Mode::Demo, {"No"}, subType);
    fx.otherDialogs = [](QWidget *) { return true; };
    for (int t : kTargets)
        app->chCfg[t]->enableBox->setChecked(true);
    ov7931Demo_ChCfg *source = app->chCfg[0];
    source->sensorSelector->setCurrentIndex(SensorResistance);
    source->excitationSelector->setCurrentIndex(current);
    source->rangeSelector->setCurrentIndex(3);
    return app;
}

// What one apply-to-all run showed while its dialog was up.
struct Seen {
    QString title, label;
    QSize size;
    bool modal = false, busy = true, sourceHandlers = true;
    int polls = 0;
};
} // namespace

class TestApplyToAll : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QVERIFY(joinAbandonedWorkers(5000));
        QVERIFY(hardwareLockIsFree());
    }

    void threeTargets_data()
    {
        QTest::addColumn<QString>("subType");
        QTest::addColumn<bool>("live");
        QTest::addColumn<int>("current"); // excitation index (and code) copied
        QTest::newRow("7931-BB primary") << "7931-BB" << true << 1;
        QTest::newRow("7931-DE secondary") << "7931-DE" << true << 2;
        QTest::newRow("demo") << "7931-BB" << false << 1;
    }

    void threeTargets()
    {
        QFETCH(QString, subType);
        QFETCH(bool, live);
        QFETCH(int, current);
        AppFixture fx;
        ov7931Demo_App *app = prepare(fx, subType, live, current);
        ov7931Demo_ChCfg *source = app->chCfg[0];
        ovsim::setManualClock(true); // the estimate's 100 ms steps pass at once
        const double start = ovsim::now();
        fx.answerWith({"Yes", "No"});
        ChannelBench::clear();

        Seen seen;
        {
            EventLoopProbe probe([&]() {
                auto *dialog = shownDialog<ov7931Demo_ApplyToAllDialog>();
                if (!dialog)
                    return;
                seen = {dialog->windowTitle(), dialog->label->text(), dialog->size(), dialog->isModal(),
                        app->deviceBusy == 1, source->changeHandlersConnected(), seen.polls + 1};
                app->waveform->timerStatSlot(); // kept off the hardware
            });
            source->applyToAllAction();
        }

        const QList<SeenBox> boxes = fx.boxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, QString("Keltri 7931"));
        QCOMPARE(boxes[0].text, QString("This Action will apply current channel's configurations too all enabled "
                                        "channels, Continue?"));
        QCOMPARE(boxes[0].buttons, QStringList({"Cancel", "No", "Yes"}));
        QVERIFY(seen.polls > 0);
        QCOMPARE(seen.title, QString("Keltri 7931 Apply to All"));
        QCOMPARE(seen.label, QString("Applying Channel 1 Configuration to all Channels..."));
        QVERIFY(seen.size == QSize(300, 100) && seen.modal && seen.busy && !seen.sourceHandlers);
        QVERIFY(app->deviceBusy == 0 && source->changeHandlersConnected());
        QVERIFY(source->findChildren<ov7931Demo_ApplyToAllDialog *>().isEmpty());
        // 0.5 s per target in steps of 100/15: after the 15th step it stands
        // just under 100, so a 16th is taken, and the run ends at that reading.
        QCOMPARE(delayCalls("100"), 16);
        QCOMPARE(ovsim::now() - start, 1.6);

        // Each target's cascade (sensor, then excitation, then range), then
        // the worker's apply of each; neither the source nor a disabled channel.
        QStringList expected, worker;
        for (int t : kTargets) {
            expected << applyCalls({t + 1, 1, 2, 1, 1, 0}) << applyCalls({t + 1, 1, 2, 1, 1, current})
                     << applyCalls({t + 1, 1, 2, 1, 5, current});
            worker << applyCalls({t + 1, 1, 2, 1, 5, current});
        }
        QCOMPARE(driverCalls(), live ? expected + worker : QStringList());

        for (int t : kTargets) {
            const ov7931Demo_ChCfg *target = app->chCfg[t];
            QVERIFY(target->sensorType() == SensorResistance && target->excitationIndex() == current);
            QVERIFY(target->rangeSelector->currentIndex() == 3 && target->testWireButton->isEnabled());
            if (current == 2) { // the target's own secondary current and its own ranges
                QCOMPARE(target->excitationSelector->currentText(), QString(nominalSecondaryCurrent[size_t(t)].label));
                QCOMPARE(target->rangeSelector->currentText(), secondaryCurrentRangeLabels(subType, t)[3]);
                QCOMPARE(target->excitationCurrent(),
                         nominalSecondaryCurrent[size_t(t)].ampere * (1 + 0.001 * (t + 1)));
            }
            if (live) {
                const ovsim::ChannelState card = ovsim::channelState(t + 1);
                QVERIFY(card.mode == 1 && card.gain == 5 && card.excitation == current && card.conversion == 1);
            }
        }
        QVERIFY(!app->chCfg[1]->isEnabled() && app->chCfg[1]->sensorType() == SensorPT100);
    }

    void cancel()
    {
        AppFixture fx;
        ov7931Demo_App *app = prepare(fx, "7931-BB", true, 1);
        ov7931Demo_ChCfg *source = app->chCfg[0];
        fx.answerWith({"Yes", "No"});
        ChannelBench::clear();
        QStringList labels;
        {
            EventLoopProbe probe([&]() {
                auto *dialog = shownDialog<ov7931Demo_ApplyToAllDialog>();
                if (!dialog || !labels.isEmpty())
                    return;
                labels << dialog->label->text();
                dialog->cancelButton->click(); // returns once the worker has been stopped
                labels << dialog->label->text();
            });
            source->applyToAllAction();
        }
        QCOMPARE(labels, QStringList({"Applying Channel 1 Configuration to all Channels...",
                                               "Terminating, please wait..."}));
        QVERIFY(delayCalls("100") < 16); // the estimate was stopped early
        // The worker was waited for, not cut short: every target is applied.
        QCOMPARE(driverCalls().mid(driverCalls().size() - 15),
                 applyCalls({3, 1, 2, 1, 5, 1}) + applyCalls({5, 1, 2, 1, 5, 1}) + applyCalls({9, 1, 2, 1, 5, 1}));
        QVERIFY(app->deviceBusy == 0 && source->changeHandlersConnected() && abandonedWorkers() == 0);
        QVERIFY(source->findChildren<ov7931Demo_ApplyToAllDialog *>().isEmpty());
    }

    void nothingHappens_data()
    {
        QTest::addColumn<int>("enabledTargets");
        QTest::addColumn<QString>("answer");
        QTest::newRow("only the source enabled") << 0 << "Yes";
        QTest::newRow("answered No") << 3 << "No";
        QTest::newRow("answered Cancel") << 3 << "Cancel";
    }

    void nothingHappens()
    {
        QFETCH(int, enabledTargets);
        QFETCH(QString, answer);
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        for (int i = 0; i < enabledTargets; ++i)
            app->chCfg[kTargets[i]]->enableBox->setChecked(true);
        app->chCfg[0]->sensorSelector->setCurrentIndex(SensorVoltage);
        fx.answerWith({answer, "No"});
        ChannelBench::clear();
        app->chCfg[0]->applyToAllAction();
        QCOMPARE(fx.boxes().size(), enabledTargets ? 1 : 0);
        QVERIFY(ovsim::journal().empty() && app->deviceBusy == 0 && app->chCfg[0]->changeHandlersConnected());
        for (int t : kTargets)
            QCOMPARE(app->chCfg[t]->sensorType(), int(SensorPT100));
    }

    void estimationAlone()
    {
        // No steps: it ends at once. Fifteen steps: sixteen delays, ending just above 100.
        ovsim::reset();
        ovsim::setManualClock(true);
        for (int steps : {0, 15}) {
            auto progress = std::make_shared<std::atomic<float>>(0.0f);
            ov7931Demo_estimationThread estimation(steps, progress);
            ChannelBench::clear();
            estimation.start();
            QVERIFY(estimation.wait(5000));
            QCOMPARE(delayCalls("100"), steps ? 16 : 0);
            float expected = 0.0f;
            for (int i = 0; i < (steps ? 16 : 0); ++i)
                expected += 100.0f / 15.0f;
            QCOMPARE(progress->load(), expected);
        }
        ovsim::reset();
    }
};

QTEST_MAIN(TestApplyToAll)
#include "test_applyToAll.moc"
