// Refreshing the list and fetching profiles over real loopback connections to
// the sample directory server, through the real window offscreen.

#include "Cp932.h"
#include "Requests.h"
#include "SampleServerProcess.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QTcpServer>
#include <QtTest>

namespace {

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

void useProxy(TWebPhoneForm& form, quint16 port, const QString& address = QStringLiteral("127.0.0.1"))
{
    form.ProxyUse->setChecked(true);
    form.ProxyAddr->setText(address);
    form.ProxyPort->setText(QString::number(port));
}

// A loopback port with nothing listening on it.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

std::string listAddress(quint16 port, const std::string& query = {})
{
    return "http://127.0.0.1:" + std::to_string(port) + "/people-l.html" + query;
}

int sockets(TWebPhoneForm& form)
{
    return static_cast<int>(form.findChildren<qx::TClientSocket*>().size());
}

void refresh(TWebPhoneForm& form)
{
    QTest::mouseClick(form.ToolButton9, Qt::LeftButton);
}

// Selects the row and double-clicks it, as the user fetches a profile.
void doubleClickRow(TWebPhoneForm& form, int row)
{
    const QRect rect = form.LVOnline->visualRect(form.LVOnline->model()->index(row, 1));
    QTest::mouseClick(form.LVOnline->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(form.LVOnline->viewport(), Qt::LeftButton, {}, rect.center());
}

constexpr int kWait = 20000;

} // namespace

class TestFetching : public QObject {
    Q_OBJECT

private slots:
    void init() { qx::SetDirectEndpointForTesting({}, 0); }
    void refreshThroughProxyFillsList();
    void refreshDirectSendsPathAndServiceHost();
    void responseInSmallPiecesReachesParserWhole();
    void doubleClickFetchesProfile();
    void profilesAppliedAsTheirConnectionsClose();
    void refusedProfileShowsErrorCode();
    void brokenResponseParsesNothing_data();
    void brokenResponseParsesNothing();
    void emptyProxyAddressSendsNothing();
    void refusedAtOnceReplacesEarlierError();
    void unresolvableNameShowsErrorBox();
    void refreshDuringFetchStartsAgain();
    void endlessResponseEndsAsError();
};

void TestFetching::refreshThroughProxyFillsList()
{
    WindowFixture files;
    SampleServerProcess server;
    TWebPhoneForm form;
    useProxy(form, server.port());
    refresh(form);
    QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Count() > 1, kWait);
    QCOMPARE(form.Sb->PanelText(1), std::string());
    QCOMPARE(form.Sb->PanelText(0), std::to_string(form.LVOnline->Count()));
    QCOMPARE(server.recorded(), QList<QByteArray>{bytes(qx::BuildListRequest(form.AddrList->Text(), true))});
}

void TestFetching::refreshDirectSendsPathAndServiceHost()
{
    WindowFixture files;
    SampleServerProcess server;
    qx::SetDirectEndpointForTesting("127.0.0.1", server.port());
    TWebPhoneForm form;
    form.AddrList->SetText("http://elsewhere.example/people-l.html");
    refresh(form);
    QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Count() > 1, kWait);
    QCOMPARE(server.recorded(), QList<QByteArray>{"GET /people-l.html HTTP/1.0\r\nAccept-Language: ja\r\nPragma:no-cache\r\nHost:" +
                                                  bytes(qx::ServiceHost) + "\r\n\r\n"});
    QCOMPARE(form.AddrList->Items().front(), std::string("http://elsewhere.example/people-l.html"));
}

