// The people-list scan on small pages written for each behaviour. Rows come
// out as "number|state|sex|age|place|theme" lines in code page 932, so each
// case is one comparison of exact bytes.

#include "OnlineList.h"

#include <QtTest>

namespace {

// Code page 932 texts the scan writes.
#define FREE "\x8E\xA9"   // 自
#define BUSY "\x96\x5A"   // 忙
#define FEMALE "\x8F\x97" // 女
#define MALE "\x92\x6A"   // 男
#define UNKNOWN "\x81\x48" // ？
#define DECADE "\x91\xE3" // 代
#define YEARS "\x8D\xCE"  // 歳
#define PLACE "\x95\x5C\x8E\xA6" // 表示: a trail byte 0x5C
#define THEME "\x83\x5C\x83\x74\x83\x67" // ソフト: trail bytes 0x5C, t, g

const char* const kHead = "<html><table border=1>\r\n<tr><th>state</th><th>number</th></tr>\r\n";

QByteArray member(const QByteArray& number, const QByteArray& sex = "male.gif", const QByteArray& state = "<img src=on.gif>")
{
    return "<tr><td>" + state + "</td><td>" + number + "</td><td><img src=" + sex +
           "></td><td>20<img src=age_dai.gif></td><td>" PLACE "</td><td>" THEME "</td></tr>\r\n";
}

QByteArray scan(const QByteArray& page)
{
    QByteArray out;
    const bool found = ScanOnlineList(page.toStdString(), [&](const MemberCells& cells) {
        const MemberRow row = RowFromCells(cells);
        for (const std::string* field : {&row.Number, &row.State, &row.Sex, &row.Age, &row.Place, &row.Theme})
            out += QByteArray::fromStdString(*field) + (field == &row.Theme ? "\n" : "|");
    });
    return found ? out : "<no table>";
}

} // namespace

class TestOnlineList : public QObject {
    Q_OBJECT

private slots:
    void scan_data();
    void scan();
    void windowEndsAt99999BytesFromTable_data();
    void windowEndsAt99999BytesFromTable();
    void markersFoundAtEveryBlockOffset_data();
    void markersFoundAtEveryBlockOffset();
    void scanIsOnePassOverLargePages();
    void filter_data();
    void filter();
    void fill_data();
    void fill();
    void hiddenRowIsNewWhenFirstListed();
};

void TestOnlineList::scan_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("rows");
    const QByteArray row1 = "0000000001|" FREE "|" MALE "|20" DECADE "|" PLACE "|" THEME "\n";

    QTest::newRow("no table") << QByteArray("HTTP/1.0 404\r\n\r\n<tr><td>x</td></tr>") << QByteArray("<no table>");
    QTest::newRow("empty response") << QByteArray() << QByteArray("<no table>");
    QTest::newRow("one member") << QByteArray(kHead) + member("0000000001") + "</table>" << row1;
    QTest::newRow("heading row never listed, even a member row")
        << "<table>" + member("0000000009") + member("0000000001") << row1;
    QTest::newRow("table but no row") << QByteArray("<table></table>") << QByteArray();
    QTest::newRow("heading row only") << QByteArray(kHead) << QByteArray();
    QTest::newRow("upper-case tags") << QByteArray(kHead) + member("0000000001").toUpper() << QByteArray();
    QTest::newRow("attributed cell tags")
        << QByteArray(kHead) + "<tr><td class=a>1</td><td class=a>2</td><td class=a>3</td><td class=a>4</td><td class=a>5</td><td class=a>6</td></tr>"
        << QByteArray();
    QTest::newRow("upper-case TABLE is not the marker") << QByteArray("<TABLE>") + member("0000000002") + member("0000000001")
                                                      << QByteArray("<no table>");
    QTest::newRow("table inside a word counts") << QByteArray("<p>portable</p><tr>x</tr>") + member("0000000001") << row1;
    QTest::newRow("five-cell row borrows from the next")
        << QByteArray(kHead) + "<tr><td>on.gif</td><td>0000000001</td><td>female</td><td>30<b></td><td>P</td></tr>\r\n" +
               member("0000000002") + member("0000000003")
        << QByteArray("0000000001|" FREE "|" FEMALE "|30" YEARS "|P|<img src=on.gif>\n"
                      "0000000003|" FREE "|" MALE "|20" DECADE "|" PLACE "|" THEME "\n");
    QTest::newRow("female before male") << QByteArray(kHead) + member("0000000001", "female.gif") + member("0000000002", "x.gif")
                                        << QByteArray("0000000001|" FREE "|" FEMALE "|20" DECADE "|" PLACE "|" THEME "\n"
                                                      "0000000002|" FREE "|" UNKNOWN "|20" DECADE "|" PLACE "|" THEME "\n");
    QTest::newRow("busy state") << QByteArray(kHead) + member("0000000001", "male.gif", "<img src=off.gif>")
                                << QByteArray("0000000001|" BUSY "|" MALE "|20" DECADE "|" PLACE "|" THEME "\n");
    QTest::newRow("age in years, age without markup, markup first")
        << QByteArray(kHead) + "<tr><td></td><td>1</td><td></td><td>25<img src=age.gif></td><td></td><td></td></tr>" +
               "<tr><td></td><td>2</td><td></td><td>40</td><td></td><td></td></tr>" +
               "<tr><td></td><td>3</td><td></td><td><i>age_dai</i></td><td></td><td></td></tr>"
        << QByteArray("1|" BUSY "|" UNKNOWN "|25" YEARS "||\n2|" BUSY "|" UNKNOWN "|" YEARS "||\n3|" BUSY "|" UNKNOWN "|" DECADE "||\n");
    QTest::newRow("number trimmed, place and theme not")
        << QByteArray(kHead) + "<tr><td></td><td>\r\n 0000000001 \r\n</td><td></td><td></td><td> \r\nP </td><td>\nT</td></tr>"
        << QByteArray("0000000001|" BUSY "|" UNKNOWN "|" YEARS "| \r\nP |\nT\n");
    QTest::newRow("last row without its end is listed")
        << QByteArray(kHead) + "<tr><td></td><td>1</td><td></td><td></td><td></td><td>T</td>" << QByteArray("1|" BUSY "|" UNKNOWN "|" YEARS "||T\n");
    QTest::newRow("row cut off is not listed") << QByteArray(kHead) + member("0000000001") + "<tr><td>a</td><td>b" << row1;
    QTest::newRow("rows of a later table are read too")
        << QByteArray(kHead) + member("0000000001") + "</table><table><tr><td></td><td>x</td><td></td><td></td><td></td><td></td></tr>"
        << row1 + "x|" BUSY "|" UNKNOWN "|" YEARS "||\n";
    QTest::newRow("empty number listed") << QByteArray(kHead) + member(" ") << QByteArray("|" FREE "|" MALE "|20" DECADE "|" PLACE "|" THEME "\n");
    QTest::newRow("entities and markup kept") << QByteArray(kHead) + "<tr><td></td><td>1</td><td></td><td></td><td>&amp;<b>x</b></td><td></td></tr>"
                                              << QByteArray("1|" BUSY "|" UNKNOWN "|" YEARS "|&amp;<b>x</b>|\n");
}

