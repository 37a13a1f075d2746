// The transaction engine on the real serial layer over a pseudo-terminal.
// The ends of the reply window and of the monitor clear are called directly;
// waits are only for bytes to cross the line.

#include "lineclient.h"
#include "ptyline.h"
#include "serialcomm.h"
#include "trafficlog.h"
#include "transaction.h"

#include <QtTest>

using namespace qn62;
using Line = TransactionEngine::Line;
using End = LineClient::End;
Q_DECLARE_METATYPE(End)

// Local time is 5:45 ahead of UTC here, before anything reads the zone, so
// that a wrong or missing offset in the traffic log shows.
static const bool kOddTimeZone = qputenv("TZ", "QNT-05:45");

class EngineTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyLine> line;
    std::unique_ptr<SerialComm> port;
    std::unique_ptr<TransactionEngine> engine;

    void send(const QString &code)
    {
        engine->CurrentCommand = code + QLatin1Char('\r');
        engine->Hyouji(engine->CurrentCommand, TransactionEngine::KindTransmit);
    }
    void reply(const QByteArray &bytes, const QString &shownAfter)
    {
        QVERIFY(line->write(bytes));
        QTRY_COMPARE(lines()[1], shownAfter);
    }
    // Transmit, receive and status line.
    QStringList lines() const
    {
        return {engine->line(Line::Transmit), engine->line(Line::Receive), engine->line(Line::Status)};
    }

