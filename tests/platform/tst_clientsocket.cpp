// The client connection component on real loopback connections: the order of
// its events, the error numbers it reports, the endpoint rules while active,
// and closing at awkward moments.

#include "Application.h"
#include "ClientSocket.h"
#include "Error.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <cerrno>
#include <sys/socket.h>

using namespace qx;

namespace {

// Records every event of a component as one line.
struct Recorder {
    QStringList events;
    std::string received;

    void attach(TClientSocket& socket)
    {
        socket.OnConnect = [this](QObject*, TCustomWinSocket*) { events << "connect"; };
        socket.OnRead = [this](QObject*, TCustomWinSocket* s) {
            events << "read";
            received += s->ReceiveText();
        };
        socket.OnDisconnect = [this](QObject*, TCustomWinSocket*) { events << "disconnect"; };
        socket.OnError = [this](QObject*, TCustomWinSocket*, ErrorEvent, int& code) {
            events << QStringLiteral("error %1").arg(code);
            code = 0;
        };
    }
    bool ended() const { return events.contains("disconnect") || (!events.isEmpty() && events.last().startsWith("error")); }
};

quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

constexpr int kWait = 10000;
// Name lookups go through the system's resolver, which may wait for servers.
constexpr int kLookupWait = 60000;

} // namespace

class TestClientSocket : public QObject {
    Q_OBJECT

private slots:
    void winsockNumbers_data();
    void winsockNumbers();
    void exchangeAndPeerClose();
    void hostNameIsResolved();
    void refusedGivesErrorOnly();
    void resetByPeer();
    void failedWriteReportsInsideTheCall();
    void refusedOnTheSpotClosesThenRaises();
    void noEndpointRaisesAtOnce();
    void endpointFixedWhileActive();
    void unresolvableNameReachesErrorBox();
    void handlersCopiedToAnotherComponent();
    void destroyingOpenComponentCallsNothing();
    void abandonedLookup_data();
    void abandonedLookup();
    void closingInsideHandlerIsSafe_data();
    void closingInsideHandlerIsSafe();
};

void TestClientSocket::winsockNumbers_data()
{
    QTest::addColumn<int>("system");
    QTest::addColumn<int>("winsock");
    QTest::newRow("refused") << ECONNREFUSED << 10061;
    QTest::newRow("timed out") << ETIMEDOUT << 10060;
    QTest::newRow("reset") << ECONNRESET << 10054;
    QTest::newRow("broken pipe counts as reset") << EPIPE << 10054;
    QTest::newRow("network unreachable") << ENETUNREACH << 10051;
    QTest::newRow("host unreachable") << EHOSTUNREACH << 10065;
    QTest::newRow("aborted") << ECONNABORTED << 10053;
    QTest::newRow("address not available") << EADDRNOTAVAIL << 10049;
    QTest::newRow("not connected") << ENOTCONN << 10057;
    QTest::newRow("address family not supported") << EAFNOSUPPORT << 10047;
    QTest::newRow("blocked by a firewall rule is access denied") << EPERM << 10013;
    QTest::newRow("out of memory is out of buffers") << ENOMEM << 10055;
}

void TestClientSocket::winsockNumbers()
{
    QFETCH(int, system);
    QFETCH(int, winsock);
    QCOMPARE(WinsockError(system), winsock);
}

void TestClientSocket::exchangeAndPeerClose()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TClientSocket socket(nullptr);
    Recorder recorder;
    recorder.attach(socket);
    socket.OnConnect = [&](QObject*, TCustomWinSocket* s) {
        recorder.events << "connect";
        QCOMPARE(s->SendText("hello"), 5);
    };
    socket.SetAddress("127.0.0.1");
    socket.SetPort(server.serverPort() + 65536); // only the low 16 bits count
    socket.SetActive(true);
    QVERIFY(socket.Active());
    QVERIFY(server.waitForNewConnection(kWait));
    QTcpSocket* peer = server.nextPendingConnection();
    QByteArray request;
    QTRY_VERIFY_WITH_TIMEOUT((request += peer->readAll()) == "hello", kWait);
    std::string sent;
    for (int i = 0; i < 5; ++i) {
        const QByteArray part = "part" + QByteArray::number(i) + ";";
        sent += part.toStdString();
        peer->write(part);
        peer->flush();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.received, sent, kWait); // one read event per part at least
    }
    peer->disconnectFromHost();
    QTRY_VERIFY_WITH_TIMEOUT(recorder.ended(), kWait);
    QCOMPARE(recorder.received, std::string("part0;part1;part2;part3;part4;"));
    QVERIFY(recorder.events.count("read") >= 5);
    QCOMPARE(recorder.events.first(), QStringLiteral("connect"));
    QCOMPARE(recorder.events.last(), QStringLiteral("disconnect"));
    QCOMPARE(recorder.events.count("disconnect"), 1);
    QVERIFY(!socket.Active());

    // The same component opens again.
    socket.SetActive(true);
    QVERIFY(server.waitForNewConnection(kWait));
    server.nextPendingConnection()->disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(recorder.events.count("disconnect"), 2, kWait);
}

