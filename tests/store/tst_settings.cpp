// The settings file: reading the proxy, the watch and the address history,
// writing them back while every other line stays as it was, and the address
// history's rule for new addresses.

#include "Error.h"
#include "IniFile.h"
#include "Settings.h"

#include <QDir>
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
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    QByteArray read() const
    {
        QFile file(QString::fromStdString(path()));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

private:
    QTemporaryDir m_dir;
};

std::vector<std::string> strings(const QByteArrayList& list)
{
    std::vector<std::string> out;
    for (const QByteArray& item : list)
        out.push_back(item.toStdString());
    return out;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void readProxy_data();
    void readProxy();
    void readWatch_data();
    void readWatch();
    void writeWatchRoundTrip();
    void readHistory_data();
    void readHistory();
    void writeKeepsForeignLines_data();
    void writeKeepsForeignLines();
    void writesAtMostTenAddresses();
    void unwrittenKeysSurvive();
    void writeFailure();
    void rememberAddress_data();
    void rememberAddress();
};

void TestSettings::readProxy_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("use");
    QTest::addColumn<QByteArray>("addr");
    QTest::addColumn<QByteArray>("port");
    QTest::newRow("no file") << QByteArray() << false << QByteArray("10.0.0.1") << QByteArray("8080");
    QTest::newRow("USE 2 is on") << QByteArray("[Proxy]\r\nUSE=2\r\n") << true << QByteArray("10.0.0.1") << QByteArray("8080");
    QTest::newRow("USE not a number is off") << QByteArray("[Proxy]\nUSE=yes\n") << false << QByteArray("10.0.0.1") << QByteArray("8080");
    QTest::newRow("empty ADDR stays empty") << QByteArray("[Proxy]\r\nADDR=\r\nPORT=\r\n") << false << QByteArray() << QByteArray();
    QTest::newRow("names in any case, blanks trimmed")
        << QByteArray("[proxy]\r\n use = 1 \r\n Addr = proxy.example \r\nport=3128\r\n") << true << QByteArray("proxy.example")
        << QByteArray("3128");
    QTest::newRow("first section and first key win")
        << QByteArray("[Proxy]\r\nADDR=a\r\nADDR=b\r\n[Proxy]\r\nUSE=1\r\n") << false << QByteArray("a") << QByteArray("8080");
    QTest::newRow("comments and junk ignored")
        << QByteArray("junk\r\n;USE=1\r\n[Proxy]\r\n;ADDR=x\r\nnot a key\r\nPORT=1\r\n") << false << QByteArray("10.0.0.1")
        << QByteArray("1");
}

void TestSettings::readProxy()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, use);
    QFETCH(QByteArray, addr);
    QFETCH(QByteArray, port);
    IniFixture ini;
    if (!file.isEmpty())
        ini.write(file);
    const ProxySettings proxy = ReadProxySettings(IniFile(ini.path()));
    QCOMPARE(proxy.Use, use);
    QCOMPARE(proxy.Addr, addr.toStdString());
    QCOMPARE(proxy.Port, port.toStdString());
}

void TestSettings::readWatch_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("use");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("notify");
    QTest::newRow("no file: off, 180 seconds, notices on") << QByteArray() << false << 180 << true;
    QTest::newRow("values as written") << QByteArray("[WATCH]\r\nUSE=1\r\nINTERVAL=45\r\nNOTIFY=0\r\n") << true << 45 << false;
    QTest::newRow("non-zero is on, names in any case") << QByteArray("[watch]\nuse = 2\nnotify=-1\n") << true << 180 << true;
    QTest::newRow("unreadable values take their defaults")
        << QByteArray("[WATCH]\nUSE=yes\nINTERVAL=1 min\nNOTIFY=\n") << false << 180 << true;
    QTest::newRow("interval beyond 32 bits is unreadable") << QByteArray("[WATCH]\nINTERVAL=99999999999\n") << false << 180 << true;
    QTest::newRow("interval below the least is 30") << QByteArray("[WATCH]\nINTERVAL=5\n") << false << 30 << true;
    QTest::newRow("negative interval is 30") << QByteArray("[WATCH]\nINTERVAL=-600\n") << false << 30 << true;
    QTest::newRow("interval above the most is 3600") << QByteArray("[WATCH]\nINTERVAL=86400\n") << false << 3600 << true;
    QTest::newRow("bounds themselves stand") << QByteArray("[WATCH]\nINTERVAL=3600\n") << false << 3600 << true;
    QTest::newRow("hexadecimal read as elsewhere") << QByteArray("[WATCH]\nINTERVAL=$3C\n") << false << 60 << true;
    QTest::newRow("keys of other sections do not count") << QByteArray("[Proxy]\nUSE=1\nINTERVAL=40\n") << false << 180 << true;
}

void TestSettings::readWatch()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, use);
    QFETCH(int, interval);
    QFETCH(bool, notify);
    IniFixture ini;
    if (!file.isEmpty())
        ini.write(file);
    const WatchSettings watch = ReadWatchSettings(IniFile(ini.path()));
    QCOMPARE(watch.Use, use);
    QCOMPARE(watch.Interval, interval);
    QCOMPARE(watch.Notify, notify);
}