void TestFetching::responseInSmallPiecesReachesParserWhole()
{
    WindowFixture files;
    SampleServerProcess whole;
    SampleServerProcess slow({"--mode", "slow:0"});
    TWebPhoneForm form;
    useProxy(form, whole.port());
    refresh(form);
    QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Count() > 1, kWait);
    std::vector<std::string> numbers;
    for (const qx::ListItem& item : form.LVOnline->Items())
        numbers.push_back(item.Caption);

    TWebPhoneForm second;
    useProxy(second, slow.port());
    refresh(second);
    QTRY_VERIFY_WITH_TIMEOUT(second.LVOnline->Count() > 1 && second.Sb->PanelText(1).empty(), 60000);
    std::vector<std::string> slowNumbers;
    for (const qx::ListItem& item : second.LVOnline->Items())
        slowNumbers.push_back(item.Caption);
    QCOMPARE(slowNumbers, numbers);
}

void TestFetching::doubleClickFetchesProfile()
{
    WindowFixture files;
    SampleServerProcess server;
    TWebPhoneForm form;
    form.resize(900, 500);
    form.show();
    useProxy(form, server.port());
    refresh(form);
    QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Count() > 1, kWait);
    const int before = sockets(form);
    const std::string number = form.LVOnline->Items()[1].Caption;
    doubleClickRow(form, 1);
    QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Items()[1].SubItems[5] != "--Double Click--", kWait);
    QCOMPARE(form.LVOnline->Items()[1].SubItems[5], std::string(form.ProfList.ValueOf(number)));
    QCOMPARE(server.recorded().last(), bytes(qx::BuildProfileRequest(number, true)));
    QCOMPARE(form.Sb->PanelText(2), std::string());
    // The profile connection is let go once its fetch has ended.
    QTRY_COMPARE_WITH_TIMEOUT(sockets(form), before, kWait);
}

void TestFetching::profilesAppliedAsTheirConnectionsClose()
{
    WindowFixture files;
    SampleServerProcess late({"--mode", "delay:800"});
    SampleServerProcess early;
    TWebPhoneForm form;
    useProxy(form, early.port());
    refresh(form);
    QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Count() > 2, kWait);
    const std::string first = form.LVOnline->Items()[0].Caption;
    const std::string second = form.LVOnline->Items()[1].Caption;

    useProxy(form, late.port());
    form.RequestProfile(first);
    useProxy(form, early.port());
    form.RequestProfile(second);
    QTRY_COMPARE_WITH_TIMEOUT(form.ProfList.Count(), 1, kWait);
    QCOMPARE(form.ProfList.FindName(second), 0); // the later request closed first
    QTRY_COMPARE_WITH_TIMEOUT(form.ProfList.Count(), 2, kWait);
    QCOMPARE(form.ProfList.FindName(first), 1);
    QVERIFY(form.LVOnline->Items()[0].SubItems[5] != "--Double Click--");
    QCOMPARE(form.Sb->PanelText(2), std::string());
}

void TestFetching::refusedProfileShowsErrorCode()
{
    WindowFixture files;
    TWebPhoneForm form;
    useProxy(form, closedPort());
    const int before = sockets(form);
    form.RequestProfile("0000000378");
    QTRY_COMPARE_WITH_TIMEOUT(form.Sb->PanelText(2), std::string("Error(ErrorCode=10061)"), kWait);
    QCOMPARE(form.LVOnline->Items()[0].SubItems[5], qx::FromUnicode(QStringLiteral("留守番メッセージお願いします")));
    QTRY_COMPARE_WITH_TIMEOUT(sockets(form), before, kWait);

    refresh(form);
    QTRY_COMPARE_WITH_TIMEOUT(form.Sb->PanelText(1), std::string("Error"), kWait);
}

void TestFetching::brokenResponseParsesNothing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("rowCount");
    QTest::newRow("reset after part of the page") << "reset:2000" << "Error" << "";
    QTest::newRow("closed without a byte") << "close" << "" << "";
    QTest::newRow("binary noise") << "noise:5000" << "" << "";
    QTest::newRow("large page without table") << "huge:10" << "" << "";
}

