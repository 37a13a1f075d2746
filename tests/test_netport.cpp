#include "nettransport.h"
#include "panelfixture.h"
#include "ser2netrig.h"
#include "trafficlines.h"

#include <QPointer>

#include <ctime>

using namespace qn62;

// COM1 on a serial device server: the real panel and port layer against a
// real ser2net on loopback, each accepter serving a pseudo-terminal that the
// test reads and writes.
class NetPortTest : public PanelFixture
{
    Q_OBJECT

    enum { Rfc2217, Raw, PlainTelnet };
    PtyLine far[3];
    std::unique_ptr<Ser2NetRig> rig;
    QPointer<NetTransport> net; // the transport of the last open
    QTemporaryDir dir;           // the traffic log of the last start

    void connectTo(const QString &com1)
    {
        QFile::remove(dir.filePath("traffic.log"));
        start(com1, QLatin1String(Absent), [this](const QString &address, QObject *parent) {
            Transport *t = createTransport(address, parent);
            net = qobject_cast<NetTransport *>(t);
            return t;
        }, dir.filePath("traffic.log"));
    }
    static QString rfc2217(quint16 port) { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port); }
    // A timer's tick as the timer itself delivers it, without waiting for it.
    static void fire(const QTimer &timer) { QVERIFY(QMetaObject::invokeMethod(const_cast<QTimer *>(&timer), "timeout")); }
    QString rx() const { return w->link().line(TransactionEngine::Line::Receive); }

