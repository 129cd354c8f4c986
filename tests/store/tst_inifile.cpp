// The INI file reader and writer: how keys are found and read, where written
// keys go, and that every line the program does not own comes back byte for
// byte.

#include "Error.h"
#include "IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class IniFixture {
public:
    std::string path() const { return m_dir.filePath("quorrix.INI").toStdString(); }
    void write(const QByteArray& bytes) const
    {
        QFile file(QString::fromStdString(path()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read() const
    {
        QFile file(QString::fromStdString(path()));
        if (!file.open(QIODevice::ReadOnly))
            return "(no file)";
        return file.readAll();
    }

private:
    QTemporaryDir m_dir;
};

// The arguments of one WriteString call.
struct Write {
    QByteArray section;
    QByteArray key;
    QByteArray value;
};

} // namespace

Q_DECLARE_METATYPE(QList<Write>)

class TestIniFile : public QObject {
    Q_OBJECT

private slots:
    void readString_data();
    void readString();
    void readSection_data();
    void readSection();
    void writeString_data();
    void writeString();
    void missingFileIsCreated();
    void unchangedFileComesBackWhole();
};

void TestIniFile::readString_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    const QByteArray file = "top=level\r\n"
                            "[Proxy]\r\n"
                            "ADDR =  host \t\r\n"
                            "empty=\r\n"
                            "quoted=\" a b \"\r\n"
                            ";PORT=1\r\n"
                            "junk without equals\r\n"
                            "USE=1\r\n"
                            "USE=2\r\n"
                            "sjis=\x95\x5C\x83\x5C\r\n" // 表ソ
                            "\x83\x62=trail b\r\n"       // ッ
                            " [ URLLIST ] \r\n"
                            "URL0=a=b\r\n"
                            "[proxy]\r\n"
                            "PORT=2\r\n";
    QTest::newRow("blanks around the value removed") << file << QByteArray("Proxy") << QByteArray("ADDR") << QByteArray("host");
    QTest::newRow("section and key names in any case") << file << QByteArray("PROXY") << QByteArray("addr") << QByteArray("host");
    QTest::newRow("present but empty gives empty") << file << QByteArray("Proxy") << QByteArray("empty") << QByteArray();
    QTest::newRow("one pair of quotes removed") << file << QByteArray("Proxy") << QByteArray("quoted") << QByteArray(" a b ");
    QTest::newRow("commented key is missing") << file << QByteArray("Proxy") << QByteArray("PORT") << QByteArray("(default)");
    QTest::newRow("first of two keys wins") << file << QByteArray("Proxy") << QByteArray("USE") << QByteArray("1");
    QTest::newRow("Shift-JIS value as it is") << file << QByteArray("Proxy") << QByteArray("sjis") << QByteArray("\x95\x5C\x83\x5C");
    QTest::newRow("trail byte of a key not folded") << file << QByteArray("Proxy") << QByteArray("\x83\x42") /* ィ */ << QByteArray("(default)");
    QTest::newRow("blanks around a section name") << file << QByteArray("URLLIST") << QByteArray("URL0") << QByteArray("a=b");
    QTest::newRow("key before any section belongs to none") << file << QByteArray("") << QByteArray("top") << QByteArray("(default)");
    QTest::newRow("missing section") << file << QByteArray("Other") << QByteArray("ADDR") << QByteArray("(default)");
    QTest::newRow("LF and lone CR line ends") << QByteArray("[a]\nk=1\r[b]\rk=2") << QByteArray("b") << QByteArray("k") << QByteArray("2");
}

void TestIniFile::readString()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    IniFixture fixture;
    fixture.write(file);
    QCOMPARE(IniFile(fixture.path()).ReadString(section.toStdString(), key.toStdString(), "(default)"), value.toStdString());
}

void TestIniFile::readSection_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArrayList>("entries"); // key=value
    QTest::newRow("file order, comments and junk passed over")
        << QByteArray("[URLLIST]\r\nz = 1\r\n; c=2\r\njunk\r\n\r\nURL0=\r\na=3\r\n[Next]\r\nb=4\r\n") << QByteArray("urllist")
        << QByteArrayList{"z=1", "URL0=", "a=3"};
    QTest::newRow("only the first of two sections") << QByteArray("[s]\na=1\n[t]\nb=2\n[S]\nc=3\n") << QByteArray("s") << QByteArrayList{"a=1"};
    QTest::newRow("no such section") << QByteArray("[t]\na=1\n") << QByteArray("s") << QByteArrayList{};
}

