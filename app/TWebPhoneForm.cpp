#include "TWebPhoneForm.h"

#include "AnsiText.h"
#include "Application.h"
#include "Cp932.h"
#include "FileNames.h"
#include "FirstPaint.h"
#include "MemberFiles.h"
#include "IniFile.h"
#include "OnlineList.h"
#include "Pictures.h"
#include "ProfilePage.h"
#include "Requests.h"
#include "Settings.h"
#include "TAboutForm.h"

#include <algorithm>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>
#include <limits>
#include <memory>

TWebPhoneForm* WebPhoneForm = nullptr;

namespace {

// What one connection carries: the request until the connection is
// established, then every byte received.
struct RequestBuffer {
    std::string Text;
    bool Connected = false;
};

RequestBuffer* bufferOf(qx::TCustomWinSocket* socket)
{
    return static_cast<RequestBuffer*>(socket->Data);
}

void releaseBuffer(qx::TCustomWinSocket* socket)
{
    delete bufferOf(socket);
    socket->Data = nullptr;
}

// The bytes the list pictures and texts were designed with, converted once
// from the window's layout.
std::string ansi(const QString& text)
{
    return qx::FromUnicode(text);
}

// The Japanese proportional gothic the window was designed with, or the
// first installed font of its kind.
QFont windowFont()
{
    // Looked up once per run: the entry, the window and the about box all
    // ask, and the fonts installed do not change meanwhile.
    static const QString chosen = [] {
        for (const QString& family : {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                                      QStringLiteral("IPAGothic"), QStringLiteral("VL PGothic"), QStringLiteral("Noto Sans CJK JP")}) {
            if (QFontDatabase::hasFamily(family))
                return family;
        }
        return QString();
    }();
    QFont font;
    if (!chosen.isEmpty())
        font.setFamily(chosen);
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

const std::string kConnected = "Connected";
const std::string kReading = "Reading";
const std::string kError = "Error";

} // namespace

TWebPhoneForm::TWebPhoneForm(QWidget* owner, FileLocations files, std::chrono::milliseconds watchSecond,
                             MemberFilesReading* reading)
    : QMainWindow(owner)
    , m_files(std::move(files))
    , m_watchSecond(watchSecond)
{
    setupWindow();
    loadMemberFiles(reading);
    FilterMask = 3;
    LoadSettings();
}

TWebPhoneForm::~TWebPhoneForm()
{
    // Connections still open are closed with the window without running any
    // handler; their buffers go with them.
    for (qx::TClientSocket* socket : findChildren<qx::TClientSocket*>())
        releaseBuffer(socket->Socket());
}

QFont TWebPhoneForm::WindowFont()
{
    return windowFont();
}

void TWebPhoneForm::setupWindow()
{
    setWindowTitle(QStringLiteral("Quorrix"));
    // Drawn at up to 256 pixels for the desktop, which the first frame does
    // not wait for.
    qx::AfterFirstPaint(this, [this] { setWindowIcon(ProgramIcon()); });
    setFont(windowFont());
    move(191, 107);
    resize(707, 423);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    setupAddressBand();
    layout->addWidget(CoolBar1);
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1, 1);
    setupOnlinePage();
    setupSettingPage();
    setupWatchGroup();
    PageControl1->setCurrentWidget(TabSheet1);
    setupStatusBar();
    setupPopupMenu();
    setupConnections();
}

void TWebPhoneForm::setupAddressBand()
{
    CoolBar1 = new QWidget(this);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    CoolBar1->setFixedHeight(24);
    auto* band = new QHBoxLayout(CoolBar1);
    band->setContentsMargins(4, 2, 8, 2);
    band->setSpacing(0);
    auto* caption = new QLabel(QStringLiteral("アドレス"), CoolBar1);
    caption->setFixedWidth(49);
    band->addWidget(caption);
    AddrList = new qx::TComboBox(CoolBar1);
    AddrList->setObjectName(QStringLiteral("AddrList"));
    AddrList->setAccessibleName(QStringLiteral("アドレス"));
    caption->setBuddy(AddrList);
    AddrList->SetText(qx::DefaultListAddress());
    band->addWidget(AddrList, 1);
}