void TestOnlineList::scan()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, rows);
    QCOMPARE(::scan(page), rows);
}

void TestOnlineList::windowEndsAt99999BytesFromTable_data()
{
    // The second row's last "</td>" ends at the window's last byte, or is
    // pushed over that edge by overrun bytes.
    QTest::addColumn<int>("overrun");
    QTest::addColumn<int>("rows");
    QTest::newRow("row ending at the last byte is listed") << 0 << 2;
    QTest::newRow("row crossing the end by one byte is not") << 1 << 1;
    QTest::newRow("marker starting at the last byte is not found") << 4 << 1;
    QTest::newRow("marker wholly beyond the window is not found") << 5 << 1;
}

void TestOnlineList::windowEndsAt99999BytesFromTable()
{
    QFETCH(int, overrun);
    QFETCH(int, rows);
    QByteArray page = "HTTP/1.0 200 OK\r\n\r\nxx" + QByteArray(kHead) + member("0000000001");
    const QByteArray second = "<tr><td></td><td>2</td><td></td><td></td><td></td><td>T</td>";
    const qsizetype tableAt = page.indexOf("table");
    const qsizetype padding = 99999 - (page.size() - tableAt) - second.size() + overrun;
    page += QByteArray(padding, ' ') + second + "</tr>";
    QCOMPARE(::scan(page).count('\n'), rows);
}

void TestOnlineList::markersFoundAtEveryBlockOffset_data()
{
    // The scan looks for "<" many bytes at a time; moving the rows by every
    // offset up to past such a block puts each marker across each boundary,
    // a cell's "</td>" in the same block as its "<td>" or the next one.
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("rows");
    const QByteArray rows = "0000000001|" FREE "|" MALE "|20" DECADE "|" PLACE "|" THEME "\n"
                            "2|" BUSY "|" UNKNOWN "|" YEARS "|a<b|\n";
    for (int shift = 0; shift <= 130; ++shift) {
        const QByteArray page = kHead + QByteArray(shift, '<') + member("0000000001") +
                                "<tr><td><</td><td>2</td><td></td><td><<</td><td>a<b</td><td></td></tr><";
        QTest::addRow("rows moved by %d bytes", shift) << page << rows;
    }
}

void TestOnlineList::markersFoundAtEveryBlockOffset()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, rows);
    QCOMPARE(::scan(page), rows);
}

void TestOnlineList::scanIsOnePassOverLargePages()
{
    // Rows without end markers and cells far apart: a scan that searched from
    // the start again or copied the rest at every cut would take minutes here.
    QByteArray page = kHead;
    while (page.size() < 99000)
        page += member(QByteArray::number(page.size()));
    page += QByteArray(5'000'000, 'x');
    QCOMPARE(::scan(page).count('\n'), page.count("</tr>") - 1);
}

