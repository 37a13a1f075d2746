// Start-up, the port panel and the choice of port and speed, on real
// pseudo-terminals; a port that does not exist is a path with nothing behind it.

#include "panelfixture.h"

#include <QMessageBox>
#include <QScreen>

using namespace qn62;

class StartupTest : public PanelFixture
{
    Q_OBJECT

    QWidget *frame8() const { return w->control("Frame8"); }

private slots:
    void cleanup() { closePanel(); }

    // Start-up opens COM1 at 19200; "COM" shows the port panel for five
    // seconds; a choice of port or speed applies at once; END sends nothing.
    void startUpPortPanelAndEnd()
    {
        PtyLine one, two;
        start(one.path, two.path);
        QVERIFY(port->portOpen() && port->commPort() == 1);
        QCOMPARE(one.speed(), speed_t(B19200));
        QCOMPARE(w->CommSettings, "19200,N,8,1");
        QVERIFY(w->link().CommandPrefix.isEmpty());
        QVERIFY(option("Option1")->isChecked() && option("Option9")->isChecked() && frame8()->isHidden());
        // All four timers stopped, at their first intervals.
        QCOMPARE((QList<int>{w->Timer1.interval(), w->link().Timer2.interval(), w->Timer3.interval(),
                             w->link().Timer4.interval()}), (QList<int>{200, 500, 5000, 1000}));
        QVERIFY(!w->Timer1.enabled() && !w->link().Timer2.enabled() && !w->Timer3.enabled()
                && !w->link().Timer4.enabled());
        // 5350 twips high, and placed as if 9100 high: centred across, and
        // its full height centred down the screen. 15 twips to a pixel.
        QCOMPARE(w->Height(), 5350);
        QCOMPARE(w->height(), qRound((5350 - 370) / 15.0));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(w->x(), screen.left() + (screen.width() - 9495 / 15) / 2);
        QVERIFY(qAbs(w->y() - (screen.top() + (screen.height() - qRound(9100 / 15.0)) / 2)) <= 1);
        QVERIFY(warnings.isEmpty());

        w->Command33_Click();
        QVERIFY(!frame8()->isHidden() && w->Timer3.enabled());
        QTest::qSleep(20); // no event loop runs, no timer ticks
        w->Command33_Click(); // a second "COM" leaves the five seconds running
        QVERIFY(w->Timer3.remaining() < 5000 - 10);
        w->Timer3_Timer();
        QVERIFY(frame8()->isHidden() && !w->Timer3.enabled());

        w->Command33_Click();
        option("Option2")->click();
        QVERIFY(port->portOpen() && frame8()->isHidden());
        w->Command17_Click();
        QTRY_COMPARE(two.read(), QByteArray("C00\r"));
        QVERIFY(one.read().isEmpty());
        // A speed applies to the open port at once.
        w->Command33_Click();
        option("Option10")->click();
        QCOMPARE(w->CommSettings, "9600,N,8,1");
        QCOMPARE(two.speed(), speed_t(B9600));
        QVERIFY(port->portOpen() && frame8()->isHidden());

        showPanel();
        click(16);
        QVERIFY(!port->portOpen() && !w->isVisible());
        QTest::qWait(20);
        QCOMPARE(two.read(), QByteArray("C00\r"));
    }

    void failedStartWarnsOnceAndAChoiceReopens()
    {
        PtyLine two;
        start(Absent + QString(300, 'x'), two.path); // too long a path to lock, and nothing there
        w->setWarningHandler({});
        QVERIFY(!port->portOpen());
        w->show(); // a failed start-up says why once the window is up, in a box that shows every word
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = w->findChild<QMessageBox *>()));
        const QLabel *text = box->findChild<QLabel *>("qt_msgbox_label");
        QVERIFY2(text->text().contains(Absent) && text->text().contains("no such device"), qPrintable(text->text()));
        for (const QString &word : text->text().split(' '))
            QVERIFY2(text->fontMetrics().horizontalAdvance(word) <= text->width(), qPrintable(word));
        box->accept();
        w->setWarningHandler([this](const QString &text) { warnings << text; });
        // A command that could not go out says so, then and after its reply
        // window, and the first one tells how to choose a port. (Later sends
        // adding no box, and a hang-up, are the fault tests'.)
        w->Command17_Click();
        w->link().Timer2_Timer();
        QVERIFY(label("Label12").startsWith(TransactionEngine::NotSentMark) && rx().contains("not open"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.last().contains("not open") && warnings.last().contains("COM, then COM1 or COM2"),
                 qPrintable(warnings.last()));
        w->Command33_Click();
        option("Option2")->click();
        QVERIFY(port->portOpen() && frame8()->isHidden());
        w->Command18_Click();
        QTRY_COMPARE(two.read(), QByteArray("C01\r"));
    }

    // A traffic log that cannot be opened: one box once the window is up,
    // and the panel works on without a log.
    void trafficLogThatCannotBeOpened()
    {
        PtyLine one;
        start(one.path, Absent, createTransport, "/nonexistent-qn62/traffic.log");
        w->setWarningHandler({});
        w->show();
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = w->findChild<QMessageBox *>()));
        QVERIFY2(w->findChildren<QMessageBox *>().size() == 1 && box->windowTitle() == "QN62RSC"
                     && box->text().contains("/nonexistent-qn62/traffic.log"),
                 qPrintable(box->text()));
        box->accept();
        w->setWarningHandler([this](const QString &text) { warnings << text; });
        w->Command17_Click();
        QTRY_COMPARE(one.read(), QByteArray("C00\r"));
        QVERIFY(one.write("\x06"));
        QTRY_COMPARE(w->link().ReplyBuffer, "\x06");
        QVERIFY(port->portOpen() && warnings.isEmpty() && !QFile::exists("/nonexistent-qn62"));
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
