#pragma once

#include "ptyline.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <sys/stat.h>

// A line that goes away and comes back under the same name, as a USB adapter
// pulled out and plugged in again: socat makes a pseudo-terminal pair whose
// ends are links of fixed names in a directory of its own. The program
// opens `path`; the test plays the projector on the other end, or socat
// joins `path` to a device given instead (the simulator's line). hangUp()
// ends socat, which takes its pseudo-terminals and links away; start() again
// brings them back under the same names, with other devices behind them.
struct SocatLine : FarEnd
{
    QTemporaryDir dir;
    QProcess socat;
    QString joined; // the device joined to path; empty: a pseudo-terminal the test reads
    QByteArray error; // why start() failed

    explicit SocatLine(const QString &joinTo = QString())
        : joined(joinTo)
    {
        // Open to other users, for a test that opens path as one of them.
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        path = dir.filePath(QStringLiteral("qn62"));
    }
    ~SocatLine() override { hangUp(); }

    // Starts socat and waits (at most 10 s) for its links.
    bool start()
    {
        hangUp();
        heard.clear();
        const QString program = QStandardPaths::findExecutable(QStringLiteral("socat"));
        if (program.isEmpty()) {
            error = "socat is not installed (Debian package socat; scripts/deps.sh installs it)";
            return false;
        }
        const QString far = dir.filePath(QStringLiteral("far"));
        socat.start(program, {QStringLiteral("PTY,raw,echo=0,link=") + path,
                              joined.isEmpty() ? QStringLiteral("PTY,raw,echo=0,link=") + far
                                               : joined + QStringLiteral(",raw,echo=0")});
        socat.waitForStarted(5000);
        const QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(path) || (joined.isEmpty() && !QFileInfo::exists(far))) {
            if (deadline.hasExpired() || socat.state() != QProcess::Running) {
                error = "socat did not come up: " + socat.readAllStandardError();
                return false;
            }
            QThread::msleep(10);
        }
        if (joined.isEmpty()) {
            master = ::open(QFile::encodeName(far).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            makeRaw(master);
        }
        return joined.isEmpty() ? master >= 0 : true;
    }
    void hangUp() override
    {
        FarEnd::hangUp();
        if (socat.state() == QProcess::NotRunning)
            return;
        socat.terminate(); // SIGTERM: socat removes its links on the way out
        socat.waitForFinished(5000);
    }
    // The device behind path now.
    QString device() const { return QFileInfo(path).canonicalFilePath(); }
};
