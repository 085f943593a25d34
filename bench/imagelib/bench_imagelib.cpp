// The per-image chain of the show (load, turn, convert, read the size,
// resize, draw onto a 1920x1054 surface, release) timed for camera-sized
// JPEGs, PNGs, a GIF and a BMP, each beside baselines measured in the same
// run: the naive chain (full decode, turn, convert, smooth resize, draw) and,
// for JPEG, the entropy-decoding floor (a 1/8-scale decode and nothing
// else), with the page faults a picture costs. Then pictures whose headers
// claim far more than their files hold (decompression bombs) and a 24 MP
// JPEG zoomed 4x, each shown once per fresh process for its peak memory.
// Then an animated GIF of 99 frames against ImageMagick's convert.
//
// Then the costly files (a GIF frame far larger than its screen, a JPEG of
// hundreds of scans, Adam7 PNGs) and a show's step over three of those PNGs.
// Then a 12 MP picture of each newer format (WebP, AVIF, HEIC, TIFF, JPEG
// XL, made by Debian's encoders) in fit mode, beside its library's own full
// decode.
//
//   bench_imagelib [--no-gif | --costly | --formats]
#include "bench/imagelib/library_decodes.h"
#include "bench/imagelib/photo_like.h"
#include "imagelib/imgctl.h"
#include "imagelib/load_control.h"
#include "tests/support/made_files.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace tervo;
using testing::be32;
using testing::deflated_zeros;
using testing::png_chunk;
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

// The chain exactly as the show's paint runs it, in fit mode or at a fixed
// zoom; whether the picture was drawn.
bool zoomed_chain(const std::string& path, double zoom, int rotation, QImage& surface) {
    const Image held = Image::load(path.c_str());
    if (!held) return false;
    const ImageHandle image = held.get();
    if (rotation != 0 && TurnDIB(image, rotation * 90) == 0) return false;
    if (DIBto24Bit(image) == 0) return false;
    image_header header{};
    if (HeadDIB(image, &header) == 0) return false;
    const double scale = zoom > 0 ? zoom : fit_scale(header_width(header), header_height(header));
    const int w = int(header_width(header) * scale);
    const int h = int(header_height(header) * scale);
    if (ResizeDIB(image, w, h) == 0) return false;
    QPainter painter(&surface);
    const int drawn = DIBtoDCex2(&painter, 0, kDrawTop, w, h, image, 0, 0, w, h, SRCCOPY, 1);
    painter.end();
    return drawn != 0;
}

void library_chain(const std::string& path, bool fit, int rotation, QImage& surface) {
    if (!zoomed_chain(path, fit ? 0.0 : 1.0, rotation, surface)) std::abort();
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

long minor_faults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Minor page faults of one chain once the process has shown a few pictures:
// what showing the next picture costs in fresh memory.
double faults_per_picture(const std::function<void()>& work) {
    work();
    work();
    constexpr int kRuns = 4;
    const long before = minor_faults();
    for (int i = 0; i < kRuns; ++i) work();
    return double(minor_faults() - before) / kRuns;
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

// One picture shown in a fresh copy of this program: median ms of a paint,
// peak resident memory and whether it drew, as "ms kb drawn".
struct FreshShow {
    double ms = -1;
    long kb = -1;
    int drawn = 0;
    double cpu_ms = -1;  // CPU time of a paint, all threads, mean
};

FreshShow fresh_show(const std::string& path, double zoom) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string command =
        "timeout 300 '" + self + "' --show '" + path + "' " + std::to_string(zoom) + " 2>/dev/null";
    FreshShow result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    if (std::fscanf(pipe, "%lf %ld %d %lf", &result.ms, &result.kb, &result.drawn, &result.cpu_ms) != 4)
        result = FreshShow{};
    pclose(pipe);
    return result;
}

double cpu_ms() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

int show_child(const std::string& path, double zoom) {
    QImage surface = make_surface();
    bool drawn = false;
    constexpr int kRuns = 3;
    const double cpu_before = cpu_ms();
    const double ms = median_ms(kRuns, [&] { drawn = zoomed_chain(path, zoom, 0, surface); });
    const double cpu = (cpu_ms() - cpu_before) / kRuns;
    std::printf("%.1f %ld %d %.1f\n", ms, peak_rss_kb(), drawn ? 1 : 0, cpu);
    return 0;
}

// One step of a show of three pictures: the window's thread paints the
// first while a background thread prepares the other two, as the show's
// worker does; prints the process's peak resident memory.
int step_child(const std::string& shown, const std::string& next, const std::string& after) {
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        const imagelib::BackgroundLoads background(stop);
        QImage surface = make_surface();
        for (const std::string* path : {&next, &after}) zoomed_chain(*path, 0, 0, surface);
    });
    QImage surface = make_surface();
    zoomed_chain(shown, 0, 0, surface);
    worker.join();
    std::printf("%ld\n", peak_rss_kb());
    return 0;
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

