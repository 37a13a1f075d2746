#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QFontMetrics;
class QWidget;

namespace qn62 {

class CommPort;

// What the panel tells the operator in warning boxes titled "QN62RSC", and
// when:
// - a warning raised before the window is on screen waits until it shows;
// - the port's own warnings (a server that did not take the settings) and
//   losses are shown as they come;
// - the closed spell: the first command tried while the port is closed says
//   so once, with how to open a port; a loss of the line starts a spell of
//   its own, so its warning is the only one until a port opens again;
// - a port that reconnects by itself: nothing while it waits for its device
//   or when it comes back, and a relapse soon after coming back is no news;
// - output thrown away when the port closes is told once per close; a loss
//   tells it in its own warning, and at the end of the program the box
//   shows before the window goes;
// - a word too wide for the box (a long device path) is shortened in the
//   middle rather than cut off at the edge.
class Warnings : public QObject
{
    Q_OBJECT
public:
    // The widest a word may be in a box, in pixels, on a screen wide enough.
    static constexpr int MaxWordWidth = 360;

    Warnings(QWidget *window, CommPort *port);

    // Where warnings go instead of boxes (tests); none restores the boxes.
    void setHandler(std::function<void(const QString &)> handler);

    void warn(const QString &text);
    // The window has been shown: warnings that waited for it come now.
    void windowShown();
    // A command was tried while the port is closed.
    void notOpen();
    // The window is about to go: warnings from now on are shown at once,
    // and the program waits for them to be read.
    void quitting();

    // text with every word wider than width in metrics shortened in the
    // middle to fit.
    static QString fitted(const QString &text, const QFontMetrics &metrics, int width);

private:
    // A port has opened: the next closed spell is told again.
    void portOpened();
    void lost(const QString &text);
    void dropped(const QString &text);
    void show(const QString &text);

    QWidget *m_window;
    CommPort *m_port;
    std::function<void(const QString &)> m_handler;
    QStringList m_pending;
    bool m_closedSpellTold = false;
    bool m_quitting = false;
};

} // namespace qn62
