#pragma once
// A session bus of the test's own: a dbus-daemon started for the test on a
// socket in a scratch directory, with no services to activate, and made the
// process's session bus. Create it before anything in the process has
// touched the session bus, since the process keeps its first connection.
// NotificationRecorder stands in for the desktop's notification service on
// such a bus and records every notice it is sent.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QTemporaryDir>
#include <QVariantMap>

class PrivateSessionBus {
public:
    PrivateSessionBus()
    {
        const QString config = m_dir.filePath(QStringLiteral("session.conf"));
        QFile file(config);
        file.open(QIODevice::WriteOnly);
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig>\n"
                   "  <type>session</type>\n"
                   "  <listen>unix:dir=" + m_dir.path().toUtf8() + "</listen>\n"
                   "  <policy context=\"default\">\n"
                   "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                   "    <allow eavesdrop=\"true\"/>\n"
                   "    <allow own=\"*\"/>\n"
                   "  </policy>\n"
                   "</busconfig>\n");
        file.close();
        m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                                                       QStringLiteral("--print-address")});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000))
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        if (!m_address.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    }

    ~PrivateSessionBus()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
    }

    // Empty when the daemon could not be started.
    const QString& address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

class NotificationRecorder : public QDBusVirtualObject {
public:
    struct Notice {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
        uint id = 0;
    };

    explicit NotificationRecorder(const QString& address)
        : m_name(QStringLiteral("recorder%1").arg(++s_count))
        , m_bus(QDBusConnection::connectToBus(address, m_name))
    {
    }

    ~NotificationRecorder() override
    {
        stop();
        QDBusConnection::disconnectFromBus(m_name);
    }

    // Takes the service's name on the bus; false when it cannot.
    bool start() { return m_bus.registerVirtualObject(path(), this) && m_bus.registerService(service()); }

    void stop()
    {
        m_bus.unregisterService(service());
        m_bus.unregisterObject(path());
    }

    QList<Notice> notices() const
    {
        QMutexLocker lock(&m_mutex);
        return m_notices;
    }

    // What the desktop sends when the user clicks the notice id.
    void click(uint id, const QString& action = QStringLiteral("default"))
    {
        QDBusMessage signal = QDBusMessage::createSignal(path(), service(), QStringLiteral("ActionInvoked"));
        signal << id << action;
        m_bus.send(signal);
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() == QStringLiteral("Notify") && message.signature() == QStringLiteral("susssasa{sv}i")) {
            const QList<QVariant> a = message.arguments();
            Notice notice{a[0].toString(), a[1].toUInt(), a[2].toString(), a[3].toString(), a[4].toString(), a[5].toStringList(),
                          qdbus_cast<QVariantMap>(a[6]), a[7].toInt(), 0};
            QMutexLocker lock(&m_mutex);
            notice.id = static_cast<uint>(m_notices.size()) + 1;
            // Answered before it is seen recorded: a click the test sends
            // then comes after the answer that tells the notice's id.
            connection.send(message.createReply(QVariant::fromValue(notice.id)));
            m_notices.append(notice);
            return true;
        }
        if (message.member() == QStringLiteral("GetCapabilities")) {
            connection.send(message.createReply(QStringList{QStringLiteral("body"), QStringLiteral("actions")}));
            return true;
        }
        connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
        return true;
    }

    static QString service() { return QStringLiteral("org.freedesktop.Notifications"); }
    static QString path() { return QStringLiteral("/org/freedesktop/Notifications"); }

private:
    static inline int s_count = 0;
    QString m_name;
    QDBusConnection m_bus;
    mutable QMutex m_mutex;
    QList<Notice> m_notices;
};
