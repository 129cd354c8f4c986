// The main window and the about box as laid out: every component's caption or
// text, place and size where the layout fixes them, initial state, hint and
// picture; the popup menu's items in order; the status panels; the tab order
// of the Setting page; the list's columns and its sample row. Pictures are
// compared pixel for pixel with the picture lists, so a swapped picture fails
// as surely as a swapped caption.

#include "Cp932.h"
#include "Pictures.h"
#include "TAboutForm.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QHeaderView>
#include <QtTest>

namespace {

constexpr int kNone = -1;
const QPoint kAnyPlace(-1, -1);
const QString kDefaultAddress = QStringLiteral("http://" QUORRIX_SERVICE_HOST "/people-l.html");

QImage pixels(const QIcon& icon, const QSize& size = QSize(16, 16))
{
    return icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Whether the opaque pixels of picture appear, unchanged, somewhere in shot:
// what a widget draws around a picture may differ, the picture itself not.
bool shows(const QImage& shot, const QImage& picture)
{
    const QImage screen = shot.convertToFormat(QImage::Format_ARGB32);
    for (int top = 0; top + picture.height() <= screen.height(); ++top)
        for (int left = 0; left + picture.width() <= screen.width(); ++left) {
            bool same = true;
            for (int y = 0; same && y < picture.height(); ++y)
                for (int x = 0; same && x < picture.width(); ++x) {
                    const QRgb p = picture.pixel(x, y);
                    if (qAlpha(p) == 255)
                        same = (screen.pixel(left + x, top + y) & 0xFFFFFF) == (p & 0xFFFFFF);
                }
            if (same)
                return true;
        }
    return false;
}

// The text a component shows: its caption, its text or its tab's text.
QString shownText(TWebPhoneForm& form, QWidget* widget)
{
    if (auto* combo = qobject_cast<qx::TComboBox*>(widget)) {
        const QString shown = combo->lineEdit()->text();
        return shown == qx::ToUnicode(combo->Text()) ? shown : QStringLiteral("<box shows %1>").arg(shown);
    }
    if (const int tab = form.PageControl1->indexOf(widget); tab >= 0)
        return form.PageControl1->tabText(tab);
    if (widget == form.CoolBar1) {
        const QLabel* band = form.CoolBar1->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        return band ? band->text() : QString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* box = qobject_cast<QGroupBox*>(widget))
        return box->title();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget))
        return memo->toPlainText();
    return QString();
}

// The window as the user first sees it.
class Shown {
public:
    Shown()
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    void showPage(QWidget* page)
    {
        QTabBar* tabs = form.PageControl1->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(form.PageControl1->indexOf(page)).center());
        QCOMPARE(form.PageControl1->currentWidget(), page);
    }
    WindowFixture files;
    TWebPhoneForm form;
};

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private slots:
    void mainWindow();
    void components_data();
    void components();
    void toolbarLeftToRight();
    void popupMenu_data();
    void popupMenu();
    void statusPanels_data();
    void statusPanels();
    void settingPageTabOrder();
    void columns_data();
    void columns();
    void sampleRowPictures();
    void aboutBox();
    void aboutBoxLabels_data();
    void aboutBoxLabels();
};

void TestLayout::mainWindow()
{
    Shown w;
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Quorrix"));
    QCOMPARE(w.form.pos(), QPoint(191, 107));
    QCOMPARE(w.form.size(), QSize(707, 423));
    QCOMPARE(w.form.menuWidget(), nullptr);
    // The desktop's icon comes once the first frame is drawn.
    QTRY_COMPARE(pixels(w.form.windowIcon()), pixels(SmallImage(8)));
    QCOMPARE(w.form.font().pixelSize(), 12);
    QCOMPARE(w.form.font().weight(), QFont::Normal);
    QVERIFY(!w.form.font().bold() && !w.form.font().italic());
    QCOMPARE(w.form.PageControl1->count(), 2);
    QCOMPARE(w.form.PageControl1->currentWidget(), w.form.TabSheet1);
    // Every component of the window uses the window's font.
    for (const QWidget* child : w.form.findChildren<QWidget*>()) {
        if (qobject_cast<const QMenu*>(child))
            continue;
        QVERIFY2(child->font() == w.form.font(), qPrintable(child->objectName()));
    }
}

