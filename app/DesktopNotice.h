#pragma once
// A notice on the desktop. It goes to the freedesktop notification service on
// the session bus (org.freedesktop.Notifications) with the program's name and
// icon and a default action; where no such service answers, it becomes the
// tray icon's message when the desktop has a tray; otherwise it is dropped.
// None of these is an error. Nothing touches the bus before the first notice.
// A click on a notice shown here emits Clicked.

#include <QIcon>
#include <QObject>
#include <QSet>
#include <QString>

class QSystemTrayIcon;

class DesktopNotice : public QObject {
    Q_OBJECT
public:
    // appId names the icon and the desktop entry; trayIcon is what a tray
    // shows when the fallback needs one.
    DesktopNotice(QString appName, QString appId, QIcon trayIcon, QObject* parent = nullptr);

    // Shows title and body as plain text: markup characters in the body,
    // which may come from the network, are escaped for the service. Returns
    // at once; the service answers later.
    void Show(const QString& title, const QString& body);

signals:
    void Clicked();

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    bool listen();
    void showInTray(const QString& title, const QString& body);

    QString m_appName;
    QString m_appId;
    QIcon m_trayIcon;
    bool m_listening = false;
    QSet<uint> m_shown; // ids the service gave our notices that are still up
    QSystemTrayIcon* m_tray = nullptr;
};
