// What the user does with the list, through the real widgets: the filter
// toggles, the face menu, copying a number, sorting by a column, fetching a
// profile and clearing the profile cache.

#include "Cp932.h"
#include "Pictures.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QClipboard>
#include <QHeaderView>
#include <QtTest>

namespace {

std::string A(const QString& text)
{
    return qx::FromUnicode(text);
}

struct Member {
    std::string number;
    std::string sex = "male.gif";
    std::string age = "20<img src=\"age_dai.gif\">";
    std::string place = "x";
};

std::string page(const std::vector<Member>& members)
{
    std::string text = "<table>\r\n<tr><th>head</th></tr>\r\n";
    for (const Member& m : members)
        text += "<tr><td>on.gif</td><td>" + m.number + "</td><td>" + m.sex + "</td><td>" + m.age + "</td><td>" + m.place +
                "</td><td>t</td></tr>\r\n";
    return text + "</table>";
}

QStringList column(TWebPhoneForm& form, int c)
{
    QStringList texts;
    for (const qx::ListItem& item : form.LVOnline->Items())
        texts << qx::ToUnicode(item.Text(c));
    return texts;
}

void clickHeader(TWebPhoneForm& form, int c)
{
    QHeaderView* header = form.LVOnline->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2));
}

void selectRow(TWebPhoneForm& form, int row)
{
    const QRect rect = form.LVOnline->visualRect(form.LVOnline->model()->index(row, 1));
    QTest::mouseClick(form.LVOnline->viewport(), Qt::LeftButton, {}, rect.center());
}

// Right-clicks the row and chooses item from the menu that opens, as a user
// does; false when no menu opened.
bool chooseFromRowMenu(TWebPhoneForm& form, int row, QAction* item)
{
    bool opened = false;
    QTimer::singleShot(0, &form, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        opened = true;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    });
    const QPoint at = form.LVOnline->visualRect(form.LVOnline->model()->index(row, 1)).center();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, form.LVOnline->viewport()->mapToGlobal(at));
    QApplication::sendEvent(form.LVOnline->viewport(), &rightClick);
    return opened;
}

// The face picture a row shows beside its state picture.
QImage shownFace(TWebPhoneForm& form, int row)
{
    const QIcon icon = form.LVOnline->model()->data(form.LVOnline->model()->index(row, 0), Qt::DecorationRole).value<QIcon>();
    return icon.pixmap(QSize(32, 16)).toImage().convertToFormat(QImage::Format_ARGB32).copy(16, 0, 16, 16);
}

QImage facePicture(int face)
{
    return SmallImage(face).pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

class Shown {
public:
    Shown()
    {
        form.resize(900, 500);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    WindowFixture files;
    TWebPhoneForm form;
};

} // namespace

class TestListInteraction : public QObject {
    Q_OBJECT

private slots:
    void togglesSetMaskForNextFill();
    void toggleFlipsItsBit_data();
    void toggleFlipsItsBit();
    void faceFromRowMenu_data();
    void faceFromRowMenu();
    void proxyTickKeepsTexts();
    void bothSexTogglesHideUnknown();
    void faceTagShowsAtOnceAndMovesLineToEnd();
    void menuBelongsToListWhileRowSelected();
    void handlersWithoutSelectionDoNothing();
    void copyPutsNumberOnClipboard();
    void clearKeepsRowsAndNextFillShowsPrompt();
    void doubleClickStartsProfileFetch();
    void sortAlternatesPerColumn();
    void sortOrder_data();
    void sortOrder();
};

void TestListInteraction::togglesSetMaskForNextFill()
{
    Shown w;
    w.form.ParseOnlineList(page({{"0000000001"}}));
    QTest::mouseClick(w.form.ToolButton1, Qt::LeftButton);
    QCOMPARE(w.form.FilterMask, 2);
    QCOMPARE(w.form.LVOnline->Count(), 1); // nothing is filtered again until the next fill
    w.form.ParseOnlineList(page({{"0000000001"}}));
    QCOMPARE(w.form.LVOnline->Count(), 0);
    QTest::mouseClick(w.form.ToolButton7, Qt::LeftButton);
    QTest::mouseClick(w.form.ToolButton3, Qt::LeftButton);
    QCOMPARE(w.form.FilterMask, 2 | 4 | 32);
    QTest::mouseClick(w.form.ToolButton3, Qt::LeftButton);
    QCOMPARE(w.form.FilterMask, 2 | 32);
}

void TestListInteraction::toggleFlipsItsBit_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("maskAfterClick");
    QTest::newRow("ToolButton2 releases face 1") << "ToolButton2" << (3 & ~2);
    QTest::newRow("ToolButton4 adds face 3") << "ToolButton4" << (3 | 8);
    QTest::newRow("ToolButton6 adds female rows") << "ToolButton6" << (3 | 16);
}

