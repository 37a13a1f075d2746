#include "form1.h"

#include "accessibility.h"
#include "commandline.h"
#include "commands.h"
#include "commport.h"
#include "facebutton.h"
#include "focuspolicy.h"
#include "layout.h"
#include "panelbuilder.h"
#include "picture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QTimer>

#include <algorithm>

namespace qn62 {

using namespace layout;

namespace {

// A button's row in one of the tables of commands.
template <typename Row, std::size_t N>
const Row &rowOf(const Row (&table)[N], int number)
{
    for (const Row &row : table)
        if (row.number == number)
            return row;
    qFatal("Command%d has no row in the tables of commands", number);
}

} // namespace

Form1::Form1(CommPort *port, const QString &trafficLog, QWidget *parent)
    : QWidget(parent)
    , MSComm1(port)
    , m_link(port)
    // Before the warnings: an event is logged before its box can hold it up.
    // A failure of the log is told from the event loop: it can come from
    // deep inside the port (a write), where a box is no place to stop.
    , m_traffic(TrafficHook::forLog(port, trafficLog,
                                    [this](const QString &why) { QTimer::singleShot(0, this, [this, why] { warn(why); }); }))
    , m_warnings(this, port)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(Title));

    if (m_traffic)
        m_traffic->watch(&m_link);

    m_controls = buildPanel(this);
    describePanel(m_controls);
    m_monitor[0] = find<QLabel>(QStringLiteral("Label11"));
    m_monitor[1] = find<QLabel>(QStringLiteral("Label12"));
    m_monitor[2] = find<QLabel>(QStringLiteral("Label22"));
    m_text1 = find<QLineEdit>(QStringLiteral("Text1"));
    m_command34 = button(34);
    m_frame8 = control(QStringLiteral("Frame8"));
    connectControls();
    qApp->installEventFilter(this);

    Form_Load();
}

Form1::~Form1()
{
    qApp->removeEventFilter(this);
    // The controls outlive this object's members: end a hold now, while
    // there is still a panel to release it, and hear nothing from them after.
    endHolds();
    for (QWidget *w : std::as_const(m_controls))
        disconnect(w, nullptr, this, nullptr);
}

QWidget *Form1::control(const QString &name) const
{
    QWidget *widget = m_controls.value(name);
    if (!widget)
        qFatal("The panel has no control named %s", qPrintable(name));
    return widget;
}

template <typename T>
T *Form1::find(const QString &name) const
{
    T *widget = qobject_cast<T *>(control(name));
    if (!widget)
        qFatal("The panel's control %s is no %s", qPrintable(name), T::staticMetaObject.className());
    return widget;
}

FaceButton *Form1::button(int number) const
{
    return find<FaceButton>(QStringLiteral("Command%1").arg(number));
}

