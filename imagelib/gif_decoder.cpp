// GIF through giflib, read record by record from the file: the picture is
// the first frame as it stands on the logical screen, which gives the size.
//
// The screen outside the first frame is transparent (before any frame is
// drawn the screen shows nothing; the background colour is a hint most
// viewers ignore); a frame reaching past the screen is cut to it; a screen
// with a zero side is refused. A file without any colour table shows its
// indices as grey levels, an index past the table as opaque black. Only the
// first frame is read: damage after it does not matter, damage before or in
// its visible rows fails the decode. Only the frame's lines up to the last
// visible row are decoded, and only its visible columns kept; a frame that
// would cost far more to decode than its screen shows is refused.
#include "imagelib/decoder.h"
#include "imagelib/image_source.h"
#include "imagelib/load_control.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <vector>

namespace tervo::imagelib {
namespace {

struct GifClose {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using Gif = std::unique_ptr<GifFileType, GifClose>;

int read_stream(GifFileType* gif, GifByteType* dest, int count) {
    if (count <= 0) return 0;
    return int(static_cast<FileCursor*>(gif->UserData)->read(dest, std::size_t(count)));
}

// giflib reading through `cursor`, past the screen descriptor and global
// colour table; nothing when they are damaged or the screen is not within
// the size cap.
Gif open_gif(FileCursor& cursor) {
    int error = 0;
    Gif gif(DGifOpen(&cursor, read_stream, &error));
    if (!gif) return nullptr;
    if (!within_size_cap(QSize(gif->SWidth, gif->SHeight))) return nullptr;
    return gif;
}

// Reads up to the first image descriptor, noting the transparent index of
// the graphic control extension before it (-1 without). False when the
// stream ends or breaks first.
bool find_first_image(GifFileType* gif, int& transparent) {
    transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type != EXTENSION_RECORD_TYPE) return false;  // the trailer, or a record giflib does not know
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
            GraphicsControlBlock gcb{};
            // A control block of the wrong length is ignored, not fatal.
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) != GIF_ERROR) transparent = gcb.TransparentColor;
        }
        while (block != nullptr)
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    }
}

// The colours of the 256 indices as ARGB32, transparent index included.
std::array<QRgb, 256> frame_palette(const GifFileType* gif, int transparent) {
    std::array<QRgb, 256> palette{};
    const ColorMapObject* map = gif->Image.ColorMap != nullptr ? gif->Image.ColorMap : gif->SColorMap;
    for (int i = 0; i < 256; ++i) {
        if (map == nullptr) {
            palette[i] = qRgb(i, i, i);
        } else if (i < map->ColorCount) {
            const GifColorType& c = map->Colors[i];
            palette[i] = qRgb(c.Red, c.Green, c.Blue);
        } else {
            palette[i] = qRgb(0, 0, 0);
        }
    }
    if (transparent >= 0 && transparent < 256) palette[transparent] = 0;
    return palette;
}

// A frame far larger than its screen costs its whole decode though only the
// screen shows: the lines to decode may hold a few screens' worth of pixels
// (and what any small picture needs), no more.
constexpr int64_t kFreeFramePixels = int64_t{1} << 24;
constexpr int64_t kScreensOfWork = 4;

bool work_in_proportion(int64_t pixels, int width, int height) {
    return pixels <= std::max(kFreeFramePixels, kScreensOfWork * width * height);
}

// Writes the screen's rows one by one: canvas, with the frame's visible
// part of each of its rows laid over it.
class ScreenWriter {
public:
    ScreenWriter(RowSink& sink, int width, const GifImageDesc& frame, const std::array<QRgb, 256>& palette)
        : sink_(sink),
          width_(width),
          left_(std::min(frame.Left, width)),
          right_(std::min(frame.Left + frame.Width, width)),
          palette_(palette) {}

    bool canvas_row(int y) {
        auto* row = reinterpret_cast<QRgb*>(sink_.row(y));
        if (row == nullptr) return false;
        std::fill(row, row + width_, QRgb{0});
        sink_.row_done(y);
        return true;
    }

    bool frame_row(int y, const GifPixelType* indices) {
        auto* row = reinterpret_cast<QRgb*>(sink_.row(y));
        if (row == nullptr) return false;
        std::fill(row, row + left_, QRgb{0});
        for (int x = left_; x < right_; ++x) row[x] = palette_[indices[x - left_]];
        std::fill(row + right_, row + width_, QRgb{0});
        sink_.row_done(y);
        return true;
    }

private:
    RowSink& sink_;
    int width_;
    int left_;
    int right_;
    const std::array<QRgb, 256>& palette_;
};

}  // namespace

