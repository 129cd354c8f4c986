#include "Requests.h"
#include "SampleServerProcess.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace qx;

namespace {

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// Sends request and gives everything received until the server closes.
QByteArray fetch(quint16 port, const QByteArray& request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return "no connection";
    socket.write(request);
    QByteArray received;
    QElapsedTimer timer;
    timer.start();
    while (socket.state() == QAbstractSocket::ConnectedState && timer.elapsed() < 20000) {
        socket.waitForReadyRead(1000);
        received += socket.readAll();
    }
    return received + socket.readAll();
}

QByteArray summary(const QByteArray& response)
{
    const QByteArray status = response.left(response.indexOf("\r\n"));
    return status + (response.contains("table") ? "|table" : "|-")
        + (response.contains("<tr><td><img src=\"on.gif\"></td><td>") && response.contains("off.gif") ? "|rows" : "|-");
}

} // namespace

class TestSampleServer : public QObject {
    Q_OBJECT

private slots:
    void recordsRequestsByteForByte_data();
    void recordsRequestsByteForByte();
    void answers_data();
    void answers();
    void stalledClientDoesNotHoldOthers();
    void rotationBringsBackWhoWasAway();
};

void TestSampleServer::recordsRequestsByteForByte_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("direct list request") << bytes(BuildListRequest(DefaultListAddress(), false));
    QTest::newRow("proxy list request") << bytes(BuildListRequest(DefaultListAddress(), true));
    QTest::newRow("direct profile request") << bytes(BuildProfileRequest("0904150000", false));
    QTest::newRow("proxy profile request") << bytes(BuildProfileRequest("0904150000", true));
}

void TestSampleServer::recordsRequestsByteForByte()
{
    QFETCH(QByteArray, request);
    SampleServerProcess server;
    fetch(server.port(), request);
    QCOMPARE(server.recorded(), QList<QByteArray>{request});
}

void TestSampleServer::answers_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray service = "http://" QUORRIX_SERVICE_HOST;
    QTest::newRow("direct list page has the table and both states")
        << QByteArray("/people-l.html") << QByteArray("HTTP/1.0 200 OK|table|rows");
    QTest::newRow("proxy list page has the table and both states")
        << service + "/people-l.html" << QByteArray("HTTP/1.0 200 OK|table|rows");
    QTest::newRow("unknown path is not found")
        << QByteArray("/index.html") << QByteArray("HTTP/1.0 404 Not Found|-|-");
    QTest::newRow("slow answer arrives whole")
        << QByteArray("/people-l.html?mode=slow") << QByteArray("HTTP/1.0 200 OK|table|rows");
    QTest::newRow("delayed answer arrives whole")
        << QByteArray("/people-l.html?mode=delay:200") << QByteArray("HTTP/1.0 200 OK|table|rows");
    QTest::newRow("close sends nothing")
        << QByteArray("/people-l.html?mode=close") << QByteArray("|-|-");
    QTest::newRow("reset cuts the page short")
        << QByteArray("/people-l.html?mode=reset:100") << QByteArray("HTTP/1.0 200 OK|-|-");
    QTest::newRow("huge page has no table")
        << QByteArray("/people-l.html?mode=huge:2") << QByteArray("HTTP/1.0 200 OK|-|-");
}

void TestSampleServer::answers()
{
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, expected);
    SampleServerProcess server;
    QCOMPARE(summary(fetch(server.port(), "GET " + target + " HTTP/1.0\r\n\r\n")), expected);
}

void TestSampleServer::stalledClientDoesNotHoldOthers()
{
    SampleServerProcess server;
    QTcpSocket stalled;
    stalled.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(stalled.waitForConnected(5000));
    stalled.write("GET /people-l.html?mode=stall HTTP/1.0\r\n\r\n");
    QVERIFY(stalled.waitForBytesWritten(5000));
    QCOMPARE(summary(fetch(server.port(), bytes(BuildListRequest("/people-l.html", false)))),
        QByteArray("HTTP/1.0 200 OK|table|rows"));
}

void TestSampleServer::rotationBringsBackWhoWasAway()
{
    SampleServerProcess server({"--mode", "rotate:3"});
    QList<QSet<QByteArray>> pages;
    const QRegularExpression number("<td>\\s*(0[89]0[0-9]{7})\\s*</td>");
    for (int i = 0; i < 4; ++i) {
        QSet<QByteArray> listed;
        const QByteArray page = fetch(server.port(), bytes(BuildListRequest("/people-l.html", false)));
        for (const QRegularExpressionMatch& match : number.globalMatch(QString::fromLatin1(page)))
            listed.insert(match.captured(1).toLatin1());
        pages.append(listed);
    }
    const QSet<QByteArray> everyone = pages[0] + pages[1] + pages[2];
    QVERIFY(everyone.size() > 20);
    for (const QByteArray& member : everyone) {
        const int away = int(!pages[0].contains(member)) + int(!pages[1].contains(member)) + int(!pages[2].contains(member));
        QVERIFY2(away == 1, member.constData());
        for (int k = 0; k < 3; ++k)
            QVERIFY2(pages[k].contains(member) || pages[k + 1].contains(member), member.constData());
    }
    QCOMPARE(pages[3], pages[0]);
}

QTEST_APPLESS_MAIN(TestSampleServer)
#include "tst_sampleserver.moc"
