#pragma once

#include <QColor>
#include <QPushButton>

namespace qn62 {

// A push button drawn flat in its own face colour, whatever the desktop
// style, with a raised bevel that turns sunken while it is down. Its caption
// is drawn in its own text colour (black unless set), never in the desktop
// palette's, so a dark theme cannot put light text on a light face. A caption
// too wide for the face is drawn condensed, then smaller, on one line; a
// caption of several words may wrap between them. Keyboard focus shows as a
// dotted black ring inside the bevel, clear of the caption; the face keeps
// its colour.
//
// In hold mode it reports every mouse press and release, of any mouse
// button, as mouseDown() and mouseUp() and never clicks; a hold that can no
// longer end with a real release (the button is hidden or disabled, or the
// window gives up the mouse) is ended with a mouseUp() all the same.
class FaceButton : public QPushButton
{
    Q_OBJECT
public:
    explicit FaceButton(const QString &caption, QWidget *parent = nullptr);

    // An invalid colour keeps the style's own button face.
    void setFaceColour(const QColor &colour);
    QColor faceColour() const { return m_face; }
    void setTextColour(const QColor &colour);
    QColor textColour() const { return m_text; }

    // The font the caption is drawn in: the button's own, or a condensed or
    // smaller one where the caption would not fit.
    QFont captionFont() const;

    void setHoldMode(bool on) { m_holdMode = on; }
    bool isHeld() const { return m_held; }
    // Ends a hold whose release will not arrive.
    void cancelHold();

signals:
    void mouseDown();
    void mouseUp();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QRect captionBox() const;
    QRect focusRing() const;
    int captionFlags() const;

    QColor m_face;
    QColor m_text = Qt::black;
    bool m_holdMode = false;
    bool m_held = false;
};

} // namespace qn62
