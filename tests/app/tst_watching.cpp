// The watch through the real window: the group on the Setting page, its
// settings, the timed refreshes against the sample server, and the desktop
// notice for friends who came online, sent over a session bus of the test's
// own to a recording notification service.

#include "Cp932.h"
#include "PrivateSessionBus.h"
#include "Requests.h"
#include "SampleServerProcess.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QDBusConnectionInterface>
#include <QDialog>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

constexpr int kWait = 20000;
// One second of the watch's count in the tests that wait for timed refreshes:
// the least interval, 30 seconds, then lasts 150 ms.
constexpr auto kShortSecond = 5ms;

const std::string kFriendA = "0901111111";
const std::string kFriendB = "0802222222";
const std::string kOther = "0903333333";

std::string A(const QString& text)
{
    return qx::FromUnicode(text);
}

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

void useProxy(TWebPhoneForm& form, quint16 port)
{
    form.ProxyUse->setChecked(true);
    form.ProxyAddr->setText(QStringLiteral("127.0.0.1"));
    form.ProxyPort->setText(QString::number(port));
}

void refresh(TWebPhoneForm& form)
{
    QTest::mouseClick(form.ToolButton9, Qt::LeftButton);
}

void click(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// A people-list page listing the numbers.
std::string listPage(const std::vector<std::string>& numbers)
{
    std::string page = "<table><tr></tr>";
    for (const std::string& number : numbers)
        page += "<tr><td>on.gif</td><td>" + number + "</td><td>female</td><td>20<img></td><td>p</td><td>t</td></tr>";
    return page + "</table>";
}

// A loopback server that answers each request with the next of the pages it
// was given, then closes.
class PageServer {
public:
    PageServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_received[socket] += socket->readAll();
                    if (!m_received[socket].contains("\r\n\r\n"))
                        return;
                    const std::string page = m_pages.empty() ? listPage({}) : m_pages.front();
                    if (!m_pages.empty())
                        m_pages.erase(m_pages.begin());
                    socket->write("HTTP/1.0 200 OK\r\n\r\n" + bytes(page));
                    socket->disconnectFromHost();
                    ++m_served;
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    void add(const std::vector<std::string>& numbers) { m_pages.push_back(listPage(numbers)); }
    int served() const { return m_served; }

private:
    QTcpServer m_server;
    std::vector<std::string> m_pages;
    std::map<QTcpSocket*, QByteArray> m_received;
    int m_served = 0;
};

// Refreshes by hand and waits until the fill has listed count rows.
void refreshAndFill(TWebPhoneForm& form, int count)
{
    const std::string before = form.Sb->PanelText(0);
    form.Sb->SetPanelText(0, "-");
    refresh(form);
    QTRY_VERIFY_WITH_TIMEOUT(form.Sb->PanelText(0) != "-", kWait);
    QCOMPARE(form.LVOnline->Count(), count);
}

QStringList bodies(const NotificationRecorder& recorder)
{
    QStringList out;
    for (const NotificationRecorder::Notice& notice : recorder.notices())
        out << notice.body;
    return out;
}

} // namespace

class TestWatching : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void groupControlsAndDefaults();
    void tabOrderRunsOnFromProxyGroup();
    void settingsLoad_data();
    void settingsLoad();
    void settingsWrittenBack();
    void timedRefreshesLeaveHistoryAlone();
    void handRefreshStartsCountAnew();
    void noTimedRefreshWhileBusy_data();
    void noTimedRefreshWhileBusy();
    void noticeForFriendsNewlyListed();
    void noNoticeWhileOff_data();
    void noNoticeWhileOff();
    void noServiceNoErrorNoNotice();

private:
    PrivateSessionBus m_bus; // before anything uses the session bus
};

void TestWatching::initTestCase()
{
    QVERIFY2(!m_bus.address().isEmpty(), "dbus-daemon did not start");
}