void TestLayout::components_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("page"); // the page that must be in front for the component to show
    QTest::addColumn<QString>("text");
    QTest::addColumn<QPoint>("place"); // kAnyPlace where the layout leaves it open
    QTest::addColumn<QSize>("size");   // invalid where the layout leaves it open
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("down");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("picture");

    const QString online = QStringLiteral("TabSheet1");
    const QString setting = QStringLiteral("TabSheet2");
    auto row = [](const char* name, const QString& page, const QString& text, QPoint place, QSize size, bool enabled, bool down,
                  const QString& hint, int picture) {
        QTest::newRow(name) << QString::fromLatin1(name) << page << text << place << size << enabled << down << hint << picture;
    };
    const QSize button(23, 23);
    const QSize gap(8, 23);

    row("CoolBar1", online, QStringLiteral("アドレス"), QPoint(0, 0), QSize(707, 24), true, false, {}, kNone);
    row("AddrList", online, kDefaultAddress, kAnyPlace, QSize(646, 20), true, false, {}, kNone);
    row("PageControl1", online, {}, QPoint(0, 24), QSize(707, 380), true, false, {}, kNone);
    row("TabSheet1", online, QStringLiteral("Online"), kAnyPlace, QSize(), true, false, {}, kNone);
    row("ToolBar1", online, {}, QPoint(0, 0), QSize(), true, false, {}, kNone);
    row("ToolButton1", online, {}, kAnyPlace, button, true, true, {}, 0);
    row("ToolButton2", online, {}, kAnyPlace, button, true, true, {}, 1);
    row("ToolButton3", online, {}, kAnyPlace, button, true, false, {}, 2);
    row("ToolButton4", online, {}, kAnyPlace, button, true, false, {}, 3);
    row("ToolButton5", online, {}, kAnyPlace, gap, true, false, {}, kNone);
    row("ToolButton6", online, {}, kAnyPlace, button, true, false, {}, 4);
    row("ToolButton7", online, {}, kAnyPlace, button, true, false, {}, 5);
    row("ToolButton8", online, {}, kAnyPlace, gap, true, false, {}, kNone);
    row("ToolButton9", online, {}, kAnyPlace, button, true, false, QStringLiteral("更新"), 6);
    row("ToolButton10", online, {}, kAnyPlace, gap, true, false, {}, kNone);
    row("ToolButton11", online, {}, kAnyPlace, button, true, false, QStringLiteral("プロフィールクリア"), 7);
    row("ToolButton12", online, {}, kAnyPlace, gap, true, false, {}, kNone);
    row("ToolButton13", online, {}, kAnyPlace, button, true, false, QStringLiteral("バージョン情報"), 8);
    row("LVOnline", online, {}, kAnyPlace, QSize(), true, false, {}, kNone);
    row("TabSheet2", setting, QStringLiteral("Setting"), kAnyPlace, QSize(), true, false, {}, kNone);
    row("GroupBox1", setting, QStringLiteral("プロキシ設定"), QPoint(16, 16), QSize(241, 113), true, false, {}, kNone);
    row("ProxyUse", setting, QStringLiteral("HTTP プロキシを使用する"), QPoint(16, 24), QSize(185, 17), true, false, {}, kNone);
    row("Label1", setting, QStringLiteral("アドレス"), QPoint(16, 57), QSize(), true, false, {}, kNone);
    row("ProxyAddr", setting, QStringLiteral("10.0.0.1"), QPoint(64, 53), QSize(153, 20), false, false, {}, kNone);
    row("Label2", setting, QStringLiteral("ポート"), QPoint(24, 81), QSize(), true, false, {}, kNone);
    row("ProxyPort", setting, QStringLiteral("8080"), QPoint(64, 77), QSize(153, 20), false, false, {}, kNone);
    row("Info", setting, QStringLiteral("Info"), QPoint(88, 240), QSize(489, 89), true, false, {}, kNone);
    row("Sb", online, {}, QPoint(0, 404), QSize(707, 19), true, false, {}, kNone);
}

