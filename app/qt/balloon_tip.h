#pragma once
// The window's balloon tip: a small frameless rounded bubble whose pointer touches a screen
// position. One balloon at a time: showing another replaces it. It hides after a fixed
// time only when asked to; otherwise a click anywhere in the program, or the next
// balloon, dismisses it. It never keeps a click: the balloon sits at the mouse, where the
// user just clicked, and a click on it goes on to the control beneath.

#include <QPainterPath>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace icoforge {

class BalloonTip : public QWidget {
public:
    BalloonTip();

    void ShowAt(QPoint tip, const QString& text, bool hides_by_itself);
    const QString& text() const { return text_; }
    // The screen point the pointer touches.
    QPoint tip() const { return tip_; }
    // Milliseconds until the balloon hides itself, or -1 when it waits to be dismissed.
    int RemainingMs() const { return hide_timer_.isActive() ? hide_timer_.remainingTime() : -1; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect BodyRect() const;
    // Hands a press, and the moves and release that follow it, to the widget beneath.
    void PassOn(const QMouseEvent& event);
    // The bubble and its pointer, `inset` pixels inside the widget's edges.
    QPainterPath Outline(qreal inset) const;

    QString text_;
    QPoint tip_;
    bool pointer_below_ = false;  // the bubble sits above the point when there is no room below
    int pointer_x_ = 0;           // in the widget
    QTimer hide_timer_;
    QPointer<QWidget> beneath_;  // where the press the balloon took went on to
    bool passing_ = false;
};

}  // namespace icoforge
