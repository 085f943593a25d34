// What the decoder harnesses share: the input bytes as a file, and a sink
// that keeps no rows but gives each one exactly its width, so a decoder
// writing past a row or out of order is caught.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/decoder.h"

namespace tervo::fuzzing {

inline std::shared_ptr<const imagelib::FileInput> input_of(const uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/tervo-fuzz-decoder-" + std::to_string(getpid());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return nullptr;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    return imagelib::FileInput::open(path.c_str());
}

class CheckingSink : public imagelib::RowSink {
public:
    explicit CheckingSink(QSize expected) : expected_(expected) {}
    bool start(QSize size, QImage::Format format) override {
        if (started_ || size != expected_) std::abort();
        started_ = true;
        height_ = size.height();
        row_.assign(std::size_t(size.width()) * std::size_t(QImage::toPixelFormat(format).bitsPerPixel() / 8), 0);
        return true;
    }
    uchar* row(int y) override {
        if (!started_ || y != next_) std::abort();
        return row_.data();
    }
    void row_done(int y) override {
        if (y != next_ || y >= height_) std::abort();
        ++next_;
    }
    // After a successful decode every row must have come.
    void check_complete() const {
        if (next_ != height_) std::abort();
    }

private:
    QSize expected_;
    bool started_ = false;
    int height_ = 0;
    int next_ = 0;
    std::vector<uchar> row_;
};

}  // namespace tervo::fuzzing
