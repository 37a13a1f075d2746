// The simulated projector with injected time, behind a pseudo-terminal, and as the qn62-sim program.

#include "sim/ptyprojector.h"

#include <QHash>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <functional>

using namespace qn62::sim;
using P = Projector;

const QByteArray kAck(1, P::kAck), kNak(1, P::kNak);

// Setup words of the reply table: "+N" lets N ms pass; any other word not
// listed is a command that must get ACK.
const QHash<QByteArray, std::function<void(P &)>> kActions{
    {"on", [](P &p) { p.handleCommand("C00", p.now()); p.advanceTo(p.now() + 20000); }},
    {"warn", [](P &p) { p.setTemperatureWarning(true); }}, {"save", [](P &p) { p.setPowerSave(true); }},
    {"fail", [](P &p) { p.setPowerFail(true); }}, {"nosig", [](P &p) { p.setNoSignal(true); }},
    {"input4", [](P &p) { p.setInput(P::Input::Mode4); }}, {"temps", [](P &p) { p.setTemperatures({-55, 5, -1}); }},
    {"lamp1", [](P &p) { p.setFailedLamps(p.failedLamps() | P::kLampNo1); }},
    {"lamp2", [](P &p) { p.setFailedLamps(p.failedLamps() | P::kLampNo2); }},
    {"only1", [](P &p) { p.setLampMode(P::LampMode::SingleNo1); }},
    {"only2", [](P &p) { p.setLampMode(P::LampMode::SingleNo2); }},
    {"tb", [](P &p) { p.setReversal(true, p.leftRightReversed()); }},
    {"lr", [](P &p) { p.setReversal(p.topBottomReversed(), true); }},
};

// "setup|query|reply": setup words separated by ','; the exact reply is ACK, NAK or the text and CR.
// Count-down 20 s, cooling 30 s; lamp hours count from 1234 while the lamps are lit.
// Besides the reply tables: commands, where a NAK must leave every reply as it was.
const char *const kReplies[] = {
    "|CR0|80", "on|CR0|00", "C00|CR0|40", "C00,+19999|CR0|40", "C00,+20000|CR0|00", "on,C01|CR0|20",
    "on,C01,+29999|CR0|20", "on,C01,+30000|CR0|80", "on,fail|CR0|10", "on,warn|CR0|08", "on,CF KEYDIS KEY|CR0|02",
    "on,save|CR0|04", "on,warn,C01|CR0|28", "on,save,C01|CR0|24", "on,warn,C01,+30000|CR0|88",
    "on,lamp1,lamp2|CR0|21", "on,lamp1,lamp2,+30000|CR0|81", "C07,C05|CR1|1", "C25|CR1|2", "C07|CR1|3",
    "input4|CR1|4", "|CR4|11", "tb|CR4|10", "lr|CR4|01", "tb,lr|CR4|00", "on|CRA|00", "on,C0D|CRA|01",
    "on,C0B|CRA|02", "on,C0B,C0D|CRA|03", "on,C0D,nosig|CRA|80", "C0D|CRA|FF", "|CR7|00", "on,lamp2|CR7|01",
    "on,lamp1|CR7|02", "on|CR7|03", "on,save|CR7|00", "only1|CR7|10", "only1,on|CR7|11", "only2|CR7|20",
    "only2,on|CR7|22", "|CR3|01234", "on,+7200000|CR3|01236", "on,+7200000,C01,+10800000|CR3|01236",
    "|CR9|QN62 V1.40", "|CR PRESSURE|512", "|CR6|+25.5  31.0 +40.2", "temps|CR6|-05.5  00.5 -00.1",
    "on|CFF|ACK", "on|CF FANSPEED MAX|ACK", "on|CF LOGO USER|ACK", "on|CF LOGOCAPTURE START|ACK",
    "on|c01|NAK", "on|C01 |NAK", "on|C0G|NAK", "on|CG0|NAK", "on|CR2|NAK", "on|CF KEYDIS ALL|NAK", "on|CF LOGO|NAK",
};

// What the far end writes (pieces separated by '|'), receives, and in how many writes it came.
struct PtyCase { PtyOptions options; QByteArray writes, received; int pieces; };

// What the far end of the line or connection receives until count bytes came or waitMs passed.
static QByteArray receive(QIODevice &far, int count, int waitMs = 5000)
{
    QByteArray bytes;
    static_cast<void>(QTest::qWaitFor([&] { return (bytes += far.readAll()).size() >= count; }, waitMs));
    return bytes;
}

