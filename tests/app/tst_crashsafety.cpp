// The files written at close survive the program being killed at any moment:
// a program that closes over and over, alternating between two contents of
// its stores and settings, is killed many times, and after each kill every
// file holds one whole content, never a cut-off or mixed one.

#include "FileNames.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

const QStringList kFiles{"Prof.TXT", "Flag.TXT", "quorrix.INI"};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool runOnce(const QString& dir, const QString& which)
{
    QProcess process;
    process.start(qEnvironmentVariable("QUORRIX_CLOSE_LOOP"), {dir, "once", which});
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

private slots:
    void killedWhileClosingLeavesWholeFiles();
};

void TestCrashSafety::killedWhileClosingLeavesWholeFiles()
{
    QTemporaryDir dirA;
    QTemporaryDir dirB;
    QTemporaryDir work;
    QVERIFY(runOnce(dirA.path(), "A"));
    QVERIFY(runOnce(dirB.path(), "B"));
    QVERIFY(runOnce(work.path(), "A"));
    QHash<QString, QByteArray> contentA;
    QHash<QString, QByteArray> contentB;
    for (const QString& name : kFiles) {
        contentA[name] = contents(dirA.filePath(name));
        contentB[name] = contents(dirB.filePath(name));
        QVERIFY(contentA[name] != contentB[name]);
        QCOMPARE(contents(work.filePath(name)), contentA[name]);
    }

    constexpr int kKills = 200;
    QElapsedTimer elapsed;
    elapsed.start();
    int kills = 0;
    int mixed = 0; // kills after which the files held different contents
    while (kills < kKills && elapsed.elapsed() < 150000) {
        QProcess process;
        process.start(qEnvironmentVariable("QUORRIX_CLOSE_LOOP"), {work.path(), "loop"});
        QVERIFY(process.waitForStarted(10000));
        QVERIFY(process.waitForReadyRead(30000));
        QThread::msleep(QRandomGenerator::global()->bounded(400));
        process.kill();
        QVERIFY(process.waitForFinished(10000));
        ++kills;

        int fromA = 0;
        for (const QString& name : kFiles) {
            const QByteArray now = contents(work.filePath(name));
            if (now != contentA[name] && now != contentB[name])
                QFAIL(qPrintable(QString("%1 after kill %2 is neither content (%3 bytes)").arg(name).arg(kills).arg(now.size())));
            fromA += now == contentA[name];
        }
        mixed += fromA != 0 && fromA != kFiles.size();
        // A temporary file left by the kill never stands in for a real name.
        for (const char* name : {"Prof.txt", "flag.txt"}) {
            const std::string resolved = qx::ResolveFileName(work.path().toStdString(), name);
            QCOMPARE(QFileInfo(QString::fromStdString(resolved)).fileName().toLower(), QString(name).toLower());
        }
        for (const QString& left : QDir(work.path()).entryList(QDir::Files | QDir::Hidden)) {
            if (!kFiles.contains(left)) {
                QVERIFY2(left.startsWith('.'), qPrintable(left));
                QFile::remove(work.filePath(left));
            }
        }
    }
    qInfo("%d kills in %lld ms; %d of them between two files", kills, elapsed.elapsed(), mixed);
    QVERIFY(kills >= 50);
}

QTEST_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
