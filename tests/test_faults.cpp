#include "outputqueue.h"
#include "panelfixture.h"
#include "trafficlines.h"
#include "socatline.h"
#include "termination.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QTcpSocket>

#include <csignal>
#include <ctime>
#include <malloc.h>

using namespace qn62;

// The panel when things go wrong on the line: on a pseudo-terminal, on a
// raw TCP server of our own (rows tagged "raw TCP") whose small receive
// buffer makes a far end that does not read stall the line soon, and,
// reconnecting, on a socat pair that goes and comes back (rows "socat").
class FaultTest : public PanelFixture
{
    Q_OBJECT

    // The longest command the command line takes.
    const QString longest = QString("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ").repeated(4000).left(OutputQueue::Capacity - 1);
    QLineEdit *text1() const { return static_cast<QLineEdit *>(w->control("Text1")); }
    void paste(const QString &text)
    {
        QApplication::clipboard()->setText(text);
        text1()->selectAll();
        text1()->paste();
    }
    // Sends bytes once the port is up (a network port connects first).
    void sendOnceUp(const char *bytes)
    {
        bool sent = false;
        QTRY_VERIFY(sent || (sent = port->output(bytes)));
    }

private slots:
    void init()
    {
        const QByteArray tag = QTest::currentDataTag();
        const bool tcp = tag.startsWith("raw TCP");
        reconnect = tag.startsWith("socat");
        SocatLine *socat = reconnect ? new SocatLine : nullptr;
        line.reset(tcp ? new TcpLine(4096) : socat ? socat : static_cast<FarEnd *>(new PtyLine));
        QVERIFY2(!socat || tag.contains("absent at start") || socat->start(), socat ? socat->error.constData() : "");
        start(line->path);
        detachTicks();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        if (tag.contains("absent at start"))
            return;
        // Connected once, and the line moves.
        sendOnceUp("\r");
        QTRY_COMPARE(line->read(), QByteArray("\r"));
        line->heard.clear();
        QVERIFY(!tcp || static_cast<TcpLine *>(line.get())->accepted == 1);
        // A kernel send buffer that does not grow, so the panel's own fill.
        if (tcp)
            port->findChild<QTcpSocket *>()->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4096);
    }
    void cleanup() { closePanel(); }

    // The far end goes, while a button is held or not: one warning, with the
    // device, the reason and what to check; the hold ends with the line, and
    // the closed spell it starts adds no box. Closed ports do not spin.
    void lineVanishes_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("says");
        QTest::newRow("pseudo-terminal") << false << "the device disconnected. Check the cable or adapter";
        QTest::newRow("pseudo-terminal, button held") << true << "the device disconnected";
        QTest::newRow("raw TCP, button held") << true << "closed the connection. Check that the server is running";
        QTest::newRow("socat, reconnecting, button held") << true << "disconnected. It is opened again as soon as it comes back";
    }
    void lineVanishes()
    {
        QFETCH(bool, held);
        QFETCH(QString, says);
        PtyLine two;
        port->setDevice(2, two.path);
        QVERIFY(line->write("\x06")); // the far end has said something
        QTRY_VERIFY(w->link().ReplyBuffer.endsWith('\x06'));
        if (held)
            QTest::mousePress(w->button(1), Qt::LeftButton);
        line->hangUp();
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY2(!port->portOpen() && warnings[0].contains(line->path) && warnings[0].contains(says),
                 qPrintable(warnings[0]));
        QVERIFY(!w->Timer1.enabled() && w->RepeatCode == 0 && !w->button(1)->isHeld());
        QVERIFY(port->awaitingDevice() == reconnect && port->retryTimer().isActive() == reconnect);

        const std::clock_t cpu = std::clock(); // the process's processor time, all threads
        QTest::qWait(300);
        QVERIFY2(std::clock() - cpu < CLOCKS_PER_SEC / 10, "the panel keeps working after the port went away");

        w->Timer1_Timer();
        w->Command17_Click();
        QVERIFY2(rx().startsWith(TransactionEngine::NotSentMark) && warnings.size() == 1, qPrintable(warnings.join('\n')));
        QCOMPARE(rx().endsWith("waiting for " + line->path + " to come back"), reconnect);
        option("Option2")->click();
        w->Command44_Click();
        QTRY_COMPARE(two.read(), QByteArray("CR0\r"));
        QVERIFY(!port->awaitingDevice() && !port->retryTimer().isActive());
        // A port that opened ends the spell: a failed change then a send
        // each say so.
        port->setDevice(1, Absent);
        option("Option1")->click();
        w->Command17_Click();
        QVERIFY2(warnings.size() == 3 && warnings.last().contains("COM1") && warnings.last().contains("not open"),
                 qPrintable(warnings.join('\n')));
    }

    // Reconnecting: a device lost while output waits, or absent at start, is
    // told once. Tries while it is away, or back under the same link but not
    // to be opened yet, wait on without a box; then it opens, and nothing from
    // before goes out. END, or a port choice even if it fails, ends the waiting.
    void comesBack_data()
    {
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("then"); // what keeps the device that is back from opening at first, or ends the waiting
        const QString lost = "comes back. Check the cable or adapter. The command \"MMMM";
        QTest::newRow("socat, lost with output waiting") << lost << "";
        QTest::newRow("socat, absent at start") << "or choose the other port. The panel opens it as soon as it can." << "";
        QTest::newRow("socat, back unreadable (mode 000), then readable") << lost << "mode 000";
        QTest::newRow("socat, back held by another program, then free") << lost << "held";
        QTest::newRow("socat, END while waiting") << lost << "END";
        QTest::newRow("socat, COM2 chosen while waiting, and failing") << lost << "COM2";
        QTest::newRow("socat, COM1 chosen again while waiting, and failing") << lost << "COM1";
    }
    void comesBack()
    {
        QFETCH(QString, says);
        QFETCH(QString, then);
        auto *socat = static_cast<SocatLine *>(line.get());
        // Held here (write-only: it takes no input), the first device's
        // number is not handed out again: the link must be resolved anew.
        const int first = ::open(QFile::encodeName(socat->device()).constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
        QSignalSpy opened(port.get(), &CommPort::portOpened);
        if (socat->socat.state() == QProcess::Running) {
            // The far end does not read, so the longest command waits.
            QVERIFY(port->output(QString(OutputQueue::Capacity, QLatin1Char('M'))) && port->pendingOutput() > 0);
            socat->hangUp();
        }
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(says) && port->awaitingDevice(), qPrintable(warnings[0]));
        if (then == "END" || then.startsWith("COM")) {
            // The option clicked keeps its mark, whatever the outcome.
            then == "END" ? click(16) : option(qPrintable("Option" + then.right(1)))->click();
            QVERIFY(!port->awaitingDevice() && !port->retryTimer().isActive() && warnings.size() == (then == "END" ? 1 : 2));
            QVERIFY(then == "END" || option(qPrintable("Option" + then.right(1)))->isChecked());
            return;
        }
        port->retry(); // still away
        w->Command17_Click();
        QVERIFY(rx().endsWith(" to come back") && port->retryTimer().interval() == 1000 && port->retryTimer().isActive());
        QVERIFY2(socat->start(), socat->error.constData());
        ::close(first);
        const QByteArray device = QFile::encodeName(socat->device());
        SerialComm holder;
        holder.setDevice(1, socat->device());
        QVERIFY(then != "mode 000" || ::chmod(device.constData(), 0) == 0);
        QVERIFY(then != "held" || holder.setPortOpen(true));
        // Root opens whatever the mode: its tries go as an ordinary user.
        const bool asNobody = then == "mode 000" && ::geteuid() == 0;
        const auto tryAgain = [&] {
            QVERIFY(!asNobody || ::seteuid(65534) == 0);
            port->retry();
            QVERIFY(!asNobody || ::seteuid(0) == 0);
        };
        if (!then.isEmpty()) {
            tryAgain();
            QVERIFY(port->awaitingDevice() && port->retryTimer().isActive() && opened.isEmpty());
            QVERIFY(::chmod(device.constData(), 0666) == 0 && holder.setPortOpen(false));
        }
        tryAgain();
        QVERIFY(port->portOpen() && opened.size() == 1);
        w->Command44_Click();
        QTRY_COMPARE(socat->read(), QByteArray("CR0\r"));
        QVERIFY(socat->write("80\r"));
        QTRY_COMPARE(w->link().line(TransactionEngine::Line::Status), " Stand by");
        QVERIFY2(warnings.size() == 1, qPrintable(warnings.join('\n')));
    }

    // A flood fills the reply buffer, which keeps the newest characters: the
    // reply to the next command is seen at once (RXD cut before it, the whole
    // in its tooltip), and after the reply window the next one decodes.
    void floodKeepsTheNewest()
    {
        for (int i = 0; i < 8; ++i) {
            QVERIFY(line->write(QByteArray(1920, 'Z')));
            QTest::qWait(10);
        }
        QTRY_COMPARE(w->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        w->Command44_Click();
        QVERIFY(line->write("80\r"));
        QTRY_VERIFY(rx().endsWith(" Z 8 0 CR "));
        QCOMPARE(w->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QVERIFY2(rxd()->text().startsWith(u'…') && rxd()->text().endsWith(" 8 0 CR ") && rxd()->toolTip() == rx()
                     && rxd()->fontMetrics().horizontalAdvance(rxd()->text()) <= rxd()->contentsRect().width(),
                 qPrintable(rxd()->text()));
        w->link().Timer2_Timer();
        w->Command44_Click();
        QVERIFY(line->write("00\r"));
        QTRY_COMPARE(rx(), QLatin1String(" 0 0 CR "));
        QCOMPARE(w->link().line(TransactionEngine::Line::Status), " Power ON");
    }

    // The far end stops reading while the longest command goes out: it
    // waits, and its reply window ends saying so, one that does not fit is
    // refused whole without a box (the reason cut visibly, and whole in the
    // tooltip and description), the port stays open, and what waits arrives
    // whole and in order once the far end reads again. A port change, END or
    // a signal throws away what still waits, at once, and says what was not
    // sent, in a box or (a signal) none; such a command never shows as sent.
    void stalledLine_data()
    {
        QTest::addColumn<int>("signal"); // ended by, instead of END
        QTest::newRow("pseudo-terminal") << 0;
        QTest::newRow("raw TCP") << 0;
        QTest::newRow("pseudo-terminal, SIGHUP") << int(SIGHUP);
    }
    void stalledLine()
    {
        paste(longest);
        w->Command95_Click();
        w->link().Timer2_Timer();
        QVERIFY2(rx().startsWith(TransactionEngine::WaitingMark) && rx().endsWith(" have not gone out."), qPrintable(rx()));
        const qint64 waiting = port->pendingOutput();
        w->Command95_Click();
        QVERIFY2(rx().startsWith(TransactionEngine::NotSentMark) && rx().contains("not taking data"), qPrintable(rx()));
        QVERIFY2(rxd()->text().endsWith(u'…') && rxd()->toolTip() == rx() && rxd()->accessibleDescription() == rx(),
                 qPrintable(rxd()->text()));
        QVERIFY(port->pendingOutput() <= waiting);
        QVERIFY(!port->output(QString(OutputQueue::Capacity + 1, 'C')) && port->errorString().contains("at most"));
        w->link().Timer4_Timer();
        w->Command17_Click();
        QVERIFY(port->portOpen() && warnings.isEmpty() && !rx().startsWith(TransactionEngine::NotSentMark));
        w->link().Timer2_Timer();
        QVERIFY2(rx().contains(" not taking data, and ") && rx().endsWith(" bytes are ahead of this command."), qPrintable(rx()));

        const QByteArray expected = (longest + "\rC00\r").toLatin1();
        QTRY_COMPARE_WITH_TIMEOUT(line->read().size(), expected.size(), 10000);
        QVERIFY(line->heard == expected && port->pendingOutput() == 0);
        w->Command18_Click();
        QTRY_VERIFY(line->read().endsWith("C00\rC01\r") && port->pendingOutput() == 0);
        w->link().Timer2_Timer(); // gone out, and unanswered
        QVERIFY(rx() == TransactionEngine::NoReplyMark && rxd()->toolTip().isEmpty() && rxd()->accessibleDescription().isEmpty());

        line->heard.clear();
        text1()->setText(QString(40 * 1024, QLatin1Char('M')));
        w->Command95_Click();
        w->Command17_Click();
        w->Command33_Click();
        // What went out of the first command, read before the close throws
        // away what a pseudo-terminal still holds for the far end.
        const bool pty = QByteArray(QTest::currentDataTag()).startsWith("pseudo-terminal");
        const qint64 cut = line->read().size();
        option("Option1")->click();
        QVERIFY2(warnings.size() == 1 && warnings[0].contains("2 commands ") && warnings[0].contains("the last \"C00\"")
                     && (!pty || (cut > 0 && warnings[0].contains(QString("(%1 bytes were not sent), the last \"C00\". The first "
                         "of them, \"MMMM%3...\" (40960 characters), was cut off after %2 of its 40961 bytes, so the projector "
                         "holds a partial line.").arg(40965 - cut).arg(cut).arg(QString(36, 'M'))))), qPrintable(warnings.join('\n')));
        QCOMPARE(w->link().line(TransactionEngine::Line::Transmit), " C 0 0 CR ");
        w->link().Timer2_Timer();
        QCOMPARE(rx(), TransactionEngine::NotSentMark + warnings[0]);
        sendOnceUp("C01\r");
        QTRY_VERIFY(line->read().endsWith("C01\r"));
        QVERIFY(!line->heard.contains("C00"));

        // END: the box shows before the window goes; a signal: no box.
        w->Command95_Click();
        w->Command18_Click();
        w->setWarningHandler({});
        QFETCH(int, signal);
        QString box, told;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box = shown->text(), shown->close();
        });
        closer.start(0);
        QElapsedTimer clock;
        clock.start();
        if (signal)
            endOnSignals(w.get(), [&](const QString &text) { told += text; }), ::kill(::getpid(), signal);
        else
            click(16);
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(clock.elapsed() < 1000 && !port->portOpen());
        QVERIFY2((signal ? told : box).contains("not sent") && (signal ? told : box).contains("C01")
                     && (signal ? box : told).isEmpty(), qPrintable(box + told));
    }

    // The traffic log of a panel on a pseudo-terminal, against what the far
    // end got: a real click, a reply in two pieces and its words, the speed
    // changed while open and back, no reply, a
    // stall where one command is refused and the port change throws away the
    // rest (never a TX line), a loss, a command while closed.
    void trafficLog()
    {
        QTemporaryDir dir;
        start(line->path, Absent, createTransport, dir.filePath("traffic.log"));
        detachTicks();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        click(17);
        QTRY_COMPARE(line->read(), QByteArray("C00\r"));
        QVERIFY(line->write("\x06"));
        QTRY_COMPARE(rx(), " ACK ");
        w->link().Timer2_Timer();
        w->Command44_Click();
        QTRY_VERIFY(line->read().endsWith("CR0\r"));
        for (const char *piece : {"8", "0\r"}) {
            QVERIFY(line->write(piece));
            QTRY_VERIFY(w->link().ReplyBuffer.endsWith(piece));
        }
        option("Option10")->click();
        option("Option9")->click();
        click(18);
        w->link().Timer2_Timer();
        paste(longest);
        w->Command95_Click();
        w->Command17_Click();
        w->Command95_Click();
        const QString refused = rx().mid(int(strlen(TransactionEngine::NotSentMark)));
        option("Option1")->click();
        line->hangUp();
        QTRY_VERIFY(!port->portOpen());
        w->Command17_Click();
        QVERIFY(warnings.size() == 2);

        QByteArrayList got = trafficLines(dir.filePath("traffic.log"));
        const qsizetype from = got.indexOf("-- NO REPLY to \"C01\"") + 1;
        QByteArray stalled; // the longest command as far as the line took it
        while (from > 0 && from < got.size() && got[from].startsWith("> "))
            stalled += got.takeAt(from).mid(2);
        QVERIFY2(stalled.size() > 0 && longest.toLatin1().startsWith(stalled), stalled.right(20).constData());
        QVERIFY(("C00\rCR0\rC01\r" + stalled).startsWith(line->heard));
        const QByteArray open = "-- OPEN COM1 (" + line->path.toLatin1() + ") 19200,N,8,1";
        const QByteArray speed = "-- SETTINGS COM1 (" + line->path.toLatin1() + ") ";
        QCOMPARE(got, (QByteArrayList{open, "> C00\r", "< \x06", "> CR0\r", "< 8", "< 0\r", "-- Stand by",
            speed + "9600,N,8,1", speed + "19200,N,8,1", "> C01\r",
            "-- NO REPLY to \"C01\"", "-- NOT SENT \"" + longest.left(40).toLatin1() + "\"... (131071 characters): "
            + refused.toLatin1(), "-- CLOSE COM1 (" + line->path.toLatin1() + ")", "-- NOT SENT: " + warnings[0].toLatin1(),
            open, "-- LOST " + warnings[1].toLatin1(), "-- NOT SENT \"C00\": " + port->errorString().toLatin1()}));
    }

    // The command line takes what the output queue holds, refuses more whole
    // and visibly, and repeated long pastes do not pile up memory.
    void commandLineLength()
    {
        paste(longest);
        QCOMPARE(text1()->text().size(), longest.size());
        text1()->setText("C00");
        paste(longest + "X");
        QCOMPARE(text1()->text(), "C00");
        QVERIFY(warnings.size() == 1 && warnings.first().contains(QString::number(longest.size())));

        // Pasted over itself, the same text is no change, but the history
        // holds what was removed and inserted.
        const auto heap = [] { const struct mallinfo2 m = mallinfo2(); return qint64(m.uordblks + m.hblkhd); };
        const qint64 before = heap();
        for (int i = 0; i < 40; ++i) {
            paste(QString(32 * 1024, QLatin1Char('a')));
            QCoreApplication::processEvents();
        }
        QVERIFY2(heap() - before < 8 * 1024 * 1024, qPrintable(QString::number(heap() - before)));
    }
};

QTEST_MAIN(FaultTest)
#include "test_faults.moc"