private slots:
    void initTestCase()
    {
        // Each device starts at 2400 baud, so a speed the panel sets shows.
        rig = std::make_unique<Ser2NetRig>(QVector<Ser2NetRig::Accepter>{
            {"telnet(rfc2217),tcp", far[Rfc2217].path, "2400n81"},
            {"tcp", far[Raw].path, "2400n81"},
            {"telnet,tcp", far[PlainTelnet].path, "2400n81"},
        });
        QVERIFY2(rig->start(), rig->error().constData());
    }
    void cleanup()
    {
        closePanel();
        reconnect = false;
        for (PtyLine &line : far)
            line.heard.clear(), line.read(), line.heard.clear();
    }

    // Row: accepter, address scheme, speed after opening, after choosing
    // 9600, the one warning about the settings (empty: none).
    void exactBytesSpeedAndSettings_data()
    {
        QTest::addColumn<int>("accepter");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<int>("opened");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("warning");
        QTest::newRow("RFC 2217") << int(Rfc2217) << "rfc2217" << int(B19200) << int(B9600)
                                  << "did not confirm DTR on, RTS off";
        QTest::newRow("raw TCP: speed is the server's") << int(Raw) << "socket" << int(B2400) << int(B2400) << "";
        QTest::newRow("plain Telnet refuses COM-PORT") << int(PlainTelnet) << "rfc2217" << int(B2400) << int(B2400)
                                                       << "does not take the serial port settings";
    }
    void exactBytesSpeedAndSettings()
    {
        QFETCH(int, accepter);
        QFETCH(QString, scheme);
        QFETCH(QString, warning);
        PtyLine &line = far[accepter];
        connectTo(rig->address(accepter, scheme.toLatin1()));
        QTRY_VERIFY(net && net->isOpen());

        w->Command17_Click(); // POWER ON
        QTRY_COMPARE(line.read(), QByteArray("C00\r"));
        QTEST(int(line.speed()), "opened");

        // The speed choice goes out before the next command; 0xFF passes
        // both ways; a reply in pieces is one reply.
        w->Option10_Click();
        w->Command44_Click(); // STATUS
        QTRY_COMPARE(line.read(), QByteArray("C00\rCR0\r"));
        QTEST(int(line.speed()), "chosen");
        QVERIFY(port->output(QString(QChar(0xFF)) + "\r"));
        QTRY_COMPARE(line.read(), QByteArray("C00\rCR0\r\xff\r"));
        QVERIFY(line.write("\xff" "0"));
        QTRY_COMPARE(rx(), " ? 0 ");
        QVERIFY(line.write("0\r"));
        QTRY_COMPARE(rx(), " ? 0 0 CR ");

        // Everything the server answers came before that reply: the
        // settings check finds the same now as when its timer ends.
        QCOMPARE(net->confirmTimer().isActive(), scheme == "rfc2217");
        fire(net->confirmTimer());
        fire(net->confirmTimer());
        QVERIFY2(warnings.size() == (warning.isEmpty() ? 0 : 1), qPrintable(warnings.join('\n')));
        if (!warning.isEmpty())
            QVERIFY2(warnings[0].contains(warning) && warnings[0].contains(rig->address(accepter, "rfc2217")),
                     qPrintable(warnings[0]));
        QVERIFY(port->portOpen());
    }

    // The server killed after it had spoken, then started again: the port is
    // chosen again by hand, or, reconnecting, tried 1 s after the loss, 2 s
    // after that, then every 5 s, turned away while another client holds the
    // server (told once, in the server's words, no OPEN, no RX), and opened at
    // the speed chosen meanwhile (RFC 2217 anew). The settings warning comes
    // again only for a port chosen again.
    void serverKilledThenBack_data()
    {
        QTest::addColumn<bool>("reconnecting");
        QTest::newRow("chosen again") << false;
        QTest::newRow("reconnecting") << true;
    }
    void serverKilledThenBack()
    {
        QFETCH(bool, reconnecting);
        reconnect = reconnecting;
        const quint16 at = rig->port(Rfc2217);
        connectTo(rig->address(Rfc2217, "rfc2217"));
        detachTicks();
        QTRY_COMPARE(net->unconfirmed(), QStringList({"DTR on", "RTS off"}));
        fire(net->confirmTimer());
        rig->stop(SIGKILL);
        QTRY_COMPARE(warnings.size(), 2);
        QVERIFY2(warnings[1].contains(QStringLiteral("127.0.0.1 port %1 closed the connection.").arg(at))
                     && !warnings[1].contains("Another client"), qPrintable(warnings[1]));
        QVERIFY(!port->portOpen());
        const std::clock_t cpu = std::clock(); // the process's processor time, all threads
        QTest::qWait(300);
        QVERIFY2(std::clock() - cpu < CLOCKS_PER_SEC / 10, "the panel keeps working after the server went away");
        QCOMPARE(warnings.size(), 2);
        w->Command17_Click();
        QVERIFY(rx().startsWith(TransactionEngine::NotSentMark));
        w->Option10_Click();
        for (const int delay : {1000, 2000, 5000, 5000}) {
            QTRY_COMPARE(port->retryTimer().isActive(), reconnecting);
            QCOMPARE(port->retryTimer().interval(), reconnecting ? delay : 0);
            port->retry();
        }

        QTRY_COMPARE(port->retryTimer().isActive(), reconnecting);
        QVERIFY2(rig->start(), rig->error().constData());
        if (reconnecting) {
            QTcpSocket other;
            other.connectToHost(QHostAddress::LocalHost, at);
            QVERIFY(other.waitForReadyRead(5000));
            for (int i = 0; i < 3; ++i) {
                port->retry();
                QTRY_VERIFY(port->retryTimer().isActive());
            }
            other.close();
            QTRY_VERIFY(port->trialTimer().isActive() || (port->retryTimer().isActive() && (port->retry(), false)));
            port->trialPassed();
        } else {
            w->Option1_Click();
        }
        QTRY_VERIFY(port->portOpen() && net && net->isOpen());
        w->Command17_Click();
        QTRY_COMPARE(far[Rfc2217].read(), QByteArray("C00\r"));
        QCOMPARE(int(far[Rfc2217].speed()), int(B9600));
        QTRY_COMPARE(net->unconfirmed(), QStringList({"DTR on", "RTS off"}));
        fire(net->confirmTimer());
        QVERIFY2(warnings.size() == (reconnecting ? 2 : 3) && warnings.filter("did not confirm DTR").size() == warnings.size() - 1,
                 qPrintable(warnings.join('\n')));
        const QString log = '|' + trafficLines(dir.filePath("traffic.log")).join('|');
        QVERIFY2(log.count("|-- OPEN") == 2 && !log.contains("|< ") && log.count(QStringLiteral("|-- TRY FAILED "
                 "COM1 (%1) is not back: the server 127.0.0.1 port %2 answered \"Port already in use\" and closed the "
                 "connection. It is tried again.|").arg(rig->address(Rfc2217, "rfc2217")).arg(at)) == reconnecting,
                 qPrintable(log));
    }

    // A server that takes each connection only to drop it: coming back and
    // dropping at once is one outage, told once, and the schedule goes on;
    // after the line has settled a loss is news again.
    void relapse()
    {
        TcpLine server;
        reconnect = true;
        connectTo(server.path);
        detachTicks();
        QTRY_VERIFY(port->portOpen() && server.read().isEmpty() && server.master >= 0);
        for (const int delay : {1000, 2000, 1000}) {
            server.FarEnd::hangUp(); // the connection, not the listener
            QTRY_VERIFY(port->awaitingDevice());
            QCOMPARE(port->retryTimer().interval(), delay);
            port->retry();
            QTRY_VERIFY(port->trialTimer().isActive());
            port->trialPassed();
            QTRY_VERIFY(port->portOpen() && server.read().isEmpty() && server.master >= 0);
            if (delay == 2000)
                port->settled();
        }
        QVERIFY2(warnings.size() == 2 && warnings[1] == warnings[0] && warnings[0].contains("closed the connection "
                 "before sending anything. It is") && warnings[0].contains("Another client may hold the server's port"),
                 qPrintable(warnings.join('\n')));

        // A try turned away in words read apart from the close: a failed try
        // in the server's words, not input.
        server.FarEnd::hangUp();
        QTRY_VERIFY(port->awaitingDevice());
        port->retry();
        QTRY_VERIFY(port->trialTimer().isActive() && server.read().isEmpty() && server.master >= 0);
        QVERIFY(server.write("Port already in use\r\n"));
        QTest::qWait(100); // the words arrive on their own
        server.FarEnd::hangUp();
        QTRY_VERIFY(port->retryTimer().isActive());
        const QByteArrayList log = trafficLines(dir.filePath("traffic.log"));
        QVERIFY2(log.last().endsWith("answered \"Port already in use\" and closed the connection. It is tried again.")
                 && !log.join('|').contains("< Port"), log.join('\n').constData());
    }

    // A Telnet server of our own that confirms every setting but DTR and
    // RTS, keeps the speed it has whatever is asked, and asks again and again
    // about an option the panel refuses: a few answers, and one warning for
    // each problem, a refused speed change after DTR and RTS included.
    void stubbornTelnetServer()
    {
        TcpLine server;
        connectTo(QString(server.path).replace("socket", "rfc2217"));
        QTRY_VERIFY(server.read().contains("\xff\xfb\x2c")); // IAC WILL COM-PORT
        const QByteArray keeps19200 = QByteArray("\xff\xfa\x2c\x65\x00\x00\x4b\x00\xff\xf0", 10)
            + QByteArray("\xff\xfa\x2c\x66\x08\xff\xf0\xff\xfa\x2c\x67\x01\xff\xf0\xff\xfa\x2c\x68\x01\xff\xf0");
        QVERIFY(server.write("\xff\xfd\x2c" + keeps19200 + "\xff\xfa\x2c\x69\x01\xff\xf0"
                             + QByteArray("\xff\xfd\x18").repeated(10)));
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains("keeps asking") && warnings[0].contains("option 24"), qPrintable(warnings.join('\n')));
        QCOMPARE(server.read().count("\xff\xfc\x18"), TelnetCodec::MaxAnswers); // IAC WONT 24
        fire(net->confirmTimer());
        QVERIFY2(warnings.size() == 2 && warnings[1].contains("did not confirm DTR on, RTS off"), qPrintable(warnings.join('\n')));

        w->Option10_Click();
        QTRY_VERIFY(server.read().contains(QByteArray("\xff\xfa\x2c\x01\x00\x00\x25\x80", 8)));
        QVERIFY(server.write(keeps19200));
        QTRY_COMPARE(net->unconfirmed().first(), "speed 9600 (the server reports speed 19200)");
        fire(net->confirmTimer());
        QVERIFY2(warnings.size() == 3 && warnings[2].contains("did not confirm speed 9600 (the server reports "
                                                              "speed 19200).") && !warnings[2].contains("DTR"),
                 qPrintable(warnings.join('\n')));
    }

    // A server busy with another client; a port nobody listens on; a server
    // whose connection never completes
    // (its queue of incoming connections is full); one that accepts but never
    // says a word. Each is named in one warning and none freezes the panel.
    void unreachableServers()
    {
        // ser2net serving another client turns the panel away in words.
        QTcpSocket other;
        other.connectToHost(QHostAddress::LocalHost, rig->port(Rfc2217));
        QVERIFY(other.waitForReadyRead(5000)); // its Telnet options: ser2net has taken it
        connectTo(rig->address(Rfc2217, "rfc2217"));
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("port %1 answered \"Port already in use\" and closed the connection. "
                                                     "Choose the port again").arg(rig->port(Rfc2217))), qPrintable(warnings[0]));
        const quint16 closed = Ser2NetRig::freePort();
        connectTo(rfc2217(closed));
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("cannot connect to 127.0.0.1 port %1: the connection was refused")
                                          .arg(closed)), qPrintable(warnings[0]));
        QVERIFY(!port->portOpen());

        QTcpServer full;
        full.setListenBacklogSize(0);
        QVERIFY(full.listen(QHostAddress::LocalHost));
        full.pauseAccepting();
        QTcpSocket fillers[2];
        for (QTcpSocket &f : fillers)
            f.connectToHost(QHostAddress::LocalHost, full.serverPort());
        QTRY_VERIFY(fillers[0].state() == QAbstractSocket::ConnectedState);

        QElapsedTimer clock;
        clock.start();
        connectTo(rfc2217(full.serverPort()));
        QVERIFY(clock.elapsed() < 500);
        QVERIFY(net && !net->isOpen());
        w->Command17_Click();
        QVERIFY2(rx().contains("still connecting"), qPrintable(rx()));
        QVERIFY(net->connectTimer().isActive());
        QCOMPARE(net->connectTimer().interval(), 5000);
        fire(net->connectTimer());
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("127.0.0.1 port %1: no answer within 5 seconds")
                                          .arg(full.serverPort())), qPrintable(warnings[0]));
        QVERIFY(!port->portOpen());

        // Without an answer about the settings, commands wait for the
        // settings' time to pass, then go.
        QTcpServer mute;
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        connectTo(rfc2217(mute.serverPort()));
        QTRY_VERIFY(net && net->confirmTimer().isActive());
        w->Command17_Click();
        QVERIFY2(rx().contains("still connecting") && !net->isOpen(), qPrintable(rx()));
        fire(net->confirmTimer());
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains("did not answer the serial port settings"), qPrintable(warnings[0]));
        w->Command17_Click();
        // Start-up connects once: a server that takes one client at a time
        // keeps it.
        QTRY_VERIFY(mute.hasPendingConnections());
        QTcpSocket *peer = mute.nextPendingConnection();
        QTRY_VERIFY(peer->bytesAvailable() && peer->peek(1 << 10).endsWith("C00\r"));
        QVERIFY(!mute.hasPendingConnections() && peer->state() == QAbstractSocket::ConnectedState);
    }
};

QTEST_MAIN(NetPortTest)
#include "test_netport.moc"
