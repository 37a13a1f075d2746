// The network bridge: its codec and mapping as tables, then the server over
// real loopback sockets in front of the simulated projector on a
// pseudo-terminal. The idle check is ticked and the clock of the reuse
// window set by the test; waits are only for bytes to travel.

#include "bridgeoptions.h"
#include "codec.h"
#include "device.h"
#include "mapping.h"
#include "server.h"
#include "sim/ptyprojector.h"
#include "sim/tcpbridge.h"
#include "trafficlines.h"
#include "ser2netrig.h"
#include "socatline.h"

#include <QTcpSocket>
#include <QTemporaryFile>
#include <QtTest>

using namespace qn62::pjlink;
using qn62::sim::Projector;

const QByteArray kPassword = "JBMIAProjectorLink";
const QByteArray kRandom = "498e4a67";
const QByteArray kDigest = "5d8409bc1c3fa39749434aa3a5c38682"; // MD5(random + password)

// What the bridge tells its journal, while a test collects it; otherwise
// the messages go on to Qt Test.
QStringList *journal = nullptr;
QtMessageHandler testlib = nullptr;
void toJournal(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    journal ? void(*journal << text) : testlib(type, context, text);
}

// A PJLink client on a loopback socket.
struct Client
{
    QTcpSocket socket;
    QByteArray heard;

    explicit Client(quint16 port) { socket.connectToHost(QHostAddress::LocalHost, port); }
    // The next line up to its CR, or "(none)".
    QByteArray line()
    {
        const bool got = QTest::qWaitFor([this] { return (heard += socket.readAll()).contains('\r'); }, 3000);
        const qsizetype end = got ? heard.indexOf('\r') : -1;
        const QByteArray l = end < 0 ? QByteArray("(none)") : heard.left(end);
        heard.remove(0, end + 1);
        return l;
    }
    QByteArray ask(const QByteArray &request)
    {
        socket.write(request + '\r');
        return line();
    }
    bool closed()
    {
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; }, 3000);
    }
};

class PjlinkTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<qn62::sim::PtyProjector> sim;
    std::unique_ptr<Device> device;
    std::unique_ptr<Server> server;
    qint64 now = 0;
    QByteArrayList onLine; // commands the projector received
    QByteArray answered;   // the bytes it sent back
    QString network;       // a socket:// address for the line, when not the simulator's device

    // via: a socat pair between the bridge and the simulator, started unless missing.
    void start(const QByteArray &password = {}, SocatLine *via = nullptr, bool missing = false, const QString &log = {})
    {
        sim = std::make_unique<qn62::sim::PtyProjector>();
        QVERIFY(sim->open());
        connect(sim.get(), &qn62::sim::PtyProjector::commandReceived, this,
                [this](const QByteArray &command) { onLine << command; });
        connect(sim.get(), &qn62::sim::PtyProjector::dataWritten, this, [this](const QByteArray &b) { answered += b; });
        if (via) {
            via->joined = sim->slavePath();
            QVERIFY2(missing || via->start(), via->error.constData());
        }
        device = std::make_unique<Device>(via ? via->path : network.isEmpty() ? sim->slavePath() : network, 19200, log);
        QCOMPARE(device->open(), !missing);
        for (const QTimer *t : {&device->port().retryTimer(), &device->port().trialTimer()}) // the test ticks
            QObject::disconnect(t, nullptr, &device->port(), nullptr);
        server = std::make_unique<Server>(device.get(), password, Mapping("Hall 2"));
        server->setClock([this] { return now; });
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
    }
    std::unique_ptr<Client> connected()
    {
        auto c = std::make_unique<Client>(server->serverPort());
        c->line(); // the greeting
        return c;
    }

