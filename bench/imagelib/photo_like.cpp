#include "bench/imagelib/photo_like.h"

#include <QPainter>

#include <cmath>
#include <random>
#include <vector>

namespace tervo::bench {

QImage photo_like(int width, int height, int variant) {
    QImage image(width, height, QImage::Format_RGB32);
    // Shading as a sum of a horizontal and a vertical wave per channel, from
    // tables so 24 megapixels take a fraction of a second.
    std::vector<int> wx(size_t(width) * 3), wy(size_t(height) * 3);
    const double shift = variant * 0.07;
    for (int x = 0; x < width; ++x) {
        const double u = double(x) / width;
        wx[size_t(x) * 3 + 0] = int(60 * std::sin(6.0 * u + shift) + 25 * std::sin(40.0 * u));
        wx[size_t(x) * 3 + 1] = int(50 * std::cos(4.0 * u - shift) + 20 * std::sin(55.0 * u + 1));
        wx[size_t(x) * 3 + 2] = int(45 * std::sin(3.0 * u + 2) + 15 * std::cos(70.0 * u));
    }
    for (int y = 0; y < height; ++y) {
        const double v = double(y) / height;
        wy[size_t(y) * 3 + 0] = int(50 * std::cos(5.0 * v) + 20 * std::sin(45.0 * v + shift));
        wy[size_t(y) * 3 + 1] = int(55 * std::sin(3.5 * v + 1) + 15 * std::cos(60.0 * v));
        wy[size_t(y) * 3 + 2] = int(60 * std::cos(2.5 * v - shift) + 25 * std::sin(35.0 * v));
    }
    std::minstd_rand noise(uint32_t(1234 + variant));
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int* vy = &wy[size_t(y) * 3];
        for (int x = 0; x < width; ++x) {
            const int* vx = &wx[size_t(x) * 3];
            const int grain = int(noise() % 9) - 4;
            row[x] = qRgb(qBound(0, 128 + vx[0] + vy[0] + grain, 255), qBound(0, 118 + vx[1] + vy[1] + grain, 255),
                          qBound(0, 110 + vx[2] + vy[2] + grain, 255));
        }
    }
    // Sharp-edged shapes, as objects in a scene.
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    std::minstd_rand shapes(uint32_t(99 + variant / 10));
    const int unit = std::max(1, std::min(width, height) / 12);
    for (int i = 0; i < 40; ++i) {
        const QColor color(int(shapes() % 256), int(shapes() % 256), int(shapes() % 256), 160);
        painter.setBrush(color);
        painter.setPen(QPen(color.darker(), unit / 20.0));
        const int x = int(shapes() % uint32_t(width)) + variant * unit / 8;
        const int y = int(shapes() % uint32_t(height));
        const int size = unit / 2 + int(shapes() % uint32_t(unit * 2));
        if (i % 2)
            painter.drawEllipse(x, y, size, size * 2 / 3);
        else
            painter.drawRect(x, y, size * 3 / 2, size);
    }
    return image;
}

}  // namespace tervo::bench
