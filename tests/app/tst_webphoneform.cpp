// The main window through its real widgets on the offscreen platform: start-up
// from the files beside the program, the close that writes them back, the
// list fill and the profile update.

#include "Cp932.h"
#include "Error.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QtTest>

namespace {

std::string A(const QString& text)
{
    return qx::FromUnicode(text);
}

const std::string kDefaultAddress = "http://" QUORRIX_SERVICE_HOST "/people-l.html";

// One member row of the people-list page.
std::string row(const std::string& number, const std::string& sex = "male.gif", bool on = true)
{
    return "<tr><td><img src=\"" + std::string(on ? "on.gif" : "off.gif") + "\"></td><td>" + number + "</td><td><img src=\"" + sex +
           "\"></td><td>20<img src=\"age_dai.gif\"></td><td>" + A(QStringLiteral("東京都")) + "</td><td>" +
           A(QStringLiteral("ソフト能力")) + "</td></tr>\r\n";
}

std::string page(const std::string& rows)
{
    return "HTTP/1.0 200 OK\r\n\r\n<html><table border=1>\r\n<tr><th>state</th></tr>\r\n" + rows + "</table></html>";
}

struct Row {
    std::string caption;
    int face;
    int state;
};

std::vector<Row> rowsOf(TWebPhoneForm& form)
{
    std::vector<Row> rows;
    for (const qx::ListItem& item : form.LVOnline->Items())
        rows.push_back({item.Caption, item.ImageIndex, item.StateIndex});
    return rows;
}

} // namespace

class TestWebPhoneForm : public QObject {
    Q_OBJECT

private slots:
    void firstStartWithoutFiles();
    void closeWritesAllThreeFiles();
    void failedSaveKeepsWindowOpen();
    void settingsTurnProxyOn();
    void unreadableMemberFileStopsStartUp();
    void memberFilesLoadUnderEitherCase();
    void rendersToPng();

    void fillMarksNewRowsOverTwoFills();
    void fillFilters_data();
    void fillFilters();
    void pageWithoutTableChangesNothing();
    void profileReachesRowAndStore();
};

void TestWebPhoneForm::firstStartWithoutFiles()
{
    WindowFixture files;
    TWebPhoneForm form;
    QCOMPARE(form.ProfList.Count(), 0);
    QCOMPARE(form.FlagList.Count(), 0);
    QCOMPARE(form.SeenList.Count(), 0);
    QVERIFY(!form.ProxyUse->isChecked());
    QVERIFY(!form.ProxyAddr->isEnabled());
    QVERIFY(!form.ProxyPort->isEnabled());
    QCOMPARE(form.ProxyAddr->text(), QStringLiteral("10.0.0.1"));
    QCOMPARE(form.ProxyPort->text(), QStringLiteral("8080"));
    QCOMPARE(form.AddrList->Items(), std::vector<std::string>{kDefaultAddress});
    QCOMPARE(form.AddrList->Text(), kDefaultAddress);
    QCOMPARE(form.LVOnline->Count(), 1);
    QCOMPARE(form.LVOnline->Items()[0].Caption, std::string("0000000378"));
    QCOMPARE(form.LVOnline->Items()[0].SubItems.size(), std::size_t(6));
    QCOMPARE(form.LVOnline->Items()[0].SubItems[5], A(QStringLiteral("留守番メッセージお願いします")));
    for (int panel = 0; panel < 4; ++panel)
        QCOMPARE(form.Sb->PanelText(panel), std::string());
    QVERIFY(form.ToolButton1->isChecked() && form.ToolButton2->isChecked());
    QVERIFY(!form.ToolButton3->isChecked() && !form.ToolButton4->isChecked());
    QVERIFY(!form.ToolButton6->isChecked() && !form.ToolButton7->isChecked());
    QCOMPARE(form.FilterMask, 3);
    QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet1);
}

