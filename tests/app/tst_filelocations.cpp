// Where a run keeps its files: beside the program file when the user may
// keep them there, otherwise in the user's data folder.

#include "FileLocations.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

class TestFileLocations : public QObject {
    Q_OBJECT

private slots:
    void choose_data();
    void choose();
    void dataFolderMadeAtFirstSave();
};

void TestFileLocations::choose_data()
{
    QTest::addColumn<QStringList>("present");      // files beside the program
    QTest::addColumn<bool>("folderWritable");      // new files may be made there
    QTest::addColumn<QStringList>("readOnly");     // of those present, the ones the user may not write
    QTest::addColumn<QString>("dataHome");         // $XDG_DATA_HOME
    QTest::addColumn<QString>("directory");        // "<program>" or a path; "~" is the home folder
    QTest::addColumn<QString>("settingsName");

    const QString beside = QStringLiteral("<program>");
    QTest::newRow("writable folder, no files: beside the program") << QStringList{} << true << QStringList{} << QString() << beside
                                                                    << QStringLiteral("quorrix.INI");
    QTest::newRow("writable folder, files there") << QStringList{"Prof.TXT", "Flag.TXT"} << true << QStringList{} << QString() << beside
                                                  << QStringLiteral("quorrix.INI");
    QTest::newRow("locked folder holding writable files: beside the program")
        << QStringList{"Prof.TXT"} << false << QStringList{} << QString() << beside << QStringLiteral("quorrix.INI");
    QTest::newRow("locked folder holding a hand-made settings file") << QStringList{"QUORRIX.ini"} << false << QStringList{} << QString()
                                                                      << beside << QStringLiteral("quorrix.INI");
    QTest::newRow("locked folder, no files: data folder") << QStringList{} << false << QStringList{} << QString()
                                                          << QStringLiteral("~/.local/share/quorrix") << QStringLiteral("quorrix.INI");
    QTest::newRow("locked folder, no files, XDG_DATA_HOME set") << QStringList{} << false << QStringList{} << QStringLiteral("/data/home")
                                                                << QStringLiteral("/data/home/quorrix") << QStringLiteral("quorrix.INI");
    QTest::newRow("relative XDG_DATA_HOME is ignored") << QStringList{} << false << QStringList{} << QStringLiteral("data/home")
                                                       << QStringLiteral("~/.local/share/quorrix") << QStringLiteral("quorrix.INI");
    QTest::newRow("locked folder whose files another user left read-only: data folder")
        << QStringList{"Prof.TXT", "Flag.TXT"} << false << QStringList{"Flag.TXT"} << QString() << QStringLiteral("~/.local/share/quorrix")
        << QStringLiteral("quorrix.INI");
    QTest::newRow("writable folder with a read-only file stays beside the program")
        << QStringList{"Prof.TXT"} << true << QStringList{"Prof.TXT"} << QString() << beside << QStringLiteral("quorrix.INI");
    QTest::newRow("files of another name do not count") << QStringList{"Prof.TXT.bak", "other.INI"} << false << QStringList{} << QString()
                                                        << QStringLiteral("~/.local/share/quorrix") << QStringLiteral("quorrix.INI");
}

void TestFileLocations::choose()
{
    QFETCH(QStringList, present);
    QFETCH(bool, folderWritable);
    QFETCH(QStringList, readOnly);
    QFETCH(QString, dataHome);
    QFETCH(QString, directory);
    QFETCH(QString, settingsName);

    QTemporaryDir programFolder;
    const std::string folder = programFolder.path().toStdString();
    for (const QString& name : present)
        std::ofstream(folder + "/" + name.toStdString()) << "x";

    // The kernel's answers are the case's own: the test may run as root,
    // which may write anywhere.
    FileLocations::Facts facts;
    facts.ProgramFile = folder + "/quorrix";
    facts.DataHome = dataHome.toStdString();
    facts.Home = "/home/user";
    facts.MayCreateFilesIn = [&](const std::string& dir) { return dir == folder && folderWritable; };
    facts.MayWrite = [&](const std::string& path) {
        return !readOnly.contains(QString::fromStdString(path.substr(path.rfind('/') + 1)));
    };
    const FileLocations files = FileLocations::Choose(facts);

    const std::string expected = directory == QStringLiteral("<program>") ? folder
                                                                          : QString(directory).replace('~', "/home/user").toStdString();
    QCOMPARE(files.Directory(), expected);
    QCOMPARE(files.BesideProgram(), directory == QStringLiteral("<program>"));
    QCOMPARE(files.SettingsName(), settingsName.toStdString());
}

void TestFileLocations::dataFolderMadeAtFirstSave()
{
    QTemporaryDir home;
    FileLocations::Facts facts;
    facts.ProgramFile = "/usr/lib/quorrix/quorrix";
    facts.Home = home.path().toStdString();
    facts.MayCreateFilesIn = [](const std::string&) { return false; };
    facts.MayWrite = [](const std::string&) { return false; };
    const FileLocations files = FileLocations::Choose(facts);
    QVERIFY(!QFileInfo::exists(QString::fromStdString(files.Directory())));
    files.MakeDirectory();
    const QFileInfo made(QString::fromStdString(files.Directory()));
    QVERIFY(made.isDir());
    QCOMPARE(made.filePath(), home.path() + "/.local/share/quorrix");
    // The folder is the user's alone; what stood above it is left as it was.
    QCOMPARE(made.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther), QFile::Permissions());
    files.MakeDirectory(); // already there: nothing to do
    QVERIFY(made.isDir());
}

QTEST_APPLESS_MAIN(TestFileLocations)
#include "tst_filelocations.moc"