Q_DECLARE_METATYPE(PtyCase)

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void replies_data()
    {
        QTest::addColumn<QByteArrayList>("row");
        for (const char *row : kReplies)
            QTest::newRow(row) << QByteArray(row).split('|');
    }
    void replies()
    {
        QFETCH(QByteArrayList, row);
        const QByteArray reply = row[2] == "ACK" ? kAck : row[2] == "NAK" ? kNak : row[2] + '\r';
        P p;
        for (const QByteArray &word : row[0].split(',')) {
            if (word.startsWith('+'))
                p.advanceTo(p.now() + word.mid(1).toLongLong());
            else if (kActions.contains(word))
                kActions[word](p);
            else if (!word.isEmpty())
                QCOMPARE(p.handleCommand(word, p.now()), kAck);
        }
        const auto answers = [&p] {
            QByteArray all;
            for (const char *query : {"CR0", "CR1", "CR3", "CR4", "CR6", "CR7", "CRA", "CR PRESSURE"})
                all += p.handleCommand(query, p.now());
            return all;
        };
        const QByteArray before = answers();
        QCOMPARE(p.handleCommand(row[1], p.now()), reply);
        if (reply == kNak)
            QCOMPARE(answers(), before);
    }

    void pty_data()
    {
        QTest::addColumn<PtyCase>("c");
        QTest::newRow("in pieces") << PtyCase{{}, "C|R|0|\r", "80\r", 1};
        QTest::newRow("CR LF") << PtyCase{{}, "C00\r|\nCR0\r", kAck + "40\r", 2};
        QTest::newRow("split") << PtyCase{{false, 0, 3, false, {}}, "CR9\r", "QN62 V1.40\r", 3};
        QTest::newRow("silent") << PtyCase{{true, 0, 1, false, {}}, "C00\rCR0\r", "", 0};
        QTest::newRow("flood") << PtyCase{{}, QByteArray(64 * 1024, 'A') + "|\rCR0\r", kNak + "80\r", 2};
    }
    void pty()
    {
        QFETCH(PtyCase, c);
        PtyProjector sim(c.options);
        QVERIFY2(sim.open(), qPrintable(sim.errorString()));
        QSignalSpy commands(&sim, &PtyProjector::commandReceived);
        QSignalSpy written(&sim, &PtyProjector::dataWritten);
        QSerialPort far(sim.slavePath());
        QVERIFY(far.open(QIODevice::ReadWrite));
        QByteArray sent;
        for (const QByteArray &bytes : c.writes.split('|')) {
            far.write(bytes);
            sent += bytes; // each piece is taken in before the next is written
            QTRY_COMPARE(commands.count(), int(sent.count('\r')));
            const int pending = int(sent.size() - 1 - sent.lastIndexOf('\r')); // held, up to the cap
            QTRY_COMPARE(sim.pendingLineBytes(), qMin(pending, PtyProjector::kMaxLineBytes));
        }
        QCOMPARE(receive(far, c.received.size()), c.received);
        QCOMPARE(receive(far, 1, 200), QByteArray()); // and nothing more
        QCOMPARE(written.count(), c.pieces);
    }

    void program()
    {
        QProcess sim;
        sim.start(QStringLiteral(QN62_SIM_PROGRAM), {});
        QVERIFY(sim.waitForReadyRead());
        QSerialPort far(QString::fromLocal8Bit(sim.readLine()).trimmed()); // the device it prints
        QVERIFY(far.open(QIODevice::ReadWrite) && far.write("CR9\r") == 4);
        QCOMPARE(receive(far, 11), QByteArray("QN62 V1.40\r"));
        sim.terminate();
        QVERIFY(sim.waitForFinished());
        QCOMPARE(std::pair(sim.exitStatus(), sim.exitCode()), std::pair(QProcess::NormalExit, 0));

        // Raw TCP on loopback: the second line is the address to give the panel.
        sim.start(QStringLiteral(QN62_SIM_PROGRAM), {"--tcp", "127.0.0.1:0"});
        QTRY_COMPARE(sim.peek(4096).count('\n'), 2);
        sim.readLine();
        const QUrl url(QString::fromLatin1(sim.readLine()).trimmed());
        QCOMPARE(url.scheme() + url.host(), "socket127.0.0.1");
        QTcpSocket client, second;
        client.connectToHost(QHostAddress::LocalHost, quint16(url.port()));
        QVERIFY(client.waitForConnected(3000));
        second.connectToHost(QHostAddress::LocalHost, quint16(url.port()));
        QVERIFY(second.waitForDisconnected(3000)); // one client at a time
        client.write("CR9\r");
        QCOMPARE(receive(client, 11), QByteArray("QN62 V1.40\r"));
        sim.terminate();
        QVERIFY(sim.waitForFinished());
        sim.start(QStringLiteral(QN62_SIM_PROGRAM), {"--bogus"});
        QVERIFY(sim.waitForFinished());
        QCOMPARE(std::pair(sim.exitStatus(), sim.exitCode()), std::pair(QProcess::NormalExit, 2));
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