void Form1::connectControls()
{
    // Every button with a row in the tables of commands gets its event
    // procedures here, and only those.
    QSet<int> connected;
    const auto onClick = [&](int number, void (Form1::*clicked)()) {
        rowOf(ClickButtons, number);
        connect(button(number), &QPushButton::clicked, this, clicked);
        connected << number;
    };
    const auto onHold = [&](int number, void (Form1::*down)(), void (Form1::*up)()) {
        rowOf(HoldButtons, number);
        FaceButton *held = button(number);
        held->setHoldMode(true);
        connect(held, &FaceButton::mouseDown, this, down);
        connect(held, &FaceButton::mouseUp, this, up);
        connected << number;
    };
    onClick(17, &Form1::Command17_Click);
    onClick(18, &Form1::Command18_Click);
    onClick(27, &Form1::Command27_Click);
    onClick(29, &Form1::Command29_Click);
    onClick(23, &Form1::Command23_Click);
    onClick(24, &Form1::Command24_Click);
    onClick(19, &Form1::Command19_Click);
    onClick(20, &Form1::Command20_Click);
    onClick(21, &Form1::Command21_Click);
    onClick(22, &Form1::Command22_Click);
    onClick(25, &Form1::Command25_Click);
    onClick(26, &Form1::Command26_Click);
    onClick(31, &Form1::Command31_Click);
    onClick(32, &Form1::Command32_Click);
    onClick(13, &Form1::Command13_Click);
    onClick(30, &Form1::Command30_Click);
    onClick(14, &Form1::Command14_Click);
    onClick(3, &Form1::Command3_Click);
    onClick(4, &Form1::Command4_Click);
    onClick(10, &Form1::Command10_Click);
    onClick(11, &Form1::Command11_Click);
    onClick(39, &Form1::Command39_Click);
    onClick(40, &Form1::Command40_Click);
    onClick(41, &Form1::Command41_Click);
    onClick(42, &Form1::Command42_Click);
    onClick(12, &Form1::Command12_Click);
    onClick(36, &Form1::Command36_Click);
    onClick(56, &Form1::Command56_Click);
    onClick(57, &Form1::Command57_Click);
    onClick(58, &Form1::Command58_Click);
    onClick(44, &Form1::Command44_Click);
    onClick(45, &Form1::Command45_Click);
    onClick(46, &Form1::Command46_Click);
    onClick(47, &Form1::Command47_Click);
    onClick(54, &Form1::Command54_Click);
    onClick(64, &Form1::Command64_Click);
    onClick(65, &Form1::Command65_Click);
    onClick(66, &Form1::Command66_Click);
    onClick(69, &Form1::Command69_Click);
    onClick(72, &Form1::Command72_Click);
    onClick(97, &Form1::Command97_Click);
    onClick(98, &Form1::Command98_Click);
    onClick(60, &Form1::Command60_Click);
    onClick(61, &Form1::Command61_Click);
    onClick(63, &Form1::Command63_Click);
    onClick(67, &Form1::Command67_Click);
    onHold(1, &Form1::Command1_MouseDown, &Form1::Command1_MouseUp);
    onHold(2, &Form1::Command2_MouseDown, &Form1::Command2_MouseUp);
    onHold(15, &Form1::Command15_MouseDown, &Form1::Command15_MouseUp);
    onHold(35, &Form1::Command35_MouseDown, &Form1::Command35_MouseUp);
    onHold(48, &Form1::Command48_MouseDown, &Form1::Command48_MouseUp);
    onHold(49, &Form1::Command49_MouseDown, &Form1::Command49_MouseUp);
    onHold(50, &Form1::Command50_MouseDown, &Form1::Command50_MouseUp);
    onHold(51, &Form1::Command51_MouseDown, &Form1::Command51_MouseUp);
    onHold(37, &Form1::Command37_MouseDown, &Form1::Command37_MouseUp);
    onHold(38, &Form1::Command38_MouseDown, &Form1::Command38_MouseUp);
    onHold(5, &Form1::Command5_MouseDown, &Form1::Command5_MouseUp);
    onHold(7, &Form1::Command7_MouseDown, &Form1::Command7_MouseUp);
    onHold(9, &Form1::Command9_MouseDown, &Form1::Command9_MouseUp);
    onHold(8, &Form1::Command8_MouseDown, &Form1::Command8_MouseUp);
    onHold(6, &Form1::Command6_MouseDown, &Form1::Command6_MouseUp);
    const auto everyRowConnected = [&](const auto &table) {
        for (const auto &row : table)
            if (!connected.contains(row.number))
                qFatal("Command%d has a row but no event procedure", row.number);
    };
    everyRowConnected(ClickButtons);
    everyRowConnected(HoldButtons);

    connect(button(16), &QPushButton::clicked, this, &Form1::Command16_Click);
    connect(button(33), &QPushButton::clicked, this, &Form1::Command33_Click);
    connect(button(34), &QPushButton::clicked, this, &Form1::Command34_Click);
    connect(button(95), &QPushButton::clicked, this, &Form1::Command95_Click);
    connect(button(96), &QPushButton::clicked, this, &Form1::Command96_Click);

    const auto option = [this](const char *name) { return find<QRadioButton>(QString::fromLatin1(name)); };
    connect(option("Option1"), &QRadioButton::clicked, this, &Form1::Option1_Click);
    connect(option("Option2"), &QRadioButton::clicked, this, &Form1::Option2_Click);
    connect(option("Option9"), &QRadioButton::clicked, this, &Form1::Option9_Click);
    connect(option("Option10"), &QRadioButton::clicked, this, &Form1::Option10_Click);

    connect(&Timer1, &IntervalTimer::Timer, this, &Form1::Timer1_Timer);
    connect(&Timer3, &IntervalTimer::Timer, this, &Form1::Timer3_Timer);
    connect(&m_link, &TransactionEngine::lineChanged, this, &Form1::showLine);
    // A hold ends with the line: nothing is left to repeat on.
    connect(MSComm1, &CommPort::portLost, this, &Form1::endHolds);
    connect(find<Picture>(QStringLiteral("Image1")), &Picture::doubleClicked, this, &Form1::Image1_DblClick);

    limitCommandLine(m_text1, [this](const QString &why) { warn(why); });
    ignoreAccessKey(m_text1);
}