void TestSettings::writeWatchRoundTrip()
{
    IniFixture fixture;
    fixture.write("; mine\r\n[WATCH]\r\nINTERVAL = 9\r\nextra=1\r\n[Proxy]\r\nUSE=1\r\n");
    IniFile ini(fixture.path());
    WriteWatchSettings(ini, WatchSettings{true, 600, false});
    ini.UpdateFile();
    QCOMPARE(fixture.read(), QByteArray("; mine\r\n[WATCH]\r\nINTERVAL=600\r\nextra=1\r\nUSE=1\r\nNOTIFY=0\r\n[Proxy]\r\nUSE=1\r\n"));
    const WatchSettings back = ReadWatchSettings(IniFile(fixture.path()));
    QVERIFY(back.Use && back.Interval == 600 && !back.Notify);
}

void TestSettings::readHistory_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArrayList>("history");
    QTest::newRow("file order, any key names") << QByteArray("[URLLIST]\r\nzz=b\r\nURL0=a\r\n") << QByteArrayList{"b", "a"};
    QTest::newRow("empty values skipped") << QByteArray("[URLLIST]\r\nURL0=a\r\nURL1=\r\nURL2=b\r\n") << QByteArrayList{"a", "b"};
    QTest::newRow("only empty values") << QByteArray("[URLLIST]\r\nURL0=\r\n") << QByteArrayList{};
    QTest::newRow("duplicates kept") << QByteArray("[URLLIST]\r\nURL0=a\r\nURL1=a\r\n") << QByteArrayList{"a", "a"};
    QTest::newRow("cut to 99 bytes") << QByteArray("[URLLIST]\r\nURL0=" + QByteArray(120, 'x') + "\r\n") << QByteArrayList{QByteArray(99, 'x')};
}

void TestSettings::readHistory()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArrayList, history);
    IniFixture ini;
    ini.write(file);
    QCOMPARE(ReadAddressHistory(IniFile(ini.path())), strings(history));
}

void TestSettings::writeKeepsForeignLines_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("no file")
        << QByteArray() << QByteArray("[Proxy]\r\nUSE=1\r\nADDR=p\r\nPORT=1\r\n[URLLIST]\r\nURL0=a\r\n");
    QTest::newRow("values replaced where they stand, the rest untouched")
        << QByteArray("; mine\n[Other]\nk=v\n\n[proxy]\nPORT = 9\nextra=1\nUSE=0\n\n[URLLIST]\nURL0=old\nURL5=keep")
        << QByteArray("; mine\n[Other]\nk=v\n\n[proxy]\nPORT=1\nextra=1\nUSE=1\nADDR=p\r\n\n[URLLIST]\nURL0=a\nURL5=keep");
}

void TestSettings::writeKeepsForeignLines()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    IniFixture fixture;
    if (!before.isEmpty())
        fixture.write(before);
    IniFile ini(fixture.path());
    WriteSettings(ini, ProxySettings{true, "p", "1"}, {"a"});
    ini.UpdateFile();
    QCOMPARE(fixture.read(), after);
}

void TestSettings::writesAtMostTenAddresses()
{
    IniFixture fixture;
    IniFile ini(fixture.path());
    std::vector<std::string> history;
    for (int i = 0; i < 15; ++i)
        history.push_back("u" + std::to_string(i));
    WriteSettings(ini, ProxySettings{}, history);
    ini.UpdateFile();
    const auto written = ReadAddressHistory(IniFile(fixture.path()));
    QCOMPARE(written, std::vector<std::string>(history.begin(), history.begin() + 10));
}

void TestSettings::unwrittenKeysSurvive()
{
    // URL0=a, URL1 empty, URL2=b loads as a, b; the close writes URL0=a and
    // URL1=b and leaves URL2=b, so the next start has a, b, b.
    IniFixture fixture;
    fixture.write("[URLLIST]\r\nURL0=a\r\nURL1=\r\nURL2=b\r\n");
    IniFile ini(fixture.path());
    const auto history = ReadAddressHistory(ini);
    WriteSettings(ini, ProxySettings{}, history);
    ini.UpdateFile();
    QCOMPARE(ReadAddressHistory(IniFile(fixture.path())), (std::vector<std::string>{"a", "b", "b"}));
}

void TestSettings::writeFailure()
{
    IniFixture fixture;
    QDir().mkpath(QString::fromStdString(fixture.path()));
    IniFile ini(fixture.path());
    WriteSettings(ini, ProxySettings{}, {"a"});
    try {
        ini.UpdateFile();
        QFAIL("wrote over a directory");
    } catch (const qx::Error& error) {
        QCOMPARE(std::string(error.what()), fixture.path() + " \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1");
    }
}

void TestSettings::rememberAddress_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArrayList>("items");
    QTest::newRow("new address goes to the front") << QByteArray("http://c/") << QByteArrayList{"http://c/", "http://a/", "http://B/"};
    QTest::newRow("differs only in case") << QByteArray("HTTP://b/") << QByteArrayList{"http://a/", "http://B/"};
    QTest::newRow("known address keeps its place") << QByteArray("http://B/") << QByteArrayList{"http://a/", "http://B/"};
    QTest::newRow("empty text") << QByteArray() << QByteArrayList{"http://a/", "http://B/"};
}

void TestSettings::rememberAddress()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArrayList, items);
    std::vector<std::string> history{"http://a/", "http://B/"};
    RememberAddress(history, text.toStdString());
    QCOMPARE(history, strings(items));
}

QTEST_APPLESS_MAIN(TestSettings)
#include "tst_settings.moc"
