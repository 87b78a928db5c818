#include "channelbench.h"

#include "ov7931Demo_hwaccess.h"

#include <QRegularExpression>
#include <QThread>

#include <future>

// Two benches at once would have two answerers race for the same boxes (one
// of them could cancel the connection step and end the process).
static int alive = 0;

ChannelBench::ChannelBench(const QString &subType, bool live)
{
    if (alive++ != 0)
        qFatal("only one ChannelBench at a time");
    app = fx.create(AppFixture::Mode::Demo, {QStringLiteral("No")}, subType);
    fx.otherDialogs = [](QWidget *) { return true; };
    app->slaveSubType = subType;
    app->slaveSerial = QStringLiteral("BENCH");
    if (live) {
        if (!testkit::loadScenario(testkit::defaultScenarioWith({"sub_type: BB", "sub_type: " + subType.mid(5)})))
            qFatal("the simulator refused sub-type %s", qPrintable(subType));
        if (ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &app->masterVi) != VI_SUCCESS ||
            ov7931_init(app->masterVi, VI_TRUE, VI_TRUE, &app->slaveVi) != VI_SUCCESS)
            qFatal("cannot open the simulated cards");
    }
    ovsim::clearJournal();
}

ChannelBench::~ChannelBench()
{
    qDeleteAll(panels);
    fx.destroy();
    --alive;
}

ov7931Demo_ChCfg *ChannelBench::panel(int d_ch)
{
    ovsim::clearJournal();
    panels << new ov7931Demo_ChCfg(app, d_ch);
    return panels.last();
}

void ChannelBench::drop(ov7931Demo_ChCfg *p)
{
    panels.removeAll(p);
    delete p;
}

QStringList ChannelBench::calls()
{
    QStringList out;
    for (const ovsim::Call &c : ovsim::journal()) {
        QStringList args;
        for (size_t k = 1; k < c.args.size(); ++k)
            args << QString::fromStdString(c.args[k]);
        out << QString::fromStdString(c.function) + "(" + args.join(", ") + ")";
    }
    return out;
}

QStringList applyCalls(const Apply &a)
{
    return QStringList{QString("ov8263_setChanConfig(%1, %2, %3, 0)").arg(a.ch).arg(a.enabled).arg(a.digitizerGain),
                       QString("ov7931_setChanConfig(%1, %2, %3, %4)").arg(a.ch).arg(a.mode).arg(a.gain).arg(a.current),
                       QString("ov7931_setConversion(%1, %2)").arg(a.ch).arg(a.volt ? 0 : 1), "ov7931_checkECStatus(&)"}
           + (a.pga ? QStringList{QString("ov7931_readPGAError(%1, &, null)").arg(a.ch)} : QStringList());
}

void choose(ov7931Demo_ChCfg *p, int sensor, int current, int slot, bool enabled)
{
    p->enableBox->setChecked(enabled);
    p->sensorSelector->setCurrentIndex(sensor);
    p->excitationSelector->setCurrentIndex(current);
    if (slot >= 0)
        p->rangeSelector->setCurrentIndex(p->rangeSelector->findData(slot));
}

std::unique_ptr<QTimer> everyPass(std::function<void()> probe)
{
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, std::move(probe));
    timer->start(0);
    return timer;
}

QString describe(const SeenBox &box)
{
    static const char *const icons[] = {"none", "information", "warning", "critical", "question"};
    return box.title + " | " + box.buttons.join(' ') + " | " + icons[qBound(0, int(box.icon), 4)] + " | " + box.text;
}

QStringList driverCalls()
{
    return ChannelBench::calls().filter(QRegularExpression("^(?!ov9174_delay\\()"));
}

int delayCalls(const QString &milliseconds)
{
    const std::vector<ovsim::Call> delays = ovsim::journalOf("ov9174_delay");
    return int(std::count_if(delays.begin(), delays.end(),
                             [&](const ovsim::Call &c) { return c.args.at(0) == milliseconds.toStdString(); }));
}

bool hardwareLockIsFree()
{
    const auto tryLock = [] { return hardwareLock.tryLock() && (hardwareLock.unlock(), true); };
    for (int i = 0; i < 200; ++i, QThread::msleep(10))
        if (std::async(std::launch::async, tryLock).get())
            return true;
    return false;
}
