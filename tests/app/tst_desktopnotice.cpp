// Desktop notices over a session bus of the test's own, with a recording
// stand-in for the desktop's notification service.

#include "DesktopNotice.h"
#include "PrivateSessionBus.h"

#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kWait = 10000;

} // namespace

class TestDesktopNotice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void noticeGoesToTheService();
    void clickOnOurNoticeOnly_data();
    void clickOnOurNoticeOnly();
    void noServiceNoNoticeNoError();

private:
    PrivateSessionBus m_bus; // before the first use of the session bus
};

void TestDesktopNotice::initTestCase()
{
    QVERIFY2(!m_bus.address().isEmpty(), "dbus-daemon did not start");
}

void TestDesktopNotice::noticeGoesToTheService()
{
    NotificationRecorder recorder(m_bus.address());
    QVERIFY(recorder.start());
    DesktopNotice notice(QStringLiteral("Quorrix"), QStringLiteral("quorrix"), QIcon());
    notice.Show(QStringLiteral("友好の人がオンラインです"), QStringLiteral("0901234567\n<b>09&0</b>"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.notices().size(), 1, kWait);
    const NotificationRecorder::Notice sent = recorder.notices().first();
    QCOMPARE(sent.appName, QStringLiteral("Quorrix"));
    QCOMPARE(sent.appIcon, QStringLiteral("quorrix"));
    QCOMPARE(sent.replacesId, 0u);
    QCOMPARE(sent.summary, QStringLiteral("友好の人がオンラインです"));
    QCOMPARE(sent.body, QStringLiteral("0901234567\n&lt;b&gt;09&amp;0&lt;/b&gt;"));
    QVERIFY(sent.actions.size() == 2 && sent.actions[0] == QStringLiteral("default"));
    QCOMPARE(sent.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("quorrix"));
    QCOMPARE(sent.timeout, -1);
}

void TestDesktopNotice::clickOnOurNoticeOnly_data()
{
    QTest::addColumn<int>("idOffset");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("clicks");
    QTest::newRow("default action on our notice") << 0 << "default" << 1;
    QTest::newRow("another notice's id") << 7 << "default" << 0;
    QTest::newRow("another action") << 0 << "other" << 0;
}

void TestDesktopNotice::clickOnOurNoticeOnly()
{
    QFETCH(int, idOffset);
    QFETCH(QString, action);
    QFETCH(int, clicks);
    NotificationRecorder recorder(m_bus.address());
    QVERIFY(recorder.start());
    DesktopNotice notice(QStringLiteral("Quorrix"), QStringLiteral("quorrix"), QIcon());
    QSignalSpy clicked(&notice, &DesktopNotice::Clicked);
    notice.Show(QStringLiteral("t"), QStringLiteral("b"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.notices().size(), 1, kWait);
    recorder.click(recorder.notices().first().id + static_cast<uint>(idOffset), action);
    // A click on our own notice afterwards arrives after the click under
    // test, so once it has counted, the one under test has had its say.
    recorder.click(recorder.notices().first().id);
    QTRY_COMPARE_WITH_TIMEOUT(clicked.size(), clicks + 1, kWait);
}

void TestDesktopNotice::noServiceNoNoticeNoError()
{
    NotificationRecorder recorder(m_bus.address());
    QVERIFY(recorder.start());
    recorder.stop();
    DesktopNotice notice(QStringLiteral("Quorrix"), QStringLiteral("quorrix"), QIcon());
    QSignalSpy clicked(&notice, &DesktopNotice::Clicked);
    notice.Show(QStringLiteral("t"), QStringLiteral("b"));
    // The bus handles one connection's messages in order: once a later call
    // has its answer, the notice went to a bus without the service.
    QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(NotificationRecorder::service()).isValid());
    QVERIFY(recorder.start());
    notice.Show(QStringLiteral("t2"), QStringLiteral("b2"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.notices().size(), 1, kWait);
    QCOMPARE(recorder.notices().first().summary, QStringLiteral("t2"));
    QCOMPARE(clicked.size(), 0);
}

QTEST_MAIN(TestDesktopNotice)
#include "tst_desktopnotice.moc"
