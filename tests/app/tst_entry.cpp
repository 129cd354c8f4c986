// The program's entry when its first step, the application object, fails:
// the error is shown in the standard error box and the program still ends
// with code 0. The failure here is a broken character conversion set-up,
// which makes code page 932 unavailable.

#include "EntryRun.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

class TestEntry : public QObject {
    Q_OBJECT

private slots:
    void applicationFailureReachesErrorBox();
};

void TestEntry::applicationFailureReachesErrorBox()
{
    // Conversion modules are looked up once per process, at the first
    // conversion: none has happened yet.
    QTemporaryDir modules;
    std::ofstream(modules.filePath(QStringLiteral("gconv-modules")).toStdString())
        << "alias CP932// NOWHERE//\nmodule NOWHERE// INTERNAL NOWHERE 1\nmodule INTERNAL NOWHERE// NOWHERE 1\n";
    qputenv("GCONV_PATH", modules.path().toLocal8Bit());

    const EntryRun run = RunEntry();
    QCOMPARE(run.Result, 0);
    QCOMPARE(run.Shown, std::vector<std::string>{"iconv: code page 932 is not available."});
}

QTEST_APPLESS_MAIN(TestEntry)
#include "tst_entry.moc"