void TestClientSocket::hostNameIsResolved()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TClientSocket socket(nullptr);
    Recorder recorder;
    recorder.attach(socket);
    socket.SetHost("localhost");
    socket.SetAddress("255.255.255.255"); // disregarded when there is a host
    socket.SetPort(server.serverPort());
    socket.SetActive(true);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.events.contains("connect"), kWait);
}

void TestClientSocket::refusedGivesErrorOnly()
{
    TClientSocket socket(nullptr);
    Recorder recorder;
    recorder.attach(socket);
    socket.SetAddress("127.0.0.1");
    socket.SetPort(closedPort());
    socket.SetActive(true);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.ended(), kWait);
    QTest::qWait(100);
    QCOMPARE(recorder.events, QStringList{"error 10061"});
    QVERIFY(!socket.Active());
}

void TestClientSocket::resetByPeer()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TClientSocket socket(nullptr);
    Recorder recorder;
    recorder.attach(socket);
    socket.SetAddress("127.0.0.1");
    socket.SetPort(server.serverPort());
    socket.SetActive(true);
    QVERIFY(server.waitForNewConnection(kWait));
    QTcpSocket* peer = server.nextPendingConnection();
    QTRY_VERIFY_WITH_TIMEOUT(recorder.events.contains("connect"), kWait);
    peer->write("some bytes");
    peer->flush();
    QTRY_COMPARE_WITH_TIMEOUT(recorder.received, std::string("some bytes"), kWait);
    linger hard{1, 0};
    ::setsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    peer->abort();
    QTRY_VERIFY_WITH_TIMEOUT(recorder.ended(), kWait);
    QCOMPARE(recorder.events.last(), QStringLiteral("error 10054"));
    QVERIFY(!recorder.events.contains("disconnect"));
    QVERIFY(socket.Active()); // broken, not closed: closing is up to the handlers
    socket.Close();
    QVERIFY(!socket.Active());
}

void TestClientSocket::failedWriteReportsInsideTheCall()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TClientSocket socket(nullptr);
    Recorder recorder;
    recorder.attach(socket);
    socket.OnRead = [&](QObject*, TCustomWinSocket* s) {
        recorder.events << "read";
        const int sent = s->SendText("answer");
        recorder.events << QStringLiteral("sent %1").arg(sent);
    };
    socket.SetAddress("127.0.0.1");
    socket.SetPort(server.serverPort());
    socket.SetActive(true);
    QVERIFY(server.waitForNewConnection(kWait));
    QTcpSocket* peer = server.nextPendingConnection();
    QTRY_VERIFY_WITH_TIMEOUT(recorder.events.contains("connect"), kWait);
    // The bytes and the reset are both there before the component looks.
    peer->write("x");
    peer->flush();
    linger hard{1, 0};
    ::setsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    peer->abort();
    QTRY_VERIFY_WITH_TIMEOUT(recorder.events.size() >= 5, kWait);
    QCOMPARE(recorder.events, (QStringList{"connect", "read", "error 10054", "disconnect", "sent -1"}));
    QVERIFY(!socket.Active());
}

void TestClientSocket::refusedOnTheSpotClosesThenRaises()
{
    // No route takes a stream to a multicast group: the attempt fails at once.
    TClientSocket socket(nullptr);
    Recorder recorder;
    recorder.attach(socket);
    socket.SetAddress("224.0.0.1");
    socket.SetPort(80);
    QVERIFY_THROWS_EXCEPTION(Error, socket.SetActive(true));
    QCOMPARE(recorder.events, QStringList{"disconnect"});
    QVERIFY(!socket.Active());
}

void TestClientSocket::noEndpointRaisesAtOnce()
{
    TClientSocket socket(nullptr);
    Recorder recorder;
    recorder.attach(socket);
    socket.SetPort(80);
    QVERIFY_THROWS_EXCEPTION(Error, socket.SetActive(true));
    socket.SetAddress("not an address");
    QVERIFY_THROWS_EXCEPTION(Error, socket.SetActive(true));
    QVERIFY(!socket.Active());
    QVERIFY(recorder.events.isEmpty());
}

void TestClientSocket::endpointFixedWhileActive()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TClientSocket socket(nullptr);
    socket.SetHost("LocalHost");
    socket.SetPort(server.serverPort());
    socket.SetActive(true);
    socket.SetHost("localhost"); // the same name in another case
    socket.SetPort(server.serverPort());
    QVERIFY_THROWS_EXCEPTION(Error, socket.SetPort(server.serverPort() + 1));
    QVERIFY_THROWS_EXCEPTION(Error, socket.SetHost("elsewhere"));
    QVERIFY_THROWS_EXCEPTION(Error, socket.SetAddress("127.0.0.2"));
    socket.SetActive(true); // already active: nothing happens
    socket.Close();
    socket.SetPort(1);
    QCOMPARE(socket.Port(), 1);
}

