#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QVector>

#include <signal.h>

// A real ser2net on 127.0.0.1, for the tests and the benchmarks: each
// accepter serves one device (a pseudo-terminal's slave path) on a free
// loopback port, from a YAML file of its own. Started and stopped by PID.
class Ser2NetRig
{
public:
    struct Accepter
    {
        QString gensio; // "telnet(rfc2217),tcp", "telnet,tcp" or "tcp"
        QString device;
        QString line = QStringLiteral("19200n81"); // the device's settings on each connection
        quint16 port = 0; // chosen by the constructor
    };

    explicit Ser2NetRig(QVector<Accepter> accepters)
        : m_accepters(std::move(accepters))
    {
        for (Accepter &a : m_accepters)
            a.port = freePort();
        QByteArray yaml = "%YAML 1.1\n---\n";
        for (const Accepter &a : m_accepters)
            yaml += QStringLiteral("connection: &p%1\n    accepter: %2,127.0.0.1,%1\n"
                                   "    connector: serialdev,%3,%4,local\n")
                        .arg(a.port).arg(a.gensio, a.device, a.line).toLatin1();
        QFile file(m_dir.filePath("ser2net.yaml"));
        if (file.open(QIODevice::WriteOnly))
            file.write(yaml);
    }
    ~Ser2NetRig() { stop(); }

    quint16 port(int i) const { return m_accepters[i].port; }
    QString address(int i, const char *scheme) const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(port(i));
    }
    qint64 pid() const { return m_process.processId(); }

    // Starts ser2net and waits (at most 10 s) until every port takes
    // connections. Returns false when it does not come up.
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(m_dir.filePath("ser2net.log"));
        // -u: no UUCP lock files; the devices are this test's own.
        // Debian puts it in /usr/sbin, which is not on every user's PATH.
        QString program = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
        if (program.isEmpty())
            program = QStandardPaths::findExecutable(QStringLiteral("ser2net"), {"/usr/sbin", "/sbin"});
        if (program.isEmpty()) {
            m_error = "ser2net is not installed (Debian package ser2net; scripts/deps.sh installs it)";
            return false;
        }
        m_process.start(program,
                        {"-n", "-d", "-u", "-P", m_dir.filePath("ser2net.pid"), "-c", m_dir.filePath("ser2net.yaml")});
        if (!m_process.waitForStarted(5000)) {
            m_error = "ser2net did not start: " + m_process.errorString().toUtf8();
            return false;
        }
        const QDeadlineTimer deadline(10000);
        for (const Accepter &a : m_accepters) {
            while (!listening(a.port)) {
                if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
                    m_error = "ser2net did not come up on port " + QByteArray::number(a.port) + ":\n" + log();
                    return false;
                }
                QThread::msleep(10);
            }
        }
        return true;
    }
    // Whether something listens on 127.0.0.1:port, from the kernel's table
    // (a probe connection would open the device behind it).
    static bool listening(quint16 port)
    {
        QFile table(QStringLiteral("/proc/net/tcp"));
        if (!table.open(QIODevice::ReadOnly))
            return false;
        const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray &row : table.readAll().split('\n')) {
            const QList<QByteArray> fields = row.simplified().split(' ');
            if (fields.size() > 3 && fields[1] == local && fields[3] == "0A")
                return true;
        }
        return false;
    }
    // signal: SIGTERM for an orderly end, SIGKILL for a crash.
    void stop(int signal = SIGTERM)
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_process.processId()), signal);
        m_process.waitForFinished(5000);
    }
    // Why start() failed.
    QByteArray error() const { return m_error; }
    QByteArray log() const
    {
        QFile file(m_dir.filePath("ser2net.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_error;
    QVector<Accepter> m_accepters;
    QProcess m_process;
};