void TestWatching::groupControlsAndDefaults()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.show();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    QCOMPARE(form.GroupBox2->title(), QStringLiteral("自動更新"));
    QCOMPARE(form.GroupBox2->geometry(), QRect(272, 16, 241, 113));
    QCOMPARE(form.GroupBox2->parentWidget(), form.TabSheet2);
    QCOMPARE(form.WatchUse->text(), QStringLiteral("自動的に更新する"));
    QCOMPARE(form.Label3->text(), QStringLiteral("間隔（秒）"));
    QCOMPARE(form.WatchNotify->text(), QStringLiteral("友好の人が来たら知らせる"));
    for (QWidget* control : std::initializer_list<QWidget*>{form.GroupBox2, form.WatchUse, form.WatchInterval, form.WatchNotify}) {
        QVERIFY(!control->accessibleName().isEmpty());
        QVERIFY(control->isVisible());
    }
    QVERIFY(!form.WatchUse->isChecked());
    QCOMPARE(form.WatchInterval->value(), 180);
    QCOMPARE(form.WatchInterval->minimum(), 30);
    QCOMPARE(form.WatchInterval->maximum(), 3600);
    QVERIFY(form.WatchNotify->isChecked());
    QVERIFY(!form.WatchNotify->isEnabled());
    QVERIFY(!form.WatchTimer->isActive());
    QCOMPARE(form.Sb->PanelText(3), std::string());

    click(form.WatchUse);
    QVERIFY(form.WatchUse->isChecked());
    QVERIFY(form.WatchNotify->isEnabled());
    QVERIFY(form.WatchTimer->isActive());
    QCOMPARE(form.Sb->PanelText(3), A(QStringLiteral("180秒")));

    // Typing a number below the least leaves the least in place at most.
    form.WatchInterval->setFocus();
    form.WatchInterval->selectAll();
    QTest::keyClicks(form.WatchInterval, QStringLiteral("10"));
    QTest::keyClick(form.WatchInterval, Qt::Key_Return);
    QVERIFY(form.WatchInterval->value() >= 30);
    form.WatchInterval->selectAll();
    QTest::keyClicks(form.WatchInterval, QStringLiteral("45"));
    QTest::keyClick(form.WatchInterval, Qt::Key_Return);
    QCOMPARE(form.WatchInterval->value(), 45);
    QCOMPARE(form.Sb->PanelText(3), A(QStringLiteral("45秒")));

    click(form.WatchUse);
    QVERIFY(!form.WatchNotify->isEnabled());
    QVERIFY(form.WatchNotify->isChecked());
    QVERIFY(!form.WatchTimer->isActive());
    QCOMPARE(form.Sb->PanelText(3), std::string());
}

void TestWatching::tabOrderRunsOnFromProxyGroup()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.show();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    click(form.WatchUse);
    form.ProxyUse->setFocus();
    auto focused = [](QWidget* w) { return QApplication::focusWidget() == w || w->isAncestorOf(QApplication::focusWidget()); };
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(focused(form.WatchUse));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(focused(form.WatchInterval));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(focused(form.WatchNotify));
}

void TestWatching::settingsLoad_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("use");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("notify");
    QTest::newRow("no section: off, 180, notices on") << QByteArray("[Proxy]\r\nUSE=0\r\n") << false << 180 << true;
    QTest::newRow("on, 45 seconds, notices off") << QByteArray("[WATCH]\r\nUSE=1\r\nINTERVAL=45\r\nNOTIFY=0\r\n") << true << 45 << false;
    QTest::newRow("interval below the least") << QByteArray("[WATCH]\r\nUSE=1\r\nINTERVAL=5\r\n") << true << 30 << true;
    QTest::newRow("interval above the most") << QByteArray("[WATCH]\r\nINTERVAL=7200\r\n") << false << 3600 << true;
    QTest::newRow("unreadable values") << QByteArray("[WATCH]\r\nUSE=on\r\nINTERVAL=x\r\nNOTIFY=no\r\n") << false << 180 << true;
}

void TestWatching::settingsLoad()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, use);
    QFETCH(int, interval);
    QFETCH(bool, notify);
    WindowFixture files;
    files.write("quorrix.INI", file.toStdString());
    TWebPhoneForm form;
    QCOMPARE(form.WatchUse->isChecked(), use);
    QCOMPARE(form.WatchInterval->value(), interval);
    QCOMPARE(form.WatchNotify->isChecked(), notify);
    QCOMPARE(form.WatchNotify->isEnabled(), use);
    QCOMPARE(form.WatchTimer->isActive(), use);
    QCOMPARE(form.Sb->PanelText(3), use ? std::to_string(interval) + A(QStringLiteral("秒")) : std::string());
}

