#include "app/qt/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace icoforge {
namespace {

// The drawing is laid out on a 256-unit square, as in the SVG file.
constexpr qreal kUnits = 256.0;
const QColor kBlue(0x25, 0x63, 0xEB);

}  // namespace

QImage DrawAppIcon(int edge) {
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(edge / kUnits, edge / kUnits);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kBlue);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);

    QPen stroke(Qt::white, 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(stroke);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(48, 48, 132, 108), 10, 10);

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF({QPointF(66, 140), QPointF(100, 98), QPointF(124, 124), QPointF(140, 108),
                                   QPointF(164, 140)}));
    painter.drawEllipse(QPointF(146, 80), 11, 11);

    painter.setPen(stroke);
    painter.drawLine(QPointF(112, 202), QPointF(204, 202));
    painter.drawPolyline(QPolygonF({QPointF(182, 180), QPointF(204, 202), QPointF(182, 224)}));
    painter.end();
    return image;
}

}  // namespace icoforge