private slots:
    void initTestCase() { testlib = qInstallMessageHandler(toJournal); }
    void cleanup()
    {
        journal = nullptr;
        network.clear();
        server.reset();
        device.reset();
        sim.reset();
        onLine.clear();
        answered.clear();
        now = 0;
    }

    // What a session makes of a client's bytes: the greeting, then per line
    // the request read (class, command, parameter, "!" when malformed) or
    // what is sent back at once.
    void session_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("transcript");
        const QByteArray x128(128, 'x');
        const auto row = [](const char *name, const QByteArray &pw, const QByteArray &in, const QByteArray &out) {
            QTest::newRow(name) << pw << in << out;
        };
        row("no password", "", "%1POWR ?\r%1powr 1\r", "PJLINK 0|1POWR ?|1POWR 1");
        row("CR LF and empty lines", "", "%1POWR ?\r\n\r%1INPT 11\r", "PJLINK 0|1POWR ?|1INPT 11");
        row("digest of the known vector", kPassword, kDigest + "%1POWR ?\r%1LAMP ?\r",
            "PJLINK 1 498e4a67|1POWR ?|1LAMP ?");
        row("digest repeated, upper case", kPassword, kDigest + "%1POWR ?\r" + kDigest.toUpper() + "%1CLSS ?\r",
            "PJLINK 1 498e4a67|1POWR ?|1CLSS ?");
        row("wrong repeated digest", kPassword, kDigest + "%1POWR ?\r" + QByteArray(32, '0') + "%1POWR ?\r",
            "PJLINK 1 498e4a67|1POWR ?|PJLINK ERRA");
        row("no digest", kPassword, "%1POWR ?\r", "PJLINK 1 498e4a67|PJLINK ERRA");
        row("last digit wrong", kPassword, "5d8409bc1c3fa39749434aa3a5c38683%1POWR ?\r", "PJLINK 1 498e4a67|PJLINK ERRA");
        row("digest without a password", "", kDigest + "%1POWR ?\r", "PJLINK 0|1POWR ?");
        row("136 bytes", "", "%1NAME " + x128 + '\r', "PJLINK 0|1NAME " + x128);
        row("137 bytes", "", "%1NAME x" + x128 + '\r', "PJLINK 0|%1NAME=ERR1\r");
        row("100000 bytes", "", "%1NAME " + QByteArray(100000, 'x') + "\r%2CLSS ?\r", "PJLINK 0|%1NAME=ERR1\r|2CLSS ?");
        row("no separator, control byte", "", "%1POWR\r%1POWR \x01\r", "PJLINK 0|1POWR !|1POWR \x01!");
        row("no percent sign", "", "POWR ?\r", "PJLINK 0|close");
        row("short or odd command", "", "%1PO\r%1PO?R ?\r%XPOWR ?\r", "PJLINK 0|close|close|close");
    }
    void session()
    {
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, input);
        Session session(password, kRandom);
        LineReader reader;
        QByteArrayList transcript{session.greeting().chopped(1)};
        for (qsizetype at = 0; at < input.size();) {
            at += reader.feed(input.constData() + at, input.size() - at);
            if (!reader.lineReady())
                continue;
            bool overlong = false;
            const QByteArray line = reader.takeLine(&overlong);
            const Session::Outcome out = session.take(line, overlong);
            const Request &r = out.request;
            transcript << QList<QByteArray>{{}, r.klass + r.command + ' ' + r.parameter + (r.wellFormed ? "" : "!"),
                                            out.reply, authError().chopped(1), "close"}[out.kind];
        }
        transcript.removeAll(QByteArray());
        QTEST(transcript.join('|'), "transcript");
        QCOMPARE(digest(kRandom, kPassword), kDigest);
    }

    // Request, the projector's commands and their replies ("CODE>reply",
    // a reply without its end byte timed out), and the answer.
    void mapping_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("exchange");
        QTest::addColumn<QByteArray>("answer");
        const auto row = [](const QByteArray &request, const QByteArray &exchange, const QByteArray &answer) {
            QTest::newRow(request + " | " + exchange) << request << exchange << answer;
        };
        // Every CR0 code: power state, error status.
        for (const char *r : {"00 1 000000", "02 1 000000", "08 1 001000", "40 3 000000", "20 2 000000",
                              "24 2 000000", "28 2 001000", "21 2 020000", "80 0 000000", "88 0 001000",
                              "81 0 020000", "04 0 000000", "10 ERR4 000002", "FF ERR3 ERR3", "0 ERR3 ERR3"}) {
            const QByteArrayList p = QByteArray(r).split(' ');
            const QByteArray reply = p[0] + (p[0].size() == 2 ? "\r" : "");
            row("%1POWR ?", "CR0>" + reply, p[1]);
            row("%1ERST ?", "CR0>" + reply, p[2]);
        }
        row("%1POWR 1", "C00>\x06", "OK");
        row("%1POWR 0", "C01>\x15", "ERR3");
        row("%1POWR 0", "C01>", "ERR3");
        row("%1LAMP ?", "CR3>01234\r|CR0>00\r", "1234 1");
        row("%1LAMP ?", "CR3>99999\r|CR0>40\r", "99999 1");
        row("%1LAMP ?", "CR3>00007\r|CR0>04\r", "7 0");
        row("%1LAMP ?", "CR3>00007\r|CR0>FF\r", "ERR3");
        row("%1LAMP ?", "CR3>123456\r", "ERR3");
        row("%1LAMP ?", "CR3>\x15", "ERR3");
        for (const char *r : {"1 11", "2 12", "3 21", "4 ERR3", "\x15 ERR3"})
            row("%1INPT ?", "CR1>" + QByteArray(r).left(1) + "\r", QByteArray(r).mid(2));
        row("%1INPT 11", "CR0>00\r|C05>\x06", "OK");
        row("%1INPT 12", "CR0>02\r|C25>\x06", "OK");
        row("%1INPT 21", "CR0>08\r|C07>\x15", "ERR3");
        row("%1INPT 21", "CR0>40\r", "ERR3");
        for (const char *r : {"00 30", "01 11", "02 21", "03 31", "80 30", "FF ERR3"})
            row("%1AVMT ?", "CRA>" + QByteArray(r).left(2) + "\r", QByteArray(r).mid(3));
        for (const char *r : {"10 C0E", "11 C0D", "20 C0C", "21 C0B"})
            row("%1AVMT " + QByteArray(r).left(2), "CR0>00\r|" + QByteArray(r).mid(3) + ">\x06", "OK");
        row("%1AVMT 30", "CR0>00\r|C0E>\x06|C0C>\x06", "OK");
        row("%1AVMT 31", "CR0>00\r|C0D>\x06|C0B>\x06", "OK");
        row("%1AVMT 31", "CR0>00\r|C0D>\x15", "ERR3");
        row("%1AVMT 31", "CR0>80\r", "ERR3");
        row("%1INFO ?", "CR9>QN62 V1.40\r", "QN62 V1.40");
        row("%1INFO ?", "CR9>" + QByteArray(40, 'v') + "\r", QByteArray(32, 'v'));
        row("%1INFO ?", "CR9>QN6", "ERR3");
        row("%1INFO ?", "CR9>\x02" "80\x7f\xe9\r", "?80??"); // printable ASCII only
        // Answered without the line.
        for (const char *r : {"%1INST ?=11 12 21", "%1NAME ?=Hall 2", "%1INF1 ?=TORVA", "%1INF2 ?=QN62", "%1CLSS ?=1",
                              "%1CLSS 1=ERR2", "%1POWR=ERR2", "%1XXXX ?=ERR1", "%2POWR ?=ERR1", "%1INPT 13=ERR2",
                              "%1AVMT 1=ERR2"})
            row(QByteArray(r).split('=')[0], "", QByteArray(r).split('=')[1]);
    }
    void mapping()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, exchange);
        Request r;
        QVERIFY(parseRequest(request, &r));
        const QByteArrayList steps = exchange.isEmpty() ? QByteArrayList() : exchange.split('|');
        QByteArrayList replies;
        Step step = Mapping("Hall 2").next(r, replies);
        for (; !step.done(); step = Mapping("Hall 2").next(r, replies)) {
            QVERIFY2(replies.size() < steps.size(), step.ask.constData());
            QCOMPARE(step.ask, steps[replies.size()].split('>')[0]);
            replies << steps[replies.size()].split('>')[1];
        }
        QCOMPARE(replies.size(), steps.size());
        QTEST(step.answer, "answer");
    }

    // With and without a password, the right, a wrong or no digest.
    void greeting_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<bool>("rightDigest");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("no password") << QByteArray() << false << QByteArray("%1POWR=0");
        QTest::newRow("right digest") << kPassword << true << QByteArray("%1POWR=0");
        QTest::newRow("wrong digest") << kPassword << false << QByteArray("PJLINK ERRA");
    }
    void greeting()
    {
        QFETCH(QByteArray, password);
        QFETCH(bool, rightDigest);
        start(password);
        Client c(server->serverPort());
        const QByteArray greeting = c.line();
        const QByteArray random = greeting.mid(9);
        QVERIFY(password.isEmpty() ? greeting == "PJLINK 0"
                                   : greeting.startsWith("PJLINK 1 ") && QRegularExpression("^[0-9a-f]{8}$").match(random).hasMatch());
        const QByteArray proof = password.isEmpty() ? QByteArray() : digest(rightDigest ? random : "00000000", password);
        QTEST(c.ask(proof + "%1POWR ?"), "answer");
        if (!rightDigest && !password.isEmpty())
            QVERIFY(c.closed());
        else
            QCOMPARE(c.ask("%1CLSS ?"), "%1CLSS=1"); // no digest needed once proved
    }

    // With a traffic log that cannot be written: one warning, and the
    // bridge answers on.
    void connectionLimitAndIdleClose()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^The traffic log /dev/full cannot be written"));
        QTest::failOnWarning(QRegularExpression("traffic log"));
        start({}, nullptr, false, "/dev/full");
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < Server::MaxConnections; ++i)
            clients.push_back(connected());
        QCOMPARE(clients.back()->heard + clients.front()->ask("%1CLSS ?"), "%1CLSS=1");
        Client refused(server->serverPort());
        QVERIFY(refused.closed());
        QCOMPARE(refused.heard + refused.socket.readAll(), "");
        QCOMPARE(server->connectionCount(), Server::MaxConnections);

        now = Server::IdleMs - 1;
        QCOMPARE(clients[1]->ask("%1INST ?"), "%1INST=11 12 21");
        server->idleTick();
        QCOMPARE(server->connectionCount(), Server::MaxConnections);
        now = Server::IdleMs;
        server->idleTick(); // all but the one that asked a moment ago
        QVERIFY(clients[0]->closed() && clients[15]->closed());
        QCOMPARE(server->connectionCount(), 1);
        QCOMPARE(clients[1]->ask("%1CLSS ?"), "%1CLSS=1");
    }

    // Several clients asking at once share one query; its reply serves for
    // ReuseMs; a set command and a lost line forget it. The traffic log holds
    // what the projector got and sent, the words of the first reply, the
    // opening, the loss and a query that could not go out after it.
    void reuseWindowAndLostLine()
    {
        QTemporaryDir dir;
        start({}, nullptr, false, dir.filePath("traffic.log"));
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < 3; ++i)
            clients.push_back(connected());
        for (auto &c : clients)
            c->socket.write("%1POWR ?\r");
        for (auto &c : clients)
            QCOMPARE(c->line(), "%1POWR=0");
        QCOMPARE(onLine, QByteArrayList{"CR0"});

        sim->projector().advanceTo(sim->elapsedMs());
        sim->projector().setPower(Projector::Power::On);
        now = Server::ReuseMs - 1;
        QCOMPARE(clients[0]->ask("%1POWR ?"), "%1POWR=0");
        now = Server::ReuseMs;
        // A query and a set command at once: a reply from before the set
        // command is not kept for later.
        clients[1]->socket.write("%1POWR ?\r");
        clients[2]->socket.write("%1POWR 0\r");
        QCOMPARE(clients[2]->line(), "%1POWR=OK");
        QVERIFY(QByteArrayList({"%1POWR=1", "%1POWR=2"}).contains(clients[1]->line()));
        QCOMPARE(clients[0]->ask("%1POWR ?"), "%1POWR=2");
        QCOMPARE(onLine.size(), 4);

        sim->close();
        QTRY_VERIFY(!device->isOpen());
        QCOMPARE(clients[1]->ask("%1POWR ?"), "%1POWR=ERR3");
        QVERIFY(!device->client().timer().isActive() && device->client().pending() == 0);
        QCOMPARE(connected()->ask("%1INST ?"), "%1INST=11 12 21");
        QByteArray tx, rx;
        QByteArrayList notes;
        for (const QByteArray &e : trafficLines(dir.filePath("traffic.log")))
            e.startsWith("> ") ? tx += e.mid(2) : e.startsWith("< ") ? rx += e.mid(2) : (notes << e, rx);
        QVERIFY(tx == onLine.join('\r') + '\r' && rx == answered);
        const QByteArray com1 = device->address().toLatin1(); // the bridge's one line, by its address
        QVERIFY2(notes.size() == 6 && notes[0] == "-- OPEN " + com1 + " 19200,N,8,1" && notes[1] == "-- Stand by"
                     && notes[4].startsWith("-- LOST " + com1 + " has been closed: the device disconnected.")
                     && notes[5] == "-- NOT SENT \"CR0\": waiting for " + device->address().toLatin1() + " to come back", notes.join('\n').constData());
    }

    // The line goes away and comes back under the same name, while the
    // bridge runs or before it starts, or a network line is refused at
    // start: ERR3 meanwhile, then answers from the line again once a try has
    // opened it. The journal names the line by its address, tells the outage
    // once, and the line open only once it is up.
    void lineComesBack_data()
    {
        QTest::addColumn<QStringList>("says"); // @: the line's address, #: its port
        const QString waiting = " Waiting for @ to open; answering ERR3 meanwhile.";
        QTest::newRow("lost while running") << QStringList{"projector line open: @", "@ has been closed: the device "
            "disconnected. Check the cable or adapter." + waiting, "projector line open again: @"};
        QTest::newRow("missing at start") << QStringList{"@: no such device. Check that the cable or USB serial adapter "
            "is plugged in." + waiting, "projector line open: @"};
        QTest::newRow("network, refused at start") << QStringList{"@: cannot connect to 127.0.0.1 port #: the connection "
            "was refused. Check the port number and that the server is running." + waiting, "projector line open: @"};
    }
    void lineComesBack()
    {
        const QString how = QTest::currentDataTag();
        QStringList told;
        journal = &told;
        SocatLine line;
        const quint16 port = Ser2NetRig::freePort(); // nobody listens on it until the bridge below
        if (how.startsWith("network"))
            network = QString("socket://127.0.0.1:%1").arg(port);
        start({}, network.isEmpty() ? &line : nullptr, how.startsWith("missing"));
        const auto c = connected();
        if (how.startsWith("lost")) {
            QCOMPARE(c->ask("%1POWR ?"), "%1POWR=0");
            line.hangUp();
        }
        QTRY_VERIFY(device->port().awaitingDevice() && device->port().retryTimer().isActive());
        QCOMPARE(c->ask("%1POWR ?"), "%1POWR=ERR3");
        device->port().retry();
        QCOMPARE(c->ask("%1POWR ?"), "%1POWR=ERR3");
        QTRY_VERIFY(device->port().retryTimer().isActive()); // that try has failed
        qn62::sim::TcpBridge bridge(sim->slavePath());
        QVERIFY2(network.isEmpty() ? line.start() : bridge.listen(QHostAddress::LocalHost, port), line.error.constData());
        device->port().retry();
        if (!network.isEmpty()) {
            QTRY_VERIFY(device->port().trialTimer().isActive());
            device->port().trialPassed();
        }
        QTRY_VERIFY(device->isOpen());
        QCOMPARE(c->ask("%1POWR ?"), "%1POWR=0");
        QCOMPARE(onLine.size(), how.startsWith("lost") ? 2 : 1);
        QFETCH(QStringList, says);
        QCOMPARE(told, says.replaceInStrings("@", device->address()).replaceInStrings("#", QString::number(port)));
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const QStringList &args, const char *error) {
            QTest::newRow(name) << (QStringList{"--device", "/dev/ttyUSB0"} + args) << QString(error);
        };
        row("defaults", {}, "");
        row("loopback IPv6, free port", {"--listen", "[::1]:0", "--speed", "9600"}, "");
        row("network without a password", {"--listen", "0.0.0.0:4352"}, "without a password is refused");
        row("network on purpose", {"--listen", "0.0.0.0:4352", "--no-password"}, "");
        row("both password options", {"--password-file", "p", "--no-password"}, "exclude each other");
        row("speed", {"--speed", "4800"}, "19200 or 9600");
        row("name too long", {"--name", QString(65, 'n')}, "--name must be");
        row("traffic log", {"--log", "f"}, "");
        row("traffic log without a name", {"--log="}, "--log needs a file name");
        QTest::newRow("no device") << QStringList() << QString("--device ADDRESS is needed");
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const ParsedOptions parsed = parseOptions(arguments);
        QVERIFY2(error.isEmpty() ? parsed.error.isEmpty() : parsed.error.contains(error), qPrintable(parsed.error));
    }

    void passwordFile()
    {
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(kPassword + "\n") > 0 && file.flush());
        QByteArray password;
        QString why, warning;
        QVERIFY(readPassword(file.fileName(), &password, &why, &warning) && password == kPassword && warning.isEmpty());
        file.setPermissions(file.permissions() | QFileDevice::ReadOther);
        QVERIFY(readPassword(file.fileName(), &password, &why, &warning) && warning.contains("every user"));
        QVERIFY(file.resize(0) && !readPassword(file.fileName(), &password, &why, &warning));
    }
};

QTEST_GUILESS_MAIN(PjlinkTest)
#include "test_pjlink.moc"
