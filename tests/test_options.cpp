#include "options.h"

#include <QtTest>

using namespace qn62;

class OptionsTest : public QObject
{
    Q_OBJECT
private slots:
    void accepted_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("com1");
        QTest::addColumn<QString>("com2");
        QTest::addColumn<bool>("demo");
        QTest::newRow("defaults") << QStringList{} << "/dev/ttyS0" << "/dev/ttyS1" << false;
        QTest::newRow("separate value") << QStringList{"--com1", "/dev/ttyUSB0"} << "/dev/ttyUSB0" << "/dev/ttyS1" << false;
        QTest::newRow("joined value") << QStringList{"--com2=/dev/pts/3", "--demo"} << "/dev/ttyS0" << "/dev/pts/3" << true;
        QTest::newRow("path that looks like an option") << QStringList{"--com1", "--demo"} << "--demo" << "/dev/ttyS1" << false;
        QTest::newRow("network ports") << QStringList{"--com1", "rfc2217://127.0.0.1:2217", "--com2=socket://[::1]:4001"}
                                       << "rfc2217://127.0.0.1:2217" << "socket://[::1]:4001" << false;
        QTest::newRow("host name, highest port") << QStringList{"--com2", "socket://box-1.lan:65535"} << "/dev/ttyS0"
                                                 << "socket://box-1.lan:65535" << false;
    }
    void accepted()
    {
        QFETCH(QStringList, args);
        const ParsedOptions parsed = parseOptions(args);
        QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
        QTEST(parsed.options.com1, "com1");
        QTEST(parsed.options.com2, "com2");
        QTEST(parsed.options.demo, "demo");
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("unknown") << QStringList{"--speed"} << "--speed";
        QTest::newRow("missing value") << QStringList{"--com1"} << "--com1";
        QTest::newRow("empty value") << QStringList{"--com2="} << "--com2";
        QTest::newRow("value on a flag") << QStringList{"--demo=yes"} << "--demo";
        QTest::newRow("bare word") << QStringList{"ttyS0"} << "ttyS0";
        QTest::newRow("unknown scheme") << QStringList{"--com1", "telnet://127.0.0.1:23"} << "socket://HOST:PORT";
        QTest::newRow("no port") << QStringList{"--com1", "socket://127.0.0.1"} << "HOST:PORT";
        QTest::newRow("port 0") << QStringList{"--com2", "rfc2217://127.0.0.1:0"} << "1 to 65535";
        QTest::newRow("port too high") << QStringList{"--com2", "socket://127.0.0.1:65536"} << "1 to 65535";
        QTest::newRow("no host") << QStringList{"--com1", "socket://:4001"} << "HOST:PORT";
        QTest::newRow("path after the port") << QStringList{"--com1", "socket://127.0.0.1:4001/x"} << "HOST:PORT";
        QTest::newRow("IPv6 without brackets") << QStringList{"--com1", "socket://::1:4001"} << "brackets";
        QTest::newRow("not IPv6 in brackets") << QStringList{"--com1", "socket://[127.0.0.1]:4001"} << "not an IPv6";
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, mentions);
        const ParsedOptions parsed = parseOptions(args);
        QVERIFY(parsed.error.contains(mentions));
    }

    // The program itself: an unknown option is a message and status 2.
    void programExitStatus()
    {
        QProcess p;
        for (const QStringList &args : {QStringList{"--bogus"}, QStringList{"--com2", "socket://127.0.0.1"}}) {
            p.start(QCoreApplication::applicationDirPath() + "/qn62-control", args);
            QVERIFY(p.waitForFinished(10000));
            QCOMPARE(p.exitCode(), 2);
            QVERIFY(p.readAllStandardError().contains(args.first().toLatin1()));
        }
        p.start(QCoreApplication::applicationDirPath() + "/qn62-control", {"--help"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray help = p.readAllStandardOutput();
        QVERIFY(help.contains("--com1") && help.contains("socket://HOST:PORT") && help.contains("is set on the server"));
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
