// Matching the member files' read and write spellings to the file that
// stands in the directory, without regard to letter case.

#include "FileNames.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <fstream>
#include <sys/stat.h>

class TestFileNames : public QObject {
    Q_OBJECT

private slots:
    void resolve_data();
    void resolve();
};

void TestFileNames::resolve_data()
{
    // Names ending in "/" stand for directories.
    QTest::addColumn<QByteArrayList>("present");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("resolved");
    QTest::newRow("none there: the name asked for") << QByteArrayList{"Flag.TXT.old"} << QByteArray("Prof.TXT") << QByteArray("Prof.TXT");
    QTest::newRow("read spelling finds the written file") << QByteArrayList{"Prof.TXT"} << QByteArray("Prof.txt") << QByteArray("Prof.TXT");
    QTest::newRow("write spelling finds a hand-made file") << QByteArrayList{"prof.txt"} << QByteArray("Prof.TXT") << QByteArray("prof.txt");
    QTest::newRow("several: read spelling takes the first in byte order")
        << QByteArrayList{"prof.txt", "Prof.txt", "PROF.TXT"} << QByteArray("Prof.txt") << QByteArray("PROF.TXT");
    QTest::newRow("several: write spelling takes the same one")
        << QByteArrayList{"prof.txt", "Prof.txt", "PROF.TXT"} << QByteArray("Prof.TXT") << QByteArray("PROF.TXT");
    QTest::newRow("a directory of that name is passed over") << QByteArrayList{"PROF.TXT/", "prof.txt"} << QByteArray("Prof.TXT")
                                                             << QByteArray("prof.txt");
    QTest::newRow("trail bytes are not letters") << QByteArrayList{"\x83\x62.txt"} /* ッ */ << QByteArray("\x83\x42.txt") /* ィ */
                                                 << QByteArray("\x83\x42.txt");
}

void TestFileNames::resolve()
{
    QFETCH(QByteArrayList, present);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, resolved);
    QTemporaryDir dir;
    const std::string directory = dir.path().toStdString();
    for (const QByteArray& entry : present) {
        if (entry.endsWith('/'))
            ::mkdir((directory + "/" + entry.chopped(1).toStdString()).c_str(), 0755);
        else
            std::ofstream(directory + "/" + entry.toStdString()) << "x";
    }
    const std::string got = qx::ResolveFileName(directory, name.toStdString());
    // Qt cannot remove names that are not UTF-8.
    for (const QByteArray& entry : present)
        ::remove((directory + "/" + (entry.endsWith('/') ? entry.chopped(1) : entry).toStdString()).c_str());
    QCOMPARE(got, directory + "/" + resolved.toStdString());
}

QTEST_APPLESS_MAIN(TestFileNames)
#include "tst_filenames.moc"