void TestListInteraction::toggleFlipsItsBit()
{
    QFETCH(QString, button);
    QFETCH(int, maskAfterClick);
    Shown w;
    auto* toggle = w.form.ToolBar1->findChild<QToolButton*>(button);
    QVERIFY(toggle);
    const bool downAtStart = toggle->isChecked();
    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(toggle->isChecked(), !downAtStart);
    QCOMPARE(w.form.FilterMask, maskAfterClick);
    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(toggle->isChecked(), downAtStart);
    QCOMPARE(w.form.FilterMask, 3);
}

void TestListInteraction::faceFromRowMenu_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("storedBefore");
    QTest::addColumn<int>("face");
    QTest::newRow("N1 gives face 0, stored as =0") << "N1" << "0000000002=2" << 0;
    QTest::newRow("N2 gives face 1 to an untagged row") << "N2" << QString() << 1;
    QTest::newRow("N2 over face 0") << "N2" << "0000000002=0" << 1;
}

void TestListInteraction::faceFromRowMenu()
{
    QFETCH(QString, item);
    QFETCH(QString, storedBefore);
    QFETCH(int, face);
    Shown w;
    w.form.FlagList.Append("0000000009=3");
    if (!storedBefore.isEmpty())
        w.form.FlagList.Append(storedBefore.toStdString());
    QTest::mouseClick(w.form.ToolButton3, Qt::LeftButton); // so a face-2 row is listed
    w.form.ParseOnlineList(page({{"0000000001"}, {"0000000002"}}));
    const int before = w.form.LVOnline->Items()[1].ImageIndex;
    selectRow(w.form, 1);
    QVERIFY(chooseFromRowMenu(w.form, 1, w.form.findChild<QAction*>(item)));
    QCOMPARE(w.form.LVOnline->Items()[1].ImageIndex, face);
    QVERIFY(before != face);
    QCOMPARE(shownFace(w.form, 1), facePicture(face));
    QCOMPARE(w.form.LVOnline->Items()[0].ImageIndex, 0); // the other row keeps its face
    QCOMPARE(w.form.FlagList.Count(), 2);
    QCOMPARE(w.form.FlagList.Line(0), std::string("0000000009=3"));
    QCOMPARE(w.form.FlagList.Line(1), "0000000002=" + std::to_string(face));
}

void TestListInteraction::proxyTickKeepsTexts()
{
    Shown w;
    QTabBar* tabs = w.form.PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QCOMPARE(w.form.PageControl1->currentWidget(), w.form.TabSheet2);
    QTest::mouseClick(w.form.ProxyUse, Qt::LeftButton);
    QVERIFY(w.form.ProxyUse->isChecked());
    QVERIFY(w.form.ProxyAddr->isEnabled() && w.form.ProxyPort->isEnabled());
    QCOMPARE(w.form.ProxyAddr->text(), QStringLiteral("10.0.0.1"));
    QCOMPARE(w.form.ProxyPort->text(), QStringLiteral("8080"));

    QTest::mouseClick(w.form.ProxyAddr, Qt::LeftButton);
    w.form.ProxyAddr->selectAll();
    QTest::keyClicks(w.form.ProxyAddr, QStringLiteral("proxy.example"));
    QTest::mouseClick(w.form.ProxyPort, Qt::LeftButton);
    w.form.ProxyPort->selectAll();
    QTest::keyClicks(w.form.ProxyPort, QStringLiteral("3128"));

    for (const bool ticked : {false, true}) {
        QTest::mouseClick(w.form.ProxyUse, Qt::LeftButton);
        QCOMPARE(w.form.ProxyUse->isChecked(), ticked);
        QCOMPARE(w.form.ProxyAddr->isEnabled(), ticked);
        QCOMPARE(w.form.ProxyPort->isEnabled(), ticked);
        QCOMPARE(w.form.ProxyAddr->text(), QStringLiteral("proxy.example"));
        QCOMPARE(w.form.ProxyPort->text(), QStringLiteral("3128"));
    }
}

