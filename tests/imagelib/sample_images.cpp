#include "tests/imagelib/sample_images.h"

#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tervo::testing {

QImage gradient_image(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int fx = width > 1 ? x * 255 / (width - 1) : 0;
            const int fy = height > 1 ? y * 255 / (height - 1) : 0;
            row[x] = qRgb(fx, fy, 255 - (fx + fy) / 2);
        }
    }
    return image;
}

std::string save_image(const QImage& image, const std::filesystem::path& path, int quality) {
    QImageWriter writer(QString::fromStdString(path.string()));
    writer.setQuality(quality);
    if (!writer.write(image)) return {};
    return path.string();
}

QImage read_with_qt(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    return reader.read();
}

QImage drawn_pixels(ImageHandle image, QRgb background) {
    const QSize size = head_size(image);
    QImage canvas(std::max(size.width(), 1), std::max(size.height(), 1), QImage::Format_RGB32);
    canvas.fill(background);
    QPainter painter(&canvas);
    DIBtoDCex2(&painter, 0, 0, size.width(), size.height(), image, 0, 0, size.width(), size.height(), SRCCOPY, 1);
    painter.end();
    return canvas;
}

QSize head_size(ImageHandle image) {
    image_header header{};
    if (!HeadDIB(image, &header)) return QSize(-1, -1);
    return QSize(header_width(header), header_height(header));
}

namespace {

template <typename Combine>
void for_each_channel_difference(const QImage& a, const QImage& b, Combine combine) {
    const QImage ra = a.convertToFormat(QImage::Format_RGB32);
    const QImage rb = b.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < ra.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(ra.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(rb.constScanLine(y));
        for (int x = 0; x < ra.width(); ++x) {
            combine(std::abs(qRed(pa[x]) - qRed(pb[x])));
            combine(std::abs(qGreen(pa[x]) - qGreen(pb[x])));
            combine(std::abs(qBlue(pa[x]) - qBlue(pb[x])));
        }
    }
}

}  // namespace

int max_channel_difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for_each_channel_difference(a, b, [&](int d) { worst = std::max(worst, d); });
    return worst;
}

double mean_channel_difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 256;
    double sum = 0;
    double count = 0;
    for_each_channel_difference(a, b, [&](int d) {
        sum += d;
        count += 1;
    });
    return count > 0 ? sum / count : 0;
}

double psnr(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 0;
    double squares = 0;
    double count = 0;
    for_each_channel_difference(a, b, [&](int d) {
        squares += double(d) * d;
        count += 1;
    });
    const double mse = count > 0 ? squares / count : 0;
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
}

}  // namespace tervo::testing
