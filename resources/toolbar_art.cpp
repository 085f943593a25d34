#include "resources/toolbar_art.h"

#include "resources/image_strip.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <numbers>

namespace tervo {
namespace {

using Draw = void (*)(QPainter&);

const QColor kArrowBlue(30, 90, 200);
const QColor kArrowEdge(10, 40, 120);
const QColor kStopRed(210, 30, 30);
const QColor kOutline(40, 40, 40);

// A solid arrow head pointing right with its tip at x = tip, 22 px tall.
QPainterPath arrow_right(double left, double tip) {
    QPainterPath path;
    path.moveTo(left, 5);
    path.lineTo(tip, 16);
    path.lineTo(left, 27);
    path.closeSubpath();
    return path;
}

void fill_arrow(QPainter& p, const QPainterPath& path) {
    QLinearGradient shade(0, 5, 0, 27);
    shade.setColorAt(0, kArrowBlue.lighter(150));
    shade.setColorAt(1, kArrowBlue);
    p.setPen(QPen(kArrowEdge, 1.2));
    p.setBrush(shade);
    p.drawPath(path);
}

// Arrows are drawn pointing right; the left-pointing ones are mirrored.
void mirrored(QPainter& p) {
    p.translate(32, 0);
    p.scale(-1, 1);
}

void single_arrow(QPainter& p) { fill_arrow(p, arrow_right(9, 24)); }

void double_arrow(QPainter& p) {
    fill_arrow(p, arrow_right(3, 16));
    fill_arrow(p, arrow_right(15, 28));
}

void draw_play_backward(QPainter& p) { mirrored(p); double_arrow(p); }
void draw_step_backward(QPainter& p) { mirrored(p); single_arrow(p); }
void draw_step_forward(QPainter& p) { single_arrow(p); }
void draw_play_forward(QPainter& p) { double_arrow(p); }

void draw_stop(QPainter& p) {
    p.setPen(QPen(kStopRed.darker(160), 1));
    p.setBrush(kStopRed);
    p.drawRect(QRectF(8.5, 6.5, 5, 19));
    p.drawRect(QRectF(18.5, 6.5, 5, 19));
}

void draw_folder(QPainter& p) {
    const QColor back(220, 170, 60);
    const QColor front(245, 205, 90);
    // back of the folder with its tab
    QPainterPath rear;
    rear.moveTo(2, 9);
    rear.lineTo(2, 27);
    rear.lineTo(27, 27);
    rear.lineTo(27, 11);
    rear.lineTo(14, 11);
    rear.lineTo(12, 8);
    rear.lineTo(4, 8);
    rear.closeSubpath();
    p.setPen(QPen(back.darker(170), 1));
    p.setBrush(back);
    p.drawPath(rear);
    // the picture standing in the folder: sky, sun and a green hill
    const QRectF photo(8.5, 3.5, 20, 15);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(150, 200, 250));
    p.drawRect(photo);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 120, 40));
    p.drawEllipse(QPointF(23, 8), 2.5, 2.5);
    QPainterPath hill;
    hill.moveTo(9, 18);
    hill.quadTo(15, 9, 28, 18);
    hill.closeSubpath();
    p.setBrush(QColor(60, 160, 60));
    p.drawPath(hill);
    // the open front flap
    QPainterPath flap;
    flap.moveTo(2, 27);
    flap.lineTo(7, 15);
    flap.lineTo(31, 15);
    flap.lineTo(27, 27);
    flap.closeSubpath();
    p.setPen(QPen(back.darker(170), 1));
    p.setBrush(front);
    p.drawPath(flap);
}

void draw_rotate(QPainter& p) {
    // green triangle below
    QPainterPath triangle;
    triangle.moveTo(6, 29);
    triangle.lineTo(16, 15);
    triangle.lineTo(26, 29);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(20, 110, 30), 1));
    p.setBrush(QColor(50, 180, 60));
    p.drawPath(triangle);
    // curved arrow over it, turning clockwise
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kArrowBlue, 3, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(5, 3, 22, 18), 160 * 16, -140 * 16);
    const double end = 20.0 * std::numbers::pi / 180.0;
    const QPointF tip(16 + 11 * std::cos(end), 12 - 9 * std::sin(end));
    QPainterPath head;
    head.moveTo(tip + QPointF(-4, -3));
    head.lineTo(tip + QPointF(5, -2));
    head.lineTo(tip + QPointF(1, 6));
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kArrowBlue);
    p.drawPath(head);
}