void TestWatching::settingsWrittenBack()
{
    WindowFixture files;
    files.write("quorrix.INI", "; mine\r\n[WATCH]\r\nUSE=1\r\nextra=keep\r\nINTERVAL=9999\r\n[URLLIST]\r\nURL0=http://a/\r\n");
    {
        TWebPhoneForm form;
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        click(form.WatchNotify);
        QVERIFY(form.close());
    }
    QCOMPARE(files.read("quorrix.INI"), std::string("; mine\r\n[WATCH]\r\nUSE=1\r\nextra=keep\r\nINTERVAL=3600\r\nNOTIFY=0\r\n"
                                                    "[URLLIST]\r\nURL0=http://a/\r\n[Proxy]\r\nUSE=0\r\nADDR=10.0.0.1\r\nPORT=8080\r\n"));
    TWebPhoneForm again;
    QVERIFY(again.WatchUse->isChecked());
    QCOMPARE(again.WatchInterval->value(), 3600);
    QVERIFY(!again.WatchNotify->isChecked());
}

void TestWatching::timedRefreshesLeaveHistoryAlone()
{
    WindowFixture files;
    SampleServerProcess server;
    TWebPhoneForm form(nullptr, FileLocations::ForThisRun(), kShortSecond);
    form.show();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    useProxy(form, server.port());
    const std::string address = "http://127.0.0.1:" + std::to_string(server.port()) + "/people-l.html";
    form.AddrList->SetText(address);
    const std::vector<std::string> history = form.AddrList->Items();
    QCOMPARE(form.WatchInterval->value(), 180);
    form.WatchInterval->setValue(30);

    click(form.WatchUse);
    QTRY_VERIFY_WITH_TIMEOUT(server.recorded().size() >= 2, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Count() > 1, kWait);
    click(form.WatchUse);
    QVERIFY(!form.WatchTimer->isActive());
    QCOMPARE(form.Sb->PanelText(3), std::string());
    for (const QByteArray& request : server.recorded())
        QCOMPARE(request, bytes(qx::BuildListRequest(address, true)));
    QCOMPARE(form.AddrList->Items(), history);
    QCOMPARE(form.AddrList->Text(), address);

    // The button, by contrast, remembers the address.
    refresh(form);
    QCOMPARE(form.AddrList->Items().front(), address);
}

void TestWatching::handRefreshStartsCountAnew()
{
    WindowFixture files;
    files.write("quorrix.INI", "[WATCH]\r\nUSE=1\r\nINTERVAL=30\r\n");
    SampleServerProcess server;
    TWebPhoneForm form;
    useProxy(form, server.port());
    QCOMPARE(form.Sb->PanelText(3), A(QStringLiteral("30秒")));
    QTRY_COMPARE_WITH_TIMEOUT(form.Sb->PanelText(3), A(QStringLiteral("29秒")), kWait);
    refresh(form);
    QCOMPARE(form.Sb->PanelText(3), A(QStringLiteral("30秒")));
}

void TestWatching::noTimedRefreshWhileBusy_data()
{
    QTest::addColumn<QString>("busy");
    QTest::newRow("list fetch still running") << "fetch";
    QTest::newRow("modal box open") << "modal";
}

void TestWatching::noTimedRefreshWhileBusy()
{
    QFETCH(QString, busy);
    WindowFixture files;
    // The stalled server sends the page but never closes, so its fetch runs on.
    SampleServerProcess server(busy == "fetch" ? QStringList{"--mode", "stall"} : QStringList{});
    TWebPhoneForm form(nullptr, FileLocations::ForThisRun(), kShortSecond);
    form.show();
    useProxy(form, server.port());
    form.WatchInterval->setValue(30);
    QDialog box(&form);
    if (busy == "fetch") {
        refresh(form);
        QTRY_COMPARE_WITH_TIMEOUT(server.recorded().size(), 1, kWait);
    } else {
        box.setModal(true);
        box.show();
    }
    const qsizetype before = server.recorded().size();
    QSignalSpy ticks(form.WatchTimer, &QTimer::timeout);
    click(form.WatchUse);
    // Three whole intervals pass, each ending in a refresh that is due.
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 3 * 30 + 1, kWait);
    QCOMPARE(server.recorded().size(), before);
    if (busy == "fetch") {
        QVERIFY(form.CS->Active());
        QVERIFY(form.Sb->PanelText(1) == "Connected" || form.Sb->PanelText(1) == "Reading");
    } else {
        box.close();
        QTRY_VERIFY_WITH_TIMEOUT(server.recorded().size() > before, kWait);
    }
}

