// Writes the demo folder of the run command: photo-like landscapes, portraits
// and still lifes, drawn in code, in each of the four formats the viewer
// reads (GIFs through the program's own image library).
//
//   tervo_demo_pictures FOLDER
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "imagelib/imgctl.h"

namespace {

namespace fs = std::filesystem;

struct Scene {
    const char* name;  // without extension
    const char* format;
    int width, height;
    QColor sky_top, sky_bottom, sun, land, far_land;
    bool water, night;
};

// Mountains as a sum of waves, so each scene has its own skyline.
QPainterPath ridge(int width, int height, double base, double amplitude, double phase) {
    QPainterPath path;
    path.moveTo(0, height);
    for (int x = 0; x <= width; x += 4) {
        const double u = double(x) / width;
        const double y = base - amplitude * (0.6 * std::sin(3.1 * u + phase) + 0.3 * std::sin(7.7 * u + 2 * phase) +
                                             0.1 * std::sin(19.0 * u + phase));
        path.lineTo(x, y * height);
    }
    path.lineTo(width, height);
    path.closeSubpath();
    return path;
}

void add_grain(QImage& image, unsigned seed) {
    std::minstd_rand noise(seed);
    std::uniform_int_distribution<int> grain(-6, 6);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int g = grain(noise);
            row[x] = qRgb(std::clamp(qRed(row[x]) + g, 0, 255), std::clamp(qGreen(row[x]) + g, 0, 255),
                          std::clamp(qBlue(row[x]) + g, 0, 255));
        }
    }
}

