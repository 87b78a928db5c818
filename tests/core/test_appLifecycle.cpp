// The application object's life: the panel's choices restored from and saved
// to the settings file, the sessions closed once at the end, the reset with
// its progress dialog, enable-all, the status timer and the signal wiring.
#include "appfixture.h"
#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Waveform.h"
#include "ovsim_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTimer>
#include <QtTest>

#include <QSemaphore>

namespace {

// Notes every progress dialog that is shown, with what it looked like.
struct ProgressWatcher : QObject {
    struct Seen {
        QString label;
        Qt::WindowModality modality = Qt::NonModal;
        Qt::WindowFlags flags;
        bool hasCancelButton = true;
        int value = -2;
    };
    QList<Seen> seen;
    ProgressWatcher() { qApp->installEventFilter(this); }
    ~ProgressWatcher() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Show) {
            if (auto *d = qobject_cast<QProgressDialog *>(o)) {
                Seen s;
                s.label = d->labelText();
                s.modality = d->windowModality();
                s.flags = d->windowFlags();
                s.value = d->value();
                s.hasCancelButton = false;
                for (QPushButton *b : d->findChildren<QPushButton *>())
                    if (b->isVisibleTo(d))
                        s.hasCancelButton = true;
                seen << s;
            }
        }
        return false;
    }
};

} // namespace

class TestAppLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void demoRunWritesItsChoices()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        QCOMPARE(app->waveformLengthList()->currentText(), QStringLiteral("1000"));
        QCOMPARE(app->samplingRateList()->currentText(), QStringLiteral("1 kHz"));
        app->waveformLengthList()->setCurrentIndex(app->waveformLengthList()->findText(QStringLiteral("5000")));
        app->samplingRateList()->setCurrentIndex(app->samplingRateList()->findText(QStringLiteral("20 kHz")));
        f.destroy();

        const QString file = f.path(QStringLiteral("ov7931_DEMO.ini"));
        QVERIFY(QFile::exists(file));
        {
            QSettings s(file, QSettings::IniFormat);
            QCOMPARE(s.value(QStringLiteral("NumberOfScans")).toString(), QStringLiteral("5000"));
            QCOMPARE(s.value(QStringLiteral("SamplingFrequency")).toString(), QStringLiteral("20 kHz"));
        }

        // The next run starts with them.
        app = f.create(AppFixture::Mode::Demo);
        QCOMPARE(app->waveformLengthList()->currentText(), QStringLiteral("5000"));
        QCOMPARE(app->samplingRateList()->currentText(), QStringLiteral("20 kHz"));
    }

    void badStoredChoicesSelectTheDefaults()
    {
        AppFixture f;
        {
            QSettings s(f.path(QStringLiteral("ov7931_DEMO.ini")), QSettings::IniFormat);
            s.setValue(QStringLiteral("NumberOfScans"), QStringLiteral("4096"));
            s.setValue(QStringLiteral("SamplingFrequency"), QStringLiteral("3 kHz"));
        }
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        QCOMPARE(app->waveformLengthList()->currentText(), QStringLiteral("1000"));
        QCOMPARE(app->samplingRateList()->currentText(), QStringLiteral("1 kHz"));
    }

    void liveRunUsesTheCardsFile()
    {
        AppFixture f;
        {
            QSettings s(f.path(QStringLiteral("ov7931_00004711.ini")), QSettings::IniFormat);
            s.setValue(QStringLiteral("NumberOfScans"), QStringLiteral("200"));
            s.setValue(QStringLiteral("SamplingFrequency"), QStringLiteral("50 Hz"));
        }
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live);
        QCOMPARE(app->waveformLengthList()->currentText(), QStringLiteral("200"));
        QCOMPARE(app->samplingRateList()->currentText(), QStringLiteral("50 Hz"));
        f.destroy();
        QVERIFY(!QFile::exists(f.path(QStringLiteral("ov7931_DEMO.ini"))));
    }

    void destructionClosesEachSessionOnce()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live);
        const ViSession master = app->masterVi;
        const ViSession slave = app->slaveVi;
        QVERIFY(ovsim::journalOf("ov7931_close").empty());
        QVERIFY(ovsim::journalOf("ov8263_close").empty());
        f.destroy();

        const auto slaveCloses = ovsim::journalOf("ov7931_close");
        const auto masterCloses = ovsim::journalOf("ov8263_close");
        QCOMPARE(slaveCloses.size(), size_t(1));
        QCOMPARE(masterCloses.size(), size_t(1));
        QCOMPARE(slaveCloses[0].args.at(0), std::to_string(slave));
        QCOMPARE(masterCloses[0].args.at(0), std::to_string(master));
        // The conditioning card first; nothing reaches the drivers afterwards.
        const auto all = ovsim::journal();
        QCOMPARE(all.at(all.size() - 2).function, std::string("ov7931_close"));
        QCOMPARE(all.back().function, std::string("ov8263_close"));
        QVERIFY(f.boxes().isEmpty());
    }

    void failingCloseIsNotReported()
    {
        AppFixture f;
        f.create(AppFixture::Mode::Live);
        ovsim::failNext("ov7931_close", -1);
        ovsim::failNext("ov8263_close", -1);
        f.destroy();
        QCOMPARE(ovsim::journalOf("ov8263_close").size(), size_t(1));
        QVERIFY(ovsim::journalOf("ov7931_error_message").empty());
        QVERIFY(f.boxes().isEmpty());
    }

    void resetInDemoMode()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        ProgressWatcher watcher;
        ovsim::clearJournal();
        app->resetDevice();

        QCOMPARE(watcher.seen.size(), 1);
        const auto seen = watcher.seen.first();
        QCOMPARE(seen.label, QStringLiteral("Resetting device.."));
        QCOMPARE(seen.modality, Qt::WindowModal);
        QVERIFY(!seen.hasCancelButton);
        QCOMPARE(seen.value, 0);
        QVERIFY(seen.flags & Qt::CustomizeWindowHint);
        QVERIFY(!(seen.flags & (Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint | Qt::WindowTitleHint)));

        QCOMPARE(app->slaveVi, ViSession(0));
        QCOMPARE(app->deviceBusy.load(), 0);
        for (const ovsim::Call &c : ovsim::journal())
            QVERIFY2(c.function == "ov9174_delay", c.text().c_str());
        // The dialog is gone.
        QVERIFY(app->findChildren<QProgressDialog *>().isEmpty());
    }

    void resetInLiveModeReinitialisesTheCard()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live);
        const size_t before = ovsim::journalOf("ov7931_init").size();
        ProgressWatcher watcher;
        // Hold the pool's threads so that the reset's task must wait: the GUI
        // thread then waits in 100 ms steps with the device marked busy.
        QThreadPool *pool = QThreadPool::globalInstance();
        const int maxThreads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        QSemaphore release;
        QSemaphore started;
        pool->start([&]() {
            started.release();
            release.acquire();
        });
        started.acquire();
        int busyDuringWait = -1;
        int valueDuringWait = -1;
        QTimer::singleShot(350, [&]() {
            busyDuringWait = app->deviceBusy.load();
            if (auto *d = app->findChild<QProgressDialog *>())
                valueDuringWait = d->value();
            release.release();
        });
        app->resetDevice();
        pool->waitForDone();
        pool->setMaxThreadCount(maxThreads);

        QCOMPARE(watcher.seen.size(), 1);
        QCOMPARE(busyDuringWait, 1);
        QVERIFY2(valueDuringWait >= 1, qPrintable(QString::number(valueDuringWait)));
        QCOMPARE(app->deviceBusy.load(), 0);

        const auto inits = ovsim::journalOf("ov7931_init");
        QCOMPARE(inits.size(), before + 1);
        QCOMPARE(inits.back().args.at(0), std::to_string(app->masterVi));
        QVERIFY(ovsim::journalOf("ov9174_delay").size() >= 3);
        for (const auto &d : ovsim::journalOf("ov9174_delay"))
            QCOMPARE(d.args.at(0), std::string("100"));
        QVERIFY(app->slaveVi != 0);
        // The previous session is not closed first.
        QVERIFY(ovsim::journalOf("ov7931_close").empty());
        QVERIFY(f.boxes().isEmpty());
    }

    void failedResetIsReportedOnTheGuiThread()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live, {QStringLiteral("No")});
        ovsim::failNext("ov7931_init", ov7931_ERROR_HARDWARE);
        app->resetDevice();
        QTRY_COMPARE_WITH_TIMEOUT(f.boxes().size(), 1, 10000);
        QVERIFY2(f.boxes().first().text.startsWith(QStringLiteral(
                     "blockedHardwareAccess4(ov7931_init, masterVi, VI_TRUE, VI_TRUE, &slaveVi) failed due to [")),
                 qPrintable(f.boxes().first().text));
        QCOMPARE(app->deviceBusy.load(), 0);
    }

    void resetButtonRunsTheReset()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        ProgressWatcher watcher;
        app->resetButton()->click();
        QCOMPARE(watcher.seen.size(), 1);
    }

    void enableAllLeavesEnabledChannelsAlone()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        app->chCfg[0]->enableBox->setChecked(true);
        app->chCfg[5]->enableBox->setChecked(true);
        QList<QSignalSpy *> spies;
        for (int ch = 0; ch < 16; ++ch)
            spies << new QSignalSpy(app->chCfg[ch]->enableBox, &QCheckBox::toggled);
        app->enableAllButton()->click(); // enableAll() -> enableAllChannels()
        for (int ch = 0; ch < 16; ++ch) {
            QVERIFY(app->chCfg[ch]->enableBox->isChecked());
            QCOMPARE(spies[ch]->count(), (ch == 0 || ch == 5) ? 0 : 1);
        }
        qDeleteAll(spies);
    }

    void windowsTimerAndButtons()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        QVERIFY(app->waveform);
        QVERIFY(app->config);
        for (int ch = 0; ch < 16; ++ch) {
            QVERIFY(app->chCfg[ch]);
            QCOMPARE(app->chCfg[ch]->d_ch, ch);
        }
        QVERIFY(app->statusTimer);
        QVERIFY(app->statusTimer->isActive());
        QCOMPARE(app->statusTimer->interval(), 10000);
        QVERIFY(app->singleShotButton()->isVisibleTo(app));
        QVERIFY(app->continuousButton()->isVisibleTo(app));
        QCOMPARE(app->deviceBusy.load(), 0);

        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app));
        QVERIFY(app->isVisible());
    }

    void showingTheWindow()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        app->resize(200, 100);
        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app));
        // Sized with all three plots shown (within the screen), centred, then
        // left with the plots of the enabled channels: a fresh file enables
        // channel 1 only, a PT-100 on the temperature plot.
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(app->width() >= app->minimumWidth());
        // (The small test screen is narrower than the panel, whose width
        // may still settle by a few pixels once two plots are hidden.)
        QVERIFY2(qAbs(app->x() - (available.width() - app->width()) / 2) <= 4, qPrintable(QString::number(app->x())));
        QVERIFY2(qAbs(app->y() - (available.height() - app->height()) / 2) <= 4, qPrintable(QString::number(app->y())));
        QVERIFY(!app->waveform->plotVisible[0]);
        QVERIFY(!app->waveform->plotVisible[1]);
        QVERIFY(app->waveform->plotVisible[2]);
        QVERIFY(app->waveform->channelMask & 1u);
    }
};

QTEST_MAIN(TestAppLifecycle)
#include "test_appLifecycle.moc"