void TestListInteraction::bothSexTogglesHideUnknown()
{
    Shown w;
    const std::vector<Member> members{{"0000000001", "female.gif"}, {"0000000002", "male.gif"}, {"0000000003", "?"}};
    QTest::mouseClick(w.form.ToolButton6, Qt::LeftButton);
    QTest::mouseClick(w.form.ToolButton7, Qt::LeftButton);
    w.form.ParseOnlineList(page(members));
    QCOMPARE(column(w.form, 0), (QStringList{"0000000001", "0000000002"}));
    QTest::mouseClick(w.form.ToolButton6, Qt::LeftButton);
    QTest::mouseClick(w.form.ToolButton7, Qt::LeftButton);
    w.form.ParseOnlineList(page(members));
    QCOMPARE(w.form.LVOnline->Count(), 3);
}

void TestListInteraction::faceTagShowsAtOnceAndMovesLineToEnd()
{
    Shown w;
    w.form.FlagList.Append("0000000002=1");
    w.form.FlagList.Append("0000000009=2");
    w.form.ParseOnlineList(page({{"0000000001"}, {"0000000002"}}));
    selectRow(w.form, 1);
    w.form.N4->trigger(); // 嫌悪, whose toggle is up
    QCOMPARE(w.form.LVOnline->Items()[1].ImageIndex, 3);
    QCOMPARE(w.form.LVOnline->Count(), 2);
    w.form.N3->trigger();
    QCOMPARE(w.form.FlagList.Count(), 2);
    QCOMPARE(w.form.FlagList.Line(0), std::string("0000000009=2"));
    QCOMPARE(w.form.FlagList.Line(1), std::string("0000000002=2"));
    w.form.ParseOnlineList(page({{"0000000001"}, {"0000000002"}}));
    QCOMPARE(column(w.form, 0), QStringList{"0000000001"});
}

void TestListInteraction::menuBelongsToListWhileRowSelected()
{
    Shown w;
    QCOMPARE(w.form.LVOnline->PopupMenu(), nullptr);
    selectRow(w.form, 0);
    QCOMPARE(w.form.LVOnline->PopupMenu(), w.form.FacePopupMenu);
    w.form.ParseOnlineList(page({{"0000000001"}}));
    QCOMPARE(w.form.LVOnline->PopupMenu(), nullptr);
}

void TestListInteraction::handlersWithoutSelectionDoNothing()
{
    Shown w;
    w.form.ParseOnlineList(page({{"0000000001"}}));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    const auto sockets = w.form.findChildren<qx::TClientSocket*>().size();
    w.form.N2->trigger();
    w.form.N5->trigger();
    w.form.N6->trigger();
    QCOMPARE(w.form.FlagList.Count(), 0);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    QCOMPARE(w.form.findChildren<qx::TClientSocket*>().size(), sockets);
}

void TestListInteraction::copyPutsNumberOnClipboard()
{
    Shown w;
    selectRow(w.form, 0);
    w.form.N5->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("0000000378"));
}

