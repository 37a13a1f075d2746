#include "facebutton.h"
#include "form1.h"
#include "layout.h"
#include "ptyline.h"
#include "serialcomm.h"

#include <QRadioButton>
#include <QScreen>
#include <QtTest>

using namespace qn62;

// Start-up, the port panel and the choice of port and speed, on real
// pseudo-terminals; a port that "does not exist" is a path with nothing
// behind it.
class StartupTest : public QObject
{
    Q_OBJECT

    static constexpr const char *Absent = "/dev/qn62-absent";
    QStringList warnings;
    std::unique_ptr<SerialComm> port;
    std::unique_ptr<Form1> form;

    void start(const QString &com1, const QString &com2)
    {
        warnings.clear();
        port = std::make_unique<SerialComm>();
        port->setDevice(1, com1);
        port->setDevice(2, com2);
        form = std::make_unique<Form1>(port.get());
        form->setWarningHandler([this](const QString &text) { warnings << text; });
    }
    QRadioButton *option(const char *name) const
    {
        return static_cast<QRadioButton *>(form->control(QString::fromLatin1(name)));
    }
    QWidget *frame8() const { return form->control("Frame8"); }

private slots:
    void cleanup()
    {
        form.reset();
        port.reset();
    }

    void startUpOpensCom1At19200()
    {
        PtyLine one;
        start(one.path, Absent);
        QVERIFY(port->portOpen());
        QCOMPARE(port->commPort(), 1);
        QCOMPARE(one.speed(), speed_t(B19200));
        QCOMPARE(form->CommSettings, "19200,N,8,1");
        QVERIFY(form->link().CommandPrefix.isEmpty());
        QVERIFY(option("Option1")->isChecked() && option("Option9")->isChecked());
        QVERIFY(frame8()->isHidden());
        QCOMPARE(form->Height(), layout::HeightNormal);
        QCOMPARE(form->height(), layout::px(layout::HeightNormal - layout::NonClientHeight));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(form->x(), screen.left() + (screen.width() - layout::px(layout::ClientWidth)) / 2);
        QVERIFY(!form->Timer1.enabled() && !form->Timer3.enabled());
        QVERIFY(warnings.isEmpty());
    }

    void failedStartUpWarnsOnceTheWindowIsShown()
    {
        PtyLine two;
        start(Absent, two.path);
        QVERIFY(!port->portOpen());
        QVERIFY(warnings.isEmpty());
        form->show();
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().contains(Absent));
        // The port panel still works.
        form->Command33_Click();
        option("Option2")->click();
        QVERIFY(port->portOpen());
        QVERIFY(frame8()->isHidden());
        QCOMPARE(warnings.size(), 1);
    }

    void portChoice()
    {
        PtyLine one, two;
        start(one.path, two.path);
        form->Command33_Click();
        QVERIFY(!frame8()->isHidden());
        QVERIFY(form->Timer3.enabled());
        option("Option2")->click();
        QVERIFY(port->portOpen());
        QVERIFY(frame8()->isHidden());
        form->Command17_Click();
        QTRY_COMPARE(two.read(), QByteArray("C00\r"));
        QVERIFY(one.read().isEmpty());
    }

    void failedPortChoiceWarnsAndTheNextChoiceReopens()
    {
        PtyLine one;
        start(one.path, Absent);
        form->Command33_Click();
        option("Option2")->click();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().contains("COM2"));
        QVERIFY(!port->portOpen());
        QCOMPARE(port->commPort(), 1);
        QVERIFY(option("Option2")->isChecked());
        QVERIFY(!frame8()->isHidden());

        // The first command on the closed port says so, once per closed spell.
        form->Command17_Click();
        QVERIFY(form->link().line(TransactionEngine::Line::Receive).startsWith(TransactionEngine::NotSentMark));
        QCOMPARE(warnings.size(), 2);
        QVERIFY2(warnings.last().contains("not open") && warnings.last().contains("COM, then COM1 or COM2"),
                 qPrintable(warnings.last()));
        form->Command18_Click();
        QVERIFY(form->link().line(TransactionEngine::Line::Receive).startsWith(TransactionEngine::NotSentMark));
        QCOMPARE(warnings.size(), 2);

        form->Timer3_Timer();
        QVERIFY(frame8()->isHidden() && !form->Timer3.enabled());

        option("Option1")->click();
        QVERIFY(port->portOpen());
        QCOMPARE(warnings.size(), 2);
        form->Command18_Click();
        QTRY_COMPARE(one.read(), QByteArray("C01\r"));
    }

    void speedChoiceKeepsThePortOpen()
    {
        PtyLine one;
        start(one.path, Absent);
        form->Command33_Click();
        option("Option10")->click();
        QCOMPARE(form->CommSettings, "9600,N,8,1");
        QCOMPARE(one.speed(), speed_t(B9600));
        QVERIFY(port->portOpen());
        QVERIFY(frame8()->isHidden());
        option("Option9")->click();
        QCOMPARE(one.speed(), speed_t(B19200));
    }

    void endClosesThePortAndSendsNothing()
    {
        PtyLine one;
        start(one.path, Absent);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTest::mouseClick(form->button(16), Qt::LeftButton);
        QVERIFY(!port->portOpen());
        QVERIFY(!form->isVisible());
        QTest::qWait(20);
        QVERIFY(one.read().isEmpty());
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
