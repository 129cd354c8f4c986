#include "DesktopNotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");

} // namespace

DesktopNotice::DesktopNotice(QString appName, QString appId, QIcon trayIcon, QObject* parent)
    : QObject(parent)
    , m_appName(std::move(appName))
    , m_appId(std::move(appId))
    , m_trayIcon(std::move(trayIcon))
{
}

bool DesktopNotice::listen()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!m_listening) {
        // Any sender: the service's unique name is not known before it
        // answers, and the ids tell our notices apart.
        bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
        bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this, SLOT(onNotificationClosed(uint, uint)));
        m_listening = true;
    }
    return true;
}

void DesktopNotice::Show(const QString& title, const QString& body)
{
    if (!listen()) {
        showInTray(title, body);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << m_appName << uint(0) << m_appId << title << body.toHtmlEscaped()
         << QStringList{kDefaultAction, QStringLiteral("表示")}
         << QVariantMap{{QStringLiteral("desktop-entry"), m_appId}} << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, body] {
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            showInTray(title, body);
        else
            m_shown.insert(reply.value());
        watcher->deleteLater();
    });
}

void DesktopNotice::showInTray(const QString& title, const QString& body)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages())
        return;
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(m_trayIcon, this);
        m_tray->setToolTip(m_appName);
        connect(m_tray, &QSystemTrayIcon::messageClicked, this, &DesktopNotice::Clicked);
        m_tray->show();
    }
    m_tray->showMessage(title, body, m_trayIcon);
}

void DesktopNotice::onActionInvoked(uint id, const QString& action)
{
    if (action == kDefaultAction && m_shown.contains(id))
        emit Clicked();
}

void DesktopNotice::onNotificationClosed(uint id, uint)
{
    m_shown.remove(id);
}
