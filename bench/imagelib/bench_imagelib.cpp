// The per-image chain of the show (load, turn, convert, read the size,
// resize, draw onto a 1920x1054 surface, release) timed for camera-sized
// JPEGs, PNGs, a GIF and a BMP, each beside baselines measured in the same
// run: the naive chain (full decode, turn, convert, smooth resize, draw) and,
// for JPEG, the entropy-decoding floor (a 1/8-scale decode and nothing
// else). Then an animated GIF of 99 frames against ImageMagick's convert.
//
//   bench_imagelib [--no-gif]
#include "bench/imagelib/photo_like.h"
#include "imagelib/imgctl.h"

#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace tervo;
namespace fs = std::filesystem;

// The main window's canvas and the fit rule of the show: the client area less
// 10 pixels across and 65 down, one factor for both directions.
constexpr int kSurfaceWidth = 1920;
constexpr int kSurfaceHeight = 1054;
constexpr int kDrawTop = 44;

double fit_scale(int width, int height) {
    const double fx = double(kSurfaceWidth - 10) / width;
    const double fy = double(kSurfaceHeight - 65) / height;
    return fx < fy ? fx : fy;
}

QImage make_surface() {
    QImage surface(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGB32);
    surface.fill(Qt::gray);
    return surface;
}

// The chain exactly as the show's paint runs it.
void library_chain(const std::string& path, bool fit, int rotation, QImage& surface) {
    const ImageHandle image = ToDIB(path.c_str());
    if (image == 0) std::abort();
    if (rotation != 0) TurnDIB(image, rotation * 90);
    DIBto24Bit(image);
    image_header header{};
    HeadDIB(image, &header);
    const double scale = fit ? fit_scale(header_width(header), header_height(header)) : 1.0;
    const int w = int(header_width(header) * scale);
    const int h = int(header_height(header) * scale);
    ResizeDIB(image, w, h);
    QPainter painter(&surface);
    DIBtoDCex2(&painter, 0, kDrawTop, w, h, image, 0, 0, w, h, SRCCOPY, 1);
    painter.end();
    DeleteDIB(image);
}

// Everything done in the obvious order on the full image.
void naive_chain(const std::string& path, bool fit, int rotation, QImage& surface) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    reader.setAllocationLimit(1024);
    QImage image = reader.read();
    if (image.isNull()) std::abort();
    if (rotation != 0) image = image.transformed(QTransform().rotate(rotation * 90));
    image = image.convertToFormat(QImage::Format_RGB888);
    const double scale = fit ? fit_scale(image.width(), image.height()) : 1.0;
    const QSize size(int(image.width() * scale), int(image.height() * scale));
    if (size != image.size()) image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&surface);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, kDrawTop, image);
}