std::optional<ImageInfo> read_gif_info(const FileInput& input) {
    FileCursor cursor(input);
    const Gif gif = open_gif(cursor);
    if (!gif) return std::nullopt;
    ImageInfo info;
    info.format = ImageFormat::Gif;
    info.stored_size = QSize(gif->SWidth, gif->SHeight);
    return info;
}

bool decode_gif(const FileInput& input, RowSink& sink) {
    FileCursor cursor(input);
    const Gif gif = open_gif(cursor);
    if (!gif) return false;
    int transparent = NO_TRANSPARENT_COLOR;
    if (!find_first_image(gif.get(), transparent)) return false;

    const int width = gif->SWidth;
    const int height = gif->SHeight;
    const GifImageDesc frame = gif->Image;
    if (frame.Width < 0 || frame.Height < 0 || frame.Left < 0 || frame.Top < 0) return false;
    // The frame's rows that land on the screen. A plain frame's rows below
    // it are never decoded; an interlaced frame's are, as they come between.
    const int first_row = std::min(frame.Top, height);
    const int end_row = std::min(frame.Top + frame.Height, height);
    const int visible_rows = end_row - first_row;
    const bool covers = frame.Left == 0 && frame.Top == 0 && frame.Width >= width && frame.Height >= height;
    const bool see_through = transparent != NO_TRANSPARENT_COLOR || !covers;
    const std::array<QRgb, 256> palette = frame_palette(gif.get(), transparent);

    // Interlaced rows arrive in four passes; only as many lines are decoded
    // as it takes to reach the last visible row.
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    int64_t lines_to_decode = visible_rows;
    if (frame.Interlace && visible_rows > 0) {
        const auto rows_below = [](int start, int step, int end) -> int64_t {
            return start < end ? (int64_t{end} - start + step - 1) / step : 0;
        };
        int last_pass = 0;
        for (int pass = 0; pass < 4; ++pass)
            if (kStart[pass] < visible_rows) last_pass = pass;
        lines_to_decode = rows_below(kStart[last_pass], kStep[last_pass], visible_rows);
        for (int pass = 0; pass < last_pass; ++pass)
            lines_to_decode += rows_below(kStart[pass], kStep[pass], frame.Height);
    }
    if (frame.Width > 0 && !work_in_proportion(int64_t{frame.Width} * lines_to_decode, width, height)) return false;

    // The frame's columns on the screen: no other column is kept.
    const int visible_left = std::min(frame.Left, width);
    const int visible_columns = std::max(0, std::min(frame.Left + frame.Width, width) - visible_left);
    const std::size_t kept = std::size_t(std::max(visible_columns, 1));  // a gathered row's length
    std::vector<GifPixelType> line;
    std::unique_ptr<GifPixelType[]> gathered;
    if (visible_rows > 0 && frame.Width > 0) {
        try {
            line.resize(std::size_t(frame.Width));
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (frame.Interlace) {
            // The visible rows are gathered first. Uncleared, so a frame that
            // breaks off early costs only what its rows reached; the passes
            // together write every visible row.
            if (int64_t(kept) * visible_rows > kDecoderMemoryLimit) return false;
            gathered.reset(new (std::nothrow) GifPixelType[kept * std::size_t(visible_rows)]);
            if (!gathered) return false;
            int64_t decoded = 0;
            for (int pass = 0; pass < 4 && decoded < lines_to_decode; ++pass)
                for (int y = kStart[pass]; y < frame.Height && decoded < lines_to_decode; y += kStep[pass], ++decoded) {
                    if (load_stopped() || DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return false;
                    if (y < visible_rows)
                        std::copy_n(line.begin(), visible_columns,
                                    gathered.get() + std::ptrdiff_t(y) * std::ptrdiff_t(kept));
                }
        }
    }

    if (!sink.start(QSize(width, height), see_through ? QImage::Format_ARGB32 : QImage::Format_RGB32)) return false;
    ScreenWriter writer(sink, width, frame, palette);
    for (int y = 0; y < first_row; ++y)
        if (!writer.canvas_row(y)) return false;
    for (int y = 0; y < visible_rows; ++y) {
        const GifPixelType* indices = nullptr;
        if (frame.Width == 0) {
            indices = nullptr;
        } else if (frame.Interlace) {
            indices = gathered.get() + std::size_t(y) * kept;
        } else {
            if (load_stopped() || DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return false;
            indices = line.data();
        }
        if (!writer.frame_row(first_row + y, indices)) return false;
    }
    for (int y = end_row; y < height; ++y)
        if (!writer.canvas_row(y)) return false;
    return true;
}

}  // namespace tervo::imagelib
