#include "Requests.h"

#include <QTest>

using namespace qx;

namespace {

const QByteArray Service = QUORRIX_SERVICE_HOST;
const QByteArray Direct = QUORRIX_DIRECT_HOST;

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string text(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray listRequest(const QByteArray& target)
{
    return "GET " + target + " HTTP/1.0\r\nAccept-Language: ja\r\nPragma:no-cache\r\nHost:" + Service + "\r\n\r\n";
}

QByteArray profileRequest(const QByteArray& target)
{
    return "GET " + target + " HTTP/1.0\r\nAccept-Language: ja\r\nHost:" + Service + "\r\n\r\n";
}

QByteArray describe(const Endpoint& endpoint)
{
    return "Host=" + bytes(endpoint.Host) + " Address=" + bytes(endpoint.Address)
        + " Port=" + QByteArray::number(endpoint.Port);
}

} // namespace

class TestRequests : public QObject {
    Q_OBJECT

private slots:
    void listRequest_data();
    void listRequest();
    void profileRequest_data();
    void profileRequest();
    void endpoint_data();
    void endpoint();
    void directEndpointRedirectedForTests();
};

void TestRequests::listRequest_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<bool>("proxyUse");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray longTail(1200, 'a');
    const QByteArray longHost(1200, 'h');

    QTest::newRow("direct default address asks for the path")
        << bytes(DefaultListAddress()) << false
        << "GET /people-l.html HTTP/1.0\r\n"
           "Accept-Language: ja\r\n"
           "Pragma:no-cache\r\n"
           "Host:" + Service + "\r\n"
           "\r\n";
    QTest::newRow("direct address of another host still asks for the path")
        << QByteArray("http://other.example:8000/people-l.html") << false << ::listRequest("/people-l.html");
    QTest::newRow("direct address without slash after host asks for the host")
        << QByteArray("http://other.example") << false << ::listRequest("other.example");
    QTest::newRow("direct path alone is the target")
        << QByteArray("/people-l.html") << false << ::listRequest("/people-l.html");
    QTest::newRow("direct text without double slash is sent whole")
        << QByteArray("other.example/people-l.html") << false << ::listRequest("other.example/people-l.html");
    QTest::newRow("direct double slash inside a path")
        << QByteArray("/x//y/z") << false << ::listRequest("/z");
    QTest::newRow("direct only the first double slash counts")
        << QByteArray("http://h//a//b") << false << ::listRequest("//a//b");
    QTest::newRow("direct empty address gives empty target")
        << QByteArray() << false << QByteArray("GET  HTTP/1.0\r\nAccept-Language: ja\r\nPragma:no-cache\r\nHost:" + Service + "\r\n\r\n");
    QTest::newRow("proxy empty address gives empty target")
        << QByteArray() << true << ::listRequest("");
    QTest::newRow("direct looks at 999 bytes after the double slash")
        << "http://h/" + longTail << false << ::listRequest("/" + QByteArray(997, 'a'));
    QTest::newRow("direct long host without slash is cut at 999 bytes")
        << "http://" + longHost << false << ::listRequest(QByteArray(999, 'h'));
    QTest::newRow("direct slash beyond the 999 bytes is not seen")
        << "http://" + QByteArray(999, 'h') + "/people-l.html" << false << ::listRequest(QByteArray(999, 'h'));
    QTest::newRow("proxy sends the address as typed, blanks and all")
        << QByteArray("  http://www.example/people-l.html ") << true
        << ::listRequest("  http://www.example/people-l.html ");
    QTest::newRow("proxy long address is not cut")
        << "http://h/" + longTail << true << ::listRequest("http://h/" + longTail);
    // 表 (95 5C) and ソ (83 5C) carry a backslash byte, 北 (96 6B) a letter.
    QTest::newRow("direct double-byte text passes unchanged")
        << QByteArray("http://h/\x95\x5c/\x96\x6b?q=\x83\x5c") << false
        << ::listRequest("/\x95\x5c/\x96\x6b?q=\x83\x5c");
    QTest::newRow("proxy line break cannot add a header line")
        << QByteArray("http://h/a\r\nX-Extra: 1") << true << ::listRequest("http://h/a%0D%0AX-Extra: 1");
    QTest::newRow("direct lone line feed cannot end the request")
        << QByteArray("http://h/a\n\nGET /b") << false << ::listRequest("/a%0A%0AGET /b");
}

void TestRequests::listRequest()
{
    QFETCH(QByteArray, address);
    QFETCH(bool, proxyUse);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes(BuildListRequest(text(address), proxyUse)), expected);
}

void TestRequests::profileRequest_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<bool>("proxyUse");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("direct asks for the profile path")
        << QByteArray("0901234567") << false
        << "GET /cgi-bin/viewprofile.cgi?phone=0901234567 HTTP/1.0\r\n"
           "Accept-Language: ja\r\n"
           "Host:" + Service + "\r\n"
           "\r\n";
    QTest::newRow("proxy names the service host in the URL")
        << QByteArray("0901234567") << true
        << ::profileRequest("http://" + Service + "/cgi-bin/viewprofile.cgi?phone=0901234567");
    QTest::newRow("empty number")
        << QByteArray() << false << ::profileRequest("/cgi-bin/viewprofile.cgi?phone=");
    QTest::newRow("bytes a URL would escape go in unescaped")
        << QByteArray("09 0&1%2#\x95\x5c") << false << ::profileRequest("/cgi-bin/viewprofile.cgi?phone=09 0&1%2#\x95\x5c");
    QTest::newRow("line breaks from a page cannot add a header line")
        << QByteArray("090\r\nX: 1") << true
        << ::profileRequest("http://" + Service + "/cgi-bin/viewprofile.cgi?phone=090%0D%0AX: 1");
}

