#include "app/qt/balloon_tip.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>

#include "app/commands/window_description.h"

namespace icoforge {
namespace {

constexpr int kPointerHeight = 10;
constexpr int kPointerHalfWidth = 8;
// Where the pointer sits from the bubble's left edge, unless the screen edge moves it.
constexpr int kPointerInset = 20;
constexpr int kPadding = 10;
constexpr int kCornerRadius = 8;
// Long texts wrap rather than running across the screen.
constexpr int kMaxTextWidth = 360;

const QColor kBubbleFill(0xFF, 0xFF, 0xF4);
const QColor kBubbleEdge(0x94, 0xA3, 0xB8);
const QColor kTextColour(0x1E, 0x29, 0x3B);

}  // namespace

BalloonTip::BalloonTip() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("balloon"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Every press of the program passes by here first, and goes on where it was going.
    QCoreApplication::instance()->installEventFilter(this);
    hide_timer_.setSingleShot(true);
    hide_timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&hide_timer_, &QTimer::timeout, this, [this] { hide(); });
}

QRect BalloonTip::BodyRect() const {
    return pointer_below_ ? QRect(0, 0, width(), height() - kPointerHeight)
                          : QRect(0, kPointerHeight, width(), height() - kPointerHeight);
}

void BalloonTip::ShowAt(QPoint tip, const QString& text, bool hides_by_itself) {
    hide_timer_.stop();
    text_ = text;
    tip_ = tip;
    const QRect text_box =
        fontMetrics().boundingRect(QRect(0, 0, kMaxTextWidth, 10000), Qt::TextWordWrap, text_);
    const QSize size(std::max(text_box.width() + 2 * kPadding, kPointerInset + kPointerHalfWidth + kCornerRadius),
                     text_box.height() + 2 * kPadding + kPointerHeight);

    // Keep the bubble on the screen that holds the point; the pointer still touches it.
    const QScreen* screen = QGuiApplication::screenAt(tip);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect(tip, size);
    int left = tip.x() - kPointerInset;
    left = std::clamp(left, area.left(), std::max(area.left(), area.right() + 1 - size.width()));
    pointer_below_ = tip.y() + size.height() > area.bottom() + 1 && tip.y() - size.height() >= area.top();
    const int top = pointer_below_ ? tip.y() - size.height() : tip.y();
    pointer_x_ = std::clamp(tip.x() - left, kCornerRadius + kPointerHalfWidth,
                            std::max(kCornerRadius + kPointerHalfWidth, size.width() - kCornerRadius - kPointerHalfWidth));

    setGeometry(QRect(QPoint(left, top), size));
    // The window takes the bubble's shape, so that no corner shows without a compositor.
    setMask(QRegion(Outline(0).toFillPolygon().toPolygon()));
    show();
    update();
    if (hides_by_itself) hide_timer_.start(static_cast<int>(window::kBalloonLifetimeMs));
}

QPainterPath BalloonTip::Outline(qreal inset) const {
    const QRectF body = QRectF(BodyRect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath bubble;
    bubble.addRoundedRect(body, kCornerRadius, kCornerRadius);
    QPainterPath pointer;
    const qreal base = pointer_below_ ? body.bottom() - 1 : body.top() + 1;
    const qreal point = pointer_below_ ? height() - inset : inset;
    pointer.moveTo(pointer_x_ - kPointerHalfWidth, base);
    pointer.lineTo(pointer_x_, point);
    pointer.lineTo(pointer_x_ + kPointerHalfWidth, base);
    pointer.closeSubpath();
    return bubble.united(pointer);
}

void BalloonTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBubbleFill);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kBubbleEdge, 1));
    painter.setBrush(kBubbleFill);
    // Half a pixel in, so that the one-pixel edge falls on whole pixels.
    painter.drawPath(Outline(0.5));
    painter.setPen(kTextColour);
    painter.drawText(BodyRect().adjusted(kPadding, kPadding, -kPadding, -kPadding), Qt::TextWordWrap, text_);
}

// Not every window system lets a click through a window, so the balloon takes the press
// and hands it on: it goes, and the widget now under the mouse gets the press, and the
// moves and release after it, as if the balloon had never been there.
void BalloonTip::mousePressEvent(QMouseEvent* event) {
    hide_timer_.stop();
    hide();
    beneath_ = QApplication::widgetAt(event->globalPosition().toPoint());
    PassOn(*event);
}

void BalloonTip::PassOn(const QMouseEvent& event) {
    if (beneath_ == nullptr) return;
    QMouseEvent passed(event.type(), beneath_->mapFromGlobal(event.globalPosition()), event.globalPosition(),
                       event.button(), event.buttons(), event.modifiers());
    passing_ = true;
    QApplication::sendEvent(beneath_, &passed);
    passing_ = false;
}

bool BalloonTip::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (passing_) return false;
    // The rest of a press the balloon took, wherever the system sends it.
    if (beneath_ != nullptr && (type == QEvent::MouseMove || type == QEvent::MouseButtonRelease)) {
        PassOn(*static_cast<QMouseEvent*>(event));
        if (type == QEvent::MouseButtonRelease) beneath_ = nullptr;
        return true;
    }
    // A new press starts afresh, should the release of the last one never have come.
    if (type == QEvent::MouseButtonPress) beneath_ = nullptr;
    if (watched == this || watched == windowHandle()) return false;
    if (isVisible() && (type == QEvent::MouseButtonPress || type == QEvent::NonClientAreaMouseButtonPress)) {
        hide_timer_.stop();
        hide();
    }
    return false;
}

}  // namespace icoforge
