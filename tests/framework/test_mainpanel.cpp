// The main front-panel window: controls and texts, the start-button state
// machine, the exit question and the framework's message boxes.
#include "modalanswer.h"
#include "ov9174fp_app.h"
#include "ov9174fp_icons.h"
#include "ov9174fp_led.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QMetaMethod>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QThread>
#include <QWhatsThis>
#include <QtTest>

#include <cstdio>

namespace {
const char *const childEnv = "OV_FW_ERROR_YES_CHILD";

QColor centreColour(const QIcon &icon)
{
    return icon.pixmap(12, 12).toImage().pixelColor(6, 6);
}

struct Spies {
    explicit Spies(ov9174fp_app *p)
        : startSingle(p, &ov9174fp_app::startSingle), breakSingle(p, &ov9174fp_app::breakSingle),
          startCont(p, &ov9174fp_app::startCont), stopCont(p, &ov9174fp_app::stopCont),
          resetPressed(p, &ov9174fp_app::resetPressed), configDev(p, &ov9174fp_app::configDev),
          enableAll(p, &ov9174fp_app::enableAll)
    {
    }
    // Counts per signal in declaration order.
    QList<int> counts() const
    {
        return {startSingle.count(), breakSingle.count(), startCont.count(), stopCont.count(),
                resetPressed.count(), configDev.count(), enableAll.count()};
    }
    QSignalSpy startSingle, breakSingle, startCont, stopCont, resetPressed, configDev, enableAll;
};

QList<bool> acquisitionEnabled(const ov9174fp_app &p)
{
    return {p.singleShotButton()->isEnabled(), p.continuousButton()->isEnabled(),
            p.configurationButton()->isEnabled(), p.enableAllButton()->isEnabled()};
}

const QList<bool> allOn{true, true, true, true};
const QList<bool> allOff{false, false, false, false};

// A panel with its start buttons shown, as the instrument leaves it.
struct ShownPanel {
    ShownPanel()
    {
        panel.singleShotButton()->show();
        panel.continuousButton()->show();
        panel.show();
    }
    ov9174fp_app panel;
};
} // namespace

class TestMainPanel : public QObject
{
    Q_OBJECT

private slots:
    void controlsAndTexts();
    void controlColumnLayout();
    void declaredSignalsAndSlotsInOrder();
    void singleShotStartAndBreak();
    void continuousStartAndStop();
    void userBreakReturnsToIdle();
    void userBreakWhenIdleOnlyEnables();
    void plainButtonsEmitTheirSignals();
    void statusLabelsAndLed();
    void exitQuestionNoKeepsWindow();
    void exitQuestionYesCloses();
    void warningMessageBox();
    void errorMessageNoReturns();
    void messageFromWorkerThreadIsShownOnGuiThread();
    void errorMessageYesEndsProcessAtOnce();
    void centreWindow();
    void icons();
};

