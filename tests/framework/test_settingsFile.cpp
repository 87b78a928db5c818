// Settings files that cannot hurt the user: never written through a link or
// into a non-regular file, no blocking on a FIFO, a failed save keeps the old
// file and is reported once.
#include "appfixture.h"
#include "modalanswer.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_panelSettings.h"
#include "ov9174fp_descriptorHistory.h"
#include "ov9174fp_saveProblems.h"
#include "ov9174fp_settingsFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {
QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDir::Name);
}

PanelChoices someChoices()
{
    PanelChoices c;
    c.numberOfScans = QStringLiteral("5000");
    c.samplingFrequency = QStringLiteral("10 kHz");
    return c;
}
} // namespace

class SettingsFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // What stands in the settings file's place: reading never blocks and
    // gives what a regular file holds, else the defaults; writing (the
    // descriptor file's too) changes nothing, leaves no temporary file and
    // names the reason.
    void refusedTargets()
    {
        const QString link = "it is a symbolic link, and the panel does not write through links";
        const std::pair<QString, QString> kinds[] = {
            {"link", link}, {"link-full", link}, {"dangling", link}, {"folder", "it is a folder, not a regular file"},
            {"fifo", "it is not a regular file (a device, a FIFO or a socket)"},
            {"readonly", QString::fromLocal8Bit(strerror(EACCES))}};
        for (const auto &[kind, reason] : kinds) {
            QTemporaryDir d;
            const QString target = d.filePath("victim.txt"), file = d.filePath("ov7931_DEMO.ini");
            const QByteArray name = QFile::encodeName(file);
            QVERIFY(writeFile(target, "precious\n"));
            if (kind.startsWith("link") || kind == "dangling")
                QVERIFY(QFile::link(kind == "link"       ? target
                                    : kind == "dangling" ? d.filePath("new.txt")
                                                         : QStringLiteral("/dev/full"),
                                    file));
            else if (kind == "folder")
                QVERIFY(QDir(d.path()).mkdir("ov7931_DEMO.ini"));
            else if (kind == "fifo")
                QCOMPARE(::mkfifo(name.constData(), 0644), 0);
            else
                QVERIFY(writeFile(file, "[General]\nNumberOfScans=100\n") && ::chmod(name.constData(), 0444) == 0);
            const QStringList before = entriesOf(d.path());
            QElapsedTimer t;
            t.start();
            QCOMPARE(readPanelChoices(file).numberOfScans, QString(kind == "readonly" ? "100" : "1000"));
            QVERIFY(t.elapsed() < 2000);
            QCOMPARE(writePanelChoices(file, someChoices()),
                     QString("The settings could not be saved to %1: %2.")
                         .arg(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()), reason));
            QVERIFY(ov9174fp_descriptorHistory(file, "7931").storeFcNumber(2).endsWith(reason + '.'));
            QCOMPARE(contentOf(target), QByteArray("precious\n"));
            QCOMPARE(entriesOf(d.path()), before);
            QVERIFY(!QFile::exists(d.filePath("new.txt")));
        }
    }

    // A write that fails on the way (here a file size limit, as on a full
    // disk) leaves the old file whole, no temporary file behind, and names
    // the reason. A garbled file of the panel's own is repaired by the next
    // save; a save keeps what others wrote and the file's mode; a missing
    // folder of the descriptor file is created.
    void saving()
    {
        const QString file = dir.filePath("ov7931_00001234.ini");
        QVERIFY(writeFile(file, QByteArray("[Channel_3]\nEnabled=true\n\x01\x02 binary\n")));
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0640), 0);
        QCOMPARE(writePanelChoices(file, someChoices()), QString());
        QSettings ini(file, QSettings::IniFormat);
        QVERIFY(ini.value("Channel_3/Enabled").toBool() && ini.value("NumberOfScans").toString() == "5000");
        QCOMPARE(readPanelChoices(file).samplingFrequency, QStringLiteral("10 kHz"));
        QCOMPARE(int(QFileInfo(file).permissions() & 0x7777), 0x6640);
        const QByteArray old = contentOf(file);
        struct rlimit saved;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tiny = saved;
        tiny.rlim_cur = 8;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const QString reason = ov9174fp_settingsFile::replaceContent(file, QByteArray(100, '#'));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(reason, QString::fromLocal8Bit(strerror(EFBIG)));
        QCOMPARE(contentOf(file), old);
        QCOMPARE(entriesOf(dir.path()), QStringList{"ov7931_00001234.ini"});
        QCOMPARE(ov9174fp_settingsFile::failureMessage(file, reason),
                 QString("The settings could not be saved to %1: File too large.").arg(QDir::toNativeSeparators(file)));
        const QString nested = dir.filePath("Orvane/DefaultInstrDescr.ini");
        QVERIFY(ov9174fp_descriptorHistory(nested, "7931").store({"VXI0::2::INSTR"}).isEmpty());
        QCOMPARE(ov9174fp_descriptorHistory(nested, "7931").load(), QStringList{"VXI0::2::INSTR"});
    }

    // One box per file until it is saved again. The panel with a link named
    // like its settings file in the working directory: the link's target
    // stays as it was and one box names file and reason.
    void failuresReportedOnce()
    {
        {
            ModalAnswerer answerer({QStringLiteral("OK")});
            const QString a = dir.filePath("a.ini");
            for (const auto &[path, message] : {std::make_pair(a, "first failure of a"), {a, "second failure of a"},
                                                {dir.filePath("b.ini"), "failure of b"}, {a, ""},
                                                {a, "failure of a after a success"}})
                ov9174fp_saveProblems::report(path, message);
            QStringList texts;
            for (const SeenBox &box : answerer.seen())
                texts << QStringLiteral("%1 | %2 | %3").arg(box.title).arg(box.icon).arg(box.text);
            QCOMPARE(texts, QStringList({"Keltri 7931 SFP | 2 | first failure of a",
                                         "Keltri 7931 SFP | 2 | failure of b",
                                         "Keltri 7931 SFP | 2 | failure of a after a success"}));
        }
        const QString target = dir.filePath("passwd");
        QVERIFY(writeFile(target, "root:x:0:0\n"));
        AppFixture f;
        QVERIFY(QFile::link(target, f.path("ov7931_DEMO.ini")));
        QVERIFY(f.create(AppFixture::Mode::Demo, {QStringLiteral("OK")}));
        f.destroy();
        QCOMPARE(contentOf(target), QByteArray("root:x:0:0\n"));
        QVERIFY(QFileInfo(f.path("ov7931_DEMO.ini")).isSymLink());
        QCOMPARE(f.boxes().size(), 1);
        QCOMPARE(f.boxes().first().title, QStringLiteral("Keltri 7931 SFP"));
        QVERIFY(f.boxes().first().text.contains(QDir::toNativeSeparators(f.path("ov7931_DEMO.ini"))));
        QVERIFY(f.boxes().first().text.contains("symbolic link"));
    }
};

QTEST_MAIN(SettingsFileTest)
#include "test_settingsFile.moc"
