// Writing GIF files with giflib onto any Qt device.
#pragma once

#include "imagelib/gif_quantize.h"

#include <QIODevice>

#include <optional>

typedef struct GifFileType GifFileType;

namespace tervo::imagelib {

// Animation settings of a GIF: every frame shows `delay` hundredths of a
// second, and the whole loops forever.
struct GifAnimation {
    uint16_t delay = 0;
};

// Writes the screen descriptor on construction, one image per add(), and
// the trailer on finish(). Each image carries its own colour table and sits
// at the top left of the screen.
class GifEncoder {
public:
    GifEncoder(QIODevice& device, int screen_width, int screen_height, std::optional<GifAnimation> animation);
    ~GifEncoder();
    GifEncoder(const GifEncoder&) = delete;
    GifEncoder& operator=(const GifEncoder&) = delete;

    bool add(const IndexedImage& image, bool interlaced);
    // Completes the file; false when anything on the way failed.
    bool finish();

private:
    bool put_loop_forever();

    GifFileType* gif_ = nullptr;
    std::optional<GifAnimation> animation_;
    bool ok_ = false;
};

}  // namespace tervo::imagelib