void TestListInteraction::clearKeepsRowsAndNextFillShowsPrompt()
{
    Shown w;
    w.form.ProfList.PutValue("0000000001", "hello");
    w.form.ParseOnlineList(page({{"0000000001"}}));
    QCOMPARE(w.form.LVOnline->Items()[0].SubItems[5], std::string("hello"));
    QTest::mouseClick(w.form.ToolButton11, Qt::LeftButton);
    QCOMPARE(w.form.ProfList.Count(), 0);
    QCOMPARE(w.form.LVOnline->Items()[0].SubItems[5], std::string("hello"));
    w.form.ParseOnlineList(page({{"0000000001"}}));
    QCOMPARE(w.form.LVOnline->Items()[0].SubItems[5], std::string("--Double Click--"));
}

void TestListInteraction::doubleClickStartsProfileFetch()
{
    Shown w;
    const auto before = w.form.findChildren<qx::TClientSocket*>().size();
    const QRect rect = w.form.LVOnline->visualRect(w.form.LVOnline->model()->index(0, 1));
    QTest::mouseClick(w.form.LVOnline->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(w.form.LVOnline->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(w.form.findChildren<qx::TClientSocket*>().size(), before + 1);
}

void TestListInteraction::sortAlternatesPerColumn()
{
    Shown w;
    const std::vector<Member> members{{"0000000002", "male.gif", "25<b>"}, {"0000000003", "female.gif", "9<b>"},
                                      {"0000000001", "?", "20<img src=age_dai.gif>"}};
    w.form.ParseOnlineList(page(members));
    clickHeader(w.form, 0);
    QCOMPARE(column(w.form, 0), (QStringList{"0000000003", "0000000002", "0000000001"}));
    clickHeader(w.form, 0);
    QCOMPARE(column(w.form, 0), (QStringList{"0000000001", "0000000002", "0000000003"}));
    clickHeader(w.form, 2); // 性, first click: descending
    QCOMPARE(column(w.form, 2), (QStringList{"男", "女", "？"}));
    clickHeader(w.form, 3); // 年齢 still descends first
    QCOMPARE(column(w.form, 3), (QStringList{"9歳", "25歳", "20代"}));
    w.form.ParseOnlineList(page(members)); // a fill shows page order again
    QCOMPARE(column(w.form, 0), (QStringList{"0000000002", "0000000003", "0000000001"}));
    clickHeader(w.form, 2); // the alternation goes on: ascending
    QCOMPARE(column(w.form, 2), (QStringList{"？", "女", "男"}));
}

void TestListInteraction::sortOrder_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("ascending");
    QTest::newRow("state by Shift-JIS bytes") << 1 << QStringList{"忙", "自"} << QStringList{"自", "忙"};
    QTest::newRow("sex by Shift-JIS bytes") << 2 << QStringList{"男", "？", "女"} << QStringList{"？", "女", "男"};
    QTest::newRow("age as text") << 3 << QStringList{"9歳", "20代", "25歳"} << QStringList{"20代", "25歳", "9歳"};
    QTest::newRow("ASCII letters fold") << 4 << QStringList{"b", "A", "a", "B"} << QStringList{"A", "a", "b", "B"};
    QTest::newRow("shorter text first") << 4 << QStringList{"abc", "ab", "a"} << QStringList{"a", "ab", "abc"};
    // ソ is 83 5C and ッ is 83 62: the trail byte b folds to B (0x42), which sorts before 0x5C.
    QTest::newRow("trail bytes fold too") << 4 << QStringList{"ソ", "ッ"} << QStringList{"ッ", "ソ"};
}

void TestListInteraction::sortOrder()
{
    QFETCH(int, column);
    QFETCH(QStringList, values);
    QFETCH(QStringList, ascending);
    Shown w;
    std::vector<qx::ListItem> items;
    for (const QString& v : values) {
        qx::ListItem item;
        item.Caption = "0000000001";
        item.SubItems.assign(6, std::string());
        item.SubItems[static_cast<std::size_t>(column - 1)] = A(v);
        items.push_back(item);
    }
    w.form.LVOnline->Model().ResetItems(items);
    clickHeader(w.form, column);
    clickHeader(w.form, column);
    QCOMPARE(::column(w.form, column), ascending);
}

QTEST_MAIN(TestListInteraction)
#include "tst_listinteraction.moc"
