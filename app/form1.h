#pragma once

#include "intervaltimer.h"
#include "traffichook.h"
#include "transaction.h"
#include "warnings.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;

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
    // With a trafficLog path, the traffic is logged there from the start; a
    // file that cannot be opened or written is told once in a warning box
    // and the panel goes on without a log.
    explicit Form1(CommPort *port, const QString &trafficLog = QString(), QWidget *parent = nullptr);
    ~Form1() override;

    // Where warnings go; by default a warning box over the window.
    void setWarningHandler(std::function<void(const QString &)> handler) { m_warnings.setHandler(std::move(handler)); }

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
    // warning box; the rest of that closed spell adds no more boxes, and a
    // spell that began with the loss of the line adds none, nor does a port
    // waiting for its device.
    void Hyouji(const QString &Data, quint8 Kind);

    // A control by its name ("Command17", "Label11", "Frame8"...).
    // A name the panel does not have stops the program.
    QWidget *control(const QString &name) const;
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
    void Command17_Click();
    void Command18_Click();
    void Command27_Click();
    void Command29_Click();
    void Command23_Click();
    void Command24_Click();
    void Command19_Click();
    void Command20_Click();
    void Command21_Click();
    void Command22_Click();
    void Command25_Click();
    void Command26_Click();
    void Command31_Click();
    void Command32_Click();
    void Command13_Click();
    void Command30_Click();
    void Command14_Click();
    void Command3_Click();
    void Command4_Click();
    void Command10_Click();
    void Command11_Click();
    void Command39_Click();
    void Command40_Click();
    void Command41_Click();
    void Command42_Click();
    void Command12_Click();
    void Command36_Click();
    void Command56_Click();
    void Command57_Click();
    void Command58_Click();
    void Command44_Click();
    void Command45_Click();
    void Command46_Click();
    void Command47_Click();
    void Command54_Click();
    void Command64_Click();
    void Command65_Click();
    void Command66_Click();
    void Command69_Click();
    void Command72_Click();
    void Command97_Click();
    void Command98_Click();
    void Command60_Click();
    void Command61_Click();
    void Command63_Click();
    void Command67_Click();

    // Press-and-hold buttons and their repeat timer.
    void Command1_MouseDown();
    void Command1_MouseUp();
    void Command2_MouseDown();
    void Command2_MouseUp();
    void Command15_MouseDown();
    void Command15_MouseUp();
    void Command35_MouseDown();
    void Command35_MouseUp();
    void Command48_MouseDown();
    void Command48_MouseUp();
    void Command49_MouseDown();
    void Command49_MouseUp();
    void Command50_MouseDown();
    void Command50_MouseUp();
    void Command51_MouseDown();
    void Command51_MouseUp();
    void Command37_MouseDown();
    void Command37_MouseUp();
    void Command38_MouseDown();
    void Command38_MouseUp();
    void Command5_MouseDown();
    void Command5_MouseUp();
    void Command7_MouseDown();
    void Command7_MouseUp();
    void Command9_MouseDown();
    void Command9_MouseUp();
    void Command8_MouseDown();
    void Command8_MouseUp();
    void Command6_MouseDown();
    void Command6_MouseUp();
    void Timer1_Timer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    template <typename T>
    T *find(const QString &name) const;
    void connectControls();
    void choosePort(int port);
    void endHolds();
    void chooseSpeed(const char *settings);
    void hidePortPanel();
    void warn(const QString &text) { m_warnings.warn(text); }
    // What the buttons of the tables of commands do, by button number.
    void click(int number);
    void press(int number);
    void release(int number);
    void send(const char *code);
    void showLine(TransactionEngine::Line which, const QString &text);

    TransactionEngine m_link;
    std::unique_ptr<TrafficHook> m_traffic; // with a traffic log only
    QHash<QString, QWidget *> m_controls;
    QLabel *m_monitor[3] = {};
    QLineEdit *m_text1 = nullptr;
    FaceButton *m_command34 = nullptr;
    QWidget *m_frame8 = nullptr;
    int m_height = 0;
    qint16 m_extendedView = 0;
    Warnings m_warnings;
    bool m_starting = false; // inside Form_Load
};

} // namespace qn62