void magnifier(QPainter& p) {
    p.setPen(QPen(QColor(90, 60, 30), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    p.setPen(QPen(QColor(70, 70, 80), 2.5));
    p.setBrush(QColor(210, 235, 255));
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.setPen(QPen(kOutline, 2.5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
}

void draw_zoom_in(QPainter& p) {
    magnifier(p);
    p.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
}

void draw_zoom_out(QPainter& p) { magnifier(p); }

void draw_sort(QPainter& p) {
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(QRectF(4.5, 8.5, 23, 5));
    p.drawRect(QRectF(4.5, 18.5, 23, 5));
}

void draw_settings(QPainter& p) {
    // the document with a folded corner
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(19, 2);
    page.lineTo(25, 8);
    page.lineTo(25, 29);
    page.lineTo(5, 29);
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(19, 2), QPointF(19, 8));
    p.drawLine(QPointF(19, 8), QPointF(25, 8));
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (int y = 8; y <= 14; y += 3) p.drawLine(QPointF(8, y), QPointF(16, y));
    // the gear over its lower right part
    const QPointF centre(21, 22);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double angle = i * std::numbers::pi / teeth;
        const double radius = (i % 2 == 0) ? 9.0 : 6.5;
        const double half = std::numbers::pi / teeth / 2;
        const QPointF a = centre + QPointF(radius * std::cos(angle - half), radius * std::sin(angle - half));
        const QPointF b = centre + QPointF(radius * std::cos(angle + half), radius * std::sin(angle + half));
        if (i == 0) gear.moveTo(a); else gear.lineTo(a);
        gear.lineTo(b);
    }
    gear.closeSubpath();
    gear.addEllipse(centre, 2.5, 2.5);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(QPen(QColor(60, 60, 70), 1));
    p.setBrush(QColor(130, 140, 155));
    p.drawPath(gear);
}

void draw_help(QPainter& p) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(28);
    font.setBold(true);
    QPainterPath mark;
    mark.addText(0, 0, font, QStringLiteral("?"));
    const QRectF bounds = mark.boundingRect();
    mark.translate(16 - bounds.center().x(), 16 - bounds.center().y());
    p.setPen(QPen(kArrowEdge, 1));
    p.setBrush(kArrowBlue);
    p.drawPath(mark);
}

void draw_exit(QPainter& p) {
    QRadialGradient shade(QPointF(12, 10), 16);
    shade.setColorAt(0, QColor(250, 110, 100));
    shade.setColorAt(1, QColor(190, 20, 20));
    p.setPen(QPen(QColor(120, 10, 10), 1));
    p.setBrush(shade);
    p.drawEllipse(QPointF(16, 16), 14, 14);
    // the power symbol: an open ring with a bar through its gap
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(9, 10, 14, 14), 120 * 16, 300 * 16);
    p.drawLine(QPointF(16, 7.5), QPointF(16, 16));
}

constexpr std::array<Draw, kToolbarImageCount> kImages = {
    draw_folder, draw_play_backward, draw_step_backward, draw_stop,     draw_step_forward,
    draw_play_forward, draw_rotate,  draw_zoom_in,       draw_zoom_out, draw_sort,
    draw_settings,     draw_help,    draw_exit,
};

}  // namespace

QImage toolbar_strip(double device_ratio) {
    return paint_image_strip(
        kToolbarImageCount, kToolbarImageSize, [](QPainter& p, int n) { kImages[static_cast<std::size_t>(n)](p); },
        device_ratio);
}

QImage toolbar_image(int n, double device_ratio) {
    return cut_from_strip(toolbar_strip(device_ratio), n, kToolbarImageSize);
}

}  // namespace tervo
