// The row sinks of the decoders: the whole picture, or the picture shrunk
// while it is decoded.
#pragma once

#include "imagelib/decoder.h"

namespace tervo::imagelib {

// Keeps every row: the picture at the size the decoder delivers.
class WholeImageSink : public RowSink {
public:
    bool start(QSize size, QImage::Format format) override;
    uchar* row(int y) override { return image_.scanLine(y); }
    void row_done(int) override {}
    // The picture; null before start() or when it had no memory.
    QImage& image() { return image_; }

private:
    QImage image_;
};

}  // namespace tervo::imagelib