void TestLayout::components()
{
    QFETCH(QString, name);
    QFETCH(QString, page);
    QFETCH(QString, text);
    QFETCH(QPoint, place);
    QFETCH(QSize, size);
    QFETCH(bool, enabled);
    QFETCH(bool, down);
    QFETCH(QString, hint);
    QFETCH(int, picture);

    Shown w;
    auto* widget = w.form.findChild<QWidget*>(name);
    QVERIFY(widget);
    w.showPage(w.form.findChild<QWidget*>(page));
    QVERIFY(widget->isVisible());

    QCOMPARE(shownText(w.form, widget), text);
    if (place != kAnyPlace)
        QCOMPARE(widget->pos(), place);
    if (size.isValid())
        QCOMPARE(widget->size(), size);
    QCOMPARE(widget->isEnabled(), enabled);
    auto* button = qobject_cast<QAbstractButton*>(widget);
    QCOMPARE(button && button->isChecked(), down);
    QCOMPARE(widget->toolTip(), hint);

    const QVariant index = widget->property("ImageIndex");
    if (picture == kNone) {
        QVERIFY(!index.isValid());
        QVERIFY(!button || button->icon().isNull());
        return;
    }
    QCOMPARE(index, QVariant(picture));
    QCOMPARE(pixels(button->icon()), pixels(SmallImage(picture)));
    // A picture only, no caption beside it.
    QCOMPARE(qobject_cast<QToolButton*>(button)->toolButtonStyle(), Qt::ToolButtonIconOnly);
    const QImage shot = button->grab().toImage();
    QVERIFY2(shows(shot, pixels(SmallImage(picture))), "the button does not draw its picture");
    QVERIFY(!shows(shot, pixels(SmallImage((picture + 1) % kSmallImageCount))));
}

void TestLayout::toolbarLeftToRight()
{
    Shown w;
    QList<QWidget*> items;
    for (QWidget* child : w.form.ToolBar1->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->objectName().startsWith(QStringLiteral("ToolButton")) && child->isVisible())
            items << child;
    std::sort(items.begin(), items.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
    QStringList names;
    for (const QWidget* item : items)
        names << item->objectName();
    QStringList expected;
    for (int i = 1; i <= 13; ++i)
        expected << QStringLiteral("ToolButton%1").arg(i);
    QCOMPARE(names, expected);
    // All on one line at the top of the page, none covering the next.
    for (int i = 1; i < items.size(); ++i) {
        QCOMPARE(items[i]->y(), items[0]->y());
        QVERIFY(items[i]->x() >= items[i - 1]->geometry().right() + 1);
    }
}

void TestLayout::popupMenu_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("picture");
    QTest::newRow("N1") << "N1" << 0 << QStringLiteral("普通") << 0;
    QTest::newRow("N2") << "N2" << 1 << QStringLiteral("友好") << 1;
    QTest::newRow("N3") << "N3" << 2 << QStringLiteral("敵対") << 2;
    QTest::newRow("N4") << "N4" << 3 << QStringLiteral("嫌悪") << 3;
    QTest::newRow("N7") << "N7" << 4 << QString() << kNone;
    QTest::newRow("N5") << "N5" << 5 << QStringLiteral("番号をコピー") << kNone;
    QTest::newRow("N6") << "N6" << 6 << QStringLiteral("プロフィール更新") << kNone;
}

