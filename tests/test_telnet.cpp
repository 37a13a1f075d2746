#include "telnetcodec.h"

#include <QtTest>

using namespace qn62;

// Bytes written as words: IAC WILL DO ... SE NOP by name, numbers as bytes,
// 'text' as itself, CR and NUL by name.
static QByteArray tn(const char *words)
{
    static const QHash<QString, int> names{
        {"IAC", 255}, {"DONT", 254}, {"DO", 253}, {"WONT", 252}, {"WILL", 251}, {"SB", 250},
        {"NOP", 241}, {"SE", 240}, {"CR", 13}, {"NUL", 0},
    };
    QByteArray out;
    for (const QString &w : QString::fromLatin1(words).split(' ', Qt::SkipEmptyParts)) {
        if (w.startsWith('\''))
            out += w.mid(1, w.size() - 2).toLatin1();
        else if (names.contains(w))
            out += char(names[w]);
        else
            out += char(w.toInt());
    }
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
    // and setControl(DtrOn), in the pieces it arrives in; the serial data
    // that comes out; what the codec answers; COM-PORT's state (0 asked,
    // 1 accepted, 2 refused); the settings still unconfirmed.
    void receiving_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("comPort");
        QTest::addColumn<QString>("unconfirmed");
        const QString all = "speed 9600, 8 data bits, no parity, 1 stop bit, DTR on";
        const QByteArray settings = tn("IAC SB 44 1 0 0 37 128 IAC SE IAC SB 44 2 8 IAC SE "
                                       "IAC SB 44 3 1 IAC SE IAC SB 44 4 1 IAC SE IAC SB 44 5 8 IAC SE");
        const QByteArray agree = tn("IAC WILL 0 IAC DO 0 IAC WILL 3 IAC DO 3 IAC DO 44");
        const QByteArray confirmAll = tn("IAC SB 44 101 0 0 37 128 IAC SE IAC SB 44 102 8 IAC SE "
                                         "IAC SB 44 103 1 IAC SE IAC SB 44 104 1 IAC SE");

        QTest::newRow("plain reply") << QByteArrayList{"00\r"} << tn("'00' CR") << QByteArray() << 0 << all;
        QTest::newRow("doubled 0xFF, split between reads")
            << QByteArrayList{tn("'A' IAC"), tn("IAC 'B'")} << tn("'A' 255 'B'") << QByteArray() << 0 << all;
        QTest::newRow("one-byte commands vanish") << QByteArrayList{tn("'A' IAC NOP 'B' IAC 249")} << tn("'AB'")
                                                  << QByteArray() << 0 << all;
        QTest::newRow("server agrees: held settings go out")
            << QByteArrayList{agree} << QByteArray() << settings << 1 << all;
        QTest::newRow("server agrees and confirms all but DTR")
            << QByteArrayList{agree + confirmAll} << QByteArray() << settings << 1 << "DTR on";
        QTest::newRow("confirmations split anywhere, between data")
            << QByteArrayList{agree + "0" + confirmAll.left(5), confirmAll.mid(5, 17), confirmAll.mid(22) + "0\r",
                              tn("IAC SB 44 105 8 IAC"), tn("SE")}
            << tn("'00' CR") << settings << 1 << "";
        QTest::newRow("speed confirmed with another value")
            << QByteArrayList{agree + tn("IAC SB 44 101 0 0 75 0 IAC SE")} << QByteArray() << settings << 1
            << "speed 9600 (the server reports speed 19200), 8 data bits, no parity, 1 stop bit, DTR on";
        QTest::newRow("DTR answered with the RTS group is not DTR")
            << QByteArrayList{agree + tn("IAC SB 44 105 12 IAC SE")} << QByteArray() << settings << 1 << all;
        QTest::newRow("line and modem state notices stay out of the data")
            << QByteArrayList{tn("'0' IAC SB 44 106 96 IAC"), tn("SE IAC SB 44 107 IAC IAC IAC SE '0' CR")}
            << tn("'00' CR") << QByteArray() << 0 << all;
        QTest::newRow("plain Telnet port refuses COM-PORT")
            << QByteArrayList{tn("IAC WILL 0 IAC DO 0 IAC DONT 44 'ok'")} << tn("'ok'") << QByteArray() << 2 << "";
        QTest::newRow("other options refused")
            << QByteArrayList{tn("IAC WILL 1 IAC DO 24 IAC WILL 44")} << QByteArray()
            << tn("IAC DONT 1 IAC WONT 24 IAC DONT 44") << 0 << all;
        QTest::newRow("binary withdrawn") << QByteArrayList{tn("IAC WILL 0 IAC WONT 0 IAC DONT 3")} << QByteArray()
                                          << tn("IAC DONT 0") << 0 << all;
        QTest::newRow("CR NUL is CR outside binary") << QByteArrayList{tn("CR"), tn("NUL 'A' NUL")}
                                                     << tn("CR 'A' NUL") << QByteArray() << 0 << all;
        QTest::newRow("CR NUL is data in binary") << QByteArrayList{tn("IAC WILL 0 CR NUL")} << tn("CR NUL")
                                                  << QByteArray() << 0 << all;
        QTest::newRow("command inside a sub-negotiation ends it")
            << QByteArrayList{tn("IAC SB 44 106 IAC WILL 1 'x'")} << tn("'x'") << tn("IAC DONT 1") << 0 << all;
        QTest::newRow("overlong sub-negotiation skipped")
            << QByteArrayList{tn("IAC SB 44 101") + QByteArray(100, 'z') + tn("IAC SE 'ok'")} << tn("'ok'")
            << QByteArray() << 0 << all;
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
            for (const QByteArray &piece : pieces) {
                if (!bytewise)
                    data += c.receive(piece);
                else
                    for (const char byte : piece)
                        data += c.receive(QByteArray(1, byte));
            }
            QTEST(data, "data");
            QTEST(c.takeOutput(), "answer");
            QTEST(int(c.comPort()), "comPort");
            QTEST(c.unconfirmed().join(", "), "unconfirmed");
        }
    }
};

QTEST_GUILESS_MAIN(TelnetTest)
#include "test_telnet.moc"