QImage draw(const Scene& s, unsigned seed) {
    QImage image(s.width, s.height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = s.width, h = s.height;
    const double horizon = s.water ? 0.62 : 0.72;

    QLinearGradient sky(0, 0, 0, h * horizon);
    sky.setColorAt(0, s.sky_top);
    sky.setColorAt(1, s.sky_bottom);
    p.fillRect(image.rect(), sky);

    std::minstd_rand random(seed);
    if (s.night) {
        std::uniform_real_distribution<double> where(0, 1);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < w * h / 4000; ++i) {
            p.setBrush(QColor(255, 255, 230, 120 + int(where(random) * 135)));
            p.drawEllipse(QPointF(where(random) * w, where(random) * h * horizon), 1.2, 1.2);
        }
    }
    // the sun (or moon) with its glow
    const QPointF sun(w * 0.7, h * (horizon - 0.22));
    QRadialGradient glow(sun, h * 0.25);
    glow.setColorAt(0, QColor(s.sun.red(), s.sun.green(), s.sun.blue(), 160));
    glow.setColorAt(1, QColor(s.sun.red(), s.sun.green(), s.sun.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(sun, h * 0.25, h * 0.25);
    p.setBrush(s.sun);
    p.drawEllipse(sun, h * 0.05, h * 0.05);

    p.setBrush(s.far_land);
    p.drawPath(ridge(w, h, horizon - 0.02, 0.18, seed * 0.7));
    p.setBrush(s.land);
    p.drawPath(ridge(w, h, horizon + 0.04, 0.10, seed * 1.3 + 2));

    if (s.water) {
        // the lake mirrors the sky, darker, with ripples
        QLinearGradient lake(0, h * horizon, 0, h);
        lake.setColorAt(0, s.sky_bottom.darker(130));
        lake.setColorAt(1, s.sky_top.darker(160));
        p.setBrush(lake);
        p.drawRect(QRectF(0, h * (horizon + 0.06), w, h));
        p.setPen(QPen(QColor(255, 255, 255, 50), std::max(1.0, h / 400.0)));
        std::uniform_real_distribution<double> where(0, 1);
        for (int i = 0; i < 60; ++i) {
            const double y = h * (horizon + 0.07 + where(random) * (0.93 - horizon));
            const double x = where(random) * w;
            p.drawLine(QPointF(x, y), QPointF(x + w * 0.05 * where(random), y));
        }
        p.setPen(Qt::NoPen);
    }
    // trees along the shore
    std::uniform_real_distribution<double> size(0.04, 0.09);
    for (int i = 0; i < 9; ++i) {
        const double x = w * (0.03 + 0.11 * i) + w * 0.02 * std::sin(seed + i);
        const double ground = h * (horizon + 0.06);
        const double tall = h * size(random);
        p.setBrush(QColor(70, 45, 25));
        p.drawRect(QRectF(x - tall * 0.05, ground - tall * 0.3, tall * 0.1, tall * 0.3));
        QPainterPath crown;
        crown.moveTo(x, ground - tall * 1.3);
        crown.lineTo(x + tall * 0.35, ground - tall * 0.25);
        crown.lineTo(x - tall * 0.35, ground - tall * 0.25);
        crown.closeSubpath();
        p.setBrush(s.land.darker(150));
        p.drawPath(crown);
    }
    p.end();
    add_grain(image, seed);
    return image;
}

bool write(const QImage& image, const fs::path& path, const char* format) {
    if (std::string(format) != "gif") return image.save(QString::fromStdString(path.string()), format, 92);
    // Qt does not write GIF: go through the viewer's own image library.
    const fs::path staging = path.string() + ".staging.png";
    if (!image.save(QString::fromStdString(staging.string()), "png")) return false;
    const bool written = [&] {
        const tervo::Image staged = tervo::Image::load(staging.c_str());
        return staged && tervo::DIBtoGIF(path.c_str(), staged.get(), 0) != 0;
    }();
    fs::remove(staging);
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    QGuiApplication application(argc, argv);
    const fs::path folder = argv[1];
    fs::create_directories(folder);
    const Scene scenes[] = {
        {"01_湖の朝", "jpg", 2400, 1600, {70, 130, 210}, {250, 210, 160}, {255, 240, 200}, {60, 110, 60}, {110, 130, 160}, true, false},
        {"02_夕焼け", "jpg", 1920, 1080, {40, 30, 90}, {250, 120, 60}, {255, 200, 120}, {50, 40, 40}, {120, 60, 70}, true, false},
        {"03_山の夜", "jpg", 1200, 1600, {5, 10, 40}, {40, 50, 100}, {240, 240, 220}, {20, 30, 35}, {40, 50, 70}, false, true},
        {"04_高原", "bmp", 1024, 768, {90, 160, 240}, {200, 230, 255}, {255, 250, 220}, {90, 150, 60}, {100, 140, 120}, false, false},
        {"05_秋の谷", "bmp", 800, 1000, {120, 170, 220}, {240, 220, 190}, {255, 240, 210}, {170, 90, 30}, {140, 110, 90}, true, false},
        {"06_雪原", "bmp", 1600, 900, {150, 180, 210}, {230, 235, 245}, {255, 255, 240}, {235, 240, 250}, {170, 180, 200}, false, false},
        {"07_海辺", "gif", 1000, 700, {30, 120, 220}, {170, 220, 250}, {255, 250, 200}, {210, 190, 140}, {90, 120, 110}, true, false},
        {"08_星空", "gif", 900, 900, {0, 5, 25}, {30, 30, 70}, {250, 245, 210}, {15, 25, 20}, {30, 35, 55}, false, true},
        {"09_霧の森", "gif", 640, 480, {170, 180, 185}, {220, 222, 220}, {250, 250, 245}, {60, 90, 70}, {150, 165, 160}, true, false},
        {"10_菜の花", "png", 1600, 1200, {80, 150, 235}, {210, 235, 255}, {255, 250, 220}, {220, 200, 40}, {100, 150, 100}, false, false},
        {"11_湖の夕べ", "png", 1280, 1024, {60, 40, 110}, {240, 150, 90}, {255, 210, 150}, {40, 50, 40}, {90, 70, 100}, true, false},
        {"12_砂丘", "png", 2000, 1000, {60, 140, 230}, {230, 225, 210}, {255, 250, 230}, {220, 180, 120}, {200, 160, 110}, false, false},
    };
    unsigned seed = 1;
    for (const Scene& scene : scenes) {
        const fs::path path = folder / (std::string(scene.name) + "." + scene.format);
        if (!write(draw(scene, seed++), path, scene.format)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
