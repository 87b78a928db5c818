// Settings files that cannot hurt the user: never written through a link or
// into a non-regular file, no blocking on a FIFO, a failed save reported once.
#include "appfixture.h"
#include "modalanswer.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_panelSettings.h"
#include "ov9174fp_descriptorHistory.h"
#include "ov9174fp_saveProblems.h"
#include "ov9174fp_settingsFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

private slots:
    void init() { QVERIFY(dir.isValid()); }

    // What stands in the settings file's place; nothing of it may change.
    void refusedTargets_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        const QString link = "it is a symbolic link, and the panel does not write through links";
        QTest::newRow("link to a file") << "link" << link;
        QTest::newRow("link to /dev/full") << "link-full" << link;
        QTest::newRow("dangling link") << "dangling" << link;
        QTest::newRow("folder") << "folder" << "it is a folder, not a regular file";
        QTest::newRow("FIFO") << "fifo" << "it is not a regular file (a device, a FIFO or a socket)";
        QTest::newRow("read-only file") << "readonly" << QString::fromLocal8Bit(strerror(EACCES));
    }

    void refusedTargets()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir d;
        const QString target = d.filePath("victim.txt");
        QVERIFY(writeFile(target, "precious\n"));
        const QString file = d.filePath("ov7931_DEMO.ini");
        const QByteArray name = QFile::encodeName(file);
        if (kind.startsWith("link") || kind == "dangling")
            QVERIFY(QFile::link(kind == "link" ? target : kind == "dangling" ? d.filePath("new.txt") : "/dev/full", file));
        else if (kind == "folder")
            QVERIFY(QDir(d.path()).mkdir("ov7931_DEMO.ini"));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(name.constData(), 0644), 0);
        else if (kind == "readonly")
            QVERIFY(writeFile(file, "[General]\nNumberOfScans=100\n") && ::chmod(name.constData(), 0444) == 0);
        const QStringList before = entriesOf(d.path());

        // Reading never blocks and gives what a regular file holds, else the defaults.
        QElapsedTimer t;
        t.start();
        const PanelChoices read = readPanelChoices(file);
        QVERIFY(t.elapsed() < 2000);
        QCOMPARE(read.numberOfScans, QString(kind == "readonly" ? "100" : "1000"));

        const QString message = writePanelChoices(file, someChoices());
        QCOMPARE(message, QString("The settings could not be saved to %1: %2.")
                              .arg(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()), reason));
        QCOMPARE(contentOf(target), QByteArray("precious\n"));
        QCOMPARE(entriesOf(d.path()), before); // no temporary file left, nothing created
        QVERIFY(!QFile::exists(d.filePath("new.txt")));
        // The descriptor file takes the same way.
        QVERIFY(ov9174fp_descriptorHistory(file, "7931").storeFcNumber(2).endsWith(reason + '.'));
        QCOMPARE(entriesOf(d.path()), before);
    }

    // A write that fails on the way (here a file size limit, as on a full
    // disk) leaves the old file whole, no temporary file behind, and names
    // the reason.
    void failedWriteKeepsTheOldFile()
    {
        const QString file = dir.filePath("ov7931_00001234.ini");
        QVERIFY(writePanelChoices(file, someChoices()).isEmpty());
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
    }

    // A garbled settings file is repaired by the next save (the panel's own
    // file: its name says so).
    void garbledFileRepaired()
    {
        const QString file = dir.filePath("ov7931_GARBLED.ini");
        QVERIFY(writeFile(file, QByteArray("precious\n\x01\x02 binary\n")));
        QCOMPARE(writePanelChoices(file, someChoices()), QString());
        QCOMPARE(readPanelChoices(file).numberOfScans, QStringLiteral("5000"));
    }

    void fullDeviceReportsNoSpace()
    {
        const int fd = ::open("/dev/full", O_WRONLY);
        if (fd < 0)
            QSKIP("no /dev/full here");
        const int err = ov9174fp_settingsFile::writeAll(fd, QByteArray(100, 'x'));
        ::close(fd);
        QCOMPARE(err, ENOSPC);
    }

    void folderWithoutPermission()
    {
        if (::geteuid() == 0)
            QSKIP("root may write into any folder");
        QTemporaryDir d;
        const QByteArray name = QFile::encodeName(d.path());
        QCOMPARE(::chmod(name.constData(), 0555), 0);
        const QString message = writePanelChoices(d.filePath("ov7931_DEMO.ini"), someChoices());
        ::chmod(name.constData(), 0755);
        QVERIFY(message.endsWith(QString::fromLocal8Bit(strerror(EACCES)) + '.'));
    }

    // A save replaces the file but keeps what others wrote and the file's mode.
    void saveKeepsOtherGroupsAndMode()
    {
        const QString file = dir.filePath("ov7931_KEEP.ini");
        QVERIFY(writeFile(file, "[Channel_3]\nEnabled=true\n"));
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0640), 0);
        QVERIFY(writePanelChoices(file, someChoices()).isEmpty());
        QSettings ini(file, QSettings::IniFormat);
        QCOMPARE(ini.value("Channel_3/Enabled").toBool(), true);
        QCOMPARE(ini.value("NumberOfScans").toString(), QStringLiteral("5000"));
        QCOMPARE(readPanelChoices(file).samplingFrequency, QStringLiteral("10 kHz"));
        QCOMPARE(QFileInfo(file).permissions() & 0x7777, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                              QFileDevice::ReadUser | QFileDevice::WriteUser |
                                                              QFileDevice::ReadGroup);
        // A missing folder of the descriptor file is created.
        const QString nested = dir.filePath("Orvane/DefaultInstrDescr.ini");
        QVERIFY(ov9174fp_descriptorHistory(nested, "7931").store({"VXI0::2::INSTR"}).isEmpty());
        QCOMPARE(ov9174fp_descriptorHistory(nested, "7931").load(), QStringList{"VXI0::2::INSTR"});
    }

    // One box per file until it is saved again; the box names file and reason.
    void failureReportedOnce()
    {
        ModalAnswerer answerer({QStringLiteral("OK")});
        const QString a = dir.filePath("a.ini");
        const QString b = dir.filePath("b.ini");
        ov9174fp_saveProblems::report(a, "first failure of a");
        ov9174fp_saveProblems::report(a, "second failure of a");
        ov9174fp_saveProblems::report(b, "failure of b");
        ov9174fp_saveProblems::report(a, QString());
        ov9174fp_saveProblems::report(a, "failure of a after a success");
        QStringList texts;
        for (const SeenBox &box : answerer.seen()) {
            QCOMPARE(box.title, QStringLiteral("Keltri 7931 SFP"));
            QCOMPARE(box.icon, QMessageBox::Warning);
            texts << box.text;
        }
        QCOMPARE(texts, QStringList({"first failure of a", "failure of b", "failure of a after a success"}));
    }

    // The panel with a link named like its settings file in the working
    // directory: the link's target stays as it was and one box says why.
    void panelWithLinkedSettingsFile()
    {
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath("passwd");
        QVERIFY(writeFile(target, "root:x:0:0\n"));
        AppFixture f;
        QVERIFY(QFile::link(target, f.path("ov7931_DEMO.ini")));
        QVERIFY(f.create(AppFixture::Mode::Demo, {QStringLiteral("OK")}));
        f.destroy();
        QCOMPARE(contentOf(target), QByteArray("root:x:0:0\n"));
        QVERIFY(QFileInfo(f.path("ov7931_DEMO.ini")).isSymLink());
        const QList<SeenBox> boxes = f.boxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().title, QStringLiteral("Keltri 7931 SFP"));
        QVERIFY(boxes.first().text.contains(QDir::toNativeSeparators(f.path("ov7931_DEMO.ini"))));
        QVERIFY(boxes.first().text.contains("symbolic link"));
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(SettingsFileTest)
#include "test_settingsFile.moc"