void TestRequests::profileRequest()
{
    QFETCH(QByteArray, number);
    QFETCH(bool, proxyUse);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes(BuildProfileRequest(text(number), proxyUse)), expected);
}

void TestRequests::endpoint_data()
{
    QTest::addColumn<bool>("proxyUse");
    QTest::addColumn<QByteArray>("proxyAddr");
    QTest::addColumn<QByteArray>("proxyPort");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("direct ignores the proxy fields")
        << false << QByteArray("10.0.0.1") << QByteArray("3128") << "Host=" + Direct + " Address= Port=80";
    QTest::newRow("numeric proxy address")
        << true << QByteArray("10.0.0.1") << QByteArray("8080") << QByteArray("Host= Address=10.0.0.1 Port=8080");
    QTest::newRow("proxy host name")
        << true << QByteArray("proxy.example") << QByteArray("3128") << QByteArray("Host=proxy.example Address= Port=3128");
    QTest::newRow("all-ones address counts as a host name")
        << true << QByteArray("255.255.255.255") << QByteArray("") << QByteArray("Host=255.255.255.255 Address= Port=8080");
    QTest::newRow("empty proxy address leaves both empty")
        << true << QByteArray() << QByteArray("3128") << QByteArray("Host= Address= Port=3128");
    QTest::newRow("two-part dotted form is numeric")
        << true << QByteArray("127.1") << QByteArray("3128") << QByteArray("Host= Address=127.1 Port=3128");
    QTest::newRow("hexadecimal and octal parts are numeric")
        << true << QByteArray("0x7f.0.0.01") << QByteArray("3128") << QByteArray("Host= Address=0x7f.0.0.01 Port=3128");
    QTest::newRow("part out of range is a host name")
        << true << QByteArray("10.0.0.256") << QByteArray("3128") << QByteArray("Host=10.0.0.256 Address= Port=3128");
    QTest::newRow("five parts is a host name")
        << true << QByteArray("1.2.3.4.5") << QByteArray("3128") << QByteArray("Host=1.2.3.4.5 Address= Port=3128");
    QTest::newRow("address with a trailing blank is a host name")
        << true << QByteArray("10.0.0.1 ") << QByteArray("3128") << QByteArray("Host=10.0.0.1  Address= Port=3128");
    QTest::newRow("address followed by a NUL byte is a host name")
        << true << QByteArray("10.0.0.1\0x", 10) << QByteArray("3128") << QByteArray("Host=10.0.0.1\0x Address= Port=3128", 34);
    QTest::newRow("empty port gives 8080")
        << true << QByteArray("10.0.0.1") << QByteArray() << QByteArray("Host= Address=10.0.0.1 Port=8080");
    QTest::newRow("port with leading blanks")
        << true << QByteArray("10.0.0.1") << QByteArray("  3128") << QByteArray("Host= Address=10.0.0.1 Port=3128");
    QTest::newRow("port with a trailing blank gives 8080")
        << true << QByteArray("10.0.0.1") << QByteArray("3128 ") << QByteArray("Host= Address=10.0.0.1 Port=8080");
    QTest::newRow("port with a letter gives 8080")
        << true << QByteArray("10.0.0.1") << QByteArray("80a") << QByteArray("Host= Address=10.0.0.1 Port=8080");
    QTest::newRow("hexadecimal port")
        << true << QByteArray("10.0.0.1") << QByteArray("0x50") << QByteArray("Host= Address=10.0.0.1 Port=80");
    QTest::newRow("dollar hexadecimal port")
        << true << QByteArray("10.0.0.1") << QByteArray("$50") << QByteArray("Host= Address=10.0.0.1 Port=80");
    QTest::newRow("port above 65535 is kept")
        << true << QByteArray("10.0.0.1") << QByteArray("70000") << QByteArray("Host= Address=10.0.0.1 Port=70000");
}

void TestRequests::endpoint()
{
    QFETCH(bool, proxyUse);
    QFETCH(QByteArray, proxyAddr);
    QFETCH(QByteArray, proxyPort);
    QFETCH(QByteArray, expected);
    QCOMPARE(describe(ChooseEndpoint(proxyUse, text(proxyAddr), text(proxyPort))), expected);
}

void TestRequests::directEndpointRedirectedForTests()
{
    SetDirectEndpointForTesting("127.0.0.1", 5555);
    const QByteArray redirected = describe(ChooseEndpoint(false, "", ""));
    SetDirectEndpointForTesting("", 0);
    const QByteArray restored = describe(DirectEndpoint());
    QCOMPARE(redirected + " / " + restored, "Host=127.0.0.1 Address= Port=5555 / Host=" + Direct + " Address= Port=80");
}

QTEST_APPLESS_MAIN(TestRequests)
#include "tst_requests.moc"