void TestClientSocket::unresolvableNameReachesErrorBox()
{
    std::vector<std::string> shown;
    SetErrorBoxHook([&](const std::string& text) { shown.push_back(text); });
    TClientSocket socket(nullptr);
    Recorder recorder;
    recorder.attach(socket);
    socket.SetHost("nowhere.invalid");
    socket.SetPort(80);
    socket.SetActive(true);
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), std::size_t(1), kLookupWait);
    SetErrorBoxHook({});
    QVERIFY(shown[0].find("ASync Lookup") != std::string::npos);
    QVERIFY(shown[0].find("1100") != std::string::npos);
    QCOMPARE(recorder.events, QStringList{"disconnect"});
    QVERIFY(!socket.Active());
}

void TestClientSocket::handlersCopiedToAnotherComponent()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TClientSocket pattern(nullptr);
    Recorder recorder;
    recorder.attach(pattern);
    TClientSocket copy(nullptr);
    copy.OnConnect = pattern.OnConnect;
    copy.OnRead = pattern.OnRead;
    copy.OnDisconnect = pattern.OnDisconnect;
    copy.OnError = pattern.OnError;
    copy.SetAddress("127.0.0.1");
    copy.SetPort(server.serverPort());
    copy.SetActive(true);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.events.contains("connect"), kWait);
}

void TestClientSocket::destroyingOpenComponentCallsNothing()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    Recorder recorder;
    {
        TClientSocket socket(nullptr);
        recorder.attach(socket);
        socket.SetAddress("127.0.0.1");
        socket.SetPort(server.serverPort());
        socket.SetActive(true);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.events.contains("connect"), kWait);
        recorder.events.clear();
    }
    QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(kWait));
    QTcpSocket* peer = server.nextPendingConnection();
    QTRY_COMPARE_WITH_TIMEOUT(peer->state(), QAbstractSocket::UnconnectedState, kWait);
    QVERIFY(recorder.events.isEmpty());
}

void TestClientSocket::abandonedLookup_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("closed: the socket it had is reported closed") << false << QStringList{"disconnect"};
    QTest::newRow("destroyed: nothing is reported") << true << QStringList{};
}

void TestClientSocket::abandonedLookup()
{
    QFETCH(bool, destroy);
    QFETCH(QStringList, events);
    const std::string name = destroy ? "destroyed-lookup.invalid" : "closed-lookup.invalid";
    std::vector<std::string> shown;
    SetErrorBoxHook([&](const std::string& text) { shown.push_back(text); });
    Recorder recorder;
    auto* abandoned = new TClientSocket(nullptr);
    recorder.attach(*abandoned);
    abandoned->SetHost(name);
    abandoned->SetPort(80);
    abandoned->SetActive(true);
    if (destroy)
        delete abandoned;
    else
        abandoned->Close();
    // A second lookup of the same name: once its failure is shown, the first
    // one's would have been too.
    TClientSocket witness(nullptr);
    witness.SetHost(name);
    witness.SetPort(80);
    witness.SetActive(true);
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), std::size_t(1), kLookupWait);
    QCoreApplication::processEvents();
    SetErrorBoxHook({});
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(recorder.events, events);
    if (!destroy) {
        QVERIFY(!abandoned->Active());
        delete abandoned;
    }
}

void TestClientSocket::closingInsideHandlerIsSafe_data()
{
    QTest::addColumn<QString>("closingIn");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("connect") << "connect" << QStringList{"connect", "disconnect"};
    QTest::newRow("read") << "read" << QStringList{"connect", "read", "disconnect"};
    QTest::newRow("disconnect") << "disconnect" << QStringList{"connect", "read", "disconnect"};
}

// The handler closes its own connection and lets its component go, as a
// profile connection does.
void TestClientSocket::closingInsideHandlerIsSafe()
{
    QFETCH(QString, closingIn);
    QFETCH(QStringList, events);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    auto* socket = new TClientSocket(nullptr);
    QPointer<TClientSocket> alive(socket);
    QStringList seen;
    auto event = [&](const QString& name, QObject* sender, TCustomWinSocket* s) {
        seen << name;
        if (name == "read")
            s->ReceiveText();
        if (name == closingIn) {
            s->Close();
            sender->deleteLater();
        }
    };
    socket->OnConnect = [&](QObject* sender, TCustomWinSocket* s) { event("connect", sender, s); };
    socket->OnRead = [&](QObject* sender, TCustomWinSocket* s) { event("read", sender, s); };
    socket->OnDisconnect = [&](QObject* sender, TCustomWinSocket* s) { event("disconnect", sender, s); };
    socket->SetAddress("127.0.0.1");
    socket->SetPort(server.serverPort());
    socket->SetActive(true);
    QVERIFY(server.waitForNewConnection(kWait));
    QTcpSocket* peer = server.nextPendingConnection();
    QTRY_VERIFY_WITH_TIMEOUT(seen.contains("connect"), kWait);
    if (alive) {
        peer->write("x");
        peer->flush();
        QTRY_VERIFY_WITH_TIMEOUT(!alive || seen.contains("read"), kWait);
        peer->disconnectFromHost();
    }
    QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), kWait);
    seen.removeDuplicates();
    QCOMPARE(seen, events);
}

QTEST_MAIN(TestClientSocket)
#include "tst_clientsocket.moc"
