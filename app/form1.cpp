#include "form1.h"

#include "commandline.h"
#include "commport.h"
#include "facebutton.h"
#include "fonts.h"
#include "layout.h"
#include "picture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace qn62 {

using namespace layout;

namespace {

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

void paintBackground(QWidget *widget, QRgb colour)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, QColor(colour));
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

Qt::Alignment alignmentOf(unsigned flags)
{
    const Qt::Alignment horizontal = (flags & Centre) ? Qt::AlignHCenter
        : (flags & Right)                             ? Qt::AlignRight
                                                      : Qt::AlignLeft;
    return horizontal | Qt::AlignVCenter;
}

} // namespace

Form1::Form1(CommPort *port, QWidget *parent)
    : QWidget(parent)
    , MSComm1(port)
    , m_link(port)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(Title));
    paintBackground(this, WindowColour);
    setFont(layoutFont(F0));

    buildControls();
    connectControls();
    qApp->installEventFilter(this);

    Form_Load();
}

Form1::~Form1()
{
    qApp->removeEventFilter(this);
    // The controls outlive this object's members: end a hold now, while
    // there is still a panel to release it, and hear nothing from them after.
    for (const HoldButton &row : HoldButtons)
        button(row.number)->cancelHold();
    for (QWidget *w : std::as_const(m_controls))
        disconnect(w, nullptr, this, nullptr);
}