void TestFetching::brokenResponseParsesNothing()
{
    QFETCH(QString, mode);
    QFETCH(QString, panel);
    QFETCH(QString, rowCount);
    WindowFixture files;
    SampleServerProcess server({"--mode", mode});
    TWebPhoneForm form;
    useProxy(form, server.port());
    form.Sb->SetPanelText(1, "waiting");
    refresh(form);
    QTRY_COMPARE_WITH_TIMEOUT(form.Sb->PanelText(1), panel.toStdString(), kWait);
    QCOMPARE(form.LVOnline->Count(), 1);
    QCOMPARE(form.LVOnline->Items()[0].Caption, std::string("0000000378"));
    QCOMPARE(form.Sb->PanelText(0), rowCount.toStdString());
    QCOMPARE(form.SeenList.Count(), 0);
}

void TestFetching::emptyProxyAddressSendsNothing()
{
    WindowFixture files;
    TWebPhoneForm form;
    useProxy(form, 8080, QString());
    refresh(form);
    QCOMPARE(form.Sb->PanelText(1), std::string("Error"));
    const int before = sockets(form);
    form.RequestProfile("0000000378");
    QCOMPARE(form.Sb->PanelText(2), std::string());
    QTRY_COMPARE_WITH_TIMEOUT(sockets(form), before, kWait);
    QCOMPARE(form.LVOnline->Count(), 1);
}

// Panels that show an earlier connection's error end as a request refused on
// the spot leaves them, not with the old text.
void TestFetching::refusedAtOnceReplacesEarlierError()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.resize(900, 500);
    form.show();
    useProxy(form, closedPort());
    doubleClickRow(form, 0);
    QTRY_COMPARE_WITH_TIMEOUT(form.Sb->PanelText(2), std::string("Error(ErrorCode=10061)"), kWait);
    form.Sb->SetPanelText(1, "Reading");

    useProxy(form, 8080, QString());
    refresh(form);
    doubleClickRow(form, 0);
    QCOMPARE(form.Sb->PanelText(1), std::string("Error"));
    QCOMPARE(form.Sb->PanelText(2), std::string());
}

void TestFetching::unresolvableNameShowsErrorBox()
{
    WindowFixture files;
    TWebPhoneForm form;
    useProxy(form, 8080, QStringLiteral("nowhere.invalid"));
    refresh(form);
    QTRY_VERIFY_WITH_TIMEOUT(!files.errors.empty(), kWait);
    QVERIFY(files.errors[0].find("ASync Lookup") != std::string::npos);
    QCOMPARE(form.LVOnline->Count(), 1);
    QCOMPARE(form.Sb->PanelText(0), std::string());
}

void TestFetching::refreshDuringFetchStartsAgain()
{
    WindowFixture files;
    SampleServerProcess server;
    TWebPhoneForm form;
    useProxy(form, server.port());
    form.AddrList->SetText(listAddress(server.port(), "?mode=stall"));
    refresh(form);
    QTRY_COMPARE_WITH_TIMEOUT(form.Sb->PanelText(1), std::string("Reading"), kWait);

    // A changed proxy setting applies to the new fetch instead of raising.
    SampleServerProcess other;
    useProxy(form, other.port());
    form.AddrList->SetText(listAddress(other.port()));
    refresh(form);
    QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Count() > 1, kWait);
    QVERIFY(files.errors.empty());
    QCOMPARE(other.recorded().size(), 1);
    QCOMPARE(form.AddrList->Items().size(), std::size_t(3));
}

void TestFetching::endlessResponseEndsAsError()
{
    WindowFixture files;
    SampleServerProcess server({"--mode", "endless"});
    TWebPhoneForm form;
    useProxy(form, server.port());
    refresh(form);
    QTRY_COMPARE_WITH_TIMEOUT(form.Sb->PanelText(1), std::string("Error"), 120000);
    QCOMPARE(form.LVOnline->Count(), 1);
    QVERIFY(!form.CS->Active());
}

QTEST_MAIN(TestFetching)
#include "tst_fetching.moc"
