// Refreshing against servers that refuse, break off, trickle, stall, never
// stop or send garbage, through the real window offscreen: the event loop
// keeps turning, memory stays bounded, the panels say what happened, and a
// broken fetch leaves the list and the stores as they were. A thousand
// profile fetches give back every descriptor and the memory they took.

#include "Requests.h"
#include "SampleServerProcess.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QtTest>

namespace {

constexpr int kWait = 20000;

// Under AddressSanitizer freed blocks wait in its quarantine (256 MiB by
// default) before they are reused, which raises the peak by up to that much.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kAllocatorSlackMiB = 256;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kAllocatorSlackMiB = 256;
#else
constexpr long kAllocatorSlackMiB = 0;
#endif
#else
constexpr long kAllocatorSlackMiB = 0;
#endif

// A field of /proc/self/status in kibibytes ("VmRSS", "VmHWM").
long statusKiB(const char* field)
{
    QFile file("/proc/self/status");
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(QByteArray(field) + ':'))
            return line.mid(static_cast<qsizetype>(qstrlen(field)) + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Starts the peak of the resident size (VmHWM) again from the current size.
void resetPeakMemory()
{
    QFile file("/proc/self/clear_refs");
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

int openDescriptors()
{
    return static_cast<int>(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

// The longest time between two ticks of a 10 ms timer since it started.
class TickGaps {
public:
    TickGaps()
    {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.restart());
        });
        m_timer.start(10);
    }
    qint64 longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

void useProxy(TWebPhoneForm& form, quint16 port)
{
    form.ProxyUse->setChecked(true);
    form.ProxyAddr->setText(QStringLiteral("127.0.0.1"));
    form.ProxyPort->setText(QString::number(port));
}

std::vector<std::string> captions(TWebPhoneForm& form)
{
    std::vector<std::string> result;
    for (const qx::ListItem& item : form.LVOnline->Items())
        result.push_back(item.Caption);
    return result;
}

std::vector<std::string> lines(const MemberStore& store)
{
    std::vector<std::string> result;
    for (int i = 0; i < store.Count(); ++i)
        result.push_back(store.Line(i));
    return result;
}

int sockets(TWebPhoneForm& form)
{
    return static_cast<int>(form.findChildren<qx::TClientSocket*>().size());
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

private slots:
    void init() { qx::SetDirectEndpointForTesting({}, 0); }
    void misbehavingServer_data();
    void misbehavingServer();
    void thousandProfileFetchesGiveBackWhatTheyTook();
};

void TestHostile::misbehavingServer_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("panel");  // panel 1 once the fetch has settled
    QTest::addColumn<bool>("fills");     // the page is whole and lists members
    QTest::addColumn<int>("settleMs");   // how long a fetch that never ends is watched
    QTest::newRow("connection refused") << "refuse" << "Error" << false << 0;
    QTest::newRow("closed at once") << "close" << "" << false << 0;
    QTest::newRow("reset midway") << "reset:3000" << "Error" << false << 0;
    QTest::newRow("a byte at a time") << "slow:0" << "" << true << 0;
    QTest::newRow("never closes") << "stall" << "Reading" << false << 1500;
    QTest::newRow("endless stream") << "endless" << "Error" << false << 0;
    QTest::newRow("10 MB without table") << "huge:10" << "" << false << 0;
    QTest::newRow("binary noise") << "noise:200000" << "" << false << 0;
}

void TestHostile::misbehavingServer()
{
    QFETCH(QString, mode);
    QFETCH(QString, panel);
    QFETCH(bool, fills);
    QFETCH(int, settleMs);
    WindowFixture files;
    SampleServerProcess server({"--mode", mode, "--members", "4"});
    QVERIFY(server.port() != 0);
    TWebPhoneForm form;
    form.ProfList.PutValue("0000000378", "cached");
    form.FlagList.Append("0000000378=2");
    const std::vector<std::string> listBefore = captions(form);
    const std::vector<std::string> profBefore = lines(form.ProfList);
    const std::vector<std::string> flagBefore = lines(form.FlagList);
    useProxy(form, server.port());
    form.Sb->SetPanelText(0, "before");
    form.Sb->SetPanelText(1, "waiting");

    resetPeakMemory();
    const long rssBefore = statusKiB("VmRSS");
    TickGaps gaps;
    QTest::mouseClick(form.ToolButton9, Qt::LeftButton);
    if (settleMs > 0)
        QTest::qWait(settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(form.Sb->PanelText(1), panel.toStdString(), fills ? 120000 : 60000);
    if (fills)
        QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Count() == 4, kWait);
    QTest::qWait(50);
    const long peakGrowthMiB = (statusKiB("VmHWM") - rssBefore) / 1024;
    qInfo("longest gap between ticks %lld ms; peak above start %ld MiB", gaps.longest(), peakGrowthMiB);
    QVERIFY2(gaps.longest() < 2000, qPrintable(QString::number(gaps.longest())));
    QVERIFY2(peakGrowthMiB < 64 + 200 + kAllocatorSlackMiB, qPrintable(QString::number(peakGrowthMiB)));

    QCOMPARE(lines(form.ProfList), profBefore);
    QCOMPARE(lines(form.FlagList), flagBefore);
    if (fills) {
        QCOMPARE(form.Sb->PanelText(0), std::string("4"));
        QCOMPARE(form.SeenList.Count(), 4);
        return;
    }
    QCOMPARE(captions(form), listBefore);
    QCOMPARE(form.Sb->PanelText(0), std::string("before"));
    QCOMPARE(form.SeenList.Count(), 0);
}

void TestHostile::thousandProfileFetchesGiveBackWhatTheyTook()
{
    WindowFixture files;
    SampleServerProcess server;
    TWebPhoneForm form;
    useProxy(form, server.port());
    QTest::mouseClick(form.ToolButton9, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(form.LVOnline->Count() > 10, kWait);
    const std::vector<std::string> numbers = captions(form);
    const int idle = sockets(form);

    // Fetches in rounds of ten at a time; each round waits until all ten are
    // applied and their connections are gone.
    int fetched = 0;
    const auto fetch = [&](int count) {
        for (int done = 0; done < count; done += 10) {
            form.ProfList.Clear();
            for (int i = 0; i < 10; ++i)
                form.RequestProfile(numbers[static_cast<std::size_t>(fetched++) % numbers.size()]);
            QTRY_VERIFY_WITH_TIMEOUT(form.ProfList.Count() == 10 && sockets(form) == idle, kWait);
        }
    };
    fetch(100); // the first fetches set up what every later one reuses
    QTest::qWait(100);
    const int fdsBefore = openDescriptors();
    const long rssBefore = statusKiB("VmRSS");
    fetch(1000);
    QTest::qWait(100);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const int fdsAfter = openDescriptors();
    const long rssAfter = statusKiB("VmRSS");
    qInfo("descriptors %d -> %d; resident %ld -> %ld KiB", fdsBefore, fdsAfter, rssBefore, rssAfter);
    QCOMPARE(fdsAfter, fdsBefore);
    QVERIFY2(rssAfter - rssBefore < 8 * 1024, qPrintable(QString::number(rssAfter - rssBefore)));
    QCOMPARE(form.Sb->PanelText(2), std::string());
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