// A GIF of 35 bytes whose logical screen is 32768x4096: one pixel of image
// on a background the size of the cap.
void write_gif_bomb(const std::string& path) {
    const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 0x00, 0x80, 0x00, 0x10, 0x80, 0, 0,  // screen 32768x4096, 2 colours
        0xff, 0x00, 0x00, 0x00, 0x00, 0xff,                                  // red, blue
        ',', 0, 0, 0, 0, 1, 0, 1, 0, 0,                                      // a 1x1 image at 0,0
        2, 2, 0x44, 0x01, 0,                                                 // clear, 0, end
        ';'};
    static_assert(sizeof bytes == 35);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes, 1, sizeof bytes, file) != sizeof bytes) std::abort();
    std::fclose(file);
}

// A small progressive JPEG whose frame header is patched to 32768x4096: the
// decoder would need its coefficients for the whole claimed size.
void write_jpeg_bomb(const std::string& path) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        writer.setQuality(90);
        if (!writer.write(tervo::bench::photo_like(96, 64, 9))) std::abort();
    }
    const int sof = int(bytes.indexOf(QByteArray("\xff\xc2", 2)));
    if (sof < 0) std::abort();
    // Marker, length (2), precision (1), then height and width, big-endian.
    bytes[sof + 5] = char(0x10);
    bytes[sof + 6] = char(0x00);
    bytes[sof + 7] = char(0x80);
    bytes[sof + 8] = char(0x00);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) != size_t(bytes.size()))
        std::abort();
    std::fclose(file);
}

// A 16384x8192 RGBA PNG of one colour: half a megabyte of file, 512 MiB of
// pixels.
void write_png_bomb(const std::string& path) {
    QImage image(16384, 8192, QImage::Format_ARGB32);
    if (image.isNull()) std::abort();
    image.fill(qRgba(30, 120, 200, 230));
    save(image, path, "png");
}

// The costly files: small, and each costing seconds of CPU or hundreds of
// megabytes to a decoder that does everything its header asks.

void write_bytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
}

