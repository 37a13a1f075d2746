// The transaction engine on the real serial layer over a pseudo-terminal.
// The ends of the reply window and of the monitor clear are called directly;
// waits are only for bytes to cross the line.

#include "ptyline.h"
#include "serialcomm.h"
#include "transaction.h"

#include <QtTest>

using namespace qn62;
using Line = TransactionEngine::Line;

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
};

QTEST_GUILESS_MAIN(EngineTest)
#include "test_engine.moc"