void TestWebPhoneForm::closeWritesAllThreeFiles()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.show();
    QVERIFY(form.close());
    QCOMPARE(files.read("Prof.TXT"), std::string());
    QCOMPARE(files.read("Flag.TXT"), std::string());
    QCOMPARE(files.read("quorrix.INI"),
             "[Proxy]\r\nUSE=0\r\nADDR=10.0.0.1\r\nPORT=8080\r\n[URLLIST]\r\nURL0=" + kDefaultAddress +
                 "\r\n[WATCH]\r\nUSE=0\r\nINTERVAL=180\r\nNOTIFY=1\r\n");
    QVERIFY(files.errors.empty());
}

void TestWebPhoneForm::failedSaveKeepsWindowOpen()
{
    WindowFixture files;
    files.makeDirectory("Prof.TXT"); // stands where the profile file must go
    TWebPhoneForm form;
    form.show();
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(files.errors.size(), std::size_t(1));
    QCOMPARE(files.errors[0], A(QStringLiteral("ファイル ")) + files.path("Prof.TXT") + A(QStringLiteral(" を作成できません.")));
    QVERIFY(!files.exists("Flag.TXT"));
    QVERIFY(!files.exists("quorrix.INI"));
}

void TestWebPhoneForm::settingsTurnProxyOn()
{
    WindowFixture files;
    files.write("quorrix.INI", "[Proxy]\r\nUSE=2\r\nADDR=\r\n[URLLIST]\r\nURL0=http://a/people-l.html\r\nURL1=http://b/\r\n");
    TWebPhoneForm form;
    QVERIFY(form.ProxyUse->isChecked());
    QVERIFY(form.ProxyAddr->isEnabled() && form.ProxyPort->isEnabled());
    QCOMPARE(form.ProxyAddr->text(), QString());
    QCOMPARE(form.AddrList->Items(), (std::vector<std::string>{"http://a/people-l.html", "http://b/"}));
    QCOMPARE(form.AddrList->Text(), kDefaultAddress);
    form.ProxyUse->click();
    QVERIFY(!form.ProxyAddr->isEnabled() && !form.ProxyPort->isEnabled());
}

void TestWebPhoneForm::unreadableMemberFileStopsStartUp()
{
    WindowFixture files;
    files.makeDirectory("Prof.txt");
    try {
        TWebPhoneForm form;
        QFAIL("the window was built");
    } catch (const qx::Error& error) {
        QCOMPARE(std::string(error.what()), A(QStringLiteral("ファイル ")) + files.path("Prof.txt") + A(QStringLiteral(" は開けません")));
    }
}

void TestWebPhoneForm::memberFilesLoadUnderEitherCase()
{
    WindowFixture files;
    files.write("PROF.TXT", "0000000001=a\r\n");
    files.write("Flag.TXT", "0000000001=2\r\n");
    {
        TWebPhoneForm form;
        QCOMPARE(form.ProfList.Count(), 1);
        QCOMPARE(form.FlagList.Count(), 1);
        form.ProfList.PutValue("0000000001", "b");
        QVERIFY(form.close());
    }
    QCOMPARE(files.read("PROF.TXT"), std::string("0000000001=b\r\n"));
    QVERIFY(!files.exists("Prof.TXT"));
}

// Pictures of both pages for people to look at; the layout itself is checked
// component by component in the layout test.
void TestWebPhoneForm::rendersToPng()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.show();
    const QString out = QDir::current().absoluteFilePath(QStringLiteral("webphoneform.png"));
    const QImage online = form.grab().toImage();
    QCOMPARE(online.size(), QSize(707, 423));
    QVERIFY(online.save(out));
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    const QImage setting = form.grab().toImage();
    QVERIFY(setting.save(QDir::current().absoluteFilePath(QStringLiteral("webphoneform-setting.png"))));
    // The status bar stays; the page above it changes.
    QCOMPARE(setting.copy(form.Sb->geometry()), online.copy(form.Sb->geometry()));
    QVERIFY(setting.copy(form.PageControl1->geometry()) != online.copy(form.PageControl1->geometry()));
    qInfo("window rendered to %s", qPrintable(out));
}

