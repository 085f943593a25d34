// Tervo's image library: the fourteen operations through which the program
// loads, turns, converts, resizes, draws and writes images. Nothing else in
// the program touches pixels or codecs.
//
// Every operation is safe on a handle that was never issued or was already
// released: it does nothing and reports failure (0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

class QPainter;

namespace tervo {

// Opaque handle of one image held by the library; 0 means none.
using ImageHandle = uint32_t;

// 40 bytes laid out as a bitmap info header, little-endian. Callers read the
// width (bytes 4..7) and the height (bytes 8..11) as signed 32-bit values.
struct image_header {
    uint8_t bytes[40];
};
static_assert(sizeof(image_header) == 40);

[[nodiscard]] int32_t header_width(const image_header& header);
[[nodiscard]] int32_t header_height(const image_header& header);

// Raster operation of DIBtoDCex2: copy the source unchanged.
constexpr uint32_t SRCCOPY = 0x00CC0020;

// Largest image ToDIB accepts, checked on the file's header before any pixel
// buffer exists: each side at most 32768 pixels and at most 2^27 pixels in
// all (128 Mi, 512 MiB at four bytes a pixel). A JPEG shown shrunk is
// decoded at a reduced DCT scale, so even one near the cap needs only a
// window-sized buffer; other formats are decoded whole.
constexpr int32_t kMaxImageSide = 32768;
constexpr int64_t kMaxImagePixels = int64_t{1} << 27;

// Loads a BMP, JPEG, PNG, GIF, WebP, AVIF, HEIF, TIFF or JPEG XL file, told
// by its content (the first frame or page of an animation or a multi-page
// file). 0 when the file cannot be loaded.
[[nodiscard]] ImageHandle ToDIB(const char* path);

// Decodes the image's pixels now without keeping them: 0 when they cannot be
// decoded (ToDIB reads only the header, so a file with a sound header and
// damaged pixels loads but would draw and write nothing).
[[nodiscard]] int CheckDIB(ImageHandle image);

// Releases the image. Nonzero when the handle was live; releasing a handle
// that is not is harmless, so the result may go unread.
int DeleteDIB(ImageHandle image);

// Turns the image in place by 90, 180 or 270 degrees clockwise (any multiple
// of 90, negative turning back). Other angles leave it unchanged and give 0.
[[nodiscard]] int TurnDIB(ImageHandle image, int angle);

// Converts the image in place to 24-bit RGB (transparency over white).
[[nodiscard]] int DIBto24Bit(ImageHandle image);

// Fills the header with the image's current size.
[[nodiscard]] int HeadDIB(ImageHandle image, image_header* header);

// Resizes the image in place to exactly width x height with smooth
// resampling (area averaging when shrinking, bilinear when enlarging). A size
// below one pixel in either direction leaves an empty image that draws
// nothing.
[[nodiscard]] int ResizeDIB(ImageHandle image, int width, int height);

// Draws the source rectangle of the image into the destination rectangle of
// the painter's device, replacing what was there. Mode 1 copies the pixels
// unchanged (stretching, if the rectangles differ, by nearest pixel); any
// other mode stretches smoothly. Only SRCCOPY is supported; other raster
// operations draw nothing and give 0. A failed draw leaves the device as it
// was, with nothing for the caller to undo, so the result may go unread.
int DIBtoDCex2(QPainter* dc, int dest_x, int dest_y, int dest_width, int dest_height, ImageHandle image,
               int src_x, int src_y, int src_width, int src_height, uint32_t rop, int mode);

// Writers: nonzero when the file was written. Each writes atomically (a
// temporary file renamed into place), so a failure leaves no partial file and
// an existing file untouched. usage_switch 1 selects the web variant:
// progressive JPEG with optimised Huffman tables, interlaced GIF, PNG at the
// highest zlib compression. GIFs are quantised to at most 256 colours with
// dithering; BMPs are 24-bit.
[[nodiscard]] int DIBtoBMP(const char* path, ImageHandle image);
[[nodiscard]] int DIBtoJPG(const char* path, ImageHandle image, int quality, int usage_switch);
[[nodiscard]] int DIBtoGIF(const char* path, ImageHandle image, int usage_switch);
[[nodiscard]] int DIBtoPNG(const char* path, ImageHandle image, int usage_switch);

// Writes the images as one animated GIF looping forever, each frame at the
// top left of a canvas as large as the largest frame, every frame shown for
// `delay` hundredths of a second.
[[nodiscard]] int DIBtoGIFAni(const char* path, const ImageHandle* images, int count, uint16_t delay);

// The library's own version and beta number, each in the low 16 bits. The
// version is major * 100 + minor, and callers show it as the two numbers
// with the minor part unpadded: 100 is 1.0, 105 is 1.5, 123 is 1.23.
inline constexpr uint16_t kImgctlVersion = 100;
inline constexpr uint16_t kImgctlBeta = 0;
[[nodiscard]] uint32_t ImgctlVersion();
[[nodiscard]] uint32_t ImgctlBeta();

// Why the last operation of this thread that gave 0 failed: ToDIB and the
// writers start with no reason noted; loading notes why the file was
// refused, drawing and writing why its pixels could not be made, writing
// why the file could not be replaced, with the system's error number where
// there is one.
enum class ImageError {
    None,           // no reason noted (a handle that is not live, a size below one pixel)
    CannotOpen,     // the file could not be opened (system_error says why)
    NotAFile,       // a folder, pipe or device
    UnknownFormat,  // none of the formats the library reads
    DamagedHeader,  // the header cannot be read
    TooLarge,       // over the size cap
    DamagedPixels,  // the pixels cannot be decoded, or not within the memory budget
    EncodeFailed,   // the encoder refused the image
    CannotWrite,    // the file could not be replaced (system_error says why)
};
struct ImageFailure {
    ImageError error = ImageError::None;
    int system_error = 0;  // errno, 0 when none applies
};
[[nodiscard]] ImageFailure last_image_failure();
// The reason in words, for the program's diagnostics.
[[nodiscard]] std::string describe(const ImageFailure& failure);

// How many images are held right now (loaded and not yet released): lets
// checks prove that a long show releases every image it loads.
[[nodiscard]] std::size_t live_image_count();

// Holds one image and releases it (DeleteDIB) when it goes: the owner of
// every handle the program keeps, so that no way out of a procedure leaks
// one. Move-only; get() lends the handle to the operations above, release()
// hands it over to a caller that releases it itself.
class Image {
public:
    Image() = default;
    explicit Image(ImageHandle handle) noexcept : handle_(handle) {}
    // ToDIB: empty when the file cannot be loaded.
    [[nodiscard]] static Image load(const char* path) { return Image(ToDIB(path)); }

    Image(Image&& other) noexcept : handle_(other.release()) {}
    Image& operator=(Image&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() { reset(); }

    [[nodiscard]] ImageHandle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != 0; }
    [[nodiscard]] ImageHandle release() noexcept { return std::exchange(handle_, 0); }
    // Releases the image held (if any) and holds `handle` instead.
    void reset(ImageHandle handle = 0) noexcept {
        const ImageHandle old = std::exchange(handle_, handle);
        if (old != 0 && old != handle) DeleteDIB(old);
    }

private:
    ImageHandle handle_ = 0;
};

}  // namespace tervo
