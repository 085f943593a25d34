#include "tests/imagelib/decoder_test_support.h"

#include "imagelib/row_sinks.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace tervo::testing {

std::vector<CorpusEntry> corpus_tests(const std::vector<CorpusEntry>& manifest, const std::string& format) {
    std::vector<CorpusEntry> out;
    for (const CorpusEntry& e : manifest)
        if (e.role == "test" && e.format == format) out.push_back(e);
    return out;
}

Decoded decode_file(const std::string& path, const InfoReader& info, const Decoder& decode) {
    Decoded result;
    const auto input = imagelib::FileInput::open(path.c_str());
    if (!input) return result;
    result.info = info(*input);
    if (!result.info) return result;
    imagelib::WholeImageSink sink;
    result.decoded = decode(*input, sink);
    result.image = sink.image();
    return result;
}

bool CountingSink::start(QSize s, QImage::Format f) {
    ++starts;
    size = s;
    format = f;
    if (!accept_) return false;
    const int depth = QImage(1, 1, f).depth();
    row_.assign(std::size_t(s.width()) * std::size_t(depth / 8) + 64, 0);
    peak_resident = resident_bytes();
    return true;
}

uchar* CountingSink::row(int y) {
    if (y != rows_done) in_order = false;
    return row_.data();
}

void CountingSink::row_done(int y) {
    if (y != rows_done) in_order = false;
    ++rows_done;
    if (y % 256 == 0) peak_resident = std::max(peak_resident, resident_bytes());
}

int64_t resident_bytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t total = 0, resident = 0;
    statm >> total >> resident;
    return resident * int64_t(sysconf(_SC_PAGESIZE));
}

int64_t peak_resident_bytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return int64_t{usage.ru_maxrss} * 1024;
}

int max_difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 256;
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int max = 0;
    for (int y = 0; y < pa.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(pa.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(pb.constScanLine(y));
        for (int x = 0; x < pa.width(); ++x)
            for (int shift : {0, 8, 16, 24})
                max = std::max(max, std::abs(int((ra[x] >> shift) & 0xff) - int((rb[x] >> shift) & 0xff)));
    }
    return max;
}

}  // namespace tervo::testing