void Form1::Hyouji(const QString &Data, quint8 Kind)
{
    m_link.Hyouji(Data, Kind);
    if (Kind == TransactionEngine::KindTransmit && !MSComm1->portOpen())
        m_warnings.notOpen();
}

void Form1::showLine(TransactionEngine::Line which, const QString &text)
{
    QLabel *label = m_monitor[int(which)];
    // Text too long for its line is cut visibly, with "…", and is there
    // whole in the tooltip and, for screen readers, in the description.
    // Received text keeps its newest part, so a reply after a flood is seen;
    // anything else (a command, a reason it did not go out) its beginning.
    const bool received = which == TransactionEngine::Line::Receive && !TransactionEngine::isMark(text);
    const QString shown = label->fontMetrics().elidedText(text, received ? Qt::ElideLeft : Qt::ElideRight,
                                                          label->contentsRect().width());
    const QString whole = shown == text ? QString() : text;
    label->setText(shown);
    label->setToolTip(whole);
    label->setAccessibleDescription(whole);
}

void Form1::setHeight(int twips)
{
    m_height = twips;
    setFixedSize(px(ClientWidth), px(twips - NonClientHeight));
    settleFocus(this, m_controls);
}

// The port panel goes; a focus inside it comes back to "COM", which the
// panel covered.
void Form1::hidePortPanel()
{
    const QWidget *focus = focusWidget();
    const bool focusInside = focus && m_frame8->isAncestorOf(focus);
    m_frame8->hide();
    if (focusInside)
        button(33)->setFocus(Qt::OtherFocusReason);
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_warnings.windowShown();
}

// ---------------------------------------------------------------- start-up

void Form1::Form_Load()
{
    CommSettings = QString::fromLatin1(Settings19200);
    m_link.CommandPrefix.clear();

    // Centred as if fully open, then shortened: the short window sits above
    // the middle of the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - px(ClientWidth)) / 2,
             area.top() + (area.height() - px(HeightFull)) / 2);
    }
    setHeight(HeightNormal);

    RepeatCode = 0;
    m_link.AwaitingReply = 0;
    m_link.ReplyBuffer.clear();

    MSComm1->setCommPort(1);
    MSComm1->setSettings(CommSettings);
    const bool opened = MSComm1->setPortOpen(true);

    find<QRadioButton>(QStringLiteral("Option1"))->setChecked(true);
    if (opened) {
        // The port just opened is the one chosen: COM1 leaves it open, so a
        // server that takes one client at a time is connected to once.
        m_starting = true;
        Option1_Click();
        m_starting = false;
    } else {
        // The window comes up all the same, says why once it is on screen,
        // and the port panel is there to choose a port. A port that
        // reconnects by itself waits for its device meanwhile.
        const QString why = MSComm1->errorString();
        warn(MSComm1->awaitDevice() ? why + QStringLiteral(" The panel opens it as soon as it can.") : why);
    }
}

