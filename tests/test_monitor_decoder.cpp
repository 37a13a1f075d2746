#include "decoder.h"
#include "monitortext.h"

#include <QtTest>

#include <clocale>

using namespace qn62;

class MonitorDecoderTest : public QObject
{
    Q_OBJECT

    static QString cr(const char *code) { return QLatin1String(code) + QLatin1Char('\r'); }
    static std::optional<QString> reply(const char *query, const QString &received)
    {
        return decodeReply(cr(query), QString(), monitorText(received));
    }

private slots:
    // The decoder runs under a comma locale too (see tests/CMakeLists.txt);
    // make sure that locale is really in force there.
    void initTestCase()
    {
        if (qEnvironmentVariable("LC_ALL").startsWith("de_DE"))
            QVERIFY2(std::localeconv()->decimal_point == QByteArray(","),
                     "the de_DE.UTF-8 locale is not installed; scripts/deps.sh generates it");
    }

    void tokens_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << QString() << " ";
        QTest::newRow("reply 00 CR") << "00\r" << " 0 0 CR ";
        QTest::newRow("command C00 CR") << "C00\r" << " C 0 0 CR ";
        QTest::newRow("ACK") << "\x06" << " ACK ";
        QTest::newRow("DC4 has no space after it") << "\x14" "1" << " &1 ";
        QTest::newRow("LF") << "\n" << " LF ";
        QTest::newRow("NUL") << QString(QChar(0)) << " ? ";
        QTest::newRow("TAB") << "\t" << " ? ";
        QTest::newRow("ESC and 1F") << "\x1b\x1f" << " ? ? ";
        QTest::newRow("space") << " " << "   ";
        QTest::newRow("z is the last shown as itself") << "az" << " a z ";
        QTest::newRow("braces, bar, tilde, DEL") << "{|}~\x7f" << " ? ? ? ? ? ";
        QTest::newRow("above 7F") << QString(QChar(0xFF)) + QChar(0x3042) << " ? ? ";
    }
    void tokens()
    {
        QFETCH(QString, data);
        QFETCH(QString, shown);
        QCOMPARE(qn62::monitorText(data), shown);
    }

    // Each row: query, reply as received, status line (empty: no decoding,
    // the status line keeps its text).
    void decode_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("status");

        const struct { const char *reply, *text; } power[] = {
            {"00", " Power ON"}, {"80", " Stand by"}, {"40", " Count down"}, {"20", " Cooling down"},
            {"10", " Power Fail"}, {"08", " Temperature Warning"}, {"02", " NO Key input "},
            {"04", " Lamp OFF by PWR Management"}, {"28", " Temperature Warning & cooling down"},
            {"24", "Cooling down  PWR Management"}, {"88", " Temperature Warning and recoverd"},
            {"21", " Cooling down (All Lamp FAIL)"}, {"81", " Cooling down & sutandby (All Lamp FAIL)"},
        };
        for (const auto &r : power)
            QTest::addRow("CR0 %s", r.reply) << "CR0" << QString(r.reply) + "\r" << r.text;
        QTest::newRow("CR0 combination not listed") << "CR0" << "FF\r" << "";
        QTest::newRow("CR0 leading ACK") << "CR0" << "\x06" "00\r" << "";
        QTest::newRow("CR0 half a code") << "CR0" << "0" << "";
        QTest::newRow("CR0 lower-case letters do not match") << "CR0" << "0a\r" << "";

        const struct { const char *reply, *text; } input[] = {
            {"1", " Computer 1"}, {"2", " Computer 2"}, {"3", " Video"}, {"4", " Input mode 4"}};
        for (const auto &r : input)
            QTest::addRow("CR1 %s", r.reply) << "CR1" << QString(r.reply) + "\r" << r.text;
        QTest::newRow("CR1 first character alone") << "CR1" << "1" << " Computer 1";
        QTest::newRow("CR1 5") << "CR1" << "5\r" << "";

        const struct { const char *reply, *text; } reversal[] = {
            {"11", " Normally"}, {"10", " Top/Bottom reversal"}, {"01", " Left/Right reversal"},
            {"00", " Top/Bottom , Left/Right reversal"}};
        for (const auto &r : reversal)
            QTest::addRow("CR4 %s", r.reply) << "CR4" << QString(r.reply) + "\r" << r.text;

        const struct { const char *reply, *text; } mute[] = {
            {"00", " Video & Audio mute OFF"}, {"01", " Video mute ON"}, {"02", " Audio mute ON"},
            {"03", " Video & Audio mute ON"}, {"80", " No signal"}, {"FF", " Stand by"}};
        for (const auto &r : mute)
            QTest::addRow("CRA %s", r.reply) << "CRA" << QString(r.reply) + "\r" << r.text;
        QTest::newRow("CRA ff lower case") << "CRA" << "ff\r" << "";

        const struct { const char *reply, *text; } lamp[] = {
            {"00", " All OFF : 2 Lamp mode"}, {"01", " No1 ON  : 2 Lamp mode"},
            {"02", " No2 ON  : 2 Lamp mode"}, {"03", " No1,2 ON  : 2 Lamp mode"},
            {"10", " All OFF : 1 Lamp mode(No1 USE)"}, {"11", " No1 ON  : 1 Lamp mode(No1 USE)"},
            {"20", " All OFF : 1 Lamp mode(No2 USE)"}, {"22", " No2 ON  : 1 Lamp mode(No2 USE)"}};
        for (const auto &r : lamp)
            QTest::addRow("CR7 %s", r.reply) << "CR7" << QString(r.reply) + "\r" << r.text;
        QTest::newRow("CR7 21") << "CR7" << "21\r" << "";

        // Lamp hours: the first 38 characters of the monitor text, unconverted.
        QTest::newRow("CR3 five digits") << "CR3" << "01234\r" << " 0 1 2 3 4 CR  Hour Use";
        QTest::newRow("CR3 cut at 38") << "CR3" << "abcdefghijklmnopqrstuvwxyz\r"
                                       << " a b c d e f g h i j k l m n o p q r s" + QString(" Hour Use");
        QTest::newRow("CR3 nothing yet") << "CR3" << "" << "  Hour Use";

        // Temperatures: reply characters 1-5, 8-11 and 13-17.
        QTest::newRow("CR6 full") << "CR6" << "+25.5  31.0 +40.2\r"
                                  << "  S1= + 2 5 . 5 C  ,   S2=  3 1 . 0 C , S3= + 4 0 . 2 C";
        QTest::newRow("CR6 short: no S3") << "CR6" << "+25.5  31\r"
                                          << "  S1= + 2 5 . 5 C  ,   S2=  3 1 CR  C , S3= C";
        QTest::newRow("CR6 very short") << "CR6" << "1\r" << "  S1= 1 CR  C  ,   S2=  C , S3= C";

        QTest::newRow("CR9 whole text") << "CR9" << "QN62 V1.40\r" << " Q N 6 2   V 1 . 4 0 CR ";

        QTest::newRow("pressure 512") << "CR PRESSURE" << "512\r" << "650 hPa";
        QTest::newRow("pressure 0") << "CR PRESSURE" << "0\r" << "106 hPa";
        QTest::newRow("pressure 1023") << "CR PRESSURE" << "1023\r" << "1194 hPa";
        QTest::newRow("pressure empty reply") << "CR PRESSURE" << "\r" << "106 hPa";
        QTest::newRow("pressure negative") << "CR PRESSURE" << "-100\r" << "-1 hPa";
        QTest::newRow("pressure limit 6553") << "CR PRESSURE" << "6553\r" << "7077 hPa";
        QTest::newRow("pressure 6554 overflows") << "CR PRESSURE" << "6554\r" << PressureOutOfRange;
        QTest::newRow("pressure -6554 overflows") << "CR PRESSURE" << "-6554\r" << PressureOutOfRange;
        QTest::newRow("pressure beyond 16 bits") << "CR PRESSURE" << "99999\r" << PressureOutOfRange;
        QTest::newRow("pressure huge exponent") << "CR PRESSURE" << "1E400\r" << PressureOutOfRange;
        QTest::newRow("pressure tiny exponent") << "CR PRESSURE" << "1E-400\r" << "106 hPa";
        QTest::newRow("pressure 0.6 rounds to 1") << "CR PRESSURE" << "0.6\r" << "107 hPa";
        QTest::newRow("pressure 1.5 rounds to 2") << "CR PRESSURE" << "1.5\r" << "108 hPa";
        QTest::newRow("pressure -6553.5 overflows") << "CR PRESSURE" << "-6553.5\r" << PressureOutOfRange;

        QTest::newRow("not a query") << "C00" << "00\r" << "";
        QTest::newRow("CR2 is not decoded") << "CR2" << "00\r" << "";
    }
    void decode()
    {
        QFETCH(QString, query);
        QFETCH(QString, received);
        QFETCH(QString, status);
        const std::optional<QString> decoded = reply(query.toLatin1().constData(), received);
        if (status.isEmpty())
            QVERIFY2(!decoded, qPrintable(decoded.value_or(QString())));
        else
            QCOMPARE(decoded.value_or(QStringLiteral("<nothing>")), status);
    }

    void queryMustMatchExactly_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("lower case") << "cr0\r";
        QTest::newRow("trailing space") << "CR0 \r";
        QTest::newRow("no CR") << "CR0";
        QTest::newRow("two CRs") << "CR0\r\r";
        QTest::newRow("leading space") << " CR0\r";
    }
    void queryMustMatchExactly()
    {
        QFETCH(QString, command);
        QVERIFY(!decodeReply(command, QString(), monitorText("00\r")));
    }

    void prefixIsPartOfTheMatch()
    {
        QCOMPARE(decodeReply("@CR0\r", "@", monitorText("00\r")).value_or(QString()), " Power ON");
        QVERIFY(!decodeReply("CR0\r", "@", monitorText("00\r")));
    }

    void numbersAndRounding()
    {
        const struct { const char *text; double value; } numbers[] = {
            {" 5 1 2 CR ", 512}, {"\t1\n2", 12}, {" - 4 2", -42}, {" 1 . 5 CR", 1.5}, {"2E3", 2000},
            {"25D-1", 2.5}, {"7E", 7}, {"CR ", 0}, {"-", 0}, {"", 0}, {"1.2.3", 1.2}};
        for (const auto &n : numbers)
            QCOMPARE(leadingNumber(QString::fromLatin1(n.text)), n.value);

        // Halves go to the even neighbour; beyond 16 bits there is no value.
        const struct { double value; int expected; } halves[] = {
            {0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {2.6, 3}, {32767.4, 32767}, {-32768.5, -32768}};
        for (const auto &h : halves)
            QCOMPARE(int(toInt16(h.value).value()), h.expected);
        QVERIFY(!toInt16(32767.5) && !toInt16(-32769) && !toInt16(qInf()) && !toInt16(qQNaN()));
        // A pressure reading of 1.5 rounds to 2 before it is scaled.
        QCOMPARE(pressureHpa(monitorText("1.5\r")), pressureHpa(monitorText("2\r")));
    }
};

QTEST_GUILESS_MAIN(MonitorDecoderTest)
#include "test_monitor_decoder.moc"