void TWebPhoneForm::setupOnlinePage()
{
    TabSheet1 = new QWidget(PageControl1);
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Online"));
    auto* layout = new QVBoxLayout(TabSheet1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setupToolBar();
    layout->addWidget(ToolBar1);
    setupList();
    layout->addWidget(LVOnline, 1);
}

void TWebPhoneForm::setupToolBar()
{
    ToolBar1 = new QToolBar(TabSheet1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);

    auto button = [this](const char* name, int picture, const QString& accessibleName) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(SmallImage(picture));
        b->setProperty("ImageIndex", picture);
        b->setAutoRaise(true);
        b->setFixedSize(23, 23);
        b->setAccessibleName(accessibleName);
        ToolBar1->addWidget(b);
        return b;
    };
    auto gap = [this](const char* name) {
        auto* g = new QWidget(ToolBar1);
        g->setObjectName(QString::fromLatin1(name));
        g->setFixedSize(8, 23);
        ToolBar1->addWidget(g);
    };
    auto toggle = [&](const char* name, int picture, const QString& accessibleName, bool down) {
        QToolButton* b = button(name, picture, accessibleName);
        b->setCheckable(true);
        b->setChecked(down);
        connect(b, &QToolButton::clicked, this, [this, b] { ToolButton1Click(b); });
        return b;
    };
    auto push = [&](const char* name, int picture, const QString& hint) {
        QToolButton* b = button(name, picture, hint);
        b->setToolTip(hint);
        return b;
    };

    ToolButton1 = toggle("ToolButton1", 0, QStringLiteral("普通"), true);
    ToolButton2 = toggle("ToolButton2", 1, QStringLiteral("友好"), true);
    ToolButton3 = toggle("ToolButton3", 2, QStringLiteral("敵対"), false);
    ToolButton4 = toggle("ToolButton4", 3, QStringLiteral("嫌悪"), false);
    gap("ToolButton5");
    ToolButton6 = toggle("ToolButton6", 4, QStringLiteral("女"), false);
    ToolButton7 = toggle("ToolButton7", 5, QStringLiteral("男"), false);
    gap("ToolButton8");
    ToolButton9 = push("ToolButton9", 6, QStringLiteral("更新"));
    gap("ToolButton10");
    ToolButton11 = push("ToolButton11", 7, QStringLiteral("プロフィールクリア"));
    gap("ToolButton12");
    ToolButton13 = push("ToolButton13", 8, QStringLiteral("バージョン情報"));

    connect(ToolButton9, &QToolButton::clicked, this, [this] { Button1Click(); });
    connect(ToolButton11, &QToolButton::clicked, this, [this] { ToolButton11Click(); });
    connect(ToolButton13, &QToolButton::clicked, this, [this] { ToolButton13Click(); });
}

void TWebPhoneForm::setupList()
{
    LVOnline = new qx::TListView(TabSheet1);
    LVOnline->setObjectName(QStringLiteral("LVOnline"));
    LVOnline->setAccessibleName(QStringLiteral("Online"));
    LVOnline->Model().SetColumns({
        {QStringLiteral("番号"), 100, 0},
        {QStringLiteral("状"), 24, 0},
        {QStringLiteral("性"), 24, 0},
        {QStringLiteral("年齢"), 40, 0},
        {QStringLiteral("場所"), 50, 0},
        {QStringLiteral("テーマ"), 80, 0},
        {QStringLiteral("プロフィール"), 100, 0},
    });
    // The number column holds two pictures before the number; it grows when
    // this font needs more room for them than the designed 100 pixels.
    const int numberWidth = LVOnline->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 32 + 16;
    LVOnline->Columns()[0].Width = std::max(LVOnline->Columns()[0].Width, numberWidth);
    for (int c = 0; c < 6; ++c)
        LVOnline->header()->resizeSection(c, LVOnline->Columns()[static_cast<std::size_t>(c)].Width);
    std::vector<QIcon> small, state;
    for (int i = 0; i < 9; ++i)
        small.push_back(SmallImage(i));
    for (int i = 0; i < 2; ++i)
        state.push_back(StateImage(i));
    LVOnline->Model().SetImages(std::move(small), std::move(state));

    qx::ListItem sample;
    sample.Caption = "0000000378";
    for (const QString& text : {QStringLiteral("自"), QStringLiteral("男"), QStringLiteral("２０代"), QStringLiteral("北海道"),
                                QStringLiteral("なんでもＯＫ"), QStringLiteral("留守番メッセージお願いします")})
        sample.SubItems.push_back(ansi(text));
    sample.ImageIndex = 1;
    sample.StateIndex = 1;
    LVOnline->Model().ResetItems({std::move(sample)});

    LVOnline->OnDblClick = [this] { LVOnlineClick(); };
    LVOnline->OnColumnClick = [this](int column) { LVOnlineColumnClick(column); };
    LVOnline->OnSelectItem = [this](int item, bool selected) { LVOnlineSelectItem(item, selected); };
}

