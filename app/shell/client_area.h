// The main window's client area: a persistent canvas that the paint routine
// draws on, shown as it stands, with the toolbar over its top edge and the
// status bar over its bottom edge.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>

namespace tervo {

class StatusBarWidget;

class ClientArea : public QWidget {
public:
    // The light-grey background of the window class.
    static QColor background() { return QColor(192, 192, 192); }

    explicit ClientArea(QWidget* parent);

    // The toolbar goes over the top edge, the status bar over the bottom edge.
    void set_bars(QWidget* toolbar, StatusBarWidget* status_bar);

    QImage& canvas() { return canvas_; }
    void erase_canvas() { canvas_.fill(background()); }
    // Shows the canvas at once (the part between the two bars).
    void show_canvas();

    // Called after every change of size, once the canvas has the new size.
    std::function<void(int width, int height)> on_resized;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void place_bars();

    QImage canvas_;
    QWidget* toolbar_ = nullptr;
    StatusBarWidget* status_bar_ = nullptr;
};

}  // namespace tervo