void Form1::buildControls()
{
    // Controls come in container-first order, and later ones stack above
    // earlier ones, so the port panel covers the "COM" button.
    for (const Control &c : Controls) {
        QWidget *container = c.in ? m_controls.value(QString::fromLatin1(c.in)) : this;
        Q_ASSERT(container);
        const QString caption = c.caption ? QString::fromUtf8(c.caption) : QString();
        QWidget *w = nullptr;
        switch (c.kind) {
        case Frame: {
            auto *frame = new QFrame(container);
            frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
            paintBackground(frame, c.colour);
            w = frame;
            break;
        }
        case Label: {
            auto *label = new QLabel(caption, container);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(alignmentOf(c.flags));
            paintBackground(label, c.colour);
            if (c.flags & Bordered) {
                // A thin black border, whatever colour the text has.
                label->setStyleSheet(QStringLiteral("QLabel { border: 1px solid black; background: %1; color: %2; padding-left: 1px; }")
                                         .arg(QColor(c.colour).name(), QColor(c.textColour).name()));
            } else if (c.textColour) {
                QPalette pal = label->palette();
                pal.setColor(QPalette::WindowText, QColor(c.textColour));
                label->setPalette(pal);
            }
            w = label;
            break;
        }
        case Button: {
            auto *button = new FaceButton(caption, container);
            button->setAutoDefault(false);
            if (c.colour != SystemColour)
                button->setFaceColour(QColor(c.colour));
            w = button;
            break;
        }
        case Option: {
            auto *option = new QRadioButton(caption, container);
            paintBackground(option, c.colour);
            option->setChecked(c.flags & Selected);
            w = option;
            break;
        }
        case TextBox: {
            auto *edit = new QLineEdit(container);
            edit->setFrame(true);
            w = edit;
            break;
        }
        }
        w->setObjectName(QString::fromLatin1(c.name));
        w->setFont(layoutFont(c.font));
        w->setGeometry(twipsRect(c.left, c.top, c.width, c.height));
        w->setVisible(!(c.flags & Hidden));
        m_controls.insert(w->objectName(), w);
    }

    for (const Line &l : Lines) {
        auto *line = new QWidget(this);
        line->setObjectName(QString::fromLatin1(l.name));
        paintBackground(line, LineColour);
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        const int x = px(std::min(l.x1, l.x2)), y = px(std::min(l.y1, l.y2));
        const int w = px(std::abs(l.x2 - l.x1)), h = px(std::abs(l.y2 - l.y1));
        line->setGeometry(x - LineWidthPx / 2, y - LineWidthPx / 2, std::max(w, 0) + LineWidthPx,
                          std::max(h, 0) + LineWidthPx);
        m_controls.insert(line->objectName(), line);
    }

    auto *image = new Picture(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(Picture::badge(ImagePixelsWide, ImagePixelsHigh));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setGeometry(twipsRect(ImageLeft, ImageTop, ImageWidth, ImageHeight));
    m_controls.insert(image->objectName(), image);
    connect(image, &Picture::doubleClicked, this, &Form1::Image1_DblClick);

    // Keyboard focus follows the tab positions; labels and frames never
    // take it.
    std::vector<const Control *> order;
    for (const Control &c : Controls)
        if (c.kind == Button || c.kind == Option || c.kind == TextBox)
            order.push_back(&c);
    std::sort(order.begin(), order.end(), [](auto a, auto b) { return a->tab < b->tab; });
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(control(QString::fromLatin1(order[i - 1]->name)), control(QString::fromLatin1(order[i]->name)));

    m_monitor[0] = static_cast<QLabel *>(control(QStringLiteral("Label11")));
    m_monitor[1] = static_cast<QLabel *>(control(QStringLiteral("Label12")));
    m_monitor[2] = static_cast<QLabel *>(control(QStringLiteral("Label22")));
    m_text1 = static_cast<QLineEdit *>(control(QStringLiteral("Text1")));
    m_command34 = button(34);
    m_frame8 = control(QStringLiteral("Frame8"));
}

FaceButton *Form1::button(int number) const
{
    return qobject_cast<FaceButton *>(control(QStringLiteral("Command%1").arg(number)));
}

void Form1::connectControls()
{
#define QN62_CONNECT(n, code, kind) connect(button(n), &QPushButton::clicked, this, &Form1::Command##n##_Click);
    QN62_CLICK_BUTTONS(QN62_CONNECT)
#undef QN62_CONNECT
#define QN62_CONNECT(n, code, rc, t1, t2, t4, zoom) \
    button(n)->setHoldMode(true); \
    connect(button(n), &FaceButton::mouseDown, this, &Form1::Command##n##_MouseDown); \
    connect(button(n), &FaceButton::mouseUp, this, &Form1::Command##n##_MouseUp);
    QN62_HOLD_BUTTONS(QN62_CONNECT)
#undef QN62_CONNECT

    connect(button(16), &QPushButton::clicked, this, &Form1::Command16_Click);
    connect(button(33), &QPushButton::clicked, this, &Form1::Command33_Click);
    connect(button(34), &QPushButton::clicked, this, &Form1::Command34_Click);
    connect(button(95), &QPushButton::clicked, this, &Form1::Command95_Click);
    connect(button(96), &QPushButton::clicked, this, &Form1::Command96_Click);

    const auto option = [this](const char *name) {
        return static_cast<QRadioButton *>(control(QString::fromLatin1(name)));
    };
    connect(option("Option1"), &QRadioButton::clicked, this, &Form1::Option1_Click);
    connect(option("Option2"), &QRadioButton::clicked, this, &Form1::Option2_Click);
    connect(option("Option9"), &QRadioButton::clicked, this, &Form1::Option9_Click);
    connect(option("Option10"), &QRadioButton::clicked, this, &Form1::Option10_Click);

    connect(&Timer1, &IntervalTimer::Timer, this, &Form1::Timer1_Timer);
    connect(&Timer3, &IntervalTimer::Timer, this, &Form1::Timer3_Timer);
    connect(&m_link, &TransactionEngine::lineChanged, this, &Form1::showLine);
    connect(MSComm1, &CommPort::portLost, this, &Form1::warn);
    connect(MSComm1, &CommPort::portWarning, this, &Form1::warn);

    limitCommandLine(m_text1, [this](const QString &why) { warn(why); });
}

void Form1::Hyouji(const QString &Data, quint8 Kind)
{
    m_link.Hyouji(Data, Kind);
    if (Kind != TransactionEngine::KindTransmit || MSComm1->portOpen() || m_toldNotOpen)
        return;
    m_toldNotOpen = true;
    warn(QStringLiteral("%1 is not open, so nothing was sent. To open a port, press COM, then COM1 or COM2.")
             .arg(MSComm1->describe(MSComm1->commPort())));
}

void Form1::showLine(TransactionEngine::Line which, const QString &text)
{
    m_monitor[int(which)]->setText(text);
}

void Form1::setHeight(int twips)
{
    m_height = twips;
    setFixedSize(px(ClientWidth), px(twips - NonClientHeight));
}

void Form1::setWarningHandler(std::function<void(const QString &)> handler)
{
    m_warningHandler = std::move(handler);
}

void Form1::warn(const QString &text)
{
    if (m_warningHandler) {
        m_warningHandler(text);
        return;
    }
    // A warning raised before the window is on screen waits for it.
    if (!isVisible()) {
        m_pendingWarnings << text;
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Warning, QString::fromLatin1(AppTitle), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_pendingWarnings.isEmpty())
        return;
    QTimer::singleShot(0, this, [this] {
        const QStringList pending = std::exchange(m_pendingWarnings, {});
        for (const QString &text : pending)
            warn(text);
    });
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

    static_cast<QRadioButton *>(control(QStringLiteral("Option1")))->setChecked(true);
    if (opened) {
        Option1_Click();
    } else {
        // The window comes up all the same, says why once it is on screen,
        // and the port panel is there to choose a port.
        warn(MSComm1->errorString());
    }
}

// A port choice closes the port, takes the new number and opens it. It opens
// the port whenever it is not open, so a choice after a failure tries again.
void Form1::choosePort(int port)
{
    QString failure;
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
    m_toldNotOpen = false;
    m_frame8->hide();
}

void Form1::Option1_Click() { choosePort(1); }
void Form1::Option2_Click() { choosePort(2); }

void Form1::chooseSpeed(const char *settings)
{
    CommSettings = QString::fromLatin1(settings);
    if (!MSComm1->setSettings(CommSettings))
        warn(MSComm1->errorString());
    m_frame8->hide();
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
    m_frame8->hide();
    Timer3.setEnabled(false);
}

void Form1::Command16_Click()
{
    MSComm1->setPortOpen(false);
    close();
}

void Form1::closeEvent(QCloseEvent *event)
{
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

void Form1::click(const ClickButton &row)
{
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

#define QN62_DEFINE(n, code, kind) \
    void Form1::Command##n##_Click() { click({n, code, PressKind::kind}); }
QN62_CLICK_BUTTONS(QN62_DEFINE)
#undef QN62_DEFINE

void Form1::press(const HoldButton &row)
{
    const bool arrow = row.repeatMs == Keep;
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
        Timer1.setInterval(row.repeatMs);
        m_link.Timer2.setInterval(row.replyWindowMs);
        m_link.Timer4.setInterval(row.monitorClearMs);
    }
    Timer1.setEnabled(true);
}

void Form1::release(const HoldButton &row)
{
    RepeatCode = 0;
    Timer1.setEnabled(false);
    m_link.Timer2.setEnabled(false);
    m_link.Timer4.setEnabled(true);
    m_link.setLine(TransactionEngine::Line::Transmit, QString());
    m_link.setLine(TransactionEngine::Line::Receive, QString());
    m_link.Timer2.setInterval(TransactionEngine::ReplyWindowMs);
    m_link.Timer4.setInterval(TransactionEngine::MonitorClearMs);
    m_link.ReplyBuffer.clear();
    if (row.zoom) {
        Timer1.setInterval(5);
        CursorPace = 3;
    }
}

#define QN62_DEFINE(n, code, rc, t1, t2, t4, zoom) \
    void Form1::Command##n##_MouseDown() { press({n, code, rc, t1, t2, t4, zoom}); } \
    void Form1::Command##n##_MouseUp() { release({n, code, rc, t1, t2, t4, zoom}); }
QN62_HOLD_BUTTONS(QN62_DEFINE)
#undef QN62_DEFINE

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

void Form1::changeEvent(QEvent *event)
{
    // A window that is no longer active will not see the release of a held
    // button; end the hold now rather than repeat without end.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && RepeatCode != 0) {
        for (const HoldButton &row : HoldButtons)
            button(row.number)->cancelHold();
    }
    QWidget::changeEvent(event);
}

} // namespace qn62
