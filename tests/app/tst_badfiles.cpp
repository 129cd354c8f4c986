// Starting over member files and a settings file that are damaged, odd or
// huge: the window starts, keeps every well-formed entry, and at close
// writes back what it loaded (member files: the same lines; settings file:
// its own keys replaced, every other line as it was).

#include "MemberStore.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

std::string noise(std::size_t size)
{
    std::string bytes(size, '\0');
    QRandomGenerator random(42);
    for (char& c : bytes)
        c = static_cast<char>(random.bounded(1, 256)); // no NUL: it would end the file
    return bytes;
}

std::string row(const std::string& number)
{
    return "<tr><td>on.gif</td><td>" + number + "</td><td>female</td><td>20<img></td><td>p</td><td>t</td></tr>";
}

} // namespace

class TestBadFiles : public QObject {
    Q_OBJECT

private slots:
    void damagedProfileFile_data();
    void damagedProfileFile();
    void faceOutsideRangeListsAsOrdinary_data();
    void faceOutsideRangeListsAsOrdinary();
    void junkSettingsFileKeepsForeignLines();
};

void TestBadFiles::damagedProfileFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("kept");      // a well-formed entry, "number=value"
    QTest::addColumn<bool>("writtenAsRead");   // the file form comes back byte for byte
    const QByteArray huge = "0000000002=" + QByteArray(50 * 1024 * 1024, 'x');
    QTest::newRow("50 MB line") << "0000000001=a\r\n" + huge + "\r\n0000000003=c\r\n" << QByteArray("0000000003=c") << true;
    QTest::newRow("binary noise") << "0000000001=a\r\n" + QByteArray::fromStdString(noise(200000)) << QByteArray("0000000001=a") << false;
    QTest::newRow("NUL ends the text") << QByteArray("0000000001=a\r\n0000000002=b\0junk\r\n", 31) << QByteArray("0000000001=a") << false;
    QTest::newRow("invalid Shift-JIS") << QByteArray("0000000001=\x81\r\n0000000002=\xff\xfe\xa0\x82\r\n\x82\x5c=x\r\n0000000003=\x95\x5c\r\n")
                                       << QByteArray("0000000003=\x95\x5c") << true;
}

void TestBadFiles::damagedProfileFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, kept);
    QFETCH(bool, writtenAsRead);
    WindowFixture files;
    files.write("Prof.txt", file.toStdString());
    const std::vector<std::string> loaded = MemberStore::SplitLines(file.toStdString());
    {
        TWebPhoneForm form;
        QVERIFY(files.errors.empty());
        QCOMPARE(form.ProfList.Count(), static_cast<int>(loaded.size()));
        const std::string entry = kept.toStdString();
        const std::size_t eq = entry.find('=');
        QCOMPARE(std::string(form.ProfList.ValueOf(entry.substr(0, eq))), entry.substr(eq + 1));
        form.FormClose();
    }
    const std::string written = files.read("Prof.txt"); // written under the name it was read from
    QCOMPARE(MemberStore::SplitLines(written), loaded);
    if (writtenAsRead)
        QVERIFY(written == file.toStdString());
}

void TestBadFiles::faceOutsideRangeListsAsOrdinary_data()
{
    QTest::addColumn<QByteArray>("face");
    QTest::newRow("negative") << QByteArray("-1");
    QTest::newRow("too large") << QByteArray("99");
    QTest::newRow("not a number") << QByteArray("x");
    QTest::newRow("beyond 32 bits") << QByteArray("4294967296");
}

void TestBadFiles::faceOutsideRangeListsAsOrdinary()
{
    QFETCH(QByteArray, face);
    WindowFixture files;
    const std::string faceFile = "0000000001=" + face.toStdString() + "\r\n0000000002=2\r\n";
    files.write("flag.txt", faceFile);
    {
        TWebPhoneForm form;
        form.ParseOnlineList("<table><tr></tr>" + row("0000000001") + row("0000000002") + "</table>");
        QCOMPARE(form.LVOnline->Count(), 1); // face 2 is filtered out at start
        QCOMPARE(form.LVOnline->Items()[0].Caption, std::string("0000000001"));
        QCOMPARE(form.LVOnline->Items()[0].ImageIndex, 0);
        form.FormClose();
    }
    QCOMPARE(files.read("flag.txt"), faceFile);
}

void TestBadFiles::junkSettingsFileKeepsForeignLines()
{
    WindowFixture files;
    const std::string longAddress(40000, 'a');
    const std::string longUrl = "http://" + std::string(300, 'u');
    const std::string head = "garbage without equals\r\n"
                             "[Proxy]\r\n"
                             "USE=1\r\n"
                             "ADDR=" + longAddress + "\r\n"
                             "junk \x81\x5c ; =\r\n"
                             "ADDR=second\r\n"
                             "PORT=8081\r\n"
                             "[Other]\r\n"
                             "k=v\r\n"
                             "\r\n"
                             "[proxy]\r\n"
                             "USE=0\r\n"
                             "[URLLIST]\r\n";
    const std::string tail = "x=http://b\r\n"
                             "URL1=\r\n"
                             "[URLLIST]\r\n"
                             "URL5=http://ignored\r\n";
    files.write("quorrix.INI", head + "URL0=" + longUrl + "\r\n" + tail);
    {
        TWebPhoneForm form;
        QVERIFY(form.ProxyUse->isChecked());
        QCOMPARE(form.ProxyAddr->text().size(), static_cast<qsizetype>(longAddress.size()));
        QCOMPARE(form.ProxyPort->text(), QStringLiteral("8081"));
        QCOMPARE(form.AddrList->Items(), (std::vector<std::string>{longUrl.substr(0, 99), "http://b"}));
        form.FormClose();
    }
    // The close replaces URL0 and URL1 where they stand; every other line,
    // the second ADDR and the later sections included, stays as it was.
    QCOMPARE(files.read("quorrix.INI"), head + "URL0=" + longUrl.substr(0, 99) + "\r\n" + "x=http://b\r\n" + "URL1=http://b\r\n" +
                                            "[URLLIST]\r\n" + "URL5=http://ignored\r\n" +
                                            "[WATCH]\r\nUSE=0\r\nINTERVAL=180\r\nNOTIFY=1\r\n");
}

QTEST_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
