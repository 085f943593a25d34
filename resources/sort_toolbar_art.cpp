#include "resources/sort_toolbar_art.h"

#include "resources/image_strip.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace tervo {
namespace {

const QColor kGreen(0, 150, 40);
const QColor kDarkGreen(0, 100, 25);
const QColor kRed(210, 30, 30);

void draw_triangle(QPainter& painter, bool up) {
    QPainterPath path;
    if (up) {
        path.moveTo(8, 2);
        path.lineTo(14.5, 13);
        path.lineTo(1.5, 13);
    } else {
        path.moveTo(1.5, 3);
        path.lineTo(14.5, 3);
        path.lineTo(8, 14);
    }
    path.closeSubpath();
    painter.setPen(QPen(kDarkGreen, 1));
    painter.setBrush(kGreen);
    painter.drawPath(path);
}

void draw_circled_digit(QPainter& painter, int digit) {
    painter.setPen(QPen(kGreen, 1.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(1.2, 1.2, 13.6, 13.6));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(kGreen);
    painter.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QString::number(digit));
}

void draw_power_button(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kRed);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2, 2);
    painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    // The ring, open at the top where the stroke goes through it.
    painter.drawArc(QRectF(3.5, 4, 9, 9), 120 * 16, 300 * 16);
    painter.drawLine(QPointF(8, 2.5), QPointF(8, 8));
}

}  // namespace

QImage sort_toolbar_strip(double device_ratio) {
    return paint_image_strip(
        kSortToolbarImageCount, kSortToolbarImageSize,
        [](QPainter& painter, int index) {
            switch (index) {
            case 0: draw_triangle(painter, true); break;
            case 1: draw_triangle(painter, false); break;
            case 2:
            case 3:
            case 4: draw_circled_digit(painter, index - 1); break;
            default: draw_power_button(painter); break;
            }
        },
        device_ratio);
}

QImage sort_toolbar_image(int index, double device_ratio) {
    return cut_from_strip(sort_toolbar_strip(device_ratio), index, kSortToolbarImageSize);
}

}  // namespace tervo
