// The profile page: the block between the first two "<hr>", the member
// number in its first ten bytes and the profile text without its tags.

#include "ProfilePage.h"

#include <QtTest>

class TestProfilePage : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void strippingEndsOnLongInput();
};

void TestProfilePage::parse_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("text"); // "<none>" when nothing is stored

    const QByteArray head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>";
    QTest::newRow("no marker") << head + "0000000001 text" << QByteArray() << QByteArray("<none>");
    QTest::newRow("one marker") << head + "<hr>0000000001 text" << QByteArray() << QByteArray("<none>");
    QTest::newRow("upper-case markers") << head + "<HR>0000000001 text<HR>" << QByteArray() << QByteArray("<none>");
    QTest::newRow("adjacent markers") << head + "<hr><hr>0000000001 text<hr>" << QByteArray() << QByteArray("<none>");
    QTest::newRow("block of ten bytes only") << head + "<hr>\r\n0000000001\r\n<hr>" << QByteArray() << QByteArray("<none>");
    QTest::newRow("bold text") << head + "<hr>\r\n0000000001<b>\x95\x5C\x8E\xA6</b>\r\n<hr>" << QByteArray("0000000001")
                               << QByteArray("\x95\x5C\x8E\xA6");
    QTest::newRow("only tags") << head + "<hr>0000000001<b></b><br><hr>" << QByteArray() << QByteArray("<none>");
    QTest::newRow("blanks between tags kept") << head + "<hr>0000000001<b> </b>\x81\x40<br><hr>" << QByteArray("0000000001")
                                              << QByteArray(" \x81\x40");
    QTest::newRow("> before the first tag stays") << head + "<hr>0000000001 a>b<i>c</i><hr>" << QByteArray("0000000001")
                                                  << QByteArray("a>bc");
    QTest::newRow("leading line break kept") << head + "<hr>0000000001 <br>\r\nhello<hr>" << QByteArray("0000000001")
                                             << QByteArray("\r\nhello");
    QTest::newRow("tag ends at the first >, even quoted") << head + "<hr>0000000001 <a title=\"x>y\">z</a><hr>"
                                                          << QByteArray("0000000001") << QByteArray("y\">z");
    QTest::newRow("< without > stays as text") << head + "<hr>0000000001 a<b>c <3 d<hr>" << QByteArray("0000000001")
                                               << QByteArray("ac <3 d");
    QTest::newRow("short number takes text bytes") << head + "<hr>12345 abcdefgh<hr>" << QByteArray("12345 abcd")
                                                   << QByteArray("efgh");
    QTest::newRow("long number leaves bytes in the text") << head + "<hr>000000000123 x<hr>" << QByteArray("0000000001")
                                                          << QByteArray("23 x");
    QTest::newRow("entities and CR LF kept") << head + "<hr>0000000001&amp;\r\nline<hr>" << QByteArray("0000000001")
                                             << QByteArray("&amp;\r\nline");
    QTest::newRow("second marker beyond 99999 bytes") << head + "<hr>0000000001 x" + QByteArray(99999, 'y') + "<hr>"
                                                      << QByteArray() << QByteArray("<none>");
    QTest::newRow("second marker within 99999 bytes") << head + "<hr>0000000001 x" + QByteArray(99980, 'y') + "<hr>"
                                                      << QByteArray("0000000001") << QByteArray("x" + QByteArray(99980, 'y'));
}

void TestProfilePage::parse()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, text);
    const auto update = ParseProfilePage(page.toStdString());
    QByteArray got = update ? QByteArray::fromStdString(update->Number) + "|" + QByteArray::fromStdString(update->Text) : "|<none>";
    QCOMPARE(got, number + "|" + text);
}

void TestProfilePage::strippingEndsOnLongInput()
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "<b>x</b>";
    text += std::string(50000, '<');
    const std::string stripped = StripTags(text);
    QCOMPARE(stripped.size(), std::size_t(20000 + 50000));
}

QTEST_APPLESS_MAIN(TestProfilePage)
#include "tst_profilepage.moc"
