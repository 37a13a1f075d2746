#include "decoder.h"
#include "monitortext.h"

#include <QtTest>

#include <clocale>

using namespace qn62;

class MonitorDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    // The decoder runs under a comma locale too (see tests/CMakeLists.txt);
    // make sure that locale is really in force there.
    void initTestCase()
    {
        if (qEnvironmentVariable("LC_ALL").startsWith("de_DE"))
            QVERIFY2(std::localeconv()->decimal_point == QByteArray(","),
                     "the de_DE.UTF-8 locale is not installed; scripts/deps.sh generates it");
    }

    void tokens()
    {
        const struct { const char *data; int size; const char *shown; } rows[] = {
            {"", 0, " "}, {"C00\r", 4, " C 0 0 CR "}, {"\x06", 1, " ACK "}, {"\x14" "1", 2, " &1 "}, {"\n", 1, " LF "},
            {"\0\t", 2, " ? ? "}, {" az", 3, "   a z "}, {"{~\x7f\xff", 4, " ? ? ? ? "}};
        for (const auto &r : rows)
            QCOMPARE(monitorText(QString::fromLatin1(r.data, r.size)), QLatin1String(r.shown));
        QCOMPARE(monitorText(QString(QChar(0x3042))), QLatin1String(" ? "));
    }

    // Each row: query, reply as received, status line (empty: no decoding,
    // the status line keeps its text).
    void decode_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("status");
        const struct { const char *query, *reply, *text; } rows[] = {
            {"CR0", "00\r", " Power ON"}, {"CR0", "80\r", " Stand by"}, {"CR0", "40\r", " Count down"},
            {"CR0", "20\r", " Cooling down"}, {"CR0", "10\r", " Power Fail"}, {"CR0", "08\r", " Temperature Warning"},
            {"CR0", "02\r", " NO Key input "}, {"CR0", "04\r", " Lamp OFF by PWR Management"},
            {"CR0", "28\r", " Temperature Warning & cooling down"}, {"CR0", "24\r", "Cooling down  PWR Management"},
            {"CR0", "88\r", " Temperature Warning and recoverd"}, {"CR0", "21\r", " Cooling down (All Lamp FAIL)"},
            {"CR0", "81\r", " Cooling down & sutandby (All Lamp FAIL)"}, {"CR0", "FF\r", ""},
            {"CR0", "\x06" "00\r", ""}, {"CR0", "0", ""}, {"CR0", "0a\r", ""},
            {"CR1", "1\r", " Computer 1"}, {"CR1", "2\r", " Computer 2"}, {"CR1", "3\r", " Video"},
            {"CR1", "4\r", " Input mode 4"}, {"CR1", "1", " Computer 1"}, {"CR1", "5\r", ""},
            {"CR4", "11\r", " Normally"}, {"CR4", "10\r", " Top/Bottom reversal"},
            {"CR4", "01\r", " Left/Right reversal"}, {"CR4", "00\r", " Top/Bottom , Left/Right reversal"},
            {"CRA", "00\r", " Video & Audio mute OFF"}, {"CRA", "01\r", " Video mute ON"},
            {"CRA", "02\r", " Audio mute ON"}, {"CRA", "03\r", " Video & Audio mute ON"}, {"CRA", "80\r", " No signal"},
            {"CRA", "FF\r", " Stand by"}, {"CRA", "ff\r", ""},
            {"CR7", "00\r", " All OFF : 2 Lamp mode"}, {"CR7", "01\r", " No1 ON  : 2 Lamp mode"},
            {"CR7", "02\r", " No2 ON  : 2 Lamp mode"}, {"CR7", "03\r", " No1,2 ON  : 2 Lamp mode"},
            {"CR7", "10\r", " All OFF : 1 Lamp mode(No1 USE)"}, {"CR7", "11\r", " No1 ON  : 1 Lamp mode(No1 USE)"},
            {"CR7", "20\r", " All OFF : 1 Lamp mode(No2 USE)"}, {"CR7", "22\r", " No2 ON  : 1 Lamp mode(No2 USE)"},
            {"CR7", "21\r", ""},
            // Lamp hours: the first 38 characters of the monitor text, unconverted.
            {"CR3", "01234\r", " 0 1 2 3 4 CR  Hour Use"}, {"CR3", "", "  Hour Use"},
            {"CR3", "abcdefghijklmnopqrstuvwxyz\r", " a b c d e f g h i j k l m n o p q r s Hour Use"},
            // Temperatures: reply characters 1-5, 8-11 and 13-17.
            {"CR6", "+25.5  31.0 +40.2\r", "  S1= + 2 5 . 5 C  ,   S2=  3 1 . 0 C , S3= + 4 0 . 2 C"},
            {"CR6", "+25.5  31\r", "  S1= + 2 5 . 5 C  ,   S2=  3 1 CR  C , S3= C"},
            {"CR6", "1\r", "  S1= 1 CR  C  ,   S2=  C , S3= C"},
            {"CR9", "QN62 V1.40\r", " Q N 6 2   V 1 . 4 0 CR "},
            // Pressure: the reading rounded to 16 bits (halves to even) before it is scaled.
            {"CR PRESSURE", "512\r", "650 hPa"}, {"CR PRESSURE", "+512\r", "650 hPa"}, {"CR PRESSURE", "0\r", "106 hPa"}, {"CR PRESSURE", "\r", "106 hPa"},
            {"CR PRESSURE", "1023\r", "1194 hPa"}, {"CR PRESSURE", "-100\r", "-1 hPa"},
            {"CR PRESSURE", "6553\r", "7077 hPa"}, {"CR PRESSURE", "6554\r", PressureOutOfRange},
            {"CR PRESSURE", "-6554\r", PressureOutOfRange}, {"CR PRESSURE", "99999\r", PressureOutOfRange},
            {"CR PRESSURE", "1E400\r", PressureOutOfRange}, {"CR PRESSURE", "1E-400\r", "106 hPa"},
            {"CR PRESSURE", "0.6\r", "107 hPa"}, {"CR PRESSURE", "1.5\r", "108 hPa"},
            {"CR PRESSURE", "-6553.5\r", PressureOutOfRange},
            {"C00", "00\r", ""}, {"CR2", "00\r", ""}};
        for (const auto &r : rows)
            QTest::addRow("%s %s", r.query, QByteArray(r.reply).trimmed().constData()) << r.query << r.reply << r.text;
    }
    void decode()
    {
        QFETCH(QString, query);
        QFETCH(QString, received);
        QFETCH(QString, status);
        const std::optional<QString> decoded = decodeReply(query + '\r', QString(), monitorText(received));
        if (status.isEmpty())
            QVERIFY2(!decoded, qPrintable(decoded.value_or(QString())));
        else
            QCOMPARE(decoded.value_or(QStringLiteral("<nothing>")), status);
    }

    // Only the exact query, with the prefix in force, is decoded.
    void queryMustMatchExactly()
    {
        for (const auto &[command, prefix] : {std::pair{"cr0\r", ""}, {"CR0 \r", ""}, {"CR0", ""}, {" CR0\r", ""}, {"CR0\r", "@"}})
            QVERIFY2(!decodeReply(command, prefix, monitorText("00\r")), command);
        QCOMPARE(decodeReply("@CR0\r", "@", monitorText("00\r")).value_or(QString()), " Power ON");
    }

    // Readings beyond what the pressure rows show: a D exponent counts as E,
    // halves go to the even neighbour, beyond 16 bits there is no value.
    void numbersAndRounding()
    {
        QCOMPARE(leadingNumber(" 2 5 D - 1 CR "), 2.5);
        QVERIFY(toInt16(2.5) == 2 && toInt16(-2.5) == -2 && toInt16(32767.4) == 32767 && toInt16(-32768.5) == -32768);
        QVERIFY(!toInt16(32767.5) && !toInt16(-32769) && !toInt16(qInf()) && !toInt16(qQNaN()));
    }
};

QTEST_GUILESS_MAIN(MonitorDecoderTest)
#include "test_monitor_decoder.moc"
