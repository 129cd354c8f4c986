// The text operations and the letter-case rules that everything else is
// built from, at their edges.

#include "AnsiText.h"
#include "Cp932.h"
#include "Text.h"

#include <QtTest>

using namespace qx;

class TestText : public QObject {
    Q_OBJECT

private slots:
    void pos_data();
    void pos();
    void subString_data();
    void subString();
    void trim();
    void deleteBytes_data();
    void deleteBytes();
    void strToIntDef_data();
    void strToIntDef();
    void sameText_data();
    void sameText();
    void conversionKeepsInvalidBytesVisible();
};

void TestText::pos_data()
{
    QTest::addColumn<QByteArray>("needle");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("first occurrence, 1-based") << QByteArray("ab") << QByteArray("xabab") << 2;
    QTest::newRow("case matters") << QByteArray("AB") << QByteArray("xabab") << 0;
    QTest::newRow("empty needle") << QByteArray() << QByteArray("abc") << 0;
    QTest::newRow("empty text") << QByteArray("a") << QByteArray() << 0;
    QTest::newRow("needle longer than text") << QByteArray("abcd") << QByteArray("abc") << 0;
    QTest::newRow("NUL bytes are ordinary") << QByteArray("b\0c", 3) << QByteArray("ab\0c", 4) << 2;
}

void TestText::pos()
{
    QFETCH(QByteArray, needle);
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    QCOMPARE(static_cast<int>(Pos(needle.toStdString(), text.toStdString())), expected);
}

void TestText::subString_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("middle") << 2 << 3 << QByteArray("bcd");
    QTest::newRow("count past the end") << 4 << 99 << QByteArray("def");
    QTest::newRow("from 0") << 0 << 3 << QByteArray();
    QTest::newRow("from past the end") << 7 << 1 << QByteArray();
    QTest::newRow("from at the last byte") << 6 << 1 << QByteArray("f");
    QTest::newRow("count 0") << 2 << 0 << QByteArray();
    QTest::newRow("negative count") << 2 << -1 << QByteArray();
}

void TestText::subString()
{
    QFETCH(int, from);
    QFETCH(int, count);
    QFETCH(QByteArray, expected);
    QCOMPARE(SubString("abcdef", from, count), expected.toStdString());
}

void TestText::trim()
{
    QCOMPARE(Trim(std::string("\r\n \x01" "a b\t\x1F ", 9)), std::string("a b"));
    QCOMPARE(Trim("\x81\x40"), std::string("\x81\x40")); // a full-width blank is text
    QCOMPARE(Trim(" \r\n"), std::string());
}

void TestText::deleteBytes_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("middle") << 2 << 2 << QByteArray("adef");
    QTest::newRow("count past the end") << 5 << 9 << QByteArray("abcd");
    QTest::newRow("from 0") << 0 << 2 << QByteArray("abcdef");
    QTest::newRow("from past the end") << 7 << 1 << QByteArray("abcdef");
    QTest::newRow("count 0") << 1 << 0 << QByteArray("abcdef");
    QTest::newRow("negative count") << 1 << -3 << QByteArray("abcdef");
}

void TestText::deleteBytes()
{
    QFETCH(int, from);
    QFETCH(int, count);
    QFETCH(QByteArray, expected);
    std::string text = "abcdef";
    Delete(text, from, count);
    QCOMPARE(text, expected.toStdString());
}

void TestText::strToIntDef_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << QByteArray("3128") << 3128;
    QTest::newRow("leading blanks") << QByteArray("  3128") << 3128;
    QTest::newRow("trailing blank") << QByteArray("3128 ") << -7;
    QTest::newRow("letters after digits") << QByteArray("80a") << -7;
    QTest::newRow("empty") << QByteArray() << -7;
    QTest::newRow("sign only") << QByteArray("-") << -7;
    QTest::newRow("negative") << QByteArray("-1") << -1;
    QTest::newRow("plus") << QByteArray("+5") << 5;
    QTest::newRow("0x hexadecimal") << QByteArray("0x50") << 80;
    QTest::newRow("dollar hexadecimal") << QByteArray("$1F") << 31;
    QTest::newRow("prefix without digits") << QByteArray("0x") << -7;
    QTest::newRow("beyond 65535 is still read") << QByteArray("70000") << 70000;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("smallest") << QByteArray("-2147483648") << (-2147483647 - 1);
    QTest::newRow("overflow") << QByteArray("2147483648") << -7;
    QTest::newRow("many digits") << QByteArray("99999999999999999999") << -7;
    QTest::newRow("full 32-bit hexadecimal") << QByteArray("$FFFFFFFF") << -1;
    QTest::newRow("too many hexadecimal digits") << QByteArray("$100000000") << -7;
}

void TestText::strToIntDef()
{
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    QCOMPARE(StrToIntDef(text.toStdString(), -7), expected);
}

void TestText::sameText_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("ASCII letters fold") << QByteArray("abC") << QByteArray("ABc") << true;
    QTest::newRow("digits differ") << QByteArray("0001") << QByteArray("0002") << false;
    QTest::newRow("lengths differ") << QByteArray("ab") << QByteArray("abc") << false;
    // ッ is 83 62 and ッ's trail byte would fold to 83 42 (ィ) if taken alone.
    QTest::newRow("trail byte is never folded") << QByteArray("\x83\x62") << QByteArray("\x83\x42") << false;
    // 表 is 95 5C: its trail byte is a backslash, not a separate character.
    QTest::newRow("backslash trail byte") << QByteArray("\x95\x5C" "a") << QByteArray("\x95\x5C" "A") << true;
    QTest::newRow("full-width letters fold") << QByteArray("\x82\x81") << QByteArray("\x82\x60") << true; // ａ Ａ
    QTest::newRow("kana with lower-case trail byte") << QByteArray("\x83\x7A") << QByteArray("\x83\x5A") << false; // ホ ズ
}

void TestText::sameText()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, same);
    QCOMPARE(AnsiSameText(a.toStdString(), b.toStdString()), same);
    QCOMPARE(AnsiFoldCase(a.toStdString()) == AnsiFoldCase(b.toStdString()), same);
}

void TestText::conversionKeepsInvalidBytesVisible()
{
    QCOMPARE(ToUnicode("\x95\x5C\x8E\xA6"), QStringLiteral("表示"));
    QCOMPARE(ToUnicode("a\xFF" "b"), QStringLiteral("a\uFFFDb"));
    QCOMPARE(ToUnicode("a\x95"), QStringLiteral("a\uFFFD")); // a lead byte cut off at the end
    QCOMPARE(FromUnicode(QStringLiteral("表示")), std::string("\x95\x5C\x8E\xA6"));
    QCOMPARE(FromUnicode(QStringLiteral("a\u00E9b")), std::string("a?b"));
}

QTEST_APPLESS_MAIN(TestText)
#include "tst_text.moc"
