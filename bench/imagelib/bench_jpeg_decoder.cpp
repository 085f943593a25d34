// The JPEG decoder against Qt's JPEG reader on a camera-sized picture (24 MP,
// quality 90) at 1/8, 1/4 and full size: medians of interleaved runs, in ms.
// 1/8 is the floor the show's fit paint aims at: nearly all of it is
// Huffman decoding, which no scale skips.
//
//   bench_jpeg_decoder [runs]
#include "bench/imagelib/photo_like.h"
#include "imagelib/decoder.h"
#include "imagelib/row_sinks.h"

#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace tervo;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double elapsed_ms(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string path = "/tmp/tervo-bench-jpeg-" + std::to_string(getpid()) + ".jpg";
    {
        QImageWriter writer(QString::fromStdString(path), "jpeg");
        writer.setQuality(90);
        if (!writer.write(bench::photo_like(6000, 4000))) return 1;
    }
    const auto input = imagelib::FileInput::open(path.c_str());
    if (!input) return 1;

    struct Scale {
        const char* name;
        QSize wanted;  // invalid: full size
    };
    const Scale scales[] = {{"1/8", QSize(750, 500)}, {"1/4", QSize(1500, 1000)}, {"full", QSize()}};
    std::printf("24 MP JPEG 6000x4000 q90 (%.1f MB), median of %d interleaved runs, ms\n",
                double(input->size()) / 1e6, runs);
    std::printf("%-6s %10s %10s %8s\n", "scale", "decoder", "Qt", "ratio");
    for (const Scale& scale : scales) {
        std::vector<double> ours, qt;
        QSize our_size, qt_size;
        for (int i = 0; i < runs; ++i) {
            ours.push_back(elapsed_ms([&] {
                imagelib::WholeImageSink sink;
                if (!imagelib::decode_jpeg(*input, scale.wanted, sink)) std::abort();
                our_size = sink.image().size();
            }));
            qt.push_back(elapsed_ms([&] {
                QImageReader reader(QString::fromStdString(path));
                reader.setAllocationLimit(1024);
                if (scale.wanted.isValid()) reader.setScaledSize(scale.wanted);
                const QImage image = reader.read();
                if (image.isNull()) std::abort();
                qt_size = image.size();
            }));
        }
        const double a = median(ours), b = median(qt);
        std::printf("%-6s %10.1f %10.1f %8.2f   (%dx%d; Qt %dx%d)\n", scale.name, a, b, a / b, our_size.width(),
                    our_size.height(), qt_size.width(), qt_size.height());
    }
    std::remove(path.c_str());
    return 0;
}
