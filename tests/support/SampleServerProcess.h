#pragma once
// The sample directory server in a process of its own, on a free loopback
// port, recording every request it receives into a scratch file.

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class SampleServerProcess {
public:
    explicit SampleServerProcess(const QStringList& options = {})
    {
        m_process.setProgram(qEnvironmentVariable("QUORRIX_SAMPLE_SERVER"));
        m_process.setArguments(QStringList{"0", "--record", recordPath(), "--seed", "7"} + options);
        m_process.start();
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000))
            m_port = static_cast<quint16>(m_process.readLine().trimmed().toUInt());
    }

    ~SampleServerProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }

    quint16 port() const { return m_port; }
    QString recordPath() const { return m_dir.filePath("requests.rec"); }

    // The requests recorded so far, each as it arrived.
    QList<QByteArray> recorded() const
    {
        QFile file(recordPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray all = file.readAll();
        QList<QByteArray> requests;
        qsizetype at = 0;
        while (at < all.size()) {
            const qsizetype lineEnd = all.indexOf('\n', at);
            if (lineEnd < 0)
                break;
            const qsizetype length = all.mid(at, lineEnd - at).split(' ').value(1).toLongLong();
            requests.append(all.mid(lineEnd + 1, length));
            at = lineEnd + 1 + length + 1;
        }
        return requests;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
