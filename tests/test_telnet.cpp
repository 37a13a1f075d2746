#include "telnetcodec.h"

#include <QtTest>

using namespace qn62;

// Bytes written as words: IAC WILL DO ... SE NOP, CR and NUL by name, numbers
// as bytes, 'text' as itself.
static QByteArray tn(const QString &words)
{
    static const QHash<QString, int> names{
        {"IAC", 255}, {"DONT", 254}, {"DO", 253}, {"WONT", 252}, {"WILL", 251}, {"SB", 250},
        {"NOP", 241}, {"SE", 240}, {"CR", 13}, {"NUL", 0},
    };
    QByteArray out;
    for (const QString &w : words.split(' ', Qt::SkipEmptyParts))
        out += w.startsWith('\'') ? w.mid(1, w.size() - 2).toLatin1() : QByteArray(1, char(names.value(w, w.toInt())));
    return out;
}

class TelnetTest : public QObject
{
    Q_OBJECT
private slots:
    // The opening requests, settings held until COM-PORT is agreed, data.
    void sending()
    {
        TelnetCodec c;
        c.start();
        QCOMPARE(c.takeOutput(), tn("IAC WILL 0 IAC DO 0 IAC WILL 3 IAC DO 3 IAC WILL 44"));
        c.setLine(19200, 8, 'N', 1);
        c.setControl(TelnetCodec::DtrOn);
        c.sendData(tn("'C00' CR 255"));
        QCOMPARE(c.takeOutput(), tn("'C00' CR 255 255"));
        QCOMPARE(c.receive(tn("IAC DO 44")), QByteArray());
        QCOMPARE(c.takeOutput(), tn("IAC SB 44 1 0 0 75 0 IAC SE IAC SB 44 2 8 IAC SE IAC SB 44 3 1 IAC SE "
                                    "IAC SB 44 4 1 IAC SE IAC SB 44 5 8 IAC SE"));
        // Once agreed, a setting goes out at once; 0xFF in a value is doubled.
        c.setLine(255, 7, 'E', 2);
        QCOMPARE(c.takeOutput(), tn("IAC SB 44 1 0 0 0 255 255 IAC SE IAC SB 44 2 7 IAC SE "
                                    "IAC SB 44 3 3 IAC SE IAC SB 44 4 2 IAC SE"));
        QVERIFY(!c.binary());
        c.receive(tn("IAC WILL 0 IAC DO 0"));
        QVERIFY(c.binary());
        QVERIFY(!c.hasOutput());
    }

    // Each row: what the server sends after start(), setLine(9600, 8, 'N', 1)
    // and setControl(DtrOn), in the pieces it arrives in (split at '|'); the
    // serial data that comes out; what the codec answers; COM-PORT's state
    // (0 asked, 1 accepted, 2 refused); the settings still unconfirmed.
    void receiving_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("comPort");
        QTest::addColumn<QString>("unconfirmed");
        const auto row = [](const char *name, const QString &pieces, const char *data, const QString &answer,
                            int comPort, const QString &unconfirmed) {
            QByteArrayList bytes;
            for (const QString &piece : pieces.split('|'))
                bytes << tn(piece);
            QTest::newRow(name) << bytes << tn(data) << tn(answer) << comPort << unconfirmed;
        };
        const QString all = "speed 9600, 8 data bits, no parity, 1 stop bit, DTR on";
        const QString settings = "IAC SB 44 1 0 0 37 128 IAC SE IAC SB 44 2 8 IAC SE IAC SB 44 3 1 IAC SE "
                                 "IAC SB 44 4 1 IAC SE IAC SB 44 5 8 IAC SE";
        const QString agree = "IAC WILL 0 IAC DO 0 IAC WILL 3 IAC DO 3 IAC DO 44 ";

        row("plain reply", "'00' CR", "'00' CR", "", 0, all);
        row("doubled 0xFF, split between reads", "'A' IAC | IAC 'B'", "'A' 255 'B'", "", 0, all);
        row("one-byte commands vanish", "'A' IAC NOP 'B' IAC 249", "'AB'", "", 0, all);
        row("server agrees: held settings go out", agree, "", settings, 1, all);
        row("confirmations split anywhere, between data",
            agree + "'0' IAC SB 44 101 0 | 0 37 128 IAC SE IAC SB 44 102 8 IAC SE IAC SB | 44 103 1 IAC SE "
                    "IAC SB 44 104 1 IAC SE '0' CR | IAC SB 44 105 8 IAC | SE", "'00' CR", settings, 1, "");
        row("speed confirmed with another value", agree + "IAC SB 44 101 0 0 75 0 IAC SE", "", settings, 1,
            "speed 9600 (the server reports speed 19200), 8 data bits, no parity, 1 stop bit, DTR on");
        row("DTR answered with the RTS group is not DTR", agree + "IAC SB 44 105 12 IAC SE", "", settings, 1, all);
        row("line and modem state notices stay out of the data",
            "'0' IAC SB 44 106 96 IAC | SE IAC SB 44 107 IAC IAC IAC SE '0' CR", "'00' CR", "", 0, all);
        row("plain Telnet port refuses COM-PORT", "IAC WILL 0 IAC DO 0 IAC DONT 44 'ok'", "'ok'", "", 2, "");
        row("other options refused", "IAC WILL 1 IAC DO 24 IAC WILL 44", "", "IAC DONT 1 IAC WONT 24 IAC DONT 44", 0,
            all);
        row("binary withdrawn", "IAC WILL 0 IAC WONT 0 IAC DONT 3", "", "IAC DONT 0", 0, all);
        row("asked again and again: three answers", "IAC DO 24 IAC DO 24 IAC DO 24 IAC DO 24 IAC WILL 0 IAC WONT 0 "
            "IAC WILL 0 IAC WONT 0 IAC WILL 0", "", "IAC WONT 24 IAC WONT 24 IAC WONT 24 IAC DONT 0 IAC DO 0 IAC DONT 0", 0, all);
        row("CR NUL is CR outside binary", "CR | NUL 'A' NUL", "CR 'A' NUL", "", 0, all);
        row("CR NUL is data in binary", "IAC WILL 0 CR NUL", "CR NUL", "", 0, all);
        row("command inside a sub-negotiation ends it", "IAC SB 44 106 IAC WILL 1 'x'", "'x'", "IAC DONT 1", 0, all);
        row("overlong sub-negotiation skipped", "IAC SB 44 101 '" + QString(100, 'z') + "' IAC SE 'ok'", "'ok'", "",
            0, all);
    }
    void receiving()
    {
        QFETCH(QByteArrayList, pieces);
        // As the pieces come, and one byte at a time: the same result.
        for (const bool bytewise : {false, true}) {
            TelnetCodec c;
            c.start();
            c.setLine(9600, 8, 'N', 1);
            c.setControl(TelnetCodec::DtrOn);
            c.takeOutput();
            QByteArray data;
            for (const QByteArray &piece : pieces)
                for (qsizetype i = 0; i < piece.size(); i += bytewise ? 1 : piece.size())
                    data += c.receive(piece.mid(i, bytewise ? 1 : -1));
            QTEST(data, "data");
            QTEST(c.takeOutput(), "answer");
            QTEST(int(c.comPort()), "comPort");
            QTEST(c.unconfirmed().join(", "), "unconfirmed");
        }
    }
};

QTEST_GUILESS_MAIN(TelnetTest)
#include "test_telnet.moc"
