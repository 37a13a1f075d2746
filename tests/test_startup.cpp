#include "facebutton.h"
#include "fakeport.h"
#include "form1.h"
#include "layout.h"
#include "serialcomm.h"

#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace qn62;

// Start-up, the port panel and the choice of port and speed.
class StartupTest : public QObject
{
    Q_OBJECT

    FakePort *port = nullptr;
    Form1 *form = nullptr;
    QStringList warnings;

    void makeForm()
    {
        form = new Form1(port);
        form->setWarningHandler([this](const QString &text) { warnings << text; });
    }
    QRadioButton *option(const char *name) const
    {
        return static_cast<QRadioButton *>(form->control(QString::fromLatin1(name)));
    }
    QWidget *frame8() const { return form->control("Frame8"); }

private slots:
    void init()
    {
        port = new FakePort;
        warnings.clear();
    }
    void cleanup()
    {
        delete form;
        form = nullptr;
        delete port;
    }

    void startUpOpensCom1At19200()
    {
        makeForm();
        QVERIFY(port->portOpen());
        QCOMPARE(port->commPort(), 1);
        QCOMPARE(port->settings(), "19200,N,8,1");
        QCOMPARE(form->CommSettings, "19200,N,8,1");
        QVERIFY(form->link().CommandPrefix.isEmpty());
        QVERIFY(option("Option1")->isChecked());
        QVERIFY(option("Option9")->isChecked());
        QVERIFY(frame8()->isHidden());
        QCOMPARE(form->Height(), layout::HeightNormal);
        QCOMPARE(form->height(), layout::px(layout::HeightNormal - layout::NonClientHeight));
        QVERIFY(warnings.isEmpty());
        // Opened, then closed and reopened by the COM1 selection.
        QCOMPARE(port->opens, 2);
        QCOMPARE(port->closes, 1);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(form->x(), screen.left() + (screen.width() - layout::px(layout::ClientWidth)) / 2);
        QVERIFY(!form->Timer1.enabled() && !form->Timer3.enabled());
    }

    void failedStartUpWarnsOnceTheWindowIsShown()
    {
        port->failOpen[1] = true;
        makeForm();
        QVERIFY(!port->portOpen());
        QVERIFY(warnings.isEmpty());
        form->show();
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().contains("COM1"));
        QCOMPARE(form->Height(), layout::HeightNormal);
        // The port panel still works: COM2 opens.
        form->Command33_Click();
        option("Option2")->click();
        QVERIFY(port->portOpen());
        QCOMPARE(port->commPort(), 2);
        QVERIFY(frame8()->isHidden());
        QCOMPARE(warnings.size(), 1);
    }

    void portChoice()
    {
        makeForm();
        form->Command33_Click();
        QVERIFY(!frame8()->isHidden());
        QVERIFY(form->Timer3.enabled());
        option("Option2")->click();
        QVERIFY(port->portOpen());
        QCOMPARE(port->commPort(), 2);
        QVERIFY(frame8()->isHidden());
        QVERIFY(warnings.isEmpty());
    }

    void failedPortChoiceWarnsAndRecoversOnTheNextChoice()
    {
        port->failOpen[2] = true;
        makeForm();
        form->Command33_Click();
        option("Option2")->click();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().contains("COM2"));
        QVERIFY(!port->portOpen());
        QCOMPARE(port->commPort(), 1);
        QVERIFY(option("Option2")->isChecked());
        QVERIFY(!frame8()->isHidden());

        // A send now says plainly that nothing went out.
        form->Command17_Click();
        QVERIFY(form->link().line(TransactionEngine::Line::Receive).startsWith(TransactionEngine::NotSentMark));

        // The panel still hides at the end of its count.
        form->Timer3_Timer();
        QVERIFY(frame8()->isHidden());
        QVERIFY(!form->Timer3.enabled());

        // Choosing COM1 opens the port again.
        option("Option1")->click();
        QVERIFY(port->portOpen());
        QCOMPARE(port->commPort(), 1);
        QCOMPARE(warnings.size(), 1);
    }

    void speedChoiceKeepsThePortOpen()
    {
        makeForm();
        const int closes = port->closes;
        form->Command33_Click();
        option("Option10")->click();
        QCOMPARE(form->CommSettings, "9600,N,8,1");
        QCOMPARE(port->settings(), "9600,N,8,1");
        QVERIFY(port->portOpen());
        QCOMPARE(port->closes, closes);
        QVERIFY(frame8()->isHidden());
        option("Option9")->click();
        QCOMPARE(port->settings(), "19200,N,8,1");
    }

    void lostPortWarnsOnceAndReopensOnChoice()
    {
        makeForm();
        port->lose();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(!port->portOpen());
        option("Option1")->click();
        QVERIFY(port->portOpen());
        QCOMPARE(warnings.size(), 1);
    }

    void endClosesThePortAndSendsNothing()
    {
        makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QTest::mouseClick(form->button(16), Qt::LeftButton);
        QVERIFY(!port->portOpen());
        QVERIFY(port->written.isEmpty());
        QVERIFY(!form->isVisible());
    }

    // The whole path over a real pseudo-terminal: the line runs at 19200,
    // STATUS goes out as its exact bytes and the reply comes back in words.
    void statusQueryOverAPseudoTerminal()
    {
        int master = -1, slave = -1;
        char name[128];
        QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

        SerialComm serial;
        serial.setDevice(1, QString::fromLatin1(name));
        Form1 panel(&serial);
        QVERIFY(serial.portOpen());
        termios t {};
        ::tcgetattr(slave, &t);
        QCOMPARE(cfgetospeed(&t), speed_t(B19200));

        panel.Command44_Click();
        QByteArray wire;
        QTRY_VERIFY([&] {
            char buf[64];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                wire.append(buf, int(n));
            return wire.size() >= 4;
        }());
        QCOMPARE(wire, QByteArray("CR0\r"));

        QCOMPARE(::write(master, "00\r", 3), ssize_t(3));
        auto *status = static_cast<QLabel *>(panel.control("Label22"));
        QTRY_COMPARE(status->text(), " Power ON");
        QCOMPARE(static_cast<QLabel *>(panel.control("Label12"))->text(), " 0 0 CR ");
        ::close(master);
        ::close(slave);
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
