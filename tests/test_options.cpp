#include "options.h"

#include <QtTest>

using namespace qn62;

class OptionsTest : public QObject
{
    Q_OBJECT
private slots:
    // Row: the arguments; COM1, COM2 and "demo" when it is on, as parsed, or
    // "refused" and a text the refusal must mention.
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("result");
        const auto accepted = [](const char *name, const QStringList &args, QString com1, QString com2,
                                 QString demo = {}) { QTest::newRow(name) << args << QStringList{com1, com2, demo}; };
        const QString s0 = "/dev/ttyS0", s1 = "/dev/ttyS1";
        accepted("defaults", {}, s0, s1);
        accepted("joined value", {"--com2=/dev/pts/3", "--demo"}, s0, "/dev/pts/3", "demo");
        accepted("path that looks like an option", {"--com1", "--demo"}, "--demo", s1);
        accepted("network ports", {"--com1", "rfc2217://127.0.0.1:2217", "--com2=socket://[::1]:4001"},
                 "rfc2217://127.0.0.1:2217", "socket://[::1]:4001");
        accepted("host name, highest port", {"--com2", "socket://box-1.lan:65535"}, s0, "socket://box-1.lan:65535");
        accepted("scheme in capitals, trailing slash", {"--com1", "RFC2217://127.0.0.1:2217/"}, "RFC2217://127.0.0.1:2217/", s1);
        const auto refused = [](const char *name, const QStringList &args, const char *mentions) {
            QTest::newRow(name) << args << QStringList{"refused", mentions};
        };
        refused("unknown", {"--speed"}, "--speed");
        refused("missing value", {"--com1"}, "--com1");
        refused("empty value", {"--com2="}, "--com2");
        refused("value on a flag", {"--demo=yes"}, "--demo");
        refused("bare word", {"ttyS0"}, "ttyS0");
        refused("unknown scheme", {"--com1", "telnet://127.0.0.1:23"}, "socket://HOST:PORT");
        refused("no port", {"--com1", "socket://127.0.0.1"}, "HOST:PORT");
        refused("one slash", {"--com1", "Socket:/127.0.0.1:4001"}, "two slashes after 'Socket:', as in socket://HOST:PORT");
        refused("port too high", {"--com2", "socket://127.0.0.1:65536"}, "1 to 65535");
        refused("IPv6 without brackets", {"--com1", "socket://::1:4001"}, "brackets");
        refused("not IPv6 in brackets", {"--com1", "socket://[127.0.0.1]:4001"}, "not an IPv6");
    }
    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, result);
        const ParsedOptions p = parseOptions(args);
        if (result[0] == "refused")
            QVERIFY2(p.error.contains(result[1]), qPrintable(p.error));
        else
            QCOMPARE((QStringList{p.error, p.options.com1, p.options.com2, p.options.demo ? "demo" : ""}),
                     QStringList{""} + result);
    }

    // The program itself: a refused option is a message and status 2.
    void programExitStatus()
    {
        QProcess p;
        const auto run = [&p](const QStringList &args) {
            p.start(QCoreApplication::applicationDirPath() + "/qn62-control", args);
            return p.waitForFinished(10000) ? p.exitCode() : -1;
        };
        for (const QStringList &args : {QStringList{"--bogus"}, QStringList{"--com2", "socket://127.0.0.1"},
                                      QStringList{"--com1", "socket://127.0.0.1:0"}}) {
            QCOMPARE(run(args), 2);
            QVERIFY(p.readAllStandardError().contains(args.first().toLatin1()));
        }
        QCOMPARE(run({"--help"}), 0);
        const QByteArray help = p.readAllStandardOutput();
        QVERIFY(help.contains("--com1") && help.contains("socket://HOST:PORT") && help.contains("is set on the server"));
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
