// The files of a run as the user meets them: a settings file made by hand
// under another letter case, a data folder made at the first close, and a
// program file replaced by an upgrade while the program runs.

#include "Cp932.h"
#include "FileLocations.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether the process sleeps in its event loop, its start-up done.
bool idleInEventLoop(qint64 pid)
{
    QFile wchan(QStringLiteral("/proc/%1/wchan").arg(pid));
    return wchan.open(QIODevice::ReadOnly) && wchan.readAll().contains("poll");
}

} // namespace

class TestFilesOfRun : public QObject {
    Q_OBJECT

private slots:
    void handMadeSettingsFileIsTheOne();
    void dataFolderMadeAtClose();
    void replacedProgramFileKeepsItsFolder();
    void lockedFolderWithWritableFilesCloses();
};

void TestFilesOfRun::handMadeSettingsFileIsTheOne()
{
    WindowFixture files;
    files.write("quorrix.ini", "[proxy]\r\nuse=1\r\naddr=192.0.2.7\r\n");
    {
        TWebPhoneForm form;
        QVERIFY(form.ProxyUse->isChecked());
        QCOMPARE(form.ProxyAddr->text(), QStringLiteral("192.0.2.7"));
        form.ProxyAddr->setText(QStringLiteral("192.0.2.8"));
        form.show();
        QVERIFY(form.close());
    }
    QVERIFY(!files.exists("quorrix.INI"));
    QVERIFY(files.read("quorrix.ini").starts_with("[proxy]\r\nUSE=1\r\nADDR=192.0.2.8\r\nPORT=8080\r\n"));
    QVERIFY(files.errors.empty());
}

void TestFilesOfRun::dataFolderMadeAtClose()
{
    WindowFixture program;
    QTemporaryDir home;
    FileLocations::Facts facts;
    facts.ProgramFile = program.path("quorrix");
    facts.Home = home.path().toStdString();
    facts.MayCreateFilesIn = [](const std::string&) { return false; }; // the program's folder is not the user's
    facts.MayWrite = [](const std::string&) { return false; };
    {
        TWebPhoneForm form(nullptr, FileLocations::Choose(facts));
        form.FlagList.Append("0000000378=1");
        form.show();
        QVERIFY(form.close());
    }
    const QString data = home.path() + "/.local/share/quorrix/";
    QCOMPARE(QDir(data).entryList(QDir::Files, QDir::Name), QStringList({"Flag.TXT", "Prof.TXT", "quorrix.INI"}));
    QVERIFY(!program.exists("quorrix.INI") && !program.exists("Prof.TXT"));

    // The next start reads them back from there.
    TWebPhoneForm again(nullptr, FileLocations::Choose(facts));
    QCOMPARE(again.FlagList.Count(), 1);
    QVERIFY(program.errors.empty());
}

void TestFilesOfRun::replacedProgramFileKeepsItsFolder()
{
    const QString built = qEnvironmentVariable("QUORRIX_PROGRAM");
    QVERIFY2(!built.isEmpty(), "QUORRIX_PROGRAM names the program file");
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("quorrix"));
    const QString upgrade = folder.filePath(QStringLiteral(".quorrix.new"));
    QVERIFY(QFile::copy(built, program));
    QVERIFY(QFile::copy(built, upgrade));

    QProcess run;
    // A close request sent before the program can take it waits for it.
    run.setChildProcessModifier([] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigprocmask(SIG_BLOCK, &set, nullptr);
    });
    run.start(program, {});
    QVERIFY(run.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(idleInEventLoop(run.processId()), 20000);

    // The upgrade renames a new program file over the running one.
    QVERIFY(::rename(QFile::encodeName(upgrade).constData(), QFile::encodeName(program).constData()) == 0);
    ::kill(static_cast<pid_t>(run.processId()), SIGTERM);
    QVERIFY(run.waitForFinished(20000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);

    QCOMPARE(QDir(folder.path()).entryList(QDir::Files, QDir::Name), QStringList({"Flag.TXT", "Prof.TXT", "quorrix", "quorrix.INI"}));
}

// A program folder that takes no new file, holding the three files, each
// writable: the close writes them where they stand and the program ends. The
// program runs as an unprivileged user, since root may make files anywhere.
void TestFilesOfRun::lockedFolderWithWritableFilesCloses()
{
    const QString built = qEnvironmentVariable("QUORRIX_PROGRAM");
    QVERIFY2(!built.isEmpty(), "QUORRIX_PROGRAM names the program file");
    const bool root = ::geteuid() == 0;
    QTemporaryDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("program"));
    const QString home = scratch.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(home));
    QVERIFY(QFile::copy(built, folder + "/quorrix"));
    const QByteArray faces = "0000000378=1\r\n";
    for (const auto& [name, bytes] : {std::pair<QString, QByteArray>{"Prof.TXT", "0000000378=hello\r\n"}, {"Flag.TXT", faces},
                                      {"quorrix.INI", "[Proxy]\r\nUSE=1\r\n"}}) {
        QFile file(folder + "/" + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QVERIFY(::chmod(QFile::encodeName(file.fileName()).constData(), 0666) == 0);
    }
    const QByteArray scratchPath = QFile::encodeName(scratch.path());
    QVERIFY(::chmod(scratchPath.constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    if (root)
        QVERIFY(::chown(QFile::encodeName(home).constData(), 65534, 65534) == 0);

    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    run.setProcessEnvironment(environment);
    run.setChildProcessModifier([root] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigprocmask(SIG_BLOCK, &set, nullptr);
        if (root && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(127);
    });
    run.start(folder + "/quorrix", {});
    QVERIFY(run.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(idleInEventLoop(run.processId()), 20000);
    ::kill(static_cast<pid_t>(run.processId()), SIGTERM);
    QVERIFY(run.waitForFinished(20000));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);

    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), QStringList({"Flag.TXT", "Prof.TXT", "quorrix", "quorrix.INI"}));
    QFile written(folder + "/quorrix.INI");
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().contains("[URLLIST]")); // rewritten at the close
    QFile kept(folder + "/Flag.TXT");
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), faces);
    QVERIFY(!QFileInfo::exists(home + "/.local/share/quorrix"));
}

QTEST_MAIN(TestFilesOfRun)
#include "tst_filesofrun.moc"
