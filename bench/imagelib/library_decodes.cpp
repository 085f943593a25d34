#include "bench/imagelib/library_decodes.h"

#include <avif/avif.h>
#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <webp/decode.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace tervo::bench {
namespace {

std::vector<uint8_t> bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool webp(const std::string& path) {
    const std::vector<uint8_t> data = bytes_of(path);
    int width = 0, height = 0;
    uint8_t* pixels = WebPDecodeRGBA(data.data(), data.size(), &width, &height);
    WebPFree(pixels);
    return pixels != nullptr;
}

bool avif(const std::string& path) {
    avifDecoder* decoder = avifDecoderCreate();
    decoder->maxThreads = 2;
    avifImage* image = avifImageCreateEmpty();
    bool ok = avifDecoderReadFile(decoder, image, path.c_str()) == AVIF_RESULT_OK;
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.depth = 8;
    if (ok) {
        avifRGBImageAllocatePixels(&rgb);
        ok = avifImageYUVToRGB(image, &rgb) == AVIF_RESULT_OK;
        avifRGBImageFreePixels(&rgb);
    }
    avifImageDestroy(image);
    avifDecoderDestroy(decoder);
    return ok;
}

bool heif(const std::string& path) {
    heif_context* ctx = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    const bool ok =
        heif_context_read_from_file(ctx, path.c_str(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok &&
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code ==
            heif_error_Ok;
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(ctx);
    return ok;
}

bool tiff(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return false;
    uint32_t width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    std::vector<uint32_t> raster(std::size_t(width) * height);
    const bool ok = TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_TOPLEFT, 0) != 0;
    TIFFClose(tif);
    return ok;
}

bool jxl(const std::string& path) {
    const std::vector<uint8_t> data = bytes_of(path);
    JxlDecoder* dec = JxlDecoderCreate(nullptr);
    void* runner = JxlThreadParallelRunnerCreate(nullptr, 2);
    JxlDecoderSetParallelRunner(dec, JxlThreadParallelRunner, runner);
    JxlDecoderSubscribeEvents(dec, JXL_DEC_FULL_IMAGE);
    JxlDecoderSetInput(dec, data.data(), data.size());
    JxlDecoderCloseInput(dec);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::vector<uint8_t> pixels;
    bool ok = false;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec);
        if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            std::size_t size = 0;
            JxlDecoderImageOutBufferSize(dec, &format, &size);
            pixels.resize(size);
            JxlDecoderSetImageOutBuffer(dec, &format, pixels.data(), size);
            continue;
        }
        ok = status == JXL_DEC_FULL_IMAGE;
        break;
    }
    JxlThreadParallelRunnerDestroy(runner);
    JxlDecoderDestroy(dec);
    return ok;
}

bool ends_with(const std::string& path, const char* suffix) {
    const std::string s(suffix);
    return path.size() >= s.size() && path.compare(path.size() - s.size(), s.size(), s) == 0;
}

}  // namespace

bool library_full_decode(const std::string& path) {
    if (ends_with(path, ".webp")) return webp(path);
    if (ends_with(path, ".avif")) return avif(path);
    if (ends_with(path, ".heic")) return heif(path);
    if (ends_with(path, ".tif")) return tiff(path);
    if (ends_with(path, ".jxl")) return jxl(path);
    return false;
}

}  // namespace tervo::bench