void TestOnlineList::filter_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("face");
    QTest::addColumn<QByteArray>("sex");
    QTest::addColumn<bool>("listed");
    QTest::newRow("face bit set, no sex bit") << 2 << 1 << QByteArray(UNKNOWN) << true;
    QTest::newRow("face bit clear") << 13 << 1 << QByteArray(MALE) << false;
    QTest::newRow("female bit, female") << 17 << 0 << QByteArray(FEMALE) << true;
    QTest::newRow("female bit, male") << 17 << 0 << QByteArray(MALE) << false;
    QTest::newRow("both sex bits, unknown sex") << 49 << 0 << QByteArray(UNKNOWN) << false;
    QTest::newRow("negative face counts as face 0") << 1 << -1 << QByteArray(MALE) << true;
    QTest::newRow("face 32 counts as face 0") << 2 << 32 << QByteArray(MALE) << false;
    QTest::newRow("face 4 counts as face 0, not the female bit") << 16 << 4 << QByteArray(FEMALE) << false;
}

void TestOnlineList::filter()
{
    QFETCH(int, mask);
    QFETCH(int, face);
    QFETCH(QByteArray, sex);
    QFETCH(bool, listed);
    QCOMPARE(PassesFilter(mask, face, sex.toStdString()), listed);
}

void TestOnlineList::fill_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("listed");
    // Members 1 male, 2 female, 3 unknown sex.
    QTest::newRow("start-up mask, no faces") << 3 << QByteArray() << QByteArray("1:0 2:0 3:0");
    QTest::newRow("face 2 hidden by mask 3") << 3 << QByteArray("2=2") << QByteArray("1:0 3:0");
    QTest::newRow("every face") << 15 << QByteArray("2=2\r\n3=3") << QByteArray("1:0 2:2 3:3");
    QTest::newRow("female only") << 19 << QByteArray() << QByteArray("2:0");
    QTest::newRow("male only") << 35 << QByteArray() << QByteArray("1:0");
    QTest::newRow("both sexes hide the unknown") << 51 << QByteArray() << QByteArray("1:0 2:0");
    QTest::newRow("nothing") << 0 << QByteArray() << QByteArray("");
    QTest::newRow("face not a number is face 0") << 1 << QByteArray("1=x\r\n2= 1") << QByteArray("1:0 3:0");
    QTest::newRow("hand-written faces outside 0 to 3 count as 0") << 1 << QByteArray("1=-1\r\n2=99\r\n3=32") << QByteArray("1:0 2:0 3:0");
    QTest::newRow("faces outside 0 to 3 hidden without bit 0") << 14 << QByteArray("1=-1\r\n2=33\r\n3=1") << QByteArray("3:1");
    QTest::newRow("first face line counts, case ignored") << 15 << QByteArray("1=3\r\n1=1") << QByteArray("1:3 2:0 3:0");
}

void TestOnlineList::fill()
{
    QFETCH(int, mask);
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, listed);
    MemberStore profiles, faces, seen;
    for (const std::string& line : MemberStore::SplitLines(flags.toStdString()))
        faces.Append(line);
    const QByteArray page = kHead + member("1") + member("2", "female.gif") + member("3", "unknown.gif");
    const auto rows = FillOnlineList(page.toStdString(), profiles, faces, seen, mask);
    QVERIFY(rows.has_value());
    QByteArrayList summary;
    for (const MemberRow& row : *rows)
        summary << QByteArray::fromStdString(row.Number) + ":" + QByteArray::number(row.Face);
    QCOMPARE(summary.join(' '), listed);
    QCOMPARE(seen.Count(), static_cast<int>(rows->size()));
}

void TestOnlineList::hiddenRowIsNewWhenFirstListed()
{
    MemberStore profiles, faces, seen;
    profiles.Append("1=");
    profiles.Append("2=" PLACE);
    faces.Append("2=2");
    const std::string page = (kHead + member("1") + member("2") + member("1")).toStdString();

    auto rows = FillOnlineList(page, profiles, faces, seen, 3);
    QCOMPARE(rows->size(), std::size_t(2));
    QCOMPARE((*rows)[0].StateIndex, 1);
    QCOMPARE((*rows)[0].Profile, std::string("--Double Click--"));
    QCOMPARE((*rows)[1].StateIndex, 0); // the same number further down
    QCOMPARE(seen.Count(), 1);

    rows = FillOnlineList(page, profiles, faces, seen, 7);
    QCOMPARE(rows->size(), std::size_t(3));
    QCOMPARE((*rows)[0].StateIndex, 0);
    QCOMPARE((*rows)[1].StateIndex, 1);
    QCOMPARE((*rows)[1].Profile, std::string(PLACE));

    QVERIFY(!FillOnlineList("no marker here", profiles, faces, seen, 7).has_value());
    QCOMPARE(seen.Count(), 2);
}

QTEST_APPLESS_MAIN(TestOnlineList)
#include "tst_onlinelist.moc"