void TestWebPhoneForm::fillMarksNewRowsOverTwoFills()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.ParseOnlineList(page(row("0000000001") + row("0000000002") + row("0000000001")));
    QCOMPARE(form.Sb->PanelText(0), std::string("3"));
    std::vector<Row> rows = rowsOf(form);
    QCOMPARE(rows.size(), std::size_t(3));
    QCOMPARE(rows[0].state, 1);
    QCOMPARE(rows[1].state, 1);
    QCOMPARE(rows[2].state, 0);

    form.ParseOnlineList(page(row("0000000002") + row("0000000003")));
    rows = rowsOf(form);
    QCOMPARE(rows.size(), std::size_t(2));
    QCOMPARE(rows[0].state, 0);
    QCOMPARE(rows[1].state, 1);
    QCOMPARE(form.Sb->PanelText(0), std::string("2"));
}

void TestWebPhoneForm::fillFilters_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<QString>("listed");
    // Members: 1 face 0 male, 2 face 1 female, 3 face 2 male, 4 face 3 unknown sex, 5 face 0 unknown sex.
    QTest::newRow("start-up: faces 0 and 1, any sex") << 3 << "1 2 5";
    QTest::newRow("every face, any sex") << 15 << "1 2 3 4 5";
    QTest::newRow("faces 0 and 1, female only") << 19 << "2";
    QTest::newRow("both sexes hide the unknown") << 51 << "1 2";
    QTest::newRow("nothing") << 0 << "";
}

void TestWebPhoneForm::fillFilters()
{
    QFETCH(int, mask);
    QFETCH(QString, listed);
    WindowFixture files;
    files.write("flag.txt", "0000000002=1\r\n0000000003=2\r\n0000000004=3\r\n");
    TWebPhoneForm form;
    form.FilterMask = mask;
    form.ParseOnlineList(page(row("0000000001") + row("0000000002", "female.gif") + row("0000000003") + row("0000000004", "x.gif") +
                              row("0000000005", "x.gif")));
    QStringList numbers;
    for (const Row& r : rowsOf(form))
        numbers << QString::number(std::stoi(r.caption));
    QCOMPARE(numbers.join(' '), listed);
    QCOMPARE(form.Sb->PanelText(0), std::to_string(numbers.size()));
    // Hidden rows are not remembered as seen.
    QCOMPARE(form.SeenList.Count(), static_cast<int>(numbers.size()));
}

void TestWebPhoneForm::pageWithoutTableChangesNothing()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.ParseOnlineList(page(row("0000000001")));
    form.ParseOnlineList("HTTP/1.0 404 Not Found\r\n\r\n<tr><td>x</td></tr>");
    QCOMPARE(form.LVOnline->Count(), 1);
    QCOMPARE(form.Sb->PanelText(0), std::string("1"));
    QCOMPARE(form.SeenList.Count(), 1);
}

void TestWebPhoneForm::profileReachesRowAndStore()
{
    WindowFixture files;
    files.write("Prof.txt", "0000000009=old\r\n0000000002=" + A(QStringLiteral("前")) + "\r\n");
    TWebPhoneForm form;
    form.ParseOnlineList(page(row("0000000001") + row("0000000002")));
    QCOMPARE(form.LVOnline->Items()[0].SubItems[5], std::string("--Double Click--"));
    QCOMPARE(form.LVOnline->Items()[1].SubItems[5], A(QStringLiteral("前")));

    const std::string text = A(QStringLiteral("よろしく表示"));
    form.ParseProfile("HTTP/1.0 200 OK\r\n\r\n<hr>\r\n0000000002<b>" + text + "</b>\r\n<hr>");
    QCOMPARE(form.LVOnline->Items()[1].SubItems[5], text);
    form.ParseProfile("<hr>0000000002 again<hr>");
    QCOMPARE(form.LVOnline->Items()[1].SubItems[5], std::string("again"));
    QCOMPARE(form.ProfList.Count(), 2);
    QCOMPARE(form.ProfList.Line(1), std::string("0000000002=again"));
}

QTEST_MAIN(TestWebPhoneForm)
#include "tst_webphoneform.moc"
