#include "ptyline.h"
#include "serialcomm.h"
#include "transaction.h"

#include <QtTest>

using namespace qn62;
using Line = TransactionEngine::Line;

// The transaction engine on the real serial layer over a pseudo-terminal.
// The ends of the reply window and of the monitor clear are called
// directly; waits are only for bytes to cross the line.
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
        QTRY_COMPARE(rx(), shownAfter);
    }
    QString tx() const { return engine->line(Line::Transmit); }
    QString rx() const { return engine->line(Line::Receive); }
    QString status() const { return engine->line(Line::Status); }

private slots:
    void init()
    {
        line = std::make_unique<PtyLine>();
        port = std::make_unique<SerialComm>();
        port->setDevice(1, line->path);
        QVERIFY(port->setPortOpen(true));
        engine = std::make_unique<TransactionEngine>(port.get());
    }
    void cleanup()
    {
        engine.reset();
        port.reset();
        line.reset();
    }

    void sendGoesOutAndOpensTheReplyWindow()
    {
        QVERIFY(!engine->Timer2.enabled() && !engine->Timer4.enabled());
        engine->setLine(Line::Receive, "old reply");
        engine->setLine(Line::Status, "old status");
        send("C00");
        QTRY_COMPARE(line->read(), QByteArray("C00\r"));
        QCOMPARE(tx(), " C 0 0 CR ");
        QVERIFY(engine->Timer2.enabled() && engine->Timer4.enabled());
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
        engine->Timer4_Timer();
        QCOMPARE(tx() + rx() + status(), "");
        QVERIFY(!engine->Timer4.enabled());
    }

    void replyInPiecesGrowsTheLines()
    {
        send("CR0");
        reply("0", " 0 ");
        QCOMPARE(status(), "");
        QCOMPARE(engine->AwaitingReply, quint8(0));
        reply("0\r", " 0 0 CR ");
        QCOMPARE(status(), " Power ON");
        engine->Timer2_Timer();
        QCOMPARE(rx(), " 0 0 CR ");
        QCOMPARE(engine->ReplyBuffer, "");
    }

    void secondCommandSharesTheWindowAndTheStatusStays()
    {
        send("CR0");
        reply("00\r", " 0 0 CR ");
        send("C00");
        reply("\x06", " 0 0 CR ACK ");
        QCOMPARE(status(), " Power ON");
    }

    void replyOutsideAWindowStaysInTheBuffer()
    {
        reply("stray", " s t r a y ");
        send("CR1");
        reply("3\r", " s t r a y 3 CR ");
        QCOMPARE(status(), "");
        engine->Timer2_Timer();
        send("CR1");
        reply("3\r", " 3 CR ");
        QCOMPARE(status(), " Video");
    }

    void bufferIsCapped()
    {
        send("CR9");
        QVERIFY(line->write(QByteArray(3000, 'a')));
        QTRY_COMPARE(engine->ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QCOMPARE(rx().size(), 1 + 2 * TransactionEngine::ReplyBufferLimit);
        engine->Timer2_Timer();
        reply("b", " b ");
    }

    void unsentCommandIsNotAnUnansweredOne()
    {
        port->setPortOpen(false);
        send("C00");
        QCOMPARE(tx(), " C 0 0 CR ");
        QVERIFY(rx().startsWith(TransactionEngine::NotSentMark));
        QVERIFY(rx().contains("not open"));
        engine->Timer2_Timer();
        QVERIFY(rx().startsWith(TransactionEngine::NotSentMark));
        QVERIFY(line->read().isEmpty());
    }
};

QTEST_GUILESS_MAIN(EngineTest)
#include "test_engine.moc"
