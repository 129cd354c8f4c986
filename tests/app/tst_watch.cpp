// The watch on its own: the countdown with its skipped ticks, the friends a
// fill newly lists, and the notice's text.

#include "Watch.h"

#include <QtTest>

namespace {

// "A:1 B:0" as the numbers and faces of one fill.
std::vector<std::pair<std::string, int>> fillOf(const QString& text)
{
    std::vector<std::pair<std::string, int>> fill;
    for (const QString& entry : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(':');
        fill.emplace_back(parts[0].toStdString(), parts[1].toInt());
    }
    return fill;
}

} // namespace

class TestWatch : public QObject {
    Q_OBJECT

private slots:
    void countdown_data();
    void countdown();
    void friendsNewlyListed_data();
    void friendsNewlyListed();
    void noticeBody_data();
    void noticeBody();
};

void TestWatch::countdown_data()
{
    // Script: s start, x stop, h refresh by hand, i interval 5, t a tick with
    // no fetch running, f a tick while the list fetch runs. Expected: one
    // character per tick, 1 where a refresh is due.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("refreshes");
    QTest::addColumn<int>("secondsLeft");
    QTest::newRow("refreshes every interval") << "stttttttt" << "..1..1.." << 1;
    QTest::newRow("never refreshes before it is started") << "tttttt" << "......" << 0;
    QTest::newRow("due tick during a fetch is skipped and the count starts anew") << "sttftttt" << ".....1." << 2;
    QTest::newRow("a fetch before the due tick changes nothing") << "sfft" << "..1" << 3;
    QTest::newRow("refresh by hand starts the count anew") << "stththttt" << ".....1" << 3;
    QTest::newRow("stop halts the count, start begins it afresh") << "sttxttsttt" << "......1" << 3;
    QTest::newRow("refresh by hand leaves a stopped watch stopped") << "htttt" << "...." << 0;
    QTest::newRow("a new interval counts from now") << "sttittttt" << "......1" << 5;
    QTest::newRow("start while running starts the count anew") << "sttsttt" << "....1" << 3;
}

void TestWatch::countdown()
{
    QFETCH(QString, script);
    QFETCH(QString, refreshes);
    QFETCH(int, secondsLeft);
    Watch watch;
    watch.SetInterval(3);
    QString seen;
    for (const QChar step : script) {
        switch (step.toLatin1()) {
        case 's': watch.Start(); break;
        case 'x': watch.Stop(); break;
        case 'h': watch.Restart(); break;
        case 'i': watch.SetInterval(5); break;
        case 't': seen += watch.Tick(false) ? '1' : '.'; break;
        case 'f': seen += watch.Tick(true) ? '1' : '.'; break;
        }
    }
    QCOMPARE(seen, refreshes);
    QCOMPARE(watch.SecondsLeft(), secondsLeft);
}

void TestWatch::friendsNewlyListed_data()
{
    // Fills are separated by "|", and so are the friends each should give.
    QTest::addColumn<QString>("fills");
    QTest::addColumn<QString>("arrivals");
    QTest::newRow("first fill counts every friend, in list order")
        << "C:0 B:1 A:1 D:2 E:3" << "B A";
    QTest::newRow("the same friends again give nothing") << "A:1 B:1 | A:1 B:1" << "A B |";
    QTest::newRow("a friend absent for one fill counts again")
        << "A:1 B:1 | B:1 | A:1 B:1" << "A B | | A";
    QTest::newRow("listed before under another face does not count")
        << "A:0 | A:1" << "|";
    QTest::newRow("letter case does not make a number new") << "09a:1 | 09A:1" << "09a |";
    QTest::newRow("a number twice in one fill counts once") << "A:1 A:1" << "A";
    QTest::newRow("an empty fill forgets everyone") << "A:1 | | A:1" << "A | | A";
}

void TestWatch::friendsNewlyListed()
{
    QFETCH(QString, fills);
    QFETCH(QString, arrivals);
    Watch watch;
    QStringList seen;
    for (const QString& fill : fills.split('|')) {
        const auto rows = fillOf(fill);
        std::vector<std::pair<std::string_view, int>> listed(rows.begin(), rows.end());
        QStringList numbers;
        for (const std::string& number : watch.FriendsNewlyListed(listed))
            numbers << QString::fromStdString(number);
        seen << numbers.join(' ');
    }
    QCOMPARE(seen.join(" | ").simplified(), arrivals.simplified());
}

void TestWatch::noticeBody_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("one number") << 1 << QByteArray("n1");
    QTest::newRow("five numbers, one a line") << 5 << QByteArray("n1\nn2\nn3\nn4\nn5");
    QTest::newRow("beyond five the rest is counted")
        << 7 << QByteArray("n1\nn2\nn3\nn4\nn5\n\x82\xd9\x82\xa9 2 \x90\x6c"); // ほか 2 人
}

void TestWatch::noticeBody()
{
    QFETCH(int, count);
    QFETCH(QByteArray, body);
    std::vector<std::string> numbers;
    for (int i = 1; i <= count; ++i)
        numbers.push_back("n" + std::to_string(i));
    QCOMPARE(QByteArray::fromStdString(FriendsNoticeBody(numbers)), body);
}

QTEST_APPLESS_MAIN(TestWatch)
#include "tst_watch.moc"
