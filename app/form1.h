#pragma once

#include "commands.h"
#include "intervaltimer.h"
#include "transaction.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace qn62 {

class CommPort;
class FaceButton;

// The control panel: one window of coloured buttons, the port panel, the
// traffic monitor and the command line. It owns the controls and the
// operator's event procedures; sending and receiving go through the
// transaction engine.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *Title = "TORVA   QN62   CONTROL   Ver.1.40";
    static constexpr const char *AppTitle = "QN62RSC";
    static constexpr const char *DataShowCaption = "データを表示する";
    static constexpr const char *DataHideCaption = "データを表示しない";
    static constexpr const char *CloseCaption = "CLOSE";
    static constexpr const char *Settings19200 = "19200,N,8,1";
    static constexpr const char *Settings9600 = "9600,N,8,1";

    // Builds the window and runs Form_Load: the port is opened on COM1.
    explicit Form1(CommPort *port, QWidget *parent = nullptr);
    ~Form1() override;

    // Where warnings go; by default a warning box over the window.
    void setWarningHandler(std::function<void(const QString &)> handler);

    // Values that live as long as the window.
    CommPort *const MSComm1;
    QString CommSettings;
    quint8 RepeatCode = 0;
    quint8 CursorPace = 0;
    IntervalTimer Timer1{200};
    IntervalTimer Timer3{5000};
    TransactionEngine &link() { return m_link; }
    qint16 extendedView() const { return m_extendedView; }

    // The window's outer height in twips.
    int Height() const { return m_height; }
    void setHeight(int twips);

    // Sends (kind 1) or shows and decodes received text (any other kind).
    // The first command tried while the port is closed also says so in a
    // warning box; the rest of that closed spell adds no more boxes.
    void Hyouji(const QString &Data, quint8 Kind);

    // A control by its name ("Command17", "Label11", "Frame8"...).
    QWidget *control(const QString &name) const { return m_controls.value(name); }
    FaceButton *button(int number) const;

    // Start-up and the serial port.
    void Form_Load();
    void Option1_Click();
    void Option2_Click();
    void Option9_Click();
    void Option10_Click();
    void Command33_Click();
    void Timer3_Timer();
    void Command16_Click();
    void Image1_DblClick();

    // Command line and data view.
    void Command95_Click();
    void Command96_Click();
    void Command34_Click();

    // Keys: KeyCode as a virtual-key code, Shift as 1 Shift, 2 Ctrl, 4 Alt.
    void Form_KeyDown(int KeyCode, int Shift);

    // Single-press buttons.
#define QN62_DECLARE(n, code, kind) void Command##n##_Click();
    QN62_CLICK_BUTTONS(QN62_DECLARE)
#undef QN62_DECLARE

    // Press-and-hold buttons and their repeat timer.
#define QN62_DECLARE(n, code, rc, t1, t2, t4, zoom) \
    void Command##n##_MouseDown(); \
    void Command##n##_MouseUp();
    QN62_HOLD_BUTTONS(QN62_DECLARE)
#undef QN62_DECLARE
    void Timer1_Timer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void connectControls();
    void choosePort(int port);
    void chooseSpeed(const char *settings);
    void warn(const QString &text);
    void click(const ClickButton &row);
    void press(const HoldButton &row);
    void release(const HoldButton &row);
    void send(const char *code);
    void showLine(TransactionEngine::Line which, const QString &text);

    TransactionEngine m_link;
    QHash<QString, QWidget *> m_controls;
    QLabel *m_monitor[3] = {};
    QLineEdit *m_text1 = nullptr;
    FaceButton *m_command34 = nullptr;
    QWidget *m_frame8 = nullptr;
    int m_height = 0;
    qint16 m_extendedView = 0;
    std::function<void(const QString &)> m_warningHandler;
    QStringList m_pendingWarnings;
    bool m_toldNotOpen = false; // the closed port has been reported since it last opened
};

} // namespace qn62