void TWebPhoneForm::setupPopupMenu()
{
    FacePopupMenu = new QMenu(this);
    FacePopupMenu->setObjectName(QStringLiteral("FacePopupMenu"));
    auto face = [this](const char* name, const QString& caption, int f) {
        QAction* action = FacePopupMenu->addAction(SmallImage(f), caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setData(f);
        connect(action, &QAction::triggered, this, [this, action] { N1Click(action); });
        return action;
    };
    N1 = face("N1", QStringLiteral("普通"), 0);
    N2 = face("N2", QStringLiteral("友好"), 1);
    N3 = face("N3", QStringLiteral("敵対"), 2);
    N4 = face("N4", QStringLiteral("嫌悪"), 3);
    N7 = FacePopupMenu->addSeparator();
    N7->setObjectName(QStringLiteral("N7"));
    N5 = FacePopupMenu->addAction(QStringLiteral("番号をコピー"));
    N5->setObjectName(QStringLiteral("N5"));
    connect(N5, &QAction::triggered, this, [this] { N5Click(); });
    N6 = FacePopupMenu->addAction(QStringLiteral("プロフィール更新"));
    N6->setObjectName(QStringLiteral("N6"));
    connect(N6, &QAction::triggered, this, [this] { LVOnlineClick(); });
}

void TWebPhoneForm::setupSettingPage()
{
    TabSheet2 = new QWidget(PageControl1);
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Setting"));

    GroupBox1 = new QGroupBox(QStringLiteral("プロキシ設定"), TabSheet2);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(16, 16, 241, 113);

    ProxyUse = new QCheckBox(QStringLiteral("HTTP プロキシを使用する"), GroupBox1);
    ProxyUse->setObjectName(QStringLiteral("ProxyUse"));
    ProxyUse->setGeometry(16, 24, 185, 17);
    connect(ProxyUse, &QCheckBox::toggled, this, [this] { ProxyUseClick(); });

    Label1 = new QLabel(QStringLiteral("アドレス"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 57);
    Label1->adjustSize();
    ProxyAddr = new QLineEdit(QStringLiteral("10.0.0.1"), GroupBox1);
    ProxyAddr->setObjectName(QStringLiteral("ProxyAddr"));
    ProxyAddr->setAccessibleName(QStringLiteral("アドレス"));
    ProxyAddr->setGeometry(64, 53, 153, 20);
    ProxyAddr->setEnabled(false);
    // An edit box cuts its text at 32767 characters unless told otherwise;
    // the settings file may hold longer values, and they are written back.
    ProxyAddr->setMaxLength(std::numeric_limits<int>::max());
    Label1->setBuddy(ProxyAddr);

    Label2 = new QLabel(QStringLiteral("ポート"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(24, 81);
    Label2->adjustSize();
    ProxyPort = new QLineEdit(QStringLiteral("8080"), GroupBox1);
    ProxyPort->setObjectName(QStringLiteral("ProxyPort"));
    ProxyPort->setAccessibleName(QStringLiteral("ポート"));
    ProxyPort->setGeometry(64, 77, 153, 20);
    ProxyPort->setMaxLength(std::numeric_limits<int>::max());
    ProxyPort->setEnabled(false);
    Label2->setBuddy(ProxyPort);

    QWidget::setTabOrder(ProxyPort, ProxyAddr);
    QWidget::setTabOrder(ProxyAddr, ProxyUse);

    Info = new QPlainTextEdit(QStringLiteral("Info"), TabSheet2);
    Info->setObjectName(QStringLiteral("Info"));
    Info->setAccessibleName(QStringLiteral("Info"));
    Info->setGeometry(88, 240, 489, 89);
}

void TWebPhoneForm::setupWatchGroup()
{
    GroupBox2 = new QGroupBox(QStringLiteral("自動更新"), TabSheet2);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setAccessibleName(QStringLiteral("自動更新"));
    GroupBox2->setGeometry(272, 16, 241, 113);

    WatchUse = new QCheckBox(QStringLiteral("自動的に更新する"), GroupBox2);
    WatchUse->setObjectName(QStringLiteral("WatchUse"));
    WatchUse->setAccessibleName(QStringLiteral("自動的に更新する"));
    WatchUse->setGeometry(16, 24, 185, 17);
    connect(WatchUse, &QCheckBox::toggled, this, [this] { WatchUseClick(); });

    Label3 = new QLabel(QStringLiteral("間隔（秒）"), GroupBox2);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->move(16, 57);
    Label3->adjustSize();
    WatchInterval = new QSpinBox(GroupBox2);
    WatchInterval->setObjectName(QStringLiteral("WatchInterval"));
    WatchInterval->setAccessibleName(QStringLiteral("間隔（秒）"));
    WatchInterval->setRange(Watch::MinInterval, Watch::MaxInterval);
    WatchInterval->setValue(Watch::DefaultInterval);
    WatchInterval->setGeometry(88, 53, 73, 20);
    Label3->setBuddy(WatchInterval);
    connect(WatchInterval, &QSpinBox::valueChanged, this, [this] { WatchIntervalChange(); });

    WatchNotify = new QCheckBox(QStringLiteral("友好の人が来たら知らせる"), GroupBox2);
    WatchNotify->setObjectName(QStringLiteral("WatchNotify"));
    WatchNotify->setAccessibleName(QStringLiteral("友好の人が来たら知らせる"));
    WatchNotify->setGeometry(16, 81, 209, 17);
    WatchNotify->setChecked(true);
    WatchNotify->setEnabled(false);

    QWidget::setTabOrder(ProxyUse, WatchUse);
    QWidget::setTabOrder(WatchUse, WatchInterval);
    QWidget::setTabOrder(WatchInterval, WatchNotify);

    WatchTimer = new QTimer(this);
    WatchTimer->setObjectName(QStringLiteral("WatchTimer"));
    WatchTimer->setTimerType(Qt::PreciseTimer);
    WatchTimer->setInterval(m_watchSecond);
    connect(WatchTimer, &QTimer::timeout, this, [this] { WatchTimerTimer(); });
    m_watch.SetInterval(WatchInterval->value());

    m_notice = new DesktopNotice(QStringLiteral("Quorrix"), QStringLiteral(QUORRIX_APP_ID), windowIcon(), this);
    connect(m_notice, &DesktopNotice::Clicked, this, [this] { NoticeClick(); });
}

void TWebPhoneForm::setupStatusBar()
{
    Sb = new qx::TStatusBar({50, 100, 100, 50}, this);
    Sb->setObjectName(QStringLiteral("Sb"));
    Sb->setFixedHeight(19);
    setStatusBar(Sb);
}

void TWebPhoneForm::setupConnections()
{
    CS = new qx::TClientSocket(this);
    CS->setObjectName(QStringLiteral("CS"));
    CS->OnConnect = [this](QObject* s, qx::TCustomWinSocket* k) { CSConnect(s, k); };
    CS->OnRead = [this](QObject* s, qx::TCustomWinSocket* k) { CSRead(s, k); };
    CS->OnDisconnect = [this](QObject* s, qx::TCustomWinSocket* k) { CSDisconnect(s, k); };
    CS->OnError = [this](QObject* s, qx::TCustomWinSocket* k, qx::ErrorEvent e, int& code) { CSError(s, k, e, code); };

    CSP = new qx::TClientSocket(this);
    CSP->setObjectName(QStringLiteral("CSP"));
    CSP->OnConnect = [this](QObject* s, qx::TCustomWinSocket* k) { CSPConnect(s, k); };
    CSP->OnRead = [this](QObject* s, qx::TCustomWinSocket* k) { CSPRead(s, k); };
    CSP->OnDisconnect = [this](QObject* s, qx::TCustomWinSocket* k) { CSPDisconnect(s, k); };
    CSP->OnError = [this](QObject* s, qx::TCustomWinSocket* k, qx::ErrorEvent e, int& code) { CSPError(s, k, e, code); };
}

void TWebPhoneForm::loadMemberFiles(MemberFilesReading* reading)
{
    MemberFiles files = reading ? reading->Take() : MemberFiles::Read(m_files);
    ProfList = std::move(files.Profiles);
    FlagList = std::move(files.Faces);
}

// Start-up and shut-down --------------------------------------------------

void TWebPhoneForm::closeEvent(QCloseEvent* event)
{
    try {
        FormClose();
        event->accept();
    } catch (const std::exception& error) {
        qx::HandleException(error);
        event->ignore();
    }
}

void TWebPhoneForm::FormClose()
{
    m_files.MakeDirectory();
    ProfList.SaveFile(m_files.PathOf("Prof.TXT"));
    FlagList.SaveFile(m_files.PathOf("Flag.TXT"));
    SaveSettings();
}

void TWebPhoneForm::ProxyUseClick()
{
    const bool on = ProxyUse->isChecked();
    ProxyAddr->setEnabled(on);
    ProxyPort->setEnabled(on);
}

void TWebPhoneForm::LoadSettings()
{
    const IniFile ini(m_files.SettingsPath());
    const ProxySettings proxy = ReadProxySettings(ini);
    ProxyUse->setChecked(proxy.Use);
    ProxyAddr->setText(qx::ToUnicode(proxy.Addr));
    ProxyPort->setText(qx::ToUnicode(proxy.Port));
    const WatchSettings watch = ReadWatchSettings(ini);
    WatchInterval->setValue(watch.Interval);
    WatchNotify->setChecked(watch.Notify);
    WatchUse->setChecked(watch.Use);
    std::vector<std::string> history = ReadAddressHistory(ini);
    if (history.empty())
        history.push_back(qx::DefaultListAddress());
    AddrList->SetItems(std::move(history));
}

void TWebPhoneForm::SaveSettings()
{
    IniFile ini(m_files.SettingsPath());
    WriteSettings(ini, ProxySettings{ProxyUse->isChecked(), qx::FromUnicode(ProxyAddr->text()), qx::FromUnicode(ProxyPort->text())},
                  AddrList->Items());
    WriteWatchSettings(ini, WatchSettings{WatchUse->isChecked(), WatchInterval->value(), WatchNotify->isChecked()});
    ini.UpdateFile();
}

void TWebPhoneForm::RememberAddress()
{
    std::vector<std::string> items = AddrList->Items();
    if (::RememberAddress(items, AddrList->Text()))
        AddrList->InsertItem(0, AddrList->Text());
}

// The list ----------------------------------------------------------------

void TWebPhoneForm::ParseOnlineList(std::string text)
{
    std::optional<std::vector<MemberRow>> rows = FillOnlineList(text, ProfList, FlagList, SeenList, FilterMask);
    if (!rows)
        return;
    std::vector<qx::ListItem> items;
    items.reserve(rows->size());
    for (MemberRow& row : *rows) {
        items.push_back({std::move(row.Number),
                         {std::move(row.State), std::move(row.Sex), std::move(row.Age), std::move(row.Place), std::move(row.Theme),
                          std::move(row.Profile)},
                         row.Face,
                         row.StateIndex});
    }
    LVOnline->Model().ResetItems(std::move(items));
    Sb->SetPanelText(0, std::to_string(LVOnline->Count()));
    noticeFriendsOnline();
}

void TWebPhoneForm::ParseProfile(const std::string& response)
{
    const std::optional<ProfileUpdate> update = ParseProfilePage(response);
    if (!update)
        return;
    ProfList.PutValue(update->Number, update->Text);
    std::vector<qx::ListItem>& items = LVOnline->Items();
    for (std::size_t row = 0; row < items.size(); ++row) {
        if (qx::AnsiSameText(items[row].Caption, update->Number)) {
            items[row].SubItems.resize(std::max<std::size_t>(items[row].SubItems.size(), 6));
            items[row].SubItems[5] = update->Text;
            LVOnline->Model().RowChanged(static_cast<int>(row));
            break;
        }
    }
}

void TWebPhoneForm::ToolButton1Click(QToolButton* Sender)
{
    const int bit = Sender->property("ImageIndex").toInt();
    if (Sender->isChecked())
        FilterMask |= 1 << bit;
    else
        FilterMask &= ~(1 << bit);
}

void TWebPhoneForm::N1Click(QAction* Sender)
{
    qx::ListItem* item = LVOnline->SelectedItem();
    if (!item)
        return;
    const int face = Sender->data().toInt();
    item->ImageIndex = face;
    LVOnline->Model().RowChanged(LVOnline->Selected());
    const int line = FlagList.FindName(item->Caption);
    if (line != -1)
        FlagList.RemoveAt(line);
    FlagList.Append(item->Caption + "=" + std::to_string(face));
}

void TWebPhoneForm::N5Click()
{
    if (const qx::ListItem* item = LVOnline->SelectedItem())
        QGuiApplication::clipboard()->setText(qx::ToUnicode(item->Caption));
}

void TWebPhoneForm::LVOnlineClick()
{
    if (const qx::ListItem* item = LVOnline->SelectedItem())
        RequestProfile(item->Caption);
}

void TWebPhoneForm::LVOnlineSelectItem(int, bool selected)
{
    LVOnline->SetPopupMenu(selected ? FacePopupMenu : nullptr);
}

void TWebPhoneForm::LVOnlineColumnClick(int column)
{
    qx::ListColumn& heading = LVOnline->Columns()[static_cast<std::size_t>(column)];
    const int key = (column + 1) * (2 * heading.Tag - 1);
    LVOnline->Model().StableSort([key](const qx::ListItem& a, const qx::ListItem& b) { return CompareOnlineItems(a, b, key) < 0; });
    heading.Tag = 1 - heading.Tag;
}

int TWebPhoneForm::CompareOnlineItems(const qx::ListItem& item1, const qx::ListItem& item2, int key)
{
    const int sign = key < 0 ? -1 : 1;
    const int m = key < 0 ? -key : key;
    const std::string& a = item1.Text(m - 1);
    const std::string& b = item2.Text(m - 1);
    // Bytes a-z count as A-Z wherever they stand, trail bytes included.
    auto fold = [](unsigned char c) { return c >= 0x61 && c <= 0x7A ? c - 0x20 : c; };
    const std::size_t common = std::min(a.size(), b.size());
    // Bytes that are equal stay equal folded: start at the first that is not.
    const std::size_t first = static_cast<std::size_t>(std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(common), b.begin()).first - a.begin());
    for (std::size_t i = first; i < common; ++i) {
        const int x = fold(static_cast<unsigned char>(a[i]));
        const int y = fold(static_cast<unsigned char>(b[i]));
        if (x != y)
            return sign * (x < y ? -1 : 1);
    }
    if (a.size() == b.size())
        return 0;
    return sign * (a.size() < b.size() ? -1 : 1);
}

void TWebPhoneForm::ToolButton11Click()
{
    ProfList.Clear();
}

void TWebPhoneForm::ToolButton13Click()
{
    // Missing only when making it failed, which an error box has told.
    if (AboutForm)
        AboutForm->exec();
}

// Fetching ----------------------------------------------------------------

void TWebPhoneForm::Button1Click()
{
    RememberAddress();
    restartWatchCount();
    RefreshList();
}

void TWebPhoneForm::RefreshList()
{
    auto buffer = std::make_unique<RequestBuffer>();
    const std::string address = AddrList->Text();

    // A refresh while the list fetch runs ends that fetch: its buffer goes
    // first, so the close it causes finds an empty slot and parses nothing.
    // A buffer left by a fetch that ended without any event goes too.
    releaseBuffer(CS->Socket());
    if (CS->Active())
        CS->Close();

    const bool proxy = ProxyUse->isChecked();
    const qx::Endpoint endpoint = proxy ? qx::ChooseEndpoint(true, qx::FromUnicode(ProxyAddr->text()), qx::FromUnicode(ProxyPort->text()))
                                        : qx::DirectEndpoint();
    CS->SetHost(endpoint.Host);
    if (proxy)
        CS->SetAddress(endpoint.Address);
    CS->SetPort(endpoint.Port);

    buffer->Text = qx::BuildListRequest(address, proxy);
    CS->Socket()->Data = buffer.release();
    try {
        CS->SetActive(true);
    } catch (const std::exception&) {
        Sb->SetPanelText(1, kError);
        releaseBuffer(CS->Socket());
    }
}

void TWebPhoneForm::RequestProfile(const std::string& number)
{
    auto* socket = new qx::TClientSocket(this);
    socket->OnConnect = CSP->OnConnect;
    socket->OnDisconnect = CSP->OnDisconnect;
    socket->OnRead = CSP->OnRead;
    socket->OnError = CSP->OnError;

    const bool proxy = ProxyUse->isChecked();
    const qx::Endpoint endpoint = proxy ? qx::ChooseEndpoint(true, qx::FromUnicode(ProxyAddr->text()), qx::FromUnicode(ProxyPort->text()))
                                        : qx::DirectEndpoint();
    socket->SetHost(endpoint.Host);
    socket->SetAddress(endpoint.Address);
    socket->SetPort(endpoint.Port);

    socket->Socket()->Data = new RequestBuffer{qx::BuildProfileRequest(number, proxy)};
    try {
        socket->SetActive(true);
    } catch (const std::exception&) {
        // Refused before any handler could run: the panel would otherwise
        // keep the text of an earlier fetch.
        Sb->SetPanelText(2, std::string());
        releaseBuffer(socket->Socket());
        socket->deleteLater();
    }
}

// The watch ------------------------------------------------------------------

void TWebPhoneForm::WatchUseClick()
{
    const bool on = WatchUse->isChecked();
    WatchNotify->setEnabled(on);
    if (on) {
        m_watch.Start();
        WatchTimer->start();
    } else {
        m_watch.Stop();
        WatchTimer->stop();
    }
    showCountdown();
}

void TWebPhoneForm::WatchIntervalChange()
{
    m_watch.SetInterval(WatchInterval->value());
    restartWatchCount();
}

void TWebPhoneForm::WatchTimerTimer()
{
    // An open modal box counts as busy too: a refresh whose failure shows an
    // error box would otherwise stack one more box every interval.
    const bool busy = listFetchRunning() || QApplication::activeModalWidget() != nullptr;
    if (m_watch.Tick(busy))
        RefreshList();
    showCountdown();
}

void TWebPhoneForm::NoticeClick()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

bool TWebPhoneForm::listFetchRunning()
{
    return CS->Active() && bufferOf(CS->Socket()) != nullptr;
}

void TWebPhoneForm::restartWatchCount()
{
    m_watch.Restart();
    if (WatchTimer->isActive())
        WatchTimer->start(); // a whole second to the next tick
    showCountdown();
}

void TWebPhoneForm::showCountdown()
{
    Sb->SetPanelText(3, m_watch.Running() ? CountdownText(m_watch.SecondsLeft()) : std::string());
}

void TWebPhoneForm::noticeFriendsOnline()
{
    std::vector<std::pair<std::string_view, int>> listed;
    listed.reserve(LVOnline->Items().size());
    for (const qx::ListItem& item : LVOnline->Items())
        listed.emplace_back(item.Caption, item.ImageIndex);
    // Every fill is noted, so that turning notices on later compares with
    // the fill that really came before.
    const std::vector<std::string> arrived = m_watch.FriendsNewlyListed(listed);
    if (arrived.empty() || !WatchUse->isChecked() || !WatchNotify->isChecked())
        return;
    m_notice->Show(QStringLiteral("友好の人がオンラインです"), qx::ToUnicode(FriendsNoticeBody(arrived)));
}

// The twin handlers differ in their panel and their parser; this is what
// both do with a connection's events.
namespace {

struct FetchPanel {
    qx::TStatusBar* bar;
    int panel;
    void show(const std::string& text) const { bar->SetPanelText(panel, text); }
};

void onConnect(const FetchPanel& panel, qx::TCustomWinSocket* socket)
{
    RequestBuffer* buffer = bufferOf(socket);
    if (!buffer)
        return;
    panel.show(kConnected);
    buffer->Connected = true;
    const std::string request = std::move(buffer->Text);
    buffer->Text.clear();
    socket->SendText(request);
}

// Appends what arrived; false when the response outgrew its bound, which
// ends the fetch like an error.
bool onRead(const FetchPanel& panel, qx::TCustomWinSocket* socket)
{
    if (!bufferOf(socket))
        return true;
    panel.show(kReading);
    const std::string received = socket->ReceiveText();
    RequestBuffer* buffer = bufferOf(socket); // the read may have ended the fetch
    if (!buffer)
        return true;
    buffer->Text += received;
    if (buffer->Text.size() <= qx::MaxResponseBytes)
        return true;
    panel.show(kError);
    releaseBuffer(socket);
    socket->Close();
    return false;
}

// Hands the response to parse when the connection was established; a
// connection that closes before that has only the request to hand over.
template<typename Parse>
void onDisconnect(const FetchPanel& panel, qx::TCustomWinSocket* socket, Parse parse)
{
    RequestBuffer* buffer = bufferOf(socket);
    if (!buffer)
        return;
    panel.show(std::string());
    if (buffer->Connected)
        parse(buffer->Text);
    releaseBuffer(socket);
}

} // namespace

void TWebPhoneForm::CSConnect(QObject*, qx::TCustomWinSocket* Socket)
{
    onConnect({Sb, 1}, Socket);
}

void TWebPhoneForm::CSRead(QObject*, qx::TCustomWinSocket* Socket)
{
    if (!onRead({Sb, 1}, Socket))
        CS->Close();
}

void TWebPhoneForm::CSDisconnect(QObject*, qx::TCustomWinSocket* Socket)
{
    onDisconnect({Sb, 1}, Socket, [this](std::string& text) { ParseOnlineList(std::move(text)); });
}

void TWebPhoneForm::CSError(QObject*, qx::TCustomWinSocket* Socket, qx::ErrorEvent, int& ErrorCode)
{
    ErrorCode = 0;
    if (!bufferOf(Socket))
        return;
    Sb->SetPanelText(1, kError);
    releaseBuffer(Socket);
    CS->Close();
}

void TWebPhoneForm::CSPConnect(QObject*, qx::TCustomWinSocket* Socket)
{
    onConnect({Sb, 2}, Socket);
}

void TWebPhoneForm::CSPRead(QObject* Sender, qx::TCustomWinSocket* Socket)
{
    if (!onRead({Sb, 2}, Socket))
        Sender->deleteLater();
}

void TWebPhoneForm::CSPDisconnect(QObject* Sender, qx::TCustomWinSocket* Socket)
{
    if (!bufferOf(Socket))
        return;
    onDisconnect({Sb, 2}, Socket, [this](const std::string& text) { ParseProfile(text); });
    Sender->deleteLater();
}

void TWebPhoneForm::CSPError(QObject* Sender, qx::TCustomWinSocket* Socket, qx::ErrorEvent, int& ErrorCode)
{
    const int code = ErrorCode;
    ErrorCode = 0;
    if (!bufferOf(Socket))
        return;
    Sb->SetPanelText(2, "Error(ErrorCode=" + std::to_string(code) + ")");
    releaseBuffer(Socket);
    Sender->deleteLater();
}