void TestMainPanel::controlsAndTexts()
{
    ov9174fp_app panel;
    const QString style = QApplication::style()->objectName().toLower();
    const bool plastiqueAvailable =
        QStyleFactory::keys().contains(QStringLiteral("Plastique"), Qt::CaseInsensitive);
    QCOMPARE(style, plastiqueAvailable ? QStringLiteral("plastique") : QStringLiteral("fusion"));

    QComboBox *length = panel.waveformLengthList();
    QCOMPARE(length->count(), 10);
    const QList<int> lengths{10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};
    for (int i = 0; i < lengths.size(); ++i) {
        QCOMPARE(length->itemText(i), QString::number(lengths[i]));
        QCOMPARE(length->itemData(i).toInt(), lengths[i]);
    }
    QCOMPARE(length->currentText(), QStringLiteral("1000"));
    QCOMPARE(length->minimumWidth(), 90);
    QCOMPARE(panel.samplingRateList()->count(), 0);

    QCOMPARE(panel.configurationButton()->text(), QStringLiteral("Channel\nConfiguration"));
    QCOMPARE(panel.enableAllButton()->text(), QStringLiteral("Enable\nAll Channels"));
    QCOMPARE(panel.resetButton()->text(), QStringLiteral("Reset Device"));
    QCOMPARE(panel.aboutPushButton()->text(), QStringLiteral("About"));
    QCOMPARE(panel.closePushButton()->text(), QStringLiteral("Close"));
    QVERIFY(panel.helpPushButton()->text().isEmpty());
    QCOMPARE(panel.helpPushButton()->iconSize(), QSize(20, 17));
    QVERIFY(!panel.helpPushButton()->icon().isNull());
    QVERIFY(panel.singleShotButton()->text().isEmpty());
    QVERIFY(panel.singleShotButton()->isCheckable());
    QVERIFY(panel.continuousButton()->isCheckable());
    QVERIFY(panel.singleShotButton()->isHidden());
    QVERIFY(panel.continuousButton()->isHidden());
    QVERIFY(!panel.windowIcon().isNull());
    QCOMPARE(panel.activeLed()->caption(), QStringLiteral("Active"));
    QCOMPARE(panel.activeLed()->value(), 0);
    QCOMPARE(panel.activeLed()->onColour(), QColor(Qt::green));
    QCOMPARE(panel.activeLed()->offColour(), panel.activeLed()->palette().color(QPalette::Window));
    QVERIFY(panel.isContentAreaInUse());

    const QStringList labels = [&] {
        QStringList l;
        for (QLabel *label : panel.findChildren<QLabel *>())
            l << label->text();
        return l;
    }();
    QVERIFY(labels.contains(QStringLiteral("Waveform Length")));
    QVERIFY(labels.contains(QStringLiteral("Sampling Rate")));

    // Tool tip and what's-this are the same explanatory text ...
    const QList<QPair<QWidget *, QString>> explained{
        {length, QStringLiteral("Selects the number of scans to be acquired")},
        {panel.samplingRateList(), QStringLiteral("Selects the sampling frequency(in Hertz)")},
        {panel.singleShotButton(), QStringLiteral("Starts the Single-Shot Data Acquisition")},
        {panel.continuousButton(), QStringLiteral("Starts the Repetititve Data Acquisition")},
        {panel.configurationButton(),
         QStringLiteral("Change Channels' Configurations, Calibrate Channels, and Check Status")},
        {panel.enableAllButton(), QStringLiteral("Enables all channels")},
        {panel.resetButton(), QStringLiteral("Reset the device to the default state")},
    };
    for (const auto &e : explained) {
        QCOMPARE(e.first->toolTip(), e.second);
        QCOMPARE(e.first->whatsThis(), e.second);
    }
    // ... except for these, which only explain themselves in what's-this mode.
    const QList<QPair<QWidget *, QString>> whatsThisOnly{
        {panel.activeLed(),
         QStringLiteral("Green light means that the Soft Front Panel works\nin Real (not Demo) mode.")},
        {panel.helpPushButton(), QStringLiteral("Show on-line help for Instrument Soft Front Panel components")},
        {panel.aboutPushButton(), QStringLiteral("Displays \"About\" panel")},
        {panel.closePushButton(), QStringLiteral("Close main panel and terminates program")},
    };
    for (const auto &e : whatsThisOnly) {
        QCOMPARE(e.first->whatsThis(), e.second);
        QVERIFY(e.first->toolTip().isEmpty());
    }
}

void TestMainPanel::controlColumnLayout()
{
    ShownPanel s;
    ov9174fp_app &p = s.panel;
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    QLabel *lengthLabel = nullptr;
    QLabel *rateLabel = nullptr;
    for (QLabel *l : p.findChildren<QLabel *>()) {
        if (l->text() == QLatin1String("Waveform Length"))
            lengthLabel = l;
        if (l->text() == QLatin1String("Sampling Rate"))
            rateLabel = l;
    }
    QVERIFY(lengthLabel && rateLabel);
    QCOMPARE(lengthLabel->alignment(), Qt::Alignment(Qt::AlignCenter));
    QCOMPARE(rateLabel->alignment(), Qt::Alignment(Qt::AlignCenter));

    // Top to bottom, all in one column to the right of the content area.
    auto *statusBox = qobject_cast<QWidget *>(p.activeLed()->parent());
    QVERIFY(statusBox && statusBox != &p);
    QVERIFY(p.locationText()->parent() == statusBox && p.functionCardText()->parent() == statusBox);
    QVERIFY(p.activeLed()->y() < p.locationText()->y());
    QVERIFY(p.locationText()->y() < p.functionCardText()->y());
    const QList<QWidget *> column{statusBox,
                                  lengthLabel,
                                  p.waveformLengthList(),
                                  rateLabel,
                                  p.samplingRateList(),
                                  p.singleShotButton(),
                                  p.continuousButton(),
                                  p.configurationButton(),
                                  p.enableAllButton(),
                                  p.resetButton(),
                                  p.helpPushButton(),
                                  p.aboutPushButton(),
                                  p.closePushButton()};
    const int contentRight = p.contentWidget()->geometry().right();
    for (int i = 0; i < column.size(); ++i) {
        QVERIFY2(column[i]->geometry().left() > contentRight, qPrintable(QString::number(i)));
        if (i > 0)
            QVERIFY2(column[i - 1]->geometry().bottom() < column[i]->geometry().top(), qPrintable(QString::number(i)));
    }
    QCOMPARE(p.layout()->sizeConstraint(), QLayout::SetMinimumSize);
    QCOMPARE(p.layout()->contentsMargins(), QMargins(0, 0, 0, 0));
}