// LZW codes packed as a GIF wants them: least significant bit first, in
// sub-blocks of at most 255 bytes.
class GifCodes {
public:
    void put(unsigned code, int width) {
        bits_ |= uint64_t(code) << count_;
        count_ += width;
        while (count_ >= 8) {
            bytes_ += char(bits_ & 0xff);
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    std::string blocks() {
        if (count_ > 0) bytes_ += char(bits_ & 0xff);
        std::string out;
        for (std::size_t at = 0; at < bytes_.size(); at += 255) {
            const std::size_t n = std::min<std::size_t>(255, bytes_.size() - at);
            out += char(n);
            out.append(bytes_, at, n);
        }
        return out + '\0';
    }

private:
    std::string bytes_;
    uint64_t bits_ = 0;
    int count_ = 0;
};

// A 64x64 screen whose first frame is interlaced and width x height pixels
// of one colour, as LZW codes of ever longer runs (each code the one being
// defined), so a few bits stand for thousands of pixels.
void write_gif_frame_bomb(const std::string& path, int width, int height) {
    constexpr unsigned kClear = 4, kEnd = 5, kLongestRun = 4000;
    // The width of the j-th code after a clear (1-based), as decoders count.
    const auto width_of = [](unsigned j) {
        int bits = 3;
        while (5u + j > (1u << bits) && bits < 12) ++bits;
        return bits;
    };
    GifCodes codes;
    uint64_t left = uint64_t(width) * uint64_t(height);
    unsigned j = 0;  // codes since the last clear
    const auto clear = [&] {
        codes.put(kClear, j == 0 ? 3 : width_of(j + 1));
        j = 0;
    };
    while (left > 0) {
        clear();
        // The j-th code stands for j pixels: code 0, then each the code
        // being defined.
        while (j < kLongestRun && left > j) {
            ++j;
            codes.put(j == 1 ? 0 : 4 + j, width_of(j));
            left -= j;
        }
        if (left > 0 && left <= j) {
            clear();
            while (left > 0) {
                ++j;
                codes.put(0, width_of(j));
                --left;
            }
        }
    }
    codes.put(kEnd, width_of(j + 1));
    std::string bytes =
        std::string("GIF89a") + char(64) + char(0) + char(64) + char(0) + char(0x81) + char(0) + char(0);
    bytes += std::string("\xff\0\0\0\0\xff\0\0\0\xff\xff\xff", 12);  // four colours
    bytes += ',' + std::string(4, '\0') + char(width & 0xff) + char(width >> 8) + char(height & 0xff) +
             char(height >> 8) + char(0x40) + char(2);
    write_bytes(path, bytes + codes.blocks() + ';');
}

// An Adam7 RGBA PNG of side x side, all transparent: under 100 KB of file,
// 256 MiB gathered whole at 8192.
void write_adam7_bomb(const std::string& path, uint32_t side) {
    static constexpr int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    uint64_t raw = 0;
    for (const auto& p : kPass) raw += (side - p[1] + p[3] - 1) / p[3] * (1 + (side - p[0] + p[2] - 1) / p[2] * 4);
    write_bytes(path, std::string("\x89PNG\r\n\x1a\n", 8) +
                          png_chunk("IHDR", be32(side) + be32(side) + char(8) + char(6) + '\0' + '\0' + char(1)) +
                          png_chunk("IDAT", deflated_zeros(raw, 9)) + png_chunk("IEND", ""));
}

void bench_costly_files(const fs::path& dir) {
    const std::string gif = (dir / "frame.gif").string();
    const std::string jpeg = (dir / "scans.jpg").string();
    std::vector<std::string> pngs;
    write_gif_frame_bomb(gif, 65535, 32768);
    write_bytes(jpeg, testing::empty_scans_jpeg(5792, 500));
    for (int i = 0; i < 3; ++i) {
        pngs.push_back((dir / ("adam7-" + std::to_string(i) + ".png")).string());
        write_adam7_bomb(pngs.back(), 8192);
    }
    struct Case {
        const char* label;
        std::string path;
    };
    const Case cases[] = {
        {"GIF 64x64 screen, 65535x32768 interlaced", gif},
        {"JPEG 5792x5792 grey, 500 scans", jpeg},
        {"PNG 8192x8192 RGBA Adam7, fit", pngs[0]},
    };
    std::printf("\nCostly files, one per fresh process (a paint: median ms, CPU ms; peak resident MB)\n");
    std::printf("%-42s %10s %9s %9s %9s %6s\n", "case", "file (B)", "ms", "CPU ms", "peak MB", "drawn");
    for (const Case& c : cases) {
        const FreshShow r = fresh_show(c.path, 0);
        std::printf("%-42s %10ju %9.1f %9.1f %9.1f %6s\n", c.label, std::uintmax_t(fs::file_size(c.path)), r.ms,
                    r.cpu_ms, r.kb / 1024.0,
                    r.ms < 0  ? "crash"
                    : r.drawn ? "yes"
                              : "no");
        std::fflush(stdout);
    }
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    FILE* pipe = popen(("'" + self + "' --step '" + pngs[0] + "' '" + pngs[1] + "' '" + pngs[2] + "'").c_str(), "r");
    long kb = -1;
    if (pipe == nullptr || std::fscanf(pipe, "%ld", &kb) != 1) kb = -1;
    if (pipe != nullptr) pclose(pipe);
    std::printf("%-42s %10s %9s %9s %9.1f\n", "step of three Adam7 PNGs, with the worker", "", "", "", kb / 1024.0);
    std::printf("targets: each <= 2000 ms CPU and <= 300 MB; the step <= 512 MiB\n");
}

void bench_bombs(const fs::path& dir, const std::string& jpeg24) {
    const std::string gif = (dir / "bomb.gif").string();
    const std::string jpeg = (dir / "bomb.jpg").string();
    const std::string png = (dir / "bomb.png").string();
    write_gif_bomb(gif);
    write_jpeg_bomb(jpeg);
    write_png_bomb(png);
    struct Case {
        const char* label;
        std::string path;
        double zoom;
    };
    const Case cases[] = {
        {"GIF 35 B, screen 32768x4096, fit", gif, 0},
        {"GIF 35 B, screen 32768x4096, own size", gif, 1},
        {"progressive JPEG header 32768x4096, fit", jpeg, 0},
        {"PNG 16384x8192 RGBA, fit", png, 0},
        {"PNG 16384x8192 RGBA, own size", png, 1},
        {"24 MP JPEG 6000x4000, zoom 4x", jpeg24, 4},
    };
    std::printf("\nOne picture per fresh process (median ms of a paint, peak resident MB)\n");
    std::printf("%-40s %10s %9s %9s %6s\n", "case", "file (B)", "ms", "peak MB", "drawn");
    for (const Case& c : cases) {
        const FreshShow r = fresh_show(c.path, c.zoom);
        std::printf("%-40s %10ju %9.1f %9.1f %6s\n", c.label, std::uintmax_t(fs::file_size(c.path)), r.ms,
                    r.kb / 1024.0, r.ms < 0 ? "crash" : r.drawn ? "yes" : "no");
        std::fflush(stdout);
    }
    std::printf("targets: each <= 300 MB and <= 1000 ms; the zoomed JPEG draws\n");
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
    const std::string png_palette = (dir / "12mp-palette.png").string();
    const std::string png16 = (dir / "12mp-16bit.png").string();
    save(tervo::bench::photo_like(6000, 4000), jpeg24, "jpeg", 90);
    save(tervo::bench::photo_like(4000, 3000, 1), jpeg12, "jpeg", 90);
    save(tervo::bench::photo_like(4000, 3000, 2), png12, "png");
    save(tervo::bench::photo_like(1600, 1200, 3), png2, "png");
    save(tervo::bench::photo_like(3000, 2000, 5), bmp, "bmp");
    save(tervo::bench::photo_like(4000, 3000, 7).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither),
         png_palette, "png");
    save(tervo::bench::photo_like(4000, 3000, 8).convertToFormat(QImage::Format_RGBX64), png16, "png");
    {
        save(tervo::bench::photo_like(1200, 900, 4), (dir / "gif-source.png").string(), "png");
        const Image source = Image::load((dir / "gif-source.png").c_str());
        if (!DIBtoGIF(gif.c_str(), source.get(), 0)) std::abort();
    }

    const ChainCase cases[] = {
        {"24 MP JPEG 6000x4000, fit", jpeg24, true, 0, true, 9},
        {"24 MP JPEG 6000x4000, fit, turned 90", jpeg24, true, 1, true, 5},
        {"12 MP JPEG 4000x3000, fit", jpeg12, true, 0, true, 9},
        {"12 MP PNG 4000x3000, fit", png12, true, 0, false, 5},
        {"2 MP PNG 1600x1200, own size", png2, false, 0, false, 9},
        {"GIF 1200x900, fit", gif, true, 0, false, 9},
        {"BMP 3000x2000, fit", bmp, true, 0, false, 9},
        {"12 MP palette PNG 4000x3000, fit", png_palette, true, 0, false, 5},
        {"12 MP 16-bit PNG 4000x3000, fit", png16, true, 0, false, 5},
    };
    QImage surface = make_surface();
    std::printf("\nPer-image chain onto a %dx%d surface (median ms; ratios against this run's baselines)\n",
                kSurfaceWidth, kSurfaceHeight);
    std::printf("%-40s %9s %9s %9s %10s %10s %9s\n", "case", "library", "naive", "floor", "lib/naive", "lib/floor",
                "faults");
    for (const ChainCase& c : cases) {
        std::vector<std::function<void()>> ways = {
            [&] { library_chain(c.path, c.fit, c.rotation, surface); },
            [&] { naive_chain(c.path, c.fit, c.rotation, surface); },
        };
        if (c.jpeg) ways.push_back([&] { jpeg_floor(c.path); });
        const std::vector<double> medians = interleaved_medians(c.runs, ways);
        const double ours = medians[0];
        const double naive = medians[1];
        const double faults = faults_per_picture(ways[0]);
        if (c.jpeg) {
            const double floor = medians[2];
            std::printf("%-40s %9.1f %9.1f %9.1f %10.2f %10.2f %9.0f\n", c.label, ours, naive, floor, ours / naive,
                        ours / floor, faults);
        } else {
            std::printf("%-40s %9.1f %9.1f %9s %10.2f %10s %9.0f\n", c.label, ours, naive, "-", ours / naive, "-",
                        faults);
        }
        std::fflush(stdout);
    }
    std::printf("\nPeak resident memory of one chain in a fresh process (MB)\n");
    std::printf("%-40s %9s %9s\n", "case", "library", "naive");
    for (const ChainCase& c : {cases[0], cases[3]}) {
        std::printf("%-40s %9.1f %9.1f\n", c.label, chain_peak_rss_kb("chain", c.path, c.fit, c.rotation) / 1024.0,
                    chain_peak_rss_kb("naive", c.path, c.fit, c.rotation) / 1024.0);
    }
    std::printf("targets: 24 MP JPEG fit <= 1.15x floor, <= 0.55x naive, peak <= 150 MB\n");

    // A 100-megapixel JPEG shown in fit mode: decoded at 1/8, so the memory
    // stays that of a window-sized picture.
    const std::string jpeg100 = (dir / "100mp.jpg").string();
    save(tervo::bench::photo_like(12000, 8400, 6), jpeg100, "jpeg", 85);
    const double ms = median_ms(3, [&] { library_chain(jpeg100, true, 0, surface); });
    std::printf("%-40s %9.1f ms, peak %.1f MB (naive chain peak %.1f MB)\n", "100 MP JPEG 12000x8400, fit", ms,
                chain_peak_rss_kb("chain", jpeg100, true, 0) / 1024.0,
                chain_peak_rss_kb("naive", jpeg100, true, 0) / 1024.0);

    bench_bombs(dir, jpeg24);
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
        std::vector<Image> frames;
        std::vector<ImageHandle> handles;
        for (const std::string& p : paths) {
            frames.push_back(Image::load(p.c_str()));
            handles.push_back(frames.back().get());
        }
        if (!DIBtoGIFAni(ours_path.c_str(), handles.data(), int(handles.size()), 100)) std::abort();
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

// The encoders' commands, {src} a 12 MP PNG and {out} the file.
void bench_new_formats(const fs::path& dir) {
    const std::string source = (dir / "formats-source.png").string();
    save(tervo::bench::photo_like(4000, 3000, 9), source, "png");
    const std::pair<const char*, std::string> formats[] = {
        {"12 MP WebP q85, fit", "cwebp -quiet -q 85 {src} -o {out}"},
        {"12 MP AVIF 8-bit 4:2:0, fit", "avifenc -s 10 -j 2 -y 420 {src} {out}"},
        {"12 MP HEIC q85, fit", "heif-enc -q 85 {src} -o {out}"},
        {"12 MP TIFF LZW, fit", "convert {src} -compress lzw {out}"},
        {"12 MP JPEG XL d1 e3, fit", "cjxl --quiet -d 1 -e 3 {src} {out}"},
    };
    const char* suffixes[] = {".webp", ".avif", ".heic", ".tif", ".jxl"};
    QImage surface = make_surface();
    std::printf("\nNewer formats onto a %dx%d surface (median ms of 5 interleaved runs)\n", kSurfaceWidth,
                kSurfaceHeight);
    std::printf("%-40s %9s %12s %12s\n", "case", "library", "own decode", "lib/decode");
    for (std::size_t i = 0; i < std::size(formats); ++i) {
        const std::string out = (dir / (std::string("formats") + suffixes[i])).string();
        std::string command = formats[i].second;
        command.replace(command.find("{src}"), 5, source);
        command.replace(command.find("{out}"), 5, out);
        if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
            std::printf("%-40s (encoder failed)\n", formats[i].first);
            continue;
        }
        const std::vector<double> medians = interleaved_medians(5, {[&] { library_chain(out, true, 0, surface); },
                                                                    [&] {
                                                                        if (!tervo::bench::library_full_decode(out))
                                                                            std::abort();
                                                                    }});
        std::printf("%-40s %9.1f %12.1f %12.2f\n", formats[i].first, medians[0], medians[1], medians[0] / medians[1]);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--show") return show_child(argv[2], std::atof(argv[3]));
    if (argc == 5 && std::string(argv[1]) == "--step") return step_child(argv[2], argv[3], argv[4]);
    if (argc == 6 && std::string(argv[1]) == "--peak-rss")
        return peak_rss_child(argv[2], argv[3], std::string(argv[4]) == "1", std::atoi(argv[5]));
    const bool with_gif = !(argc > 1 && std::string(argv[1]) == "--no-gif");
    const bool formats_only = argc > 1 && std::string(argv[1]) == "--formats";

    char pattern[] = "/tmp/tervo-bench-imagelib-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path dir = pattern;
    if (argc > 1 && std::string(argv[1]) == "--costly") {
        bench_costly_files(dir);
        fs::remove_all(dir);
        return 0;
    }
    if (!formats_only) {
        bench_chains(dir);
        bench_costly_files(dir);
    }
    bench_new_formats(dir);
    if (with_gif && !formats_only) bench_animation(dir);
    fs::remove_all(dir);
    return 0;
}
