#include "app/shell/client_area.h"

#include <QPaintEvent>
#include <QPainter>

#include "app/shell/status_bar_widget.h"

namespace tervo {

ClientArea::ClientArea(QWidget* parent) : QWidget(parent) {
    // The canvas covers every pixel: no background fill by Qt, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    canvas_ = QImage(1, 1, QImage::Format_RGB32);
    erase_canvas();
}

void ClientArea::set_bars(QWidget* toolbar, StatusBarWidget* status_bar) {
    toolbar_ = toolbar;
    status_bar_ = status_bar;
    place_bars();
}

void ClientArea::place_bars() {
    if (toolbar_) toolbar_->setGeometry(0, 0, width(), toolbar_->height());
    if (status_bar_) status_bar_->setGeometry(0, height() - status_bar_->height(), width(), status_bar_->height());
}

void ClientArea::show_canvas() {
    const int top = toolbar_ ? toolbar_->height() : 0;
    const int bottom = status_bar_ ? status_bar_->y() : height();
    if (bottom > top) repaint(0, top, width(), bottom - top);
}

void ClientArea::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect area = event->rect();
    // The canvas holds device pixels; the part under `area` goes one to one.
    const qreal ratio = canvas_.devicePixelRatio();
    p.drawImage(QPointF(area.topLeft()), canvas_,
                QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
    // Outside the canvas (only while a new size is being taken): background.
    const QRegion uncovered = QRegion(area) - QRegion(QRect(QPoint(0, 0), canvas_.deviceIndependentSize().toSize()));
    for (const QRect& rect : uncovered) p.fillRect(rect, background());
}

void ClientArea::resizeEvent(QResizeEvent*) {
    // A new size starts from a clear background, as the window class redraws
    // its whole area on every change of size.
    // In device pixels, so that pictures drawn on it stay sharp on a scaled
    // display; the paint counts in logical pixels all the same.
    const qreal ratio = devicePixelRatioF();
    canvas_ = QImage(std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)), QImage::Format_RGB32);
    canvas_.setDevicePixelRatio(ratio);
    erase_canvas();
    place_bars();
    if (on_resized) on_resized(width(), height());
}

}  // namespace tervo