void TestMainPanel::declaredSignalsAndSlotsInOrder()
{
    // The instrument connects these by name: their order and signatures are fixed.
    const QMetaObject &mo = ov9174fp_app::staticMetaObject;
    QStringList methods;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
        methods << QString::fromLatin1(mo.method(i).methodSignature());
    const QStringList expected{"startSingle()",       "breakSingle()",     "startCont()",
                               "stopCont()",          "resetPressed()",    "configDev()",
                               "enableAll()",         "enterWIT()",        "userBreak()",
                               "enableStart()",       "startToggledSlot(bool)", "startContToggledSlot(bool)",
                               "configureDevSlot()",  "enableAllChans()"};
    QCOMPARE(methods, expected);
    for (int i = 0; i < 7; ++i)
        QCOMPARE(mo.method(mo.methodOffset() + i).methodType(), QMetaMethod::Signal);
}

void TestMainPanel::singleShotStartAndBreak()
{
    ShownPanel s;
    ov9174fp_app &p = s.panel;
    Spies spies(&p);

    QTest::mouseClick(p.singleShotButton(), Qt::LeftButton);
    QCOMPARE(spies.counts(), (QList<int>{1, 0, 0, 0, 0, 0, 0}));
    QVERIFY(p.singleShotButton()->isChecked());
    QVERIFY(p.singleShotButton()->isEnabled());
    QVERIFY(!p.continuousButton()->isEnabled());
    QVERIFY(p.configurationButton()->isEnabled());
    QCOMPARE(p.singleShotButton()->toolTip(), QStringLiteral("Breaks the Single-Shot Data Acquisition"));
    QCOMPARE(p.singleShotButton()->whatsThis(), QStringLiteral("Breaks the Single-Shot Data Acquisition"));
    QCOMPARE(centreColour(p.singleShotButton()->icon()), ov9174fp_icons::runningColour());

    // The user breaks: everything stays disabled until the acquisition side answers.
    QTest::mouseClick(p.singleShotButton(), Qt::LeftButton);
    QCOMPARE(spies.counts(), (QList<int>{1, 1, 0, 0, 0, 0, 0}));
    QVERIFY(!p.singleShotButton()->isChecked());
    QCOMPARE(acquisitionEnabled(p), allOff);
    QCOMPARE(p.singleShotButton()->toolTip(), QStringLiteral("Starts the Single-Shot Data Acquisition"));
    QCOMPARE(p.singleShotButton()->whatsThis(), QStringLiteral("Starts the Single-Shot Data Acquisition"));
    QCOMPARE(centreColour(p.singleShotButton()->icon()), ov9174fp_icons::idleColour());

    p.enableStart();
    QCOMPARE(acquisitionEnabled(p), allOn);
    QCOMPARE(spies.counts(), (QList<int>{1, 1, 0, 0, 0, 0, 0}));
}

