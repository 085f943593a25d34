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
    std::vector<int> wx(static_cast<size_t>(width) * 3);
    std::vector<int> wy(static_cast<size_t>(height) * 3);
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
    // Fine texture (foliage, fabric) over part of the frame, and sensor
    // grain everywhere: camera JPEGs owe most of their size, and most of
    // their decoding time, to these. A 24-megapixel picture at quality 90
    // comes to about 7 MB, like a camera's.
    std::vector<int> texture_x(static_cast<size_t>(width));
    std::vector<int> texture_y(static_cast<size_t>(height));
    for (int x = 0; x < width; ++x) texture_x[size_t(x)] = int(14 * std::sin(x * 0.9) + 9 * std::sin(x * 2.3 + 1));
    for (int y = 0; y < height; ++y) texture_y[size_t(y)] = int(14 * std::sin(y * 1.3) + 9 * std::cos(y * 1.7));
    std::minstd_rand noise(uint32_t(1234 + variant));
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int* vy = &wy[size_t(y) * 3];
        const bool textured_row = (y / std::max(1, height / 7)) % 3 != 2;
        for (int x = 0; x < width; ++x) {
            const int* vx = &wx[size_t(x) * 3];
            const uint32_t r = uint32_t(noise());
            const int grain = int(r % 25) - 12;
            const int chroma = int((r >> 8) % 7) - 3;
            const int detail = textured_row && (x / std::max(1, width / 5)) % 2 == 0
                                   ? (texture_x[size_t(x)] * texture_y[size_t(y)]) / 14
                                   : 0;
            const int luma = grain + detail;
            row[x] = qRgb(qBound(0, 128 + vx[0] + vy[0] + luma + chroma, 255),
                          qBound(0, 118 + vx[1] + vy[1] + luma, 255),
                          qBound(0, 110 + vx[2] + vy[2] + luma - chroma, 255));
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