// The least any JPEG decode of the file costs: entropy decoding at 1/8.
void jpeg_floor(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    const QSize size = reader.size();
    reader.setScaledSize(QSize(size.width() / 8, size.height() / 8));
    if (reader.read().isNull()) std::abort();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double elapsed_ms(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

double median_ms(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(elapsed_ms(work));
    return median(times);
}

// Medians of several ways of doing the same, taken in turns so that a
// change in the machine's load hits all of them alike.
std::vector<double> interleaved_medians(int runs, const std::vector<std::function<void()>>& ways) {
    std::vector<std::vector<double>> times(ways.size());
    for (int i = 0; i < runs; ++i)
        for (size_t w = 0; w < ways.size(); ++w) times[w].push_back(elapsed_ms(ways[w]));
    std::vector<double> medians;
    for (const auto& t : times) medians.push_back(median(t));
    return medians;
}

long peak_rss_kb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Peak resident memory of one chain, measured in a fresh copy of this
// program so the generated pictures don't count.
long chain_peak_rss_kb(const char* which, const std::string& path, bool fit, int rotation) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string command = "'" + self + "' --peak-rss " + std::string(which) + " '" + path + "' " +
                                (fit ? "1 " : "0 ") + std::to_string(rotation);
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    long kb = -1;
    if (std::fscanf(pipe, "%ld", &kb) != 1) kb = -1;
    pclose(pipe);
    return kb;
}

int peak_rss_child(const char* which, const std::string& path, bool fit, int rotation) {
    QImage surface = make_surface();
    if (std::string(which) == "chain")
        library_chain(path, fit, rotation, surface);
    else
        naive_chain(path, fit, rotation, surface);
    std::printf("%ld\n", peak_rss_kb());
    return 0;
}

struct ChainCase {
    const char* label;
    std::string path;
    bool fit;
    int rotation;
    bool jpeg;
    int runs;
};

void save(const QImage& image, const std::string& path, const char* format, int quality = -1) {
    QImageWriter writer(QString::fromStdString(path), format);
    writer.setQuality(quality);
    if (!writer.write(image)) std::abort();
}

void bench_chains(const fs::path& dir) {
    std::printf("Generating test pictures...\n");
    std::fflush(stdout);
    const std::string jpeg24 = (dir / "24mp.jpg").string();
    const std::string jpeg12 = (dir / "12mp.jpg").string();
    const std::string png12 = (dir / "12mp.png").string();
    const std::string png2 = (dir / "2mp.png").string();
    const std::string gif = (dir / "gif.gif").string();
    const std::string bmp = (dir / "6mp.bmp").string();
    save(tervo::bench::photo_like(6000, 4000), jpeg24, "jpeg", 90);
    save(tervo::bench::photo_like(4000, 3000, 1), jpeg12, "jpeg", 90);
    save(tervo::bench::photo_like(4000, 3000, 2), png12, "png");
    save(tervo::bench::photo_like(1600, 1200, 3), png2, "png");
    save(tervo::bench::photo_like(3000, 2000, 5), bmp, "bmp");
    {
        save(tervo::bench::photo_like(1200, 900, 4), (dir / "gif-source.png").string(), "png");
        const ImageHandle source = ToDIB((dir / "gif-source.png").c_str());
        if (!DIBtoGIF(gif.c_str(), source, 0)) std::abort();
        DeleteDIB(source);
    }

    const ChainCase cases[] = {
        {"24 MP JPEG 6000x4000, fit", jpeg24, true, 0, true, 9},
        {"24 MP JPEG 6000x4000, fit, turned 90", jpeg24, true, 1, true, 5},
        {"12 MP JPEG 4000x3000, fit", jpeg12, true, 0, true, 9},
        {"12 MP PNG 4000x3000, fit", png12, true, 0, false, 5},
        {"2 MP PNG 1600x1200, own size", png2, false, 0, false, 9},
        {"GIF 1200x900, fit", gif, true, 0, false, 9},
        {"BMP 3000x2000, fit", bmp, true, 0, false, 9},
    };
    QImage surface = make_surface();
    std::printf("\nPer-image chain onto a %dx%d surface (median ms; ratios against this run's baselines)\n",
                kSurfaceWidth, kSurfaceHeight);
    std::printf("%-40s %9s %9s %9s %10s %10s\n", "case", "library", "naive", "floor", "lib/naive", "lib/floor");
    for (const ChainCase& c : cases) {
        std::vector<std::function<void()>> ways = {
            [&] { library_chain(c.path, c.fit, c.rotation, surface); },
            [&] { naive_chain(c.path, c.fit, c.rotation, surface); },
        };
        if (c.jpeg) ways.push_back([&] { jpeg_floor(c.path); });
        const std::vector<double> medians = interleaved_medians(c.runs, ways);
        const double ours = medians[0];
        const double naive = medians[1];
        if (c.jpeg) {
            const double floor = medians[2];
            std::printf("%-40s %9.1f %9.1f %9.1f %10.2f %10.2f\n", c.label, ours, naive, floor, ours / naive,
                        ours / floor);
        } else {
            std::printf("%-40s %9.1f %9.1f %9s %10.2f %10s\n", c.label, ours, naive, "-", ours / naive, "-");
        }
        std::fflush(stdout);
    }
    std::printf("\nPeak resident memory of one chain in a fresh process (MB)\n");
    std::printf("%-40s %9s %9s\n", "case", "library", "naive");
    for (const ChainCase& c : {cases[0], cases[3]}) {
        std::printf("%-40s %9.1f %9.1f\n", c.label, chain_peak_rss_kb("chain", c.path, c.fit, c.rotation) / 1024.0,
                    chain_peak_rss_kb("naive", c.path, c.fit, c.rotation) / 1024.0);
    }
    std::printf("targets: 24 MP JPEG fit <= 1.30x floor, <= 0.55x naive, peak <= 150 MB\n");

    // A 100-megapixel JPEG shown in fit mode: decoded at 1/8, so the memory
    // stays that of a window-sized picture.
    const std::string jpeg100 = (dir / "100mp.jpg").string();
    save(tervo::bench::photo_like(12000, 8400, 6), jpeg100, "jpeg", 85);
    const double ms = median_ms(3, [&] { library_chain(jpeg100, true, 0, surface); });
    std::printf("%-40s %9.1f ms, peak %.1f MB (naive chain peak %.1f MB)\n", "100 MP JPEG 12000x8400, fit", ms,
                chain_peak_rss_kb("chain", jpeg100, true, 0) / 1024.0,
                chain_peak_rss_kb("naive", jpeg100, true, 0) / 1024.0);
}

double psnr(const QImage& a, const QImage& b) {
    const QImage ra = a.convertToFormat(QImage::Format_RGB32);
    const QImage rb = b.convertToFormat(QImage::Format_RGB32);
    if (ra.size() != rb.size()) return 0;
    double sum = 0;
    for (int y = 0; y < ra.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(ra.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(rb.constScanLine(y));
        for (int x = 0; x < ra.width(); ++x) {
            const int dr = qRed(pa[x]) - qRed(pb[x]), dg = qGreen(pa[x]) - qGreen(pb[x]),
                      db = qBlue(pa[x]) - qBlue(pb[x]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * ra.width() * ra.height());
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
}

QImage first_frame(const std::string& path) { return QImageReader(QString::fromStdString(path)).read(); }

void bench_animation(const fs::path& dir) {
    constexpr int kFrames = 99;
    std::printf("\nAnimated GIF of %d frames of 800x600 (one run each)\n", kFrames);
    std::fflush(stdout);
    const fs::path frames_dir = dir / "frames";
    fs::create_directories(frames_dir);
    std::vector<std::string> paths;
    for (int i = 0; i < kFrames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%03d.png", i);
        paths.push_back((frames_dir / name).string());
        save(tervo::bench::photo_like(800, 600, i), paths.back(), "png");
    }
    const QImage source = first_frame(paths[0]);

    // The builder's way: every frame loaded, then one call.
    const std::string ours_path = (dir / "ours.gif").string();
    auto ours = [&] {
        std::vector<ImageHandle> images;
        for (const std::string& p : paths) images.push_back(ToDIB(p.c_str()));
        const int written = DIBtoGIFAni(ours_path.c_str(), images.data(), int(images.size()), 100);
        for (ImageHandle image : images) DeleteDIB(image);
        if (!written) std::abort();
    };
    const std::string theirs_path = (dir / "convert.gif").string();
    const std::string command = "/usr/bin/convert -delay 100 -loop 0 '" + (frames_dir / "f*.png").string() +
                                "' '" + theirs_path + "'";
    int status = 0;
    // Ours before and after convert, so a change of load evens out.
    const double before_ms = elapsed_ms(ours);
    const double theirs_ms = elapsed_ms([&] { status = std::system(command.c_str()); });
    const double ours_ms = (before_ms + elapsed_ms(ours)) / 2;
    if (status != 0) {
        std::printf("convert failed (status %d); is ImageMagick installed?\n", status);
        return;
    }
    std::printf("%-32s %10s %12s %14s\n", "writer", "ms", "frame-1 PSNR", "size (bytes)");
    std::printf("%-32s %10.0f %12.2f %14ju\n", "library (DIBtoGIFAni)", ours_ms, psnr(first_frame(ours_path), source),
                std::uintmax_t(fs::file_size(ours_path)));
    std::printf("%-32s %10.0f %12.2f %14ju\n", "convert -delay 100 -loop 0", theirs_ms,
                psnr(first_frame(theirs_path), source), std::uintmax_t(fs::file_size(theirs_path)));
    std::printf("convert / library time: %.2fx (target >= 2x at equal or better PSNR)\n", theirs_ms / ours_ms);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--peak-rss")
        return peak_rss_child(argv[2], argv[3], std::string(argv[4]) == "1", std::atoi(argv[5]));
    const bool with_gif = !(argc > 1 && std::string(argv[1]) == "--no-gif");

    char pattern[] = "/tmp/tervo-bench-imagelib-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path dir = pattern;
    bench_chains(dir);
    if (with_gif) bench_animation(dir);
    fs::remove_all(dir);
    return 0;
}