void TestWatching::noticeForFriendsNewlyListed()
{
    WindowFixture files;
    files.write("flag.txt", kFriendA + "=1\r\n" + kFriendB + "=1\r\n" + kOther + "=0\r\n");
    files.write("quorrix.INI", "[WATCH]\r\nUSE=1\r\nINTERVAL=3600\r\nNOTIFY=1\r\n");
    NotificationRecorder recorder(m_bus.address());
    QVERIFY(recorder.start());
    PageServer pages;
    pages.add({kOther, kFriendA, kFriendB});
    pages.add({kFriendB, kFriendA});
    pages.add({kFriendB});
    pages.add({kFriendA, kOther, kFriendB});
    TWebPhoneForm form;
    form.show();
    useProxy(form, pages.port());

    refreshAndFill(form, 3);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.notices().size(), 1, kWait);
    const NotificationRecorder::Notice first = recorder.notices().first();
    QCOMPARE(first.summary, QStringLiteral("友好の人がオンラインです"));
    QCOMPARE(first.body, QString::fromStdString(kFriendA + "\n" + kFriendB));
    QCOMPARE(first.appIcon, QStringLiteral(QUORRIX_APP_ID));
    QVERIFY(first.actions.contains(QStringLiteral("default")));

    refreshAndFill(form, 2); // the same two friends
    refreshAndFill(form, 1); // one of them away
    refreshAndFill(form, 3); // back again
    QTRY_COMPARE_WITH_TIMEOUT(recorder.notices().size(), 2, kWait);
    QCOMPARE(bodies(recorder), (QStringList{QString::fromStdString(kFriendA + "\n" + kFriendB), QString::fromStdString(kFriendA)}));

    // A click on the notice brings the window back.
    form.showMinimized();
    QTRY_VERIFY_WITH_TIMEOUT(form.isMinimized(), kWait);
    recorder.click(recorder.notices().last().id);
    QTRY_VERIFY_WITH_TIMEOUT(!form.isMinimized(), kWait);
    QVERIFY(files.errors.empty());
}

void TestWatching::noNoticeWhileOff_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("turnOn");
    QTest::newRow("watch off") << QByteArray("[WATCH]\r\nUSE=0\r\nNOTIFY=1\r\n") << "WatchUse";
    QTest::newRow("notices off") << QByteArray("[WATCH]\r\nUSE=1\r\nINTERVAL=3600\r\nNOTIFY=0\r\n") << "WatchNotify";
}

void TestWatching::noNoticeWhileOff()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, turnOn);
    WindowFixture files;
    files.write("flag.txt", kFriendA + "=1\r\n" + kFriendB + "=1\r\n");
    files.write("quorrix.INI", settings.toStdString());
    NotificationRecorder recorder(m_bus.address());
    QVERIFY(recorder.start());
    PageServer pages;
    pages.add({kFriendA});
    pages.add({kFriendA, kFriendB});
    TWebPhoneForm form;
    form.show();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    useProxy(form, pages.port());

    refreshAndFill(form, 1);
    click(form.findChild<QCheckBox*>(turnOn));
    QVERIFY(form.WatchUse->isChecked() && form.WatchNotify->isChecked());
    // The fill made while off still counts as the one before: only B is new.
    refreshAndFill(form, 2);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.notices().size(), 1, kWait);
    QCOMPARE(bodies(recorder), QStringList{QString::fromStdString(kFriendB)});
}

void TestWatching::noServiceNoErrorNoNotice()
{
    WindowFixture files;
    files.write("flag.txt", kFriendA + "=1\r\n" + kFriendB + "=1\r\n");
    files.write("quorrix.INI", "[WATCH]\r\nUSE=1\r\nINTERVAL=3600\r\nNOTIFY=1\r\n");
    NotificationRecorder recorder(m_bus.address());
    PageServer pages;
    pages.add({kFriendA});
    pages.add({kFriendB});
    TWebPhoneForm form;
    form.show();
    useProxy(form, pages.port());

    refreshAndFill(form, 1);
    // One connection's messages reach the bus in order: once a later call
    // has its answer, the notice went to a bus without the service.
    QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(NotificationRecorder::service()).isValid());
    QVERIFY(recorder.start());
    refreshAndFill(form, 1);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.notices().size(), 1, kWait);
    QCOMPARE(bodies(recorder), QStringList{QString::fromStdString(kFriendB)});
    QVERIFY(files.errors.empty());
    QCOMPARE(form.Sb->PanelText(1), std::string());
}

QTEST_MAIN(TestWatching)
#include "tst_watching.moc"
