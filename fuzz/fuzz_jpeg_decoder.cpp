// The JPEG decoder on arbitrary bytes: the header, then the pixels at a small
// DCT scale and in full. Nothing may crash, hang or allocate without bound;
// the sink keeps one row, so only the decoder's own memory counts.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imagelib/decoder.h"

namespace {

using namespace tervo::imagelib;

class OneRowSink : public RowSink {
public:
    bool start(QSize size, QImage::Format) override {
        if (size.width() <= 0 || size.height() <= 0) __builtin_trap();
        row_.assign(std::size_t(size.width()) * 4, 0);
        height_ = size.height();
        next_ = 0;
        return true;
    }
    uchar* row(int y) override {
        // Rows come once each, top to bottom.
        if (y != next_ || y >= height_) __builtin_trap();
        return row_.data();
    }
    void row_done(int y) override {
        if (y != next_) __builtin_trap();
        ++next_;
    }

private:
    std::vector<uchar> row_;
    int height_ = 0;
    int next_ = 0;
};

// Full-size decodes of larger pictures take seconds each under the
// sanitizers without reaching new code; the small decode still covers them.
constexpr int64_t kFullDecodePixels = int64_t{4} << 20;

std::string scratch_path() {
    static const std::string path = "/tmp/tervo-fuzz-jpeg-" + std::to_string(getpid()) + ".jpg";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(scratch_path().c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const auto input = FileInput::open(scratch_path().c_str());
    if (!input) return 0;
    const auto info = read_jpeg_info(*input);
    if (info && (info->exif_orientation < 1 || info->exif_orientation > 8)) __builtin_trap();
    OneRowSink small;
    decode_jpeg(*input, QSize(64, 48), small);
    if (info && int64_t{info->stored_size.width()} * info->stored_size.height() <= kFullDecodePixels) {
        OneRowSink whole;
        decode_jpeg(*input, QSize(), whole);
    }
    return 0;
}
