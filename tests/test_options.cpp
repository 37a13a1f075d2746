#include "options.h"
#include "ptyline.h"
#include "trafficlines.h"

#include <QTcpSocket>
#include <QtTest>

#include <csignal>

using namespace qn62;

class OptionsTest : public QObject
{
    Q_OBJECT
private slots:
    // Row: the arguments; COM1, COM2, "demo" and "reconnect" when on, and the codes to
    // send with port, speed and time-out, as parsed; or "refused" and a text
    // the refusal must mention.
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("result");
        const auto accepted = [](const char *name, const QStringList &args, QString com1, QString com2,
                                 QString demo = {}, QString oneShot = " 1 19200 2000") {
            QTest::newRow(name) << args << QStringList{com1, com2, demo, oneShot};
        };
        const QString s0 = "/dev/ttyS0", s1 = "/dev/ttyS1";
        accepted("defaults", {}, s0, s1);
        accepted("joined value", {"--com2=/dev/pts/3", "--demo"}, s0, "/dev/pts/3", "demo");
        accepted("reconnect", {"--reconnect", "--com1", "/dev/serial/by-id/usb-x"}, "/dev/serial/by-id/usb-x", s1, "reconnect");
        accepted("path that looks like an option", {"--com1", "--demo"}, "--demo", s1);
        accepted("network ports", {"--com1", "rfc2217://127.0.0.1:2217", "--com2=socket://[::1]:4001"},
                 "rfc2217://127.0.0.1:2217", "socket://[::1]:4001");
        accepted("host name, highest port", {"--com2", "socket://box-1.lan:65535"}, s0, "socket://box-1.lan:65535");
        accepted("one-shot, a lone CR", {"--send", "CR0", "--send=CF LOGO OFF", "--send", "", "--port", "2", "--speed=9600",
                 "--timeout", "150", "--log", "t.log"}, s0, s1, "", "CR0,CF LOGO OFF, 2 9600 150 t.log");
        accepted("scheme in capitals, trailing slash", {"--com1", "RFC2217://127.0.0.1:2217/"}, "RFC2217://127.0.0.1:2217/", s1);
        const auto refused = [](const char *name, const QStringList &args, const char *mentions) {
            QTest::newRow(name) << args << QStringList{"refused", mentions};
        };
        refused("unknown", {"--baud"}, "--baud");
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
        refused("send with demo", {"--send", "CR0", "--demo"}, "--send and --demo");
        refused("send with reconnect", {"--reconnect", "--send", "CR0"}, "--send and --reconnect");
        refused("COM1 with demo", {"--demo", "--com1", "/dev/ttyUSB0"}, "--com1 and --demo");
        refused("one-shot option alone", {"--timeout", "500"}, "--timeout goes with --send; in the window, each button sets");
        refused("no port 3", {"--send", "C00", "--port", "3"}, "1 or 2, not '3'");
        refused("speed not plain", {"--send", "C00", "--speed=019200"}, "19200 or 9600, not '019200'");
        refused("no time-out", {"--send", "C00", "--timeout", "0"}, "1 to 600000");
        refused("control character in a code", {"--send", "C00\r"}, "printable ASCII");
        refused("log without a file", {"--demo", "--log"}, "--log needs a file name");
    }
    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, result);
        const ParsedOptions p = parseOptions(args);
        const Options &o = p.options;
        if (result[0] == "refused")
            QVERIFY2(p.error.contains(result[1]), qPrintable(p.error));
        else
            QCOMPARE((QStringList{p.error, o.com1, o.com2, QString(o.demo ? "demo" : "") + (o.reconnect ? "reconnect" : ""),
                                  QString("%1 %2 %3 %4").arg(o.send.join(',')).arg(o.port).arg(o.speed).arg(o.timeoutMs)
                                      + (o.log.isEmpty() ? "" : " " + o.log)}),
                     QStringList{""} + result);
    }

    // The program itself: --help, and commands from a script with no display
    // at all (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM unset), against the
    // simulator on its pseudo-terminal or TCP port, a pseudo-terminal where
    // the test answers, a port a panel holds, a server that refuses or that
    // serves another client ("held"), or none.
    // "full": stdout is /dev/full; "closed": the program starts with its
    // standard input, output and error closed.
    // The window: with no display, or one that cannot be reached
    // ("display :N"), it does not start; on an offscreen display
    // ("window N"), signal N once the port is open closes it as END does.
    // It runs in an empty directory that is also its HOME: with a log, the
    // log ("@" the address, "|" between lines) is all it writes there;
    // without one, nothing.
    void program_data()
    {
        QTest::addColumn<QString>("far");
        QTest::addColumn<QStringList>("args"); // @ is the far end's address
        QTest::addColumn<QByteArrayList>("answers"); // the test's reply to each code
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err"); // stderr holds it once; empty: stderr is empty
        QTest::addColumn<QByteArray>("log"); // null: no --log
        const auto row = [](const char *name, const char *far, const QStringList &args, QByteArrayList answers,
                            const char *out, int status, const char *err = "", const char *log = nullptr) {
            QTest::newRow(name) << far << args << answers << QByteArray(out) << status << QString(err) << QByteArray(log);
        };
        row("query, ACK, the next one after it", "sim", {"--com1", "@", "--send", "CR0", "--send", "C00", "--send", "CR0"},
            {}, "CR0\t80\tStand by\nC00\tACK\t\nCR0\t40\tCount down\n", 0, "", "-- OPEN COM1 (@) 19200,N,8,1|> CR0\r|"
            "< 80\r|-- Stand by|> C00\r|< \x06|> CR0\r|< 40\r|-- Count down|-- CLOSE COM1 (@)");
        row("NAK and spaced words over TCP on COM2", "sim --tcp 127.0.0.1:0", {"--com2", "@", "--port", "2", "--send",
            "cr0", "--send", "CR3"}, {}, "cr0\tNAK\t\nCR3\t01234\t0 1 2 3 4 CR  Hour Use\n", 0);
        row("no reply", "sim --silent", {"--com1", "@", "--timeout", "100", "--send", "CR0", "--send", "C00"}, {},
            "CR0\t\t\nC00\t\t\n", 1, "CR0: no reply within 100 ms", "-- OPEN COM1 (@) 19200,N,8,1|> CR0\r|-- NO REPLY to "
            "\"CR0\" within 100 ms|> C00\r|-- NO REPLY to \"C00\" within 100 ms|-- CLOSE COM1 (@)");
        row("9600, a control byte in a reply, a lone CR", "answer", {"--com1", "@", "--speed", "9600", "--timeout", "60000",
            "--send", "CR0", "--send", ""}, {"\x01" "80\r", "\x15"}, "CR0\t<01>80\t\n\tNAK\t\n", 0, "",
            "-- OPEN COM1 (@) 9600,N,8,1|> CR0\r|< \x01" "80\r|> \r|< \x15|-- CLOSE COM1 (@)");
        row("lost before anything came back", "answer", {"--com1", "@", "--send", "CR0"}, {"hang up"}, "", 3,
            "COM1 (@) has been closed: the device disconnected. Check the cable or adapter.\n");
        row("lost after a reply, a long code", "answer", {"--com1", "@", "--send", "CR0", "--send", QString(45, 'A')},
            {"80\r", "hang up"}, "CR0\t80\tStand by\n" + QByteArray(45, 'A') + "\t\t\n", 1,
            "\"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\"... (45 characters): not sent: COM1 (@) has been closed");
        row("held by a running panel", "held", {"--com1", "@", "--send", "C01"}, {}, "", 3,
            "in use by another program. Close that program.\n", "-- NOT OPENED COM1 (@): the port is in use by another program. "
            "Close that program.");
        row("standard files closed: nothing of ours on the line or in the log", "answer closed", {"--com1", "@",
            "--timeout", "100", "--send", "CR0", "--send", "C00"}, {"80\r", ""}, "", 1, "", "-- OPEN COM1 (@) 19200,N,8,1|"
            "> CR0\r|< 80\r|-- Stand by|> C00\r|-- NO REPLY to \"C00\" within 100 ms|-- CLOSE COM1 (@)");
        row("results that cannot be written", "answer full", {"--com1", "@", "--send", "CR0"}, {"80\r"}, "", 1,
            "the results cannot be written to standard output (No space left on device)\n");
        row("server busy with another client", "sim --tcp 127.0.0.1:0 held", {"--com1", "@", "--send", "CR0"}, {}, "", 3,
            "Another client may hold the server's port (a server that serves one client at a time turns others away "
            "so); if not, check that the server is running and that 127.0.0.1 can be reached.\n");
        row("log that cannot be written", "sim", {"--com1", "@", "--log", "/dev/full", "--send", "CR0", "--send", "C00"},
            {}, "CR0\t80\tStand by\nC00\tACK\t\n", 0, "traffic log /dev/full cannot be written");
        row("server refuses", "", {"--com1", "socket://127.0.0.1:1", "--send", "C01"}, {}, "", 3,
            "refused. Check the port number and that the server is running.\n");
        row("usage error", "", {"--send", "C01", "--com2", "socket://127.0.0.1"}, {}, "", 2, "--com2: ");
        row("window without a display", "", {"--demo"}, {}, "", 4, "use --send");
        row("window on a display that cannot be reached", "display :77", {"--demo"}, {}, "", 4, "use --send");
        for (const char *far : {"window 15", "window 1", "window 2"}) // SIGTERM, SIGHUP, SIGINT
            row(far, far, {"--com1", "@"}, {}, "", 0, "", "-- OPEN COM1 (@) 19200,N,8,1|-- CLOSE COM1 (@)");
    }
    void program()
    {
        QFETCH(QString, far);
        QFETCH(QStringList, args);
        QFETCH(QByteArrayList, answers);
        const QString dir = QCoreApplication::applicationDirPath();
        PtyLine line;
        QString address = line.path;
        QProcess sim;
        SerialComm panel;
        QTcpSocket holder; // another client of the simulator's TCP port
        if (far.startsWith("sim")) {
            QStringList simArgs = far.split(' ').mid(1);
            simArgs.removeAll("held");
            simArgs.removeAll("full");
            sim.start(dir + "/qn62-sim", simArgs);
            QTRY_COMPARE(sim.peek(4096).count('\n'), far.contains("tcp") ? 2 : 1);
            address = QString::fromLatin1(sim.readAll()).split('\n', Qt::SkipEmptyParts).last();
            if (far.endsWith("held")) {
                holder.connectToHost(QHostAddress::LocalHost, QUrl(address).port());
                QVERIFY(holder.waitForConnected(5000));
            }
        } else if (far == "held") {
            panel.setDevice(1, line.path);
            QVERIFY(panel.setPortOpen(true));
        }
        QFETCH(QByteArray, log);
        if (!log.isNull())
            args << "--log" << "traffic.log";
        args.replaceInStrings("@", address);
        QProcess p;
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("HOME", home.path());
        if (far.startsWith("window"))
            env.insert("QT_QPA_PLATFORM", "offscreen"), env.insert("XDG_RUNTIME_DIR", home.path());
        if (far.startsWith("display"))
            env.insert("DISPLAY", far.mid(8));
        if (far.endsWith("full"))
            p.setStandardOutputFile("/dev/full");
        if (far.endsWith("closed"))
            p.setChildProcessModifier([] { ::close(0), ::close(1), ::close(2); });
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        p.start(dir + "/qn62-control", args);
        if (far.startsWith("window")) {
            QTRY_VERIFY(trafficLines(home.filePath("traffic.log")).value(0).startsWith("-- OPEN"));
            ::kill(p.processId(), far.mid(7).toInt());
        }
        QByteArray heard;
        for (int i = 0, at = 0; i < answers.size(); ++i) { // one code at a time, each only after the reply before
            heard += args[at = args.indexOf("--send", at) + 1].toLatin1() + '\r';
            QTRY_COMPARE(line.read(), heard);
            QCOMPARE(line.speed(), args.contains("9600") ? speed_t(B9600) : speed_t(B19200));
            QVERIFY(answers[i] == "hang up" ? (line.hangUp(), true) : line.write(answers[i]));
        }
        QVERIFY(p.waitForFinished(20000));
        QTEST(p.readAllStandardOutput(), "out");
        QTEST(p.exitCode(), "status");
        QFETCH(QString, err);
        err.replace("@", address);
        const QString said = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.isEmpty() ? said.isEmpty() : said.count(err) == 1, qPrintable(said));
        QCOMPARE(line.read(), heard); // nothing written to a held port
        if (log.isNull())
            QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        else
            QCOMPARE(trafficLines(home.filePath("traffic.log")).join('|'), log.replace("@", address.toLatin1()));
        sim.terminate(); // and it ends cleanly
        QVERIFY(!far.startsWith("sim") || (sim.waitForFinished() && sim.exitStatus() == QProcess::NormalExit && !sim.exitCode()));
    }

    void help()
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
        QVERIFY(help.contains("socket://HOST:PORT") && help.contains("--send CODE") && help.contains("--timeout MS")
                && help.contains("--reconnect") && help.contains("exit status 4"));
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
