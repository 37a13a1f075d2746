// Measures the network bridge: qn62-pjlink runs as its own process in front
// of the simulated projector (in this process, on a pseudo-terminal, so the
// commands reaching the line can be counted), and clients here poll
// "POWR ?" every 100 ms, each poll on a new connection as most fleet tools
// do. Prints Markdown for bench/RESULTS.md.
// Usage: qn62-bench-pjlink [--quick]

#include "sim/ptyprojector.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

constexpr int PollMs = 100;

// CPU seconds (user and system) and resident memory of a process.
struct Usage
{
    double cpuSeconds = 0;
    long rssKiB = 0;
    long peakKiB = 0;
};

Usage usage(qint64 pid)
{
    Usage u;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
        // Fields 14 and 15 of the file, counted after the command name.
        u.cpuSeconds = double(f.value(11).toLongLong() + f.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words.value(0) == "VmRSS:")
                u.rssKiB = words.value(1).toLong();
            else if (words.value(0) == "VmHWM:")
                u.peakKiB = words.value(1).toLong();
        }
    }
    return u;
}

// One client: every PollMs it connects, waits for the greeting, asks
// "POWR ?" and closes once the answer is in. A poll still under way when
// the next one is due makes that one wait for the following tick.
class Poller : public QObject
{
public:
    Poller(quint16 port, std::vector<double> *answerMs, int *failures)
        : m_port(port), m_answerMs(answerMs), m_failures(failures)
    {
        m_timer.setInterval(PollMs);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &Poller::poll);
        connect(&m_socket, &QTcpSocket::readyRead, this, &Poller::read);
        connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] {
            if (m_busy) {
                ++*m_failures;
                m_busy = false;
            }
        });
        // Spread the clients over the interval.
        QTimer::singleShot(QRandomGenerator::global()->bounded(PollMs), this, [this] {
            m_timer.start();
            poll();
        });
    }
    void stop() { m_timer.stop(); }

private:
    void poll()
    {
        if (m_busy)
            return;
        m_busy = true;
        m_heard.clear();
        m_socket.abort();
        m_socket.connectToHost(QHostAddress::LocalHost, m_port);
    }
    void read()
    {
        m_heard += m_socket.readAll();
        if (m_heard == "PJLINK 0\r") {
            m_heard.clear();
            m_clock.start();
            m_socket.write("%1POWR ?\r");
        } else if (m_heard.endsWith('\r')) {
            if (m_heard.startsWith("%1POWR=") && !m_heard.contains("ERR"))
                m_answerMs->push_back(double(m_clock.nsecsElapsed()) / 1e6);
            else
                ++*m_failures;
            m_busy = false;
            m_socket.disconnectFromHost();
        }
    }

    quint16 m_port;
    std::vector<double> *m_answerMs;
    int *m_failures;
    QTcpSocket m_socket;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QByteArray m_heard;
    bool m_busy = false;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int roundMs = quick ? 5000 : 30000;
    const int idleMs = quick ? 5000 : 10000;

    qn62::sim::PtyProjector sim;
    if (!sim.open()) {
        std::fprintf(stderr, "qn62-bench-pjlink: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    QByteArrayList onLine;
    QObject::connect(&sim, &qn62::sim::PtyProjector::commandReceived, [&](const QByteArray &c) { onLine << c; });

    QProcess bridge;
    bridge.setProcessChannelMode(QProcess::SeparateChannels);
    bridge.start(QStringLiteral(QN62_PJLINK_PROGRAM),
                 {"--device", sim.slavePath(), "--listen", "127.0.0.1:0"});
    QByteArray log;
    quint16 port = 0;
    for (int i = 0; i < 100 && port == 0; ++i) {
        bridge.waitForReadyRead(100);
        log += bridge.readAllStandardError();
        const int at = log.indexOf("listening on 127.0.0.1:");
        if (at >= 0 && log.indexOf('\n', at) > 0)
            port = quint16(log.mid(at + 23, log.indexOf('\n', at) - at - 23).split(',')[0].toUInt());
    }
    if (port == 0) {
        std::fprintf(stderr, "qn62-bench-pjlink: the bridge did not start: %s\n", log.constData());
        return 1;
    }
    const qint64 pid = bridge.processId();

    std::printf("## Network bridge\n\n"
                "qn62-pjlink as its own process in front of the simulated projector on a pseudo-terminal; "
                "each client polls `POWR ?` every %d ms for %d s, on a new connection each time. Answer time: "
                "from the request written to its answer read, at the client. The line: every command the "
                "projector received in the round.\n\n",
                PollMs, roundMs / 1000);
    std::printf("| clients | polls answered | failed | answer p50 | answer p99 | max | commands on the line / s "
                "| bridge CPU, share of one core | bridge RSS (peak) |\n|---|---|---|---|---|---|---|---|---|\n");
    for (const int clients : {1, 10, 50}) {
        std::vector<double> answerMs;
        int failures = 0;
        onLine.clear();
        const Usage before = usage(pid);
        QElapsedTimer wall;
        wall.start();
        std::vector<std::unique_ptr<Poller>> pollers;
        for (int i = 0; i < clients; ++i)
            pollers.push_back(std::make_unique<Poller>(port, &answerMs, &failures));
        runFor(roundMs);
        for (auto &p : pollers)
            p->stop();
        const double seconds = double(wall.elapsed()) / 1000;
        const Usage after = usage(pid);
        runFor(300); // the last polls end
        pollers.clear();
        std::printf("| %d | %zu | %d | %.2f ms | %.2f ms | %.2f ms | %.2f (%lld CR0) | %.2f %% | %ld KiB (%ld KiB) |\n",
                    clients, answerMs.size(), failures, percentile(answerMs, 0.5), percentile(answerMs, 0.99),
                    percentile(answerMs, 1.0), double(onLine.size()) / seconds,
                    static_cast<long long>(onLine.count("CR0")), 100 * (after.cpuSeconds - before.cpuSeconds) / seconds,
                    after.rssKiB, after.peakKiB);
        std::fflush(stdout);
    }

    runFor(1000);
    const Usage idleBefore = usage(pid);
    runFor(idleMs);
    const Usage idleAfter = usage(pid);
    std::printf("\nIdle, no client for %d s: bridge CPU %.2f s (%.2f %% of one core; /proc counts in steps of "
                "%.0f ms), RSS %ld KiB.\n",
                idleMs / 1000, idleAfter.cpuSeconds - idleBefore.cpuSeconds,
                100 * (idleAfter.cpuSeconds - idleBefore.cpuSeconds) * 1000 / idleMs,
                1000.0 / double(sysconf(_SC_CLK_TCK)), idleAfter.rssKiB);
    std::printf("\nTargets: p99 under 50 ms when answered from the 1 s reuse; at most 2 status queries a "
                "second on the line whatever the number of clients; RSS under 15 MB; 0 %% CPU when idle.\n");
    bridge.terminate();
    bridge.waitForFinished(3000);
    return 0;
}
