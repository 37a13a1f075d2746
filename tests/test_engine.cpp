#include "fakeport.h"
#include "transaction.h"

#include <QtTest>

using namespace qn62;
using Line = TransactionEngine::Line;

// The transaction engine driven through a fake port; timer ticks are called
// directly.
class EngineTest : public QObject
{
    Q_OBJECT

    FakePort *port = nullptr;
    TransactionEngine *engine = nullptr;

    void send(const QString &code)
    {
        engine->CurrentCommand = code + QLatin1Char('\r');
        engine->Hyouji(engine->CurrentCommand, TransactionEngine::KindTransmit);
    }
    QString tx() const { return engine->line(Line::Transmit); }
    QString rx() const { return engine->line(Line::Receive); }
    QString status() const { return engine->line(Line::Status); }

private slots:
    void init()
    {
        port = new FakePort;
        port->setPortOpen(true);
        engine = new TransactionEngine(port);
    }
    void cleanup()
    {
        delete engine;
        delete port;
    }

    void timersStartStopped()
    {
        QVERIFY(!engine->Timer2.enabled());
        QVERIFY(!engine->Timer4.enabled());
        QCOMPARE(engine->Timer2.interval(), 500);
        QCOMPARE(engine->Timer4.interval(), 1000);
    }

    void sendWritesShowsAndOpensTheReplyWindow()
    {
        engine->setLine(Line::Receive, "old reply");
        engine->setLine(Line::Status, "old status");
        send("C00");
        QCOMPARE(port->written, QStringList{"C00\r"});
        QCOMPARE(tx(), " C 0 0 CR ");
        QVERIFY(engine->Timer2.enabled());
        QVERIFY(engine->Timer4.enabled());
        QCOMPARE(engine->AwaitingReply, quint8(1));
        // The previous transaction's lines stay until a reply or the clear.
        QCOMPARE(rx(), "old reply");
        QCOMPARE(status(), "old status");
    }

    void noReplyIsMarkedThenCleared()
    {
        send("C00");
        engine->Timer2_Timer();
        QCOMPARE(rx(), " X X X X");
        QVERIFY(!engine->Timer2.enabled());
        QCOMPARE(engine->AwaitingReply, quint8(0));
        engine->Timer4_Timer();
        QCOMPARE(tx(), "");
        QCOMPARE(rx(), "");
        QCOMPARE(status(), "");
        QVERIFY(!engine->Timer4.enabled());
    }

    void replyInPiecesGrowsTheLines()
    {
        send("CR0");
        port->receive("0");
        QCOMPARE(rx(), " 0 ");
        QCOMPARE(status(), "");
        QCOMPARE(engine->AwaitingReply, quint8(0));
        port->receive("0\r");
        QCOMPARE(rx(), " 0 0 CR ");
        QCOMPARE(status(), " Power ON");
        // The reply window ends without the no-reply mark.
        engine->Timer2_Timer();
        QCOMPARE(rx(), " 0 0 CR ");
        QCOMPARE(engine->ReplyBuffer, "");
    }

    void replyToAnotherCommandKeepsTheStatusLine()
    {
        send("CR0");
        port->receive("00\r");
        send("C00");
        port->receive("\x06");
        QCOMPARE(status(), " Power ON");
        // Both replies collect in one buffer while the window is open.
        QCOMPARE(rx(), " 0 0 CR ACK ");
    }

    void replyOutsideAWindowStaysInTheBuffer()
    {
        port->receive("stray");
        QCOMPARE(engine->ReplyBuffer, "stray");
        QCOMPARE(rx(), " s t r a y ");
        send("CR1");
        port->receive("3\r");
        // The old text leads, so the code is not at the start: no decoding.
        QCOMPARE(rx(), " s t r a y 3 CR ");
        QCOMPARE(status(), "");
        engine->Timer2_Timer();
        send("CR1");
        port->receive("3\r");
        QCOMPARE(status(), " Video");
    }

    void lateReplyAfterTheClearStays()
    {
        send("C00");
        engine->Timer2_Timer();
        engine->Timer4_Timer();
        port->receive("\x06");
        QCOMPARE(rx(), " ACK ");
        QCOMPARE(tx(), "");
    }

    void otherCommEventsChangeNothing()
    {
        send("C00");
        port->raise(1);
        QCOMPARE(engine->AwaitingReply, quint8(1));
        QCOMPARE(rx(), "");
        QCOMPARE(engine->ReplyBuffer, "");
    }

    void bufferIsCapped()
    {
        send("CR9");
        const QString chunk(700, QLatin1Char('a'));
        port->receive(chunk);
        port->receive(chunk);
        QCOMPARE(engine->ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        port->receive(chunk);
        QCOMPARE(engine->ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QCOMPARE(rx().size(), 1 + 2 * TransactionEngine::ReplyBufferLimit);
        // Emptied at the end of the window, it takes text again.
        engine->Timer2_Timer();
        port->receive("b");
        QCOMPARE(engine->ReplyBuffer, "b");
    }

    void unsentCommandIsNotAnUnansweredOne()
    {
        port->setPortOpen(false);
        send("C00");
        QVERIFY(port->written.isEmpty());
        QCOMPARE(tx(), " C 0 0 CR ");
        QVERIFY(rx().startsWith(TransactionEngine::NotSentMark));
        QVERIFY(rx().contains("not open"));
        engine->Timer2_Timer();
        QVERIFY(rx().startsWith(TransactionEngine::NotSentMark));
        engine->Timer4_Timer();
        QCOMPARE(rx(), "");
    }

    void emptyCommandShowsAsASpace()
    {
        engine->Hyouji(QString(), TransactionEngine::KindReceived);
        QCOMPARE(rx(), " ");
    }
};

QTEST_GUILESS_MAIN(EngineTest)
#include "test_engine.moc"