void TestLayout::popupMenu()
{
    QFETCH(QString, name);
    QFETCH(int, position);
    QFETCH(QString, caption);
    QFETCH(int, picture);
    WindowFixture files;
    TWebPhoneForm form;
    const QList<QAction*> actions = form.FacePopupMenu->actions();
    QCOMPARE(actions.size(), 7);
    QAction* item = actions.at(position);
    QCOMPARE(item->objectName(), name);
    QCOMPARE(item->isSeparator(), name == QStringLiteral("N7"));
    QCOMPARE(item->text(), caption);
    QVERIFY(item->isEnabled() && item->isVisible() && !item->isCheckable());
    if (picture == kNone) {
        QVERIFY(item->icon().isNull());
        return;
    }
    // The item's picture number is the face it gives.
    QCOMPARE(item->data(), QVariant(picture));
    QCOMPARE(pixels(item->icon()), pixels(SmallImage(picture)));
}

void TestLayout::statusPanels_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("width");
    QTest::newRow("panel 0: row count") << 0 << 50;
    QTest::newRow("panel 1: list connection") << 1 << 100;
    QTest::newRow("panel 2: profile connections") << 2 << 100;
    QTest::newRow("panel 3: never written") << 3 << 50;
}

void TestLayout::statusPanels()
{
    QFETCH(int, panel);
    QFETCH(int, width);
    Shown w;
    QList<QLabel*> panels = w.form.Sb->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(panels.size(), 4);
    std::sort(panels.begin(), panels.end(), [](const QLabel* a, const QLabel* b) { return a->x() < b->x(); });
    const QLabel* shown = panels.at(panel);
    QVERIFY(shown->isVisible());
    QCOMPARE(shown->width(), width);
    QCOMPARE(shown->text(), QString());
    QCOMPARE(w.form.Sb->PanelText(panel), std::string());
    // The program writes this panel where the user sees it.
    w.form.Sb->SetPanelText(panel, "Reading");
    QCOMPARE(shown->text(), QStringLiteral("Reading"));
}

void TestLayout::settingPageTabOrder()
{
    Shown w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    w.showPage(w.form.TabSheet2);
    QTest::mouseClick(w.form.ProxyUse, Qt::LeftButton); // enables the two edits
    QVERIFY(w.form.ProxyPort->isEnabled());
    QTest::mouseClick(w.form.ProxyPort, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), w.form.ProxyPort);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.form.ProxyAddr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.form.ProxyUse);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), w.form.ProxyAddr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), w.form.ProxyPort);
}

void TestLayout::columns_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("header");
    QTest::addColumn<int>("width"); // kNone: takes the rest of the width
    QTest::addColumn<QString>("sample");
    QTest::newRow("番号") << 0 << QStringLiteral("番号") << 100 << QStringLiteral("0000000378");
    QTest::newRow("状") << 1 << QStringLiteral("状") << 24 << QStringLiteral("自");
    QTest::newRow("性") << 2 << QStringLiteral("性") << 24 << QStringLiteral("男");
    QTest::newRow("年齢") << 3 << QStringLiteral("年齢") << 40 << QStringLiteral("２０代");
    QTest::newRow("場所") << 4 << QStringLiteral("場所") << 50 << QStringLiteral("北海道");
    QTest::newRow("テーマ") << 5 << QStringLiteral("テーマ") << 80 << QStringLiteral("なんでもＯＫ");
    QTest::newRow("プロフィール") << 6 << QStringLiteral("プロフィール") << kNone << QStringLiteral("留守番メッセージお願いします");
}

void TestLayout::columns()
{
    QFETCH(int, column);
    QFETCH(QString, header);
    QFETCH(int, width);
    QFETCH(QString, sample);
    Shown w;
    qx::TListView* list = w.form.LVOnline;
    QCOMPARE(list->model()->columnCount(), 7);
    QCOMPARE(list->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), header);
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->data(list->model()->index(0, column), Qt::DisplayRole).toString(), sample);
    QCOMPARE(list->Columns()[static_cast<std::size_t>(column)].Tag, 0);

    const QHeaderView* heading = list->header();
    if (column == 0) {
        // Designed 100 wide; the number column holds two pictures before the
        // number and is widened when this font needs more room for them and
        // a ten-digit number.
        const int needed = list->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 32 + 16;
        width = std::max(width, needed);
    }
    if (width == kNone) {
        QVERIFY(heading->stretchLastSection());
        QCOMPARE(heading->sectionViewportPosition(column) + heading->sectionSize(column), heading->viewport()->width());
    } else {
        QCOMPARE(heading->sectionSize(column), width);
    }
}

