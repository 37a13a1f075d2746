#pragma once

#include <QLabel>

namespace qn62 {

// A fixed picture that reports double-clicks.
class Picture : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The panel's own badge, drawn at the given size in pixels.
    static QPixmap badge(int width, int height);

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

} // namespace qn62