void TestIniFile::readSection()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArrayList, entries);
    IniFixture fixture;
    fixture.write(file);
    QByteArrayList got;
    for (const auto& [key, value] : IniFile(fixture.path()).ReadSection(section.toStdString()))
        got << QByteArray::fromStdString(key + "=" + value);
    QCOMPARE(got, entries);
}

void TestIniFile::writeString_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QList<Write>>("writes");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("value replaced where it stands, line end kept")
        << QByteArray("; c\n[Proxy]\nPORT = 9\r\nUSE=0\rjunk\n") << QList<Write>{{"proxy", "port", "1"}}
        << QByteArray("; c\n[Proxy]\nport=1\r\nUSE=0\rjunk\n");
    QTest::newRow("new key after the section's last line, before blank lines")
        << QByteArray("[Proxy]\nUSE=0\n\n\n[URLLIST]\nURL0=a\n") << QList<Write>{{"Proxy", "ADDR", "p"}}
        << QByteArray("[Proxy]\nUSE=0\nADDR=p\r\n\n\n[URLLIST]\nURL0=a\n");
    QTest::newRow("new key in the last section without a final line end")
        << QByteArray("[URLLIST]\nURL0=a") << QList<Write>{{"URLLIST", "URL1", "b"}} << QByteArray("[URLLIST]\nURL0=a\r\nURL1=b\r\n");
    QTest::newRow("new section at the end")
        << QByteArray("[Other]\r\nk=v") << QList<Write>{{"Proxy", "USE", "1"}, {"Proxy", "ADDR", ""}}
        << QByteArray("[Other]\r\nk=v\r\n[Proxy]\r\nUSE=1\r\nADDR=\r\n");
    QTest::newRow("only the first of two sections and keys written")
        << QByteArray("[P]\nk=1\nk=2\n[P]\nk=3\n") << QList<Write>{{"P", "k", "x"}} << QByteArray("[P]\nk=x\nk=2\n[P]\nk=3\n");
    QTest::newRow("commented key left alone, key added")
        << QByteArray("[P]\n;k=1\n") << QList<Write>{{"P", "k", "x"}} << QByteArray("[P]\n;k=1\nk=x\r\n");
    QTest::newRow("Shift-JIS bytes elsewhere untouched")
        << QByteArray("[\x95\x5C]\n\x83\x5C=\x94\x5C\\\n[P]\nk=1\n") << QList<Write>{{"P", "k", "\x90\x5C"}}
        << QByteArray("[\x95\x5C]\n\x83\x5C=\x94\x5C\\\n[P]\nk=\x90\x5C\n");
    QTest::newRow("a value cannot start a line of its own")
        << QByteArray("[P]\nk=1\n") << QList<Write>{{"P", "k", "x\r\n[P]\r\nUSE=1"}, {"P", "j", QByteArray("y\0z", 3)}}
        << QByteArray("[P]\nk=x\nj=y\r\n");
}

void TestIniFile::writeString()
{
    QFETCH(QByteArray, before);
    QFETCH(QList<Write>, writes);
    QFETCH(QByteArray, after);
    IniFixture fixture;
    fixture.write(before);
    IniFile ini(fixture.path());
    for (const Write& write : writes)
        ini.WriteString(write.section.toStdString(), write.key.toStdString(), write.value.toStdString());
    ini.UpdateFile();
    QCOMPARE(fixture.read(), after);
}

void TestIniFile::missingFileIsCreated()
{
    IniFixture fixture;
    IniFile ini(fixture.path());
    QCOMPARE(ini.ReadString("Proxy", "ADDR", "10.0.0.1"), std::string("10.0.0.1"));
    ini.WriteString("Proxy", "USE", "0");
    ini.UpdateFile();
    QCOMPARE(fixture.read(), QByteArray("[Proxy]\r\nUSE=0\r\n"));
}

void TestIniFile::unchangedFileComesBackWhole()
{
    const QByteArray file("\xEF\xBB\xBFjunk\r\n\r\n[A]\rk = v \n;\x95\x5C\r\n\n\r[B]\n\nlast");
    IniFixture fixture;
    fixture.write(file);
    IniFile(fixture.path()).UpdateFile();
    QCOMPARE(fixture.read(), file);
}

QTEST_APPLESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