private slots:
    void init()
    {
        line = std::make_unique<PtyLine>();
        port = std::make_unique<SerialComm>();
        port->setDevice(1, line->path);
        QVERIFY(port->setPortOpen(true));
        engine = std::make_unique<TransactionEngine>(port.get());
    }
    void cleanup() { engine.reset(); port.reset(); line.reset(); }

    void sendKeepsTheLastRepliesAndASecondSendKeepsTheCountdowns()
    {
        engine->setLine(Line::Receive, "old reply");
        engine->setLine(Line::Status, "old status");
        send("C00");
        QVERIFY(engine->Timer2.enabled() && engine->Timer4.enabled());
        QCOMPARE(engine->AwaitingReply, quint8(1));
        QCOMPARE(lines(), (QStringList{" C 0 0 CR ", "old reply", "old status"}));
        QTest::qSleep(20); // inside the reply window, no event loop running
        send("C01"); // the countdowns go on
        QVERIFY(engine->Timer2.remaining() < 500 - 10 && engine->Timer4.remaining() < 1000 - 10);
        QTRY_COMPARE(line->read(), QByteArray("C00\rC01\r"));
    }

    void noReplyIsMarkedThenEveryLineCleared()
    {
        send("C00");
        engine->setLine(Line::Status, " Power ON"); // from an earlier query
        engine->Timer2_Timer();
        QCOMPARE(lines(), (QStringList{" C 0 0 CR ", " X X X X", " Power ON"}));
        QVERIFY(!engine->Timer2.enabled() && engine->Timer4.enabled());
        engine->Timer4_Timer();
        QCOMPARE(lines(), QStringList(3, QString()));
        QVERIFY(!engine->Timer4.enabled());
    }

    void replyInPiecesGrowsTheLinesAndTheNextCommandSharesTheWindow()
    {
        send("CR0");
        reply("0", " 0 ");
        QCOMPARE(lines()[2], "");
        QCOMPARE(engine->AwaitingReply, quint8(0));
        reply("0\r", " 0 0 CR ");
        QCOMPARE(lines()[2], " Power ON");
        send("C00");
        reply("\x06", " 0 0 CR ACK ");
        QCOMPARE(lines()[2], " Power ON");
        engine->Timer2_Timer();
        QCOMPARE(lines()[1], " 0 0 CR ACK ");
        QCOMPARE(engine->ReplyBuffer, "");
    }

    // The request/reply client for scripts and the bridge: one command on the
    // line at a time, a reply ends at CR, ACK or NAK, or at the time-out (run
    // here directly), and what comes after the end is dropped.
    void lineClient_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArrayList>("pieces"); // written by the far end one after another
        QTest::addColumn<End>("end");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("words");
        const auto row = [](const char *name, const char *code, QByteArrayList pieces, End end, const char *reply,
                            const char *words) {
            QTest::newRow(name) << QByteArray(code) << pieces << end << QByteArray(reply) << QString(words);
        };
        row("query", "CR0", {"80\r"}, End::Cr, "80\r", "Stand by");
        row("query in pieces, a tail dropped", "CR0", {"0", "0\rZZ"}, End::Cr, "00\r", "Power ON");
        row("ACK", "C00", {"\x06"}, End::Ack, "\x06", "");
        row("NAK", "cr0", {"\x15"}, End::Nak, "\x15", "");
        row("lamp hours, spaced out", "CR3", {"01234\r"}, End::Cr, "01234\r", "0 1 2 3 4 CR  Hour Use");
        row("no end by the time-out", "CR9", {"QN62"}, End::TimedOut, "QN62", "Q N 6 2");
        row("nothing by the time-out", "C01", {}, End::TimedOut, "", "");
    }
    void lineClient()
    {
        QFETCH(QByteArray, code);
        QFETCH(QByteArrayList, pieces);
        engine.reset();
        LineClient client(port.get());
        QCOMPARE(client.timeout(), 2000);
        QList<LineClient::Reply> replies;
        const auto collect = [&](const LineClient::Reply &r) { replies << r; };
        QSignalSpy arrived(port.get(), &CommPort::onComm);
        QVERIFY(line->write("stale")); // before the command: no part of its reply
        QTRY_VERIFY(!arrived.isEmpty());
        arrived.clear();
        client.request(code, collect);
        client.request("CR1", collect); // waits for the first one's end
        QVERIFY(client.timer().isActive());
        QTRY_COMPARE(line->read(), code + '\r');
        QFETCH(End, end);
        for (int i = 0; i < pieces.size(); ++i) {
            QVERIFY(line->write(pieces[i]));
            QTRY_VERIFY(!arrived.isEmpty());
            arrived.clear();
            // The second command never follows a reply that has not ended.
            if (i + 1 < pieces.size() || end == End::TimedOut)
                QVERIFY(line->read() == code + '\r' && client.pending() == 2);
        }
        if (end == End::TimedOut)
            client.timedOut();
        QTRY_COMPARE(replies.size(), 1);
        QCOMPARE(replies[0].code, code);
        QCOMPARE(replies[0].end, end);
        QTEST(replies[0].bytes, "reply");
        QTEST(replyWords(code, replies[0].bytes), "words");

        QTRY_COMPARE(line->read(), code + "\rCR1\r");
        QVERIFY(line->write("1\r"));
        QTRY_COMPARE(replies.size(), 2);
        QVERIFY(replies[1].bytes == "1\r" && replyWords("CR1", replies[1].bytes) == "Computer 1");

        // A closed port sends nothing; a lost one ends what waits, at once.
        port->setPortOpen(false);
        client.request("C00", collect);
        QTRY_COMPARE(replies.size(), 3);
        QVERIFY(replies[2].end == End::NotSent && replies[2].why.contains("not open"));
        QVERIFY(port->setPortOpen(true));
        client.request("CR0", collect);
        client.request("CR1", collect);
        line->hangUp();
        QTRY_COMPARE(replies.size(), 5);
        QVERIFY(replies[4].end == End::NotSent && replies[4].why.contains("disconnected"));
        QCOMPARE(client.pending(), 0);
    }

    // The traffic log as it stands on disk after each event, every line
    // after the local time with its offset, in a zone ahead of UTC and one
    // behind; a file that cannot be opened or written is reported once and
    // the log goes off.
    void trafficLog_data()
    {
        QTest::addColumn<QByteArray>("zone"); // TZ, and the offset it gives
        QTest::addColumn<QString>("path"); // a file in a fresh directory unless absolute
        QTest::addColumn<QByteArrayList>("events"); // TX, RX or -- and what is logged
        QTest::addColumn<QByteArrayList>("lines");  // the file's lines after the time
        QTest::newRow("query, reply in pieces, words") << QByteArray("QNT-05:45 +05:45") << "new.log" << QByteArrayList{"TXCR0\r", "RX8", "RX0\r", "--Stand by"}
            << QByteArrayList{"TX 43 52 30 0D  CR0.", "RX 38  8", "RX 30 0D  0.", "-- Stand by"};
        QTest::newRow("appended, unprintables as dots, one event a line") << QByteArray("QNW+03:30 -03:30") << "old.log"
            << QByteArrayList{"RX\x06\x15\x7F\x80 ~", "--lost:\r\nthe device"}
            << QByteArrayList{"RX 06 15 7F 80 20 7E  .... ~", "-- lost:  the device"};
        QTest::newRow("cannot be opened") << QByteArray("QNT-05:45 +05:45") << "/nonexistent-qn62/x.log" << QByteArrayList{"TXC00\r", "--x"} << QByteArrayList{};
        QTest::newRow("cannot be written") << QByteArray("QNT-05:45 +05:45") << "/dev/full" << QByteArrayList{"TXC00\r", "TXC01\r"} << QByteArrayList{};
    }
    void trafficLog()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, path);
        QFETCH(QByteArrayList, events);
        QFETCH(QByteArrayList, lines);
        QTemporaryDir dir;
        if (!path.startsWith('/'))
            path = dir.filePath(path);
        const QByteArray before = path.endsWith("old.log") ? "earlier\n" : "";
        QFile file(path);
        QVERIFY(before.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(before) && (file.close(), true)));
        const QByteArray zoneBefore = qgetenv("TZ");
        const auto restoreZone = qScopeGuard([&] { qputenv("TZ", zoneBefore); });
        qputenv("TZ", zone.split(' ')[0]);
        QStringList reports;
        TrafficLog log;
        log.setFailureHandler([&](const QString &why) { reports << why; });
        const QDateTime start = QDateTime::currentDateTimeUtc().addMSecs(-1);
        QCOMPARE(log.open(path), path != "/nonexistent-qn62/x.log");
        for (int i = 0; i < events.size(); ++i) {
            const QByteArray what = events[i].mid(2);
            events[i].startsWith("TX") ? log.transmitted(what)
                : events[i].startsWith("RX") ? log.received(what) : log.note(QString::fromLatin1(what));
            if (lines.isEmpty())
                continue;
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray all = file.readAll();
            file.close();
            QVERIFY(all.startsWith(before) && all.endsWith('\n'));
            const QByteArrayList written = all.mid(before.size()).chopped(1).split('\n');
            QCOMPARE(written.size(), i + 1);
            const QByteArray time = written[i].left(29);
            QCOMPARE(written[i].mid(29), " " + lines[i]);
            QVERIFY2(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3})").match(time).hasMatch(), time);
            QCOMPARE(time.right(6), zone.split(' ')[1]);
            const QDateTime at = QDateTime::fromString(QString::fromLatin1(time), Qt::ISODateWithMs);
            QVERIFY2(at >= start && at <= QDateTime::currentDateTimeUtc(), time);
        }
        QCOMPARE(reports.size(), lines.isEmpty() ? 1 : 0);
        QVERIFY(lines.isEmpty() ? reports[0].contains(path) && !log.isOpen() : log.isOpen());
    }
};

QTEST_GUILESS_MAIN(EngineTest)
#include "test_engine.moc"
