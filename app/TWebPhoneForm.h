#pragma once
// The main window. It owns every control, the three member stores and the
// connections, and wires the user's actions and the connections' events to
// the logic in parse/, net/ and store/. Each handler is a few lines: call the
// logic, then update the widgets.

#include "ClientSocket.h"
#include "ComboBox.h"
#include "DesktopNotice.h"
#include "FileLocations.h"
#include "ListView.h"
#include "MemberStore.h"
#include "StatusBar.h"
#include "Watch.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <chrono>
#include <string>

class TAboutForm;
class MemberFilesReading;

class TWebPhoneForm : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and loads the member files and the settings file
    // from files; throws qx::Error when a member file exists but cannot be
    // read. watchSecond is how long one second of the watch's count lasts.
    // The member files come from reading when one has been begun.
    explicit TWebPhoneForm(QWidget* owner = nullptr, FileLocations files = FileLocations::ForThisRun(),
                           std::chrono::milliseconds watchSecond = std::chrono::seconds(1),
                           MemberFilesReading* reading = nullptr);
    ~TWebPhoneForm() override;

    void ParseOnlineList(std::string text);
    void RequestProfile(const std::string& number);
    void ParseProfile(const std::string& response);

    // The address-band and toolbar.
    QWidget* CoolBar1 = nullptr;
    qx::TComboBox* AddrList = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton3 = nullptr;
    QToolButton* ToolButton4 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QToolButton* ToolButton9 = nullptr;
    QToolButton* ToolButton11 = nullptr;
    QToolButton* ToolButton13 = nullptr;
    qx::TListView* LVOnline = nullptr;

    // The Setting page.
    QWidget* TabSheet2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* ProxyUse = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* ProxyAddr = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* ProxyPort = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* WatchUse = nullptr;
    QLabel* Label3 = nullptr;
    QSpinBox* WatchInterval = nullptr;
    QCheckBox* WatchNotify = nullptr;
    QPlainTextEdit* Info = nullptr;

    qx::TStatusBar* Sb = nullptr;

    QMenu* FacePopupMenu = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    QAction* N7 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;

    qx::TClientSocket* CS = nullptr;
    qx::TClientSocket* CSP = nullptr;
    // Ticks once a second while the watch runs.
    QTimer* WatchTimer = nullptr;

    MemberStore ProfList;
    MemberStore SeenList;
    MemberStore FlagList;
    int FilterMask = 3;

    // Handlers, named after the control and its event.
    void FormClose();
    void ProxyUseClick();
    void Button1Click();
    // The refresh without the address history: what the watch runs.
    void RefreshList();
    void WatchUseClick();
    void WatchIntervalChange();
    void WatchTimerTimer();
    void NoticeClick();
    void ToolButton1Click(QToolButton* Sender);
    void N1Click(QAction* Sender);
    void N5Click();
    void LVOnlineClick();
    void LVOnlineSelectItem(int item, bool selected);
    void LVOnlineColumnClick(int column);
    void ToolButton11Click();
    void ToolButton13Click();

    void CSConnect(QObject* Sender, qx::TCustomWinSocket* Socket);
    void CSRead(QObject* Sender, qx::TCustomWinSocket* Socket);
    void CSDisconnect(QObject* Sender, qx::TCustomWinSocket* Socket);
    void CSError(QObject* Sender, qx::TCustomWinSocket* Socket, qx::ErrorEvent ErrorEvent, int& ErrorCode);
    void CSPConnect(QObject* Sender, qx::TCustomWinSocket* Socket);
    void CSPRead(QObject* Sender, qx::TCustomWinSocket* Socket);
    void CSPDisconnect(QObject* Sender, qx::TCustomWinSocket* Socket);
    void CSPError(QObject* Sender, qx::TCustomWinSocket* Socket, qx::ErrorEvent ErrorEvent, int& ErrorCode);

    void LoadSettings();
    void SaveSettings();
    void RememberAddress();

    // The window's font: the Japanese proportional gothic at 12 pixels.
    static QFont WindowFont();

    // The comparison of the list's custom sort: negative when item1 comes first.
    static int CompareOnlineItems(const qx::ListItem& item1, const qx::ListItem& item2, int key);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupWindow();
    void setupAddressBand();
    void setupOnlinePage();
    void setupToolBar();
    void setupList();
    void setupPopupMenu();
    void setupSettingPage();
    void setupWatchGroup();
    void setupStatusBar();
    void setupConnections();
    void loadMemberFiles(MemberFilesReading* reading);
    bool listFetchRunning();
    void restartWatchCount();
    void showCountdown();
    void noticeFriendsOnline();

    FileLocations m_files;
    std::chrono::milliseconds m_watchSecond;
    Watch m_watch;
    DesktopNotice* m_notice = nullptr;
};

extern TWebPhoneForm* WebPhoneForm;