void TestMainPanel::continuousStartAndStop()
{
    ShownPanel s;
    ov9174fp_app &p = s.panel;
    Spies spies(&p);

    QTest::mouseClick(p.continuousButton(), Qt::LeftButton);
    QCOMPARE(spies.counts(), (QList<int>{0, 0, 1, 0, 0, 0, 0}));
    QVERIFY(p.continuousButton()->isChecked());
    QVERIFY(!p.singleShotButton()->isEnabled());
    QVERIFY(p.enableAllButton()->isEnabled());
    QCOMPARE(p.continuousButton()->toolTip(), QStringLiteral("Stops the Data Acquisition process"));
    QCOMPARE(p.continuousButton()->whatsThis(), QStringLiteral("Stops the Data Acquisition process"));
    QCOMPARE(centreColour(p.continuousButton()->icon()), ov9174fp_icons::runningColour());

    // A click on the disabled single-shot button does nothing.
    QTest::mouseClick(p.singleShotButton(), Qt::LeftButton);
    QCOMPARE(spies.counts(), (QList<int>{0, 0, 1, 0, 0, 0, 0}));

    QTest::mouseClick(p.continuousButton(), Qt::LeftButton);
    QCOMPARE(spies.counts(), (QList<int>{0, 0, 1, 1, 0, 0, 0}));
    QCOMPARE(acquisitionEnabled(p), allOff);
    QCOMPARE(p.continuousButton()->toolTip(), QStringLiteral("Starts the Repetititve Data Acquisition"));
    QCOMPARE(p.continuousButton()->icon().pixmap(12, 12).toImage().pixelColor(3, 6), ov9174fp_icons::idleColour());

    p.userBreak();
    QCOMPARE(acquisitionEnabled(p), allOn);
    QCOMPARE(spies.counts(), (QList<int>{0, 0, 1, 1, 0, 0, 0}));
}

void TestMainPanel::userBreakReturnsToIdle()
{
    ShownPanel s;
    ov9174fp_app &p = s.panel;
    {
        Spies spies(&p);
        p.continuousButton()->click();
        p.userBreak();
        QCOMPARE(spies.counts(), (QList<int>{0, 0, 1, 1, 0, 0, 0}));
        QVERIFY(!p.continuousButton()->isChecked());
        QCOMPARE(acquisitionEnabled(p), allOn);
        QCOMPARE(p.continuousButton()->toolTip(), QStringLiteral("Starts the Repetititve Data Acquisition"));
    }
    {
        Spies spies(&p);
        p.singleShotButton()->click();
        p.userBreak();
        QCOMPARE(spies.counts(), (QList<int>{1, 1, 0, 0, 0, 0, 0}));
        QVERIFY(!p.singleShotButton()->isChecked());
        QCOMPARE(acquisitionEnabled(p), allOn);
        QCOMPARE(p.singleShotButton()->toolTip(), QStringLiteral("Starts the Single-Shot Data Acquisition"));
        QCOMPARE(centreColour(p.singleShotButton()->icon()), ov9174fp_icons::idleColour());
    }
    {
        // Both checked (set up directly): the continuous run is stopped first.
        Spies spies(&p);
        QStringList order;
        connect(&p, &ov9174fp_app::stopCont, [&] { order << "stopCont"; });
        connect(&p, &ov9174fp_app::breakSingle, [&] { order << "breakSingle"; });
        p.singleShotButton()->blockSignals(true);
        p.continuousButton()->blockSignals(true);
        p.singleShotButton()->setChecked(true);
        p.continuousButton()->setChecked(true);
        p.singleShotButton()->blockSignals(false);
        p.continuousButton()->blockSignals(false);
        p.userBreak();
        QCOMPARE(order, (QStringList{"stopCont", "breakSingle"}));
        QCOMPARE(acquisitionEnabled(p), allOn);
    }
}

