// Where a second shrinking thread starts to pay: PNG and JPEG pictures of
// a quarter to six megapixels decoded into a shrinking sink to 2/5 of their
// size, bands shrunk on the decoding thread against bands shrunk on a
// second one. Medians of interleaved runs, in ms.
//
//   bench_band_shrink [runs]
#include "bench/imagelib/photo_like.h"
#include "imagelib/decoder.h"
#include "imagelib/row_sinks.h"

#include <QElapsedTimer>
#include <QImageWriter>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace tervo;
using Threading = imagelib::ShrinkingSink::Threading;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double decode_ms(const imagelib::FileInput& input, bool png, QSize wanted, Threading threading) {
    QElapsedTimer timer;
    timer.start();
    imagelib::ShrinkingSink sink(wanted, QRectF(0, 0, 1, 1), imagelib::kSinkMemoryLimit, threading);
    const bool ok = png ? imagelib::decode_png(input, sink) : imagelib::decode_jpeg(input, wanted, sink);
    if (!ok || sink.image().isNull()) std::abort();
    return double(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const QSize sizes[] = {{600, 400}, {900, 600}, {1200, 800}, {1500, 1000}, {2100, 1400}, {3000, 2000}};
    std::printf("median of %d interleaved runs, ms\n", runs);
    std::printf("%-6s %12s %9s %9s %8s\n", "format", "size", "serial", "threaded", "ratio");
    for (const char* format : {"png", "jpeg"}) {
        for (const QSize size : sizes) {
            const std::string path = "/tmp/tervo-bench-band-" + std::to_string(getpid()) + "." + format;
            {
                QImageWriter writer(QString::fromStdString(path), format);
                writer.setQuality(90);
                if (!writer.write(bench::photo_like(size.width(), size.height()))) return 1;
            }
            const auto input = imagelib::FileInput::open(path.c_str());
            unlink(path.c_str());
            if (!input) return 1;
            const bool png = std::string(format) == "png";
            const QSize wanted = size * 2 / 5;
            std::vector<double> serial, threaded;
            for (int i = 0; i < runs; ++i) {
                serial.push_back(decode_ms(*input, png, wanted, Threading::Serial));
                threaded.push_back(decode_ms(*input, png, wanted, Threading::Threaded));
            }
            const double s = median(serial), t = median(threaded);
            std::printf("%-6s %5dx%-6d %9.2f %9.2f %8.2f\n", format, size.width(), size.height(), s, t, t / s);
            std::fflush(stdout);
        }
    }
    return 0;
}