// A port choice closes the port, takes the new number and opens it. It opens
// the port whenever it is not open, so a choice after a failure tries again.
// At start-up the port is already open on the chosen number and stays so.
void Form1::choosePort(int port)
{
    QString failure;
    if (m_starting && MSComm1->portOpen() && MSComm1->commPort() == port) {
        hidePortPanel();
        return;
    }
    if (MSComm1->portOpen() && !MSComm1->setPortOpen(false))
        failure = MSComm1->errorString();
    if (failure.isEmpty() && !MSComm1->setCommPort(port))
        failure = MSComm1->errorString();
    if (failure.isEmpty() && !MSComm1->setPortOpen(true))
        failure = MSComm1->errorString();

    if (!failure.isEmpty()) {
        warn(failure);
        MSComm1->setCommPort(port == 1 ? 2 : 1);
        return;
    }
    hidePortPanel();
}

void Form1::Option1_Click() { choosePort(1); }
void Form1::Option2_Click() { choosePort(2); }

void Form1::chooseSpeed(const char *settings)
{
    CommSettings = QString::fromLatin1(settings);
    if (!MSComm1->setSettings(CommSettings))
        warn(MSComm1->errorString());
    hidePortPanel();
}

void Form1::Option9_Click() { chooseSpeed(Settings19200); }
void Form1::Option10_Click() { chooseSpeed(Settings9600); }

void Form1::Command33_Click()
{
    m_frame8->show();
    Timer3.setEnabled(true);
}

void Form1::Timer3_Timer()
{
    hidePortPanel();
    Timer3.setEnabled(false);
}

// Output still waiting is thrown away, never waited for, and the operator is
// told what was not sent before the window goes.
void Form1::Command16_Click()
{
    m_warnings.quitting();
    MSComm1->setPortOpen(false);
    close();
}

void Form1::closeEvent(QCloseEvent *event)
{
    m_warnings.quitting();
    MSComm1->setPortOpen(false);
    QWidget::closeEvent(event);
}

void Form1::Image1_DblClick()
{
    if (m_extendedView != 1)
        return;
    setHeight(HeightFull);
    m_command34->setText(QString::fromUtf8(CloseCaption));
    m_command34->show();
}

// ------------------------------------------------- command line, data view

void Form1::Command95_Click()
{
    m_link.Timer2.setInterval(2000);
    m_link.Timer4.setInterval(2500);
    const QString typed = m_text1->text();
    m_link.CurrentCommand = m_link.CommandPrefix + typed + QLatin1Char('\r');
    Hyouji(m_link.CurrentCommand, TransactionEngine::KindTransmit);
}

void Form1::Command96_Click()
{
    m_text1->clear();
}

void Form1::Command34_Click()
{
    Timer3.setEnabled(false);
    m_extendedView = 0;
    if (Height() < 6000) {
        setHeight(HeightDataView);
        m_command34->setText(QString::fromUtf8(DataHideCaption));
    } else {
        setHeight(HeightNormal);
        m_command34->setText(QString::fromUtf8(DataShowCaption));
    }
    Timer3.setEnabled(true);
}

