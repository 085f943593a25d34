// DIBtoJPG: libjpeg-turbo's libjpeg API encoding into memory, then an atomic
// write.
//
// As in the decoder, libjpeg's fatal errors longjmp back to the function
// that set the jump, which holds no object with a destructor; the encoded
// bytes live in a plain malloc'd buffer owned by the caller, so neither path
// leaks them.
#include "imagelib/atomic_file.h"
#include "imagelib/image_record.h"
#include "imagelib/image_source.h"
#include "imagelib/imgctl.h"
#include "imagelib/pixel_ops.h"

#include <QtGlobal>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jerror.h>
#include <jpeglib.h>

namespace tervo {

using namespace imagelib;

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_XRGB;
#endif

// Quality from which colour keeps full resolution (4:4:4); below it the
// chroma is halved both ways (4:2:0), as cameras and most encoders do.
constexpr int kFullChromaQuality = 90;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void error_exit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void output_message(j_common_ptr) {}

// A growing memory buffer. jpeg_mem_dest is not used: after it has grown
// its buffer, an error leaves the caller holding a pointer it already freed,
// so the buffer could be neither freed nor safely kept.
struct MemoryDestination {
    jpeg_destination_mgr pub;
    JOCTET* data;
    std::size_t capacity;
    std::size_t size;  // valid once compression finished
};

constexpr std::size_t kFirstCapacity = 64 * 1024;

void init_destination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->data = static_cast<JOCTET*>(std::malloc(kFirstCapacity));
    if (dest->data == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->capacity = kFirstCapacity;
    dest->pub.next_output_byte = dest->data;
    dest->pub.free_in_buffer = dest->capacity;
}

// Called when the buffer is full (free_in_buffer is 0), not where the
// encoder stopped writing.
boolean empty_output_buffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const std::size_t grown = dest->capacity * 2;
    auto* data = static_cast<JOCTET*>(std::realloc(dest->data, grown));
    if (data == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->data = data;
    dest->pub.next_output_byte = data + dest->capacity;
    dest->pub.free_in_buffer = grown - dest->capacity;
    dest->capacity = grown;
    return TRUE;
}

void term_destination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->size = dest->capacity - dest->pub.free_in_buffer;
}

struct Compressor {
    jpeg_compress_struct cinfo;
    ErrorManager error;
    MemoryDestination dest;
};

// `pixels` is Format_RGB32. False when libjpeg failed (no memory).
bool encode(Compressor& c, const QImage& pixels, int quality, bool progressive) {
    jpeg_compress_struct& cinfo = c.cinfo;
    if (setjmp(c.error.jump)) return false;
    cinfo.err = jpeg_std_error(&c.error.pub);
    c.error.pub.error_exit = error_exit;
    c.error.pub.output_message = output_message;
    jpeg_create_compress(&cinfo);
    c.dest.pub.init_destination = init_destination;
    c.dest.pub.empty_output_buffer = empty_output_buffer;
    c.dest.pub.term_destination = term_destination;
    cinfo.dest = &c.dest.pub;

    cinfo.image_width = JDIMENSION(pixels.width());
    cinfo.image_height = JDIMENSION(pixels.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = kRgb32Space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    const int chroma_step = quality >= kFullChromaQuality ? 1 : 2;
    cinfo.comp_info[0].h_samp_factor = chroma_step;
    cinfo.comp_info[0].v_samp_factor = chroma_step;
    for (int i = 1; i < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    if (progressive) {
        jpeg_simple_progression(&cinfo);
        cinfo.optimize_coding = TRUE;
    }
    jpeg_start_compress(&cinfo, TRUE);
    constexpr int kRowsPerCall = 16;
    JSAMPROW rows[kRowsPerCall];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int first = int(cinfo.next_scanline);
        const int count = std::min(kRowsPerCall, pixels.height() - first);
        // libjpeg only reads the rows; its interface is not const.
        for (int i = 0; i < count; ++i) rows[i] = const_cast<JSAMPROW>(pixels.constScanLine(first + i));
        jpeg_write_scanlines(&cinfo, rows, JDIMENSION(count));
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

int DIBtoJPG(const char* path, ImageHandle image, int quality, int usage_switch) {
    RecordPtr record = find_record(image);
    if (!record) return 0;
    const QImage pixels = flattened_opaque(output_pixels(*record));
    if (pixels.isNull() || pixels.format() != QImage::Format_RGB32) return 0;

    Compressor compressor{};
    const bool encoded = encode(compressor, pixels, std::clamp(quality, 1, 100), usage_switch == 1);
    jpeg_destroy_compress(&compressor.cinfo);
    const JOCTET* data = compressor.dest.data;
    const std::size_t size = compressor.dest.size;
    const bool written = encoded && write_atomically(path, [&](QIODevice& device) {
                             return device.write(reinterpret_cast<const char*>(data), qint64(size)) ==
                                    qint64(size);
                         });
    std::free(compressor.dest.data);
    return written ? 1 : 0;
}

}  // namespace tervo
