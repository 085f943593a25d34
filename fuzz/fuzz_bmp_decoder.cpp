// The BMP decoder alone on arbitrary bytes: header reading and decoding must
// neither crash nor allocate without bound, and rows must come in order.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imagelib/decoder.h"

namespace {

std::string scratch_path() {
    static const std::string path = "/tmp/tervo-fuzz-bmp-" + std::to_string(getpid()) + ".bmp";
    return path;
}

// Takes every row into the same buffer: the decoder's own memory is what is
// measured, not a picture's.
class DiscardingSink : public tervo::imagelib::RowSink {
public:
    bool start(QSize size, QImage::Format format) override {
        if (started_ || size.isEmpty()) std::abort();
        if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32) std::abort();
        started_ = true;
        height_ = size.height();
        row_.assign(static_cast<std::size_t>(size.width()), 0);
        return true;
    }
    uchar* row(int y) override {
        if (y != next_ || y >= height_) std::abort();
        return reinterpret_cast<uchar*>(row_.data());
    }
    void row_done(int y) override {
        if (y != next_) std::abort();
        ++next_;
    }

private:
    bool started_ = false;
    int height_ = 0;
    int next_ = 0;
    std::vector<uint32_t> row_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(scratch_path().c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const auto input = tervo::imagelib::FileInput::open(scratch_path().c_str());
    if (!input) return 0;
    const auto info = tervo::imagelib::read_bmp_info(*input);
    DiscardingSink sink;
    const bool decoded = tervo::imagelib::decode_bmp(*input, sink);
    // The header reader and the decoder agree on what is a BMP.
    if (decoded && !info) std::abort();
    return 0;
}
