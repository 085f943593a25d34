// JPEG XL through libjxl: the first frame (composed, for an animation),
// as 8-bit RGBA with straight alpha, the file fed in blocks. The
// orientation is left to exif_orientation so the picture is shrunk before
// it is turned, as for the other formats.
#include "imagelib/decoder.h"
#include "imagelib/image_source.h"
#include "imagelib/row_sinks.h"

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace tervo::imagelib {
namespace {

constexpr std::size_t kBlock = std::size_t{256} << 10;
// libjxl works on floating-point planes: about this many bytes a pixel
// besides the 8-bit output.
constexpr int64_t kWorkingBytesPerPixel = 12;

// What libjxl allocates through its memory manager, counted against the
// decoders' share; each block carries its size in front.
struct Allowance {
    std::atomic<int64_t> used{0};
};
constexpr std::size_t kHeader = 16;  // keeps the blocks 16-byte aligned

void* counted_alloc(void* opaque, std::size_t size) {
    auto* allowance = static_cast<Allowance*>(opaque);
    if (int64_t(size) > kDecoderMemoryLimit ||
        allowance->used.fetch_add(int64_t(size)) + int64_t(size) > kDecoderMemoryLimit) {
        allowance->used.fetch_sub(int64_t(size));
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) {
        allowance->used.fetch_sub(int64_t(size));
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    return block + kHeader;
}

void counted_free(void* opaque, void* address) {
    if (address == nullptr) return;
    auto* block = static_cast<unsigned char*>(address) - kHeader;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    static_cast<Allowance*>(opaque)->used.fetch_sub(int64_t(size));
    std::free(block);
}

struct DecoderFree {
    void operator()(JxlDecoder* dec) const { JxlDecoderDestroy(dec); }
};
struct RunnerFree {
    void operator()(void* runner) const { JxlThreadParallelRunnerDestroy(runner); }
};

// One pass over the file up to the events asked for. `on_event` gets every
// event but the need for input, and returns false to stop.
class JxlReader {
public:
    explicit JxlReader(const FileInput& input) : input_(input) {
        const JxlMemoryManager manager{&allowance_, counted_alloc, counted_free};
        dec_.reset(JxlDecoderCreate(&manager));
    }

    JxlDecoder* get() const { return dec_.get(); }

    template <typename OnEvent>
    bool run(int events, OnEvent on_event) {
        if (!dec_ || JxlDecoderSubscribeEvents(dec_.get(), events) != JXL_DEC_SUCCESS ||
            JxlDecoderSetKeepOrientation(dec_.get(), JXL_TRUE) != JXL_DEC_SUCCESS)
            return false;
        for (;;) {
            const JxlDecoderStatus status = JxlDecoderProcessInput(dec_.get());
            if (status == JXL_DEC_NEED_MORE_INPUT) {
                if (!feed()) return false;
                continue;
            }
            if (status == JXL_DEC_ERROR || status == JXL_DEC_SUCCESS) return false;
            if (!on_event(status)) return true;
        }
    }

private:
    // The bytes libjxl has not consumed, then the next block.
    bool feed() {
        const std::size_t kept = JxlDecoderReleaseInput(dec_.get());
        if (offset_ >= input_.size()) return false;
        std::vector<uint8_t> next(kept + kBlock);
        if (kept > 0) std::memcpy(next.data(), buffer_.data() + buffer_.size() - kept, kept);
        const std::size_t got = input_.read_at(offset_, next.data() + kept, kBlock);
        offset_ += int64_t(got);
        next.resize(kept + got);
        buffer_.swap(next);
        if (JxlDecoderSetInput(dec_.get(), buffer_.data(), buffer_.size()) != JXL_DEC_SUCCESS) return false;
        if (offset_ >= input_.size()) JxlDecoderCloseInput(dec_.get());
        return got > 0;
    }

    const FileInput& input_;
    Allowance allowance_;
    std::unique_ptr<JxlDecoder, DecoderFree> dec_;
    std::vector<uint8_t> buffer_;
    int64_t offset_ = 0;
};

bool acceptable(const JxlBasicInfo& info) {
    const QSize size(int(std::min<uint32_t>(info.xsize, kMaxImageSide + 1)),
                     int(std::min<uint32_t>(info.ysize, kMaxImageSide + 1)));
    return within_size_cap(size) &&
           int64_t{size.width()} * size.height() * (kWorkingBytesPerPixel + 4) <= kDecoderMemoryLimit;
}

}  // namespace

std::optional<ImageInfo> read_jxl_info(const FileInput& input) {
    JxlReader reader(input);
    JxlBasicInfo basic{};
    bool got = false;
    reader.run(JXL_DEC_BASIC_INFO, [&](JxlDecoderStatus status) {
        got = status == JXL_DEC_BASIC_INFO && JxlDecoderGetBasicInfo(reader.get(), &basic) == JXL_DEC_SUCCESS;
        return false;
    });
    if (!got || !acceptable(basic)) return std::nullopt;
    ImageInfo info;
    info.format = ImageFormat::Jxl;
    info.stored_size = QSize(int(basic.xsize), int(basic.ysize));
    info.exif_orientation = basic.orientation >= 1 && basic.orientation <= 8 ? int(basic.orientation) : 1;
    return info;
}

bool decode_jxl(const FileInput& input, RowSink& sink) {
    JxlReader reader(input);
    if (!reader.get()) return false;
    const std::unique_ptr<void, RunnerFree> runner(JxlThreadParallelRunnerCreate(nullptr, 2));
    if (runner && JxlDecoderSetParallelRunner(reader.get(), JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS)
        return false;
    JxlDecoderSetUnpremultiplyAlpha(reader.get(), JXL_TRUE);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    JxlBasicInfo basic{};
    std::unique_ptr<uint8_t[]> pixels;
    bool done = false;
    const bool ran = reader.run(JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE, [&](JxlDecoderStatus status) {
        switch (status) {
        case JXL_DEC_BASIC_INFO:
            return JxlDecoderGetBasicInfo(reader.get(), &basic) == JXL_DEC_SUCCESS && acceptable(basic);
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            std::size_t bytes = 0;
            if (JxlDecoderImageOutBufferSize(reader.get(), &format, &bytes) != JXL_DEC_SUCCESS ||
                bytes != std::size_t(basic.xsize) * basic.ysize * 4)
                return false;
            pixels.reset(new (std::nothrow) uint8_t[bytes]);
            return pixels && JxlDecoderSetImageOutBuffer(reader.get(), &format, pixels.get(), bytes) == JXL_DEC_SUCCESS;
        }
        case JXL_DEC_FULL_IMAGE: done = true; return false;
        default: return true;
        }
    });
    if (!ran || !done || !pixels) return false;
    const QSize size(int(basic.xsize), int(basic.ysize));
    const QImage::Format qformat = basic.alpha_bits != 0 ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888;
    return feed_rows(QImage(pixels.get(), size.width(), size.height(), size.width() * 4, qformat), sink);
}

}  // namespace tervo::imagelib
