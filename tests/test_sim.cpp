// The simulated projector with injected time. Behind a line with the panel
// it is the end-to-end test's; the qn62-sim program, on its pseudo-terminal
// and its TCP port, serves the one-shot's tests.

#include "sim/ptyprojector.h"

#include <QHash>
#include <QProcess>
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
    {"only2", [](P &p) { p.setLampMode(P::LampMode::SingleNo2); }},
    {"tb", [](P &p) { p.setReversal(true, p.leftRightReversed()); }},
    {"lr", [](P &p) { p.setReversal(p.topBottomReversed(), true); }},
};

// "setup|query|reply": setup words separated by ','; the exact reply is ACK, NAK or the text and CR.
// Count-down 20 s, cooling 30 s; lamp hours count from 1234 while the lamps are lit.
// Besides the reply tables: commands, where a NAK must leave every reply as it was.
const char *const kReplies[] = {
    "|CR0|80", "C00|CR0|40", "C00,+19999|CR0|40", "C00,+20000|CR0|00", "on,C01,+29999|CR0|20", "on,C01,+30000|CR0|80",
    "on,fail|CR0|10", "on,warn,C01|CR0|28", "on,save|CR0|04", "on,CF KEYDIS KEY|CR0|02", "on,lamp1,lamp2|CR0|21",
    "C07,C05|CR1|1", "C25|CR1|2", "input4|CR1|4", "|CR4|11", "tb|CR4|10", "lr|CR4|01", "on,C0B,C0D|CRA|03",
    "on,C0D,nosig|CRA|80", "C0D|CRA|FF", "|CR7|00", "on,lamp1|CR7|02", "on|CR7|03", "only2,on|CR7|22", "|CR3|01234",
    "on,+7200000,C01,+10800000|CR3|01236", "|CR9|QN62 V1.40", "|CR PRESSURE|512", "temps|CR6|-05.5  00.5 -00.1",
    "on|CF LOGOCAPTURE START|ACK", "on|c01|NAK", "on|C01 |NAK", "on|CR2|NAK", "on|CF LOGO|NAK",
};

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

    // Its usage error. Its pseudo-terminal and TCP port serve the one-shot's
    // program tests (test_options), which end it with SIGTERM and status 0.
    void program()
    {
        QProcess sim;
        sim.start(QStringLiteral(QN62_SIM_PROGRAM), {"--bogus"});
        QVERIFY(sim.waitForFinished());
        QCOMPARE(std::pair(sim.exitStatus(), sim.exitCode()), std::pair(QProcess::NormalExit, 2));
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