void TestMainPanel::userBreakWhenIdleOnlyEnables()
{
    ShownPanel s;
    ov9174fp_app &p = s.panel;
    p.singleShotButton()->click();
    p.singleShotButton()->click(); // break: all four disabled
    QCOMPARE(acquisitionEnabled(p), allOff);
    Spies spies(&p);
    p.userBreak();
    QCOMPARE(spies.counts(), (QList<int>{0, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(acquisitionEnabled(p), allOn);
    QVERIFY(!p.singleShotButton()->isChecked());
    QVERIFY(!p.continuousButton()->isChecked());
}

void TestMainPanel::plainButtonsEmitTheirSignals()
{
    ShownPanel s;
    ov9174fp_app &p = s.panel;
    Spies spies(&p);
    QTest::mouseClick(p.configurationButton(), Qt::LeftButton);
    QTest::mouseClick(p.enableAllButton(), Qt::LeftButton);
    QTest::mouseClick(p.enableAllButton(), Qt::LeftButton);
    QTest::mouseClick(p.resetButton(), Qt::LeftButton);
    QCOMPARE(spies.counts(), (QList<int>{0, 0, 0, 0, 1, 1, 2}));

    // The help button enters what's-this mode.
    QVERIFY(!QWhatsThis::inWhatsThisMode());
    QTest::mouseClick(p.helpPushButton(), Qt::LeftButton);
    QVERIFY(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}

void TestMainPanel::statusLabelsAndLed()
{
    ov9174fp_app p;
    p.setLocationLabel(QStringLiteral("Slot 5"),
                       QStringLiteral("Shows which VXI module is connected to the Soft Front Panel"));
    p.setFunctionCardLabel(QStringLiteral("FC 1"),
                           QStringLiteral("Shows which function card is connected to the Soft Front Panel"));
    QCOMPARE(p.locationText()->text(), QStringLiteral("Slot 5"));
    QCOMPARE(p.functionCardText()->text(), QStringLiteral("FC 1"));
    // An empty what's-this leaves the previous one in place.
    p.setLocationLabel(QStringLiteral("inst0"));
    QCOMPARE(p.locationText()->text(), QStringLiteral("inst0"));
    QCOMPARE(p.locationText()->whatsThis(),
             QStringLiteral("Shows which VXI module is connected to the Soft Front Panel"));

    p.setActive(true);
    QCOMPARE(p.activeLed()->value(), 1);
    p.setActive(false);
    QCOMPARE(p.activeLed()->value(), 0);
}

void TestMainPanel::exitQuestionNoKeepsWindow()
{
    ShownPanel s;
    ov9174fp_app &p = s.panel;
    p.continuousButton()->click();
    Spies spies(&p);
    ModalAnswerer answer({QStringLiteral("No")});
    QVERIFY(!p.close());
    QVERIFY(p.isVisible());
    QCOMPARE(answer.seen().size(), 1);
    QCOMPARE(answer.seen()[0].title, QStringLiteral("Keltri 7931 SFP"));
    QCOMPARE(answer.seen()[0].text, QStringLiteral("Do you really want to exit?"));
    QCOMPARE(answer.seen()[0].icon, QMessageBox::Question);
    // Nothing else changed.
    QVERIFY(p.continuousButton()->isChecked());
    QCOMPARE(spies.counts(), (QList<int>{0, 0, 0, 0, 0, 0, 0}));

    // The Close button asks the same question.
    QTest::mouseClick(p.closePushButton(), Qt::LeftButton);
    QCOMPARE(answer.seen().size(), 2);
    QVERIFY(p.isVisible());
}

void TestMainPanel::exitQuestionYesCloses()
{
    ShownPanel s;
    ModalAnswerer answer({QStringLiteral("Yes")});
    QVERIFY(s.panel.close());
    QVERIFY(!s.panel.isVisible());
    QCOMPARE(answer.seen().size(), 1);
}

void TestMainPanel::warningMessageBox()
{
    ShownPanel s;
    ModalAnswerer answer({QStringLiteral("OK")});
    ov9174fp_app::warningMessage(QStringLiteral("Warning: [demo text]"));
    QCOMPARE(answer.seen().size(), 1);
    QCOMPARE(answer.seen()[0].title, QStringLiteral("Keltri 7931 SFP Warning message"));
    QCOMPARE(answer.seen()[0].text, QStringLiteral("Warning: [demo text]"));
    QCOMPARE(answer.seen()[0].icon, QMessageBox::Warning);
}

void TestMainPanel::errorMessageNoReturns()
{
    ShownPanel s;
    ModalAnswerer answer({QStringLiteral("No")});
    ov9174fp_app::errorMessage(QStringLiteral("call failed due to [reason]"));
    QCOMPARE(answer.seen().size(), 1);
    QCOMPARE(answer.seen()[0].title, QStringLiteral("Keltri 7931 SFP Error message"));
    QCOMPARE(answer.seen()[0].text, QStringLiteral("call failed due to [reason]\nDo you want to exit?"));
    QCOMPARE(answer.seen()[0].icon, QMessageBox::Critical);
    QCOMPARE(answer.seen()[0].clicked, QStringLiteral("No"));
}

void TestMainPanel::messageFromWorkerThreadIsShownOnGuiThread()
{
    ShownPanel s;
    ModalAnswerer answer({QStringLiteral("OK"), QStringLiteral("No")});
    QThread *worker = QThread::create([] {
        ov9174fp_app::warningMessage(QStringLiteral("from a worker"));
        ov9174fp_app::errorMessage(QStringLiteral("worker failed"));
    });
    worker->start();
    QVERIFY(worker->wait(5000)); // the worker does not wait for the answers
    delete worker;
    QTRY_COMPARE(answer.seen().size(), 2);
    QCOMPARE(answer.seen()[0].text, QStringLiteral("from a worker"));
    QCOMPARE(answer.seen()[1].text, QStringLiteral("worker failed\nDo you want to exit?"));
}

void TestMainPanel::errorMessageYesEndsProcessAtOnce()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(childEnv), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QVERIFY2(out.contains(QLatin1String("asking")), qPrintable(out));
    QVERIFY2(!out.contains(QLatin1String("returned")), qPrintable(out));
    QVERIFY2(!out.contains(QLatin1String("destroyed")), qPrintable(out)); // no destructor ran
}

void TestMainPanel::centreWindow()
{
    QWidget w;
    w.resize(200, 100);
    ov9174fp_app::centreWindow(&w);
    const QScreen *first = QGuiApplication::screens().first();
    const QRect a = first->availableGeometry();
    QCOMPARE(w.pos(), first->geometry().topLeft() + QPoint((a.width() - 200) / 2, (a.height() - 100) / 2));
}

void TestMainPanel::icons()
{
    const QColor green = ov9174fp_icons::idleColour();
    const QColor red = ov9174fp_icons::runningColour();
    QCOMPARE(green, QColor(QStringLiteral("#008000")));
    QCOMPARE(red, QColor(QStringLiteral("#800000")));

    const QImage single = ov9174fp_icons::singleShotIdle().toImage();
    QCOMPARE(single.size(), QSize(12, 12));
    QCOMPARE(single.pixelColor(5, 6), green);
    QCOMPARE(single.pixelColor(10, 1).alpha(), 0); // above the slope: transparent
    QCOMPARE(single.pixelColor(0, 0).alpha(), 0);

    const QImage cont = ov9174fp_icons::continuousIdle().toImage();
    QCOMPARE(cont.size(), QSize(12, 12));
    QCOMPARE(cont.pixelColor(2, 6), green);
    QCOMPARE(cont.pixelColor(8, 6), green);
    QCOMPARE(cont.pixelColor(5, 1).alpha(), 0); // between the two triangles' tips
    QCOMPARE(cont.pixelColor(11, 1).alpha(), 0);

    const QImage running = ov9174fp_icons::running().toImage();
    QCOMPARE(running.size(), QSize(12, 12));
    QCOMPARE(running.pixelColor(6, 6), red);
    QCOMPARE(running.pixelColor(2, 2), red);

    QCOMPARE(ov9174fp_icons::whatsThisHelp().size(), QSize(20, 17));
    QCOMPARE(ov9174fp_icons::windowIcon().size(), QSize(16, 16));
    // Only the two colours (and transparency) in the start pictures.
    for (const QImage &img : {single, cont, running})
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                const QColor c = img.pixelColor(x, y);
                QVERIFY(c.alpha() == 0 || c == green || c == red);
            }
}

// The subprocess of errorMessageYesEndsProcessAtOnce: answers Yes.
static int errorYesChild(int argc, char *argv[])
{
    struct Noisy {
        ~Noisy()
        {
            std::printf("destroyed\n");
            std::fflush(stdout);
        }
    } noisy;
    QApplication app(argc, argv);
    ov9174fp_app panel;
    panel.show();
    ModalAnswerer answer({QStringLiteral("Yes")});
    std::printf("asking\n");
    ov9174fp_app::errorMessage(QStringLiteral("fatal"));
    std::printf("returned\n");
    return 3;
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(childEnv))
        return errorYesChild(argc, argv);
    QApplication app(argc, argv);
    TestMainPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainpanel.moc"