void TestLayout::sampleRowPictures()
{
    Shown w;
    const qx::ListItem& sample = w.form.LVOnline->Items().at(0);
    QCOMPARE(sample.ImageIndex, 1);
    QCOMPARE(sample.StateIndex, 1);
    // The row shows the state picture and then the face picture.
    const QVariant decoration = w.form.LVOnline->model()->data(w.form.LVOnline->model()->index(0, 0), Qt::DecorationRole);
    const QImage shown = pixels(decoration.value<QIcon>(), QSize(32, 16));
    QCOMPARE(shown.copy(0, 0, 16, 16), pixels(StateImage(1)));
    QCOMPARE(shown.copy(16, 0, 16, 16), pixels(SmallImage(1)));
    QVERIFY2(shows(w.form.LVOnline->viewport()->grab().toImage(), pixels(SmallImage(1))), "the list does not draw the face");
}

void TestLayout::aboutBox()
{
    WindowFixture files;
    TAboutForm box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(box.pos(), QPoint(196, 127));
    QCOMPARE(box.size(), QSize(370, 94));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QVERIFY(!(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(box.windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(box.font().pixelSize(), 12);
    QCOMPARE(box.font().family(), TWebPhoneForm::WindowFont().family());
    QCOMPARE(box.Button1->text(), QStringLiteral("OK"));
    QCOMPARE(box.Button1->geometry(), QRect(288, 64, 75, 25));
}

void TestLayout::aboutBoxLabels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QPoint>("place");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("boldItalic");
    QTest::addColumn<bool>("underlined");
    // The program file here is a fresh "quorrix" without version information.
    QTest::newRow("Label2") << "Label2" << QStringLiteral("Quorrix") << QPoint(8, 8) << 21 << true << false;
    QTest::newRow("AppLabel") << "AppLabel" << QStringLiteral("quorrix") << QPoint(16, 40) << 12 << false << false;
    QTest::newRow("VersionInfoFileVersionLabel1") << "VersionInfoFileVersionLabel1" << QString() << QPoint(96, 40) << 12 << false << false;
    QTest::newRow("VersionInfoLegalCopyrightLabel1")
        << "VersionInfoLegalCopyrightLabel1" << QString() << QPoint(16, 56) << 12 << false << false;
    QTest::newRow("Label1") << "Label1" << QStringLiteral("サポート") << QPoint(16, 72) << 12 << false << false;
    QTest::newRow("UrlLabel") << "UrlLabel" << QStringLiteral(QUORRIX_SUPPORT_URL) << QPoint(64, 72) << 12 << false << true;
}

void TestLayout::aboutBoxLabels()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QPoint, place);
    QFETCH(int, pixels);
    QFETCH(bool, boldItalic);
    QFETCH(bool, underlined);
    WindowFixture files;
    TAboutForm box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const auto* label = box.findChild<QLabel*>(name);
    QVERIFY(label);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->pos(), place);
    QVERIFY(label->isVisible());
    QCOMPARE(label->font().pixelSize(), pixels);
    QCOMPARE(label->font().bold(), boldItalic);
    QCOMPARE(label->font().italic(), boldItalic);
    QCOMPARE(label->font().underline(), underlined);
    QCOMPARE(label->font().family(), box.font().family());
    // Each label sizes itself to its text.
    QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(text));
    QCOMPARE(label->toolTip().isEmpty(), name != QStringLiteral("UrlLabel"));
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