void Form1::Form_KeyDown(int KeyCode, int Shift)
{
    static constexpr int ShiftCtrlAlt = 7, Ctrl = 2, KeyK = 75;
    if ((Shift & ShiftCtrlAlt) != Ctrl || KeyCode != KeyK)
        return;
    setHeight(HeightKeyEnlarged);
    m_extendedView = 1;
    m_command34->setText(QString::fromUtf8(CloseCaption));
    m_command34->show();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // The window sees every key before the control with the focus, and lets
    // it through. A key that travels up to parent widgets is seen once, at
    // the focus widget.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto *target = static_cast<QWidget *>(watched);
        const QWidget *focus = QApplication::focusWidget();
        const bool first = focus ? target == focus : target == this;
        if (first && (target == this || isAncestorOf(target))) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const Qt::KeyboardModifiers m = key->modifiers();
            const int shift = (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0)
                | (m & Qt::AltModifier ? 4 : 0);
            Form_KeyDown(key->key(), shift);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------- the buttons

void Form1::send(const char *code)
{
    m_link.CurrentCommand = m_link.CommandPrefix + QLatin1String(code) + QLatin1Char('\r');
    Hyouji(m_link.CurrentCommand, TransactionEngine::KindTransmit);
}

void Form1::click(int number)
{
    const ClickButton &row = rowOf(ClickButtons, number);
    switch (row.kind) {
    case PressKind::LongWait:
        m_link.Timer2.setInterval(2000);
        m_link.Timer4.setInterval(2500);
        break;
    case PressKind::SourceWait:
        m_link.Timer2.setInterval(5000);
        m_link.Timer4.setInterval(5500);
        break;
    default:
        break;
    }
    send(row.code);
    if (row.kind == PressKind::ArrowPreset) {
        Timer1.setInterval(200);
        CursorPace = 1;
    }
}

void Form1::Command17_Click() { click(17); }
void Form1::Command18_Click() { click(18); }
void Form1::Command27_Click() { click(27); }
void Form1::Command29_Click() { click(29); }
void Form1::Command23_Click() { click(23); }
void Form1::Command24_Click() { click(24); }
void Form1::Command19_Click() { click(19); }
void Form1::Command20_Click() { click(20); }
void Form1::Command21_Click() { click(21); }
void Form1::Command22_Click() { click(22); }
void Form1::Command25_Click() { click(25); }
void Form1::Command26_Click() { click(26); }
void Form1::Command31_Click() { click(31); }
void Form1::Command32_Click() { click(32); }
void Form1::Command13_Click() { click(13); }
void Form1::Command30_Click() { click(30); }
void Form1::Command14_Click() { click(14); }
void Form1::Command3_Click() { click(3); }
void Form1::Command4_Click() { click(4); }
void Form1::Command10_Click() { click(10); }
void Form1::Command11_Click() { click(11); }
void Form1::Command39_Click() { click(39); }
void Form1::Command40_Click() { click(40); }
void Form1::Command41_Click() { click(41); }
void Form1::Command42_Click() { click(42); }
void Form1::Command12_Click() { click(12); }
void Form1::Command36_Click() { click(36); }
void Form1::Command56_Click() { click(56); }
void Form1::Command57_Click() { click(57); }
void Form1::Command58_Click() { click(58); }
void Form1::Command44_Click() { click(44); }
void Form1::Command45_Click() { click(45); }
void Form1::Command46_Click() { click(46); }
void Form1::Command47_Click() { click(47); }
void Form1::Command54_Click() { click(54); }
void Form1::Command64_Click() { click(64); }
void Form1::Command65_Click() { click(65); }
void Form1::Command66_Click() { click(66); }
void Form1::Command69_Click() { click(69); }
void Form1::Command72_Click() { click(72); }
void Form1::Command97_Click() { click(97); }
void Form1::Command98_Click() { click(98); }
void Form1::Command60_Click() { click(60); }
void Form1::Command61_Click() { click(61); }
void Form1::Command63_Click() { click(63); }
void Form1::Command67_Click() { click(67); }
void Form1::press(int number)
{
    const HoldButton &row = rowOf(HoldButtons, number);
    const bool arrow = row.kind == HoldKind::Arrow;
    if (arrow) {
        if (CursorPace == 1) {
            m_link.Timer2.setInterval(150);
            m_link.Timer4.setInterval(190);
        } else if (CursorPace == 3) {
            m_link.Timer2.setInterval(5);
            m_link.Timer4.setInterval(5);
        }
    }
    RepeatCode = quint8(row.repeatCode);
    send(row.code);
    if (!arrow) {
        Timer1.setInterval(row.timing.repeatMs);
        m_link.Timer2.setInterval(row.timing.replyWindowMs);
        m_link.Timer4.setInterval(row.timing.monitorClearMs);
    }
    Timer1.setEnabled(true);
}

void Form1::release(int number)
{
    const HoldButton &row = rowOf(HoldButtons, number);
    RepeatCode = 0;
    Timer1.setEnabled(false);
    m_link.Timer2.setEnabled(false);
    m_link.Timer4.setEnabled(true);
    m_link.setLine(TransactionEngine::Line::Transmit, QString());
    m_link.setLine(TransactionEngine::Line::Receive, QString());
    m_link.Timer2.setInterval(TransactionEngine::ReplyWindowMs);
    m_link.Timer4.setInterval(TransactionEngine::MonitorClearMs);
    m_link.ReplyBuffer.clear();
    if (row.kind == HoldKind::Zoom) {
        Timer1.setInterval(5);
        CursorPace = 3;
    }
}

void Form1::Command1_MouseDown() { press(1); }
void Form1::Command1_MouseUp() { release(1); }
void Form1::Command2_MouseDown() { press(2); }
void Form1::Command2_MouseUp() { release(2); }
void Form1::Command15_MouseDown() { press(15); }
void Form1::Command15_MouseUp() { release(15); }
void Form1::Command35_MouseDown() { press(35); }
void Form1::Command35_MouseUp() { release(35); }
void Form1::Command48_MouseDown() { press(48); }
void Form1::Command48_MouseUp() { release(48); }
void Form1::Command49_MouseDown() { press(49); }
void Form1::Command49_MouseUp() { release(49); }
void Form1::Command50_MouseDown() { press(50); }
void Form1::Command50_MouseUp() { release(50); }
void Form1::Command51_MouseDown() { press(51); }
void Form1::Command51_MouseUp() { release(51); }
void Form1::Command37_MouseDown() { press(37); }
void Form1::Command37_MouseUp() { release(37); }
void Form1::Command38_MouseDown() { press(38); }
void Form1::Command38_MouseUp() { release(38); }
void Form1::Command5_MouseDown() { press(5); }
void Form1::Command5_MouseUp() { release(5); }
void Form1::Command7_MouseDown() { press(7); }
void Form1::Command7_MouseUp() { release(7); }
void Form1::Command9_MouseDown() { press(9); }
void Form1::Command9_MouseUp() { release(9); }
void Form1::Command8_MouseDown() { press(8); }
void Form1::Command8_MouseUp() { release(8); }
void Form1::Command6_MouseDown() { press(6); }
void Form1::Command6_MouseUp() { release(6); }
void Form1::Timer1_Timer()
{
    if (RepeatCode == 0)
        return;
    const auto row = std::find_if(std::begin(HoldButtons), std::end(HoldButtons),
                                  [this](const HoldButton &b) { return b.repeatCode == RepeatCode; });
    if (row != std::end(HoldButtons))
        m_link.CurrentCommand = m_link.CommandPrefix + QLatin1String(row->code) + QLatin1Char('\r');
    else
        RepeatCode = 0; // no such button: send what was last sent once more, then stop
    Hyouji(m_link.CurrentCommand, TransactionEngine::KindTransmit);
    Timer1.setEnabled(true);
}

// Ends a hold whose release will not come, through the button's own release.
void Form1::endHolds()
{
    for (const HoldButton &row : HoldButtons)
        button(row.number)->cancelHold();
}

void Form1::changeEvent(QEvent *event)
{
    // A window that is no longer active will not see the release of a held
    // button; end the hold now rather than repeat without end.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && RepeatCode != 0)
        endHolds();
    QWidget::changeEvent(event);
}

} // namespace qn62
