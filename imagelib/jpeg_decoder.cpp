// JPEG through libjpeg-turbo's libjpeg API, reading the FileInput in chunks.
//
// libjpeg reports fatal errors through error_exit, which must not return: it
// longjmps back to the function that set the jump. Those functions hold no
// object with a destructor between setjmp and the end of the decode, and
// every callback libjpeg makes into this file is plain code, so the jump
// skips no C++ cleanup. Everything libjpeg allocates goes with
// jpeg_destroy_decompress, on both paths.
#include "imagelib/decoder.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/image_source.h"
#include "imagelib/load_control.h"
#include "imagelib/memory_budget.h"

#include <QtGlobal>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace tervo::imagelib {

namespace {

// libjpeg-turbo's fast Huffman path runs only while a few KB of input are
// left in the buffer; larger chunks leave less of the file to the slow one.
constexpr std::size_t kReadChunk = 256 * 1024;

// A file of endless scans would otherwise be consumed scan by scan for as
// long as it lasts; real progressive files have about ten.
constexpr int kMaxScans = 500;

// Opaque 32-bit pixels in the byte order of QImage::Format_RGB32. The alpha
// variants are asked for because only they promise 0xff in the fourth byte,
// which Format_RGB32 requires; libjpeg-turbo converts to them as fast.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_BGRA;
#else
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_ARGB;
#endif

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

struct SourceManager {
    jpeg_source_mgr pub;
    FileCursor* cursor;
    JOCTET* buffer;
    bool at_start;
};

const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

[[noreturn]] void error_exit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings and traces are counted by libjpeg but never printed.
void output_message(j_common_ptr) {}

void init_source(j_decompress_ptr) {}

boolean fill_input_buffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    const std::size_t got = src->cursor->read(src->buffer, kReadChunk);
    if (got == 0) {
        if (src->at_start) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // The file ends early: an end marker lets libjpeg finish with what it
        // has, the rest of the picture grey.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->pub.next_input_byte = kFakeEoi;
        src->pub.bytes_in_buffer = sizeof kFakeEoi;
    } else {
        src->pub.next_input_byte = src->buffer;
        src->pub.bytes_in_buffer = got;
    }
    src->at_start = false;
    return TRUE;
}

void skip_input_data(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    if (count <= 0) return;
    if (std::size_t(count) <= src->pub.bytes_in_buffer) {
        src->pub.next_input_byte += count;
        src->pub.bytes_in_buffer -= std::size_t(count);
        return;
    }
    // Past the buffer: move the cursor instead of reading what is skipped.
    // Skipping past the end leaves the cursor there; the next fill then
    // reports the early end.
    if (!src->cursor->skip(int64_t(count) - int64_t(src->pub.bytes_in_buffer)))
        src->cursor->seek(src->cursor->input().size());
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
}

void term_source(j_decompress_ptr) {}

// What the scans may cost in all, in blocks passed through (a scan passes
// through every block of its components, holding data or not): this many
// times the picture's blocks, which is more than twice what real
// progressions use, and at least a small picture's worth for any picture.
// Hundreds of empty refinement scans would otherwise cost seconds each time.
constexpr int64_t kScanPassesPerBlock = 12;
constexpr int64_t kFreeScanBlocks = int64_t{1} << 22;

struct Progress {
    jpeg_progress_mgr pub;
    int64_t blocks_allowed;  // 0 until the header was read
    int64_t blocks_passed;
    int last_scan;
};

int64_t total_blocks(const jpeg_decompress_struct& cinfo) {
    int64_t blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i)
        blocks += int64_t(cinfo.comp_info[i].width_in_blocks) * cinfo.comp_info[i].height_in_blocks;
    return blocks;
}

// Called by libjpeg between rows, in the input and output passes alike: the
// place to refuse a progression that costs too much, and to stop a load
// that is to stop.
void watch_progress(j_common_ptr common) {
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* progress = reinterpret_cast<Progress*>(common->progress);
    if (load_stopped() || cinfo->input_scan_number > kMaxScans) (*common->err->error_exit)(common);
    if (progress->blocks_allowed == 0 || cinfo->input_scan_number == progress->last_scan) return;
    progress->last_scan = cinfo->input_scan_number;
    for (int i = 0; i < cinfo->comps_in_scan; ++i)
        progress->blocks_passed +=
            int64_t(cinfo->cur_comp_info[i]->width_in_blocks) * cinfo->cur_comp_info[i]->height_in_blocks;
    if (progress->blocks_passed > progress->blocks_allowed) (*common->err->error_exit)(common);
}

void allow_scan_work(Progress& progress, const jpeg_decompress_struct& cinfo) {
    progress.blocks_allowed = std::max(kFreeScanBlocks, kScanPassesPerBlock * total_blocks(cinfo));
}

// One decompressor with its managers; plain data, so it may live in the
// frame that sets the jump.
struct Decompressor {
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    SourceManager source;
    Progress progress;
    FileCursor* cursor;
};

// Sets up everything but the jump. Must run after setjmp, as
// jpeg_create_decompress may already fail.
void create(Decompressor& d) {
    d.cinfo.err = jpeg_std_error(&d.error.pub);
    d.error.pub.error_exit = error_exit;
    d.error.pub.output_message = output_message;
    jpeg_create_decompress(&d.cinfo);
    // libjpeg's own buffers (the coefficients of a multi-scan file above
    // all) stay within the decoder's share of a load; a larger need is
    // refused when the buffers are set up, before they exist.
    d.cinfo.mem->max_memory_to_use = long(kDecoderMemoryLimit);

    d.source.cursor = d.cursor;
    d.source.buffer = static_cast<JOCTET*>(
        (*d.cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&d.cinfo), JPOOL_PERMANENT, kReadChunk));
    d.source.at_start = true;
    d.source.pub.init_source = init_source;
    d.source.pub.fill_input_buffer = fill_input_buffer;
    d.source.pub.skip_input_data = skip_input_data;
    d.source.pub.resync_to_restart = jpeg_resync_to_restart;
    d.source.pub.term_source = term_source;
    d.source.pub.bytes_in_buffer = 0;
    d.source.pub.next_input_byte = nullptr;
    d.cinfo.src = &d.source.pub;

    d.progress.pub.progress_monitor = watch_progress;
    d.progress.pub.pass_counter = 0;
    d.progress.pub.pass_limit = 0;
    d.progress.pub.completed_passes = 0;
    d.progress.pub.total_passes = 0;
    d.progress.blocks_allowed = 0;
    d.progress.blocks_passed = 0;
    d.progress.last_scan = 0;
    d.cinfo.progress = &d.progress.pub;
}

// ---- EXIF orientation -------------------------------------------------

struct ExifMarker {
    int orientation;  // 0 until the first EXIF block was read
    unsigned char data[65535];
};

// The file offset libjpeg has reached.
int64_t input_position(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    return src->cursor->position() - int64_t(src->pub.bytes_in_buffer);
}

// Reads one byte through the source; libjpeg's own marker readers do the
// same.
unsigned next_byte(j_decompress_ptr cinfo) {
    if (cinfo->src->bytes_in_buffer == 0) (*cinfo->src->fill_input_buffer)(cinfo);
    --cinfo->src->bytes_in_buffer;
    return *cinfo->src->next_input_byte++;
}

// APP1: the first EXIF block is read straight from the file into a fixed
// buffer (never into memory that grows with the number of markers), the
// rest is skipped.
boolean read_app1(j_decompress_ptr cinfo) {
    auto* exif = static_cast<ExifMarker*>(cinfo->client_data);
    const unsigned high = next_byte(cinfo);
    const unsigned length = high << 8 | next_byte(cinfo);
    if (length < 2) return TRUE;
    const std::size_t size = length - 2;
    if (exif->orientation == 0) {
        auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
        const std::size_t got = src->cursor->input().read_at(input_position(cinfo), exif->data, size);
        // XMP and other blocks share APP1; only the first EXIF one counts.
        if (got >= 5 && std::memcmp(exif->data, "Exif\0", 5) == 0)
            exif->orientation = orientation_of_exif_block(exif->data, got);
    }
    (*cinfo->src->skip_input_data)(cinfo, long(size));
    return TRUE;
}

struct InfoReader {
    Decompressor d;
    ExifMarker exif;
};

// Everything between setjmp and the end of libjpeg's work; false when
// libjpeg failed.
bool read_header(InfoReader& r) {
    if (setjmp(r.d.error.jump)) return false;
    create(r.d);
    r.d.cinfo.client_data = &r.exif;
    jpeg_set_marker_processor(&r.d.cinfo, JPEG_APP0 + 1, read_app1);
    jpeg_read_header(&r.d.cinfo, TRUE);
    return true;
}

// Pictures up to this many pixels are always decoded whole. A reduced scale
// saves nothing worth having on them, and on a picture of a few blocks the
// padding of the edge blocks visibly changes its colours (libjpeg-turbo 2.1
// also reads uninitialised memory scaling some of them).
constexpr uint64_t kWholeDecodePixels = uint64_t{1} << 16;

// A side at a reduced scale without its last, partial block's pixel: that
// pixel stands for fewer source pixels than the others, so scaling it like
// them would shift the picture by a fraction of a pixel toward its far edge.
uint64_t whole_blocks_side(JDIMENSION side, unsigned num) { return uint64_t(side) * num / 8; }

// Whether a reduced side covers the wanted one, and closely enough: the
// source pixels left out with the partial block must not move the far edge
// of the shown picture by more than a quarter of one of its pixels, or fine
// detail visibly shifts against the whole picture shrunk.
bool reduced_side_fits(JDIMENSION side, unsigned num, int wanted) {
    const uint64_t kept = whole_blocks_side(side, num);
    if (kept < uint64_t(wanted)) return false;
    const uint64_t left_out = side - kept * 8 / num;
    return left_out * uint64_t(wanted) * 4 <= side;
}

// The smallest DCT scale whose whole-block part covers `wanted` in both
// directions, closely enough (see reduced_side_fits).
void choose_scale(jpeg_decompress_struct& cinfo, QSize wanted) {
    cinfo.scale_denom = 8;
    cinfo.scale_num = 8;
    if (!wanted.isValid()) return;
    if (uint64_t(cinfo.image_width) * cinfo.image_height <= kWholeDecodePixels) return;
    for (unsigned num : {1u, 2u, 4u}) {
        if (reduced_side_fits(cinfo.image_width, num, wanted.width()) &&
            reduced_side_fits(cinfo.image_height, num, wanted.height())) {
            cinfo.scale_num = num;
            return;
        }
    }
}

inline uchar times_over_255(unsigned a, unsigned b) {
    const unsigned t = a * b + 128;
    return uchar((t + (t >> 8)) >> 8);
}

// CMYK as Adobe writes it (inverted: 255 is no ink) or plain, to RGB32.
void cmyk_to_rgb32(const JSAMPLE* in, uchar* out, JDIMENSION width, bool inverted) {
    auto* pixel = reinterpret_cast<QRgb*>(out);
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        pixel[x] = qRgb(times_over_255(c, k), times_over_255(m, k), times_over_255(y, k));
    }
}

// What a multi-scan file (progressive above all) needs beside its
// coefficients: the working rows.
constexpr int64_t kWorkingMemory = int64_t{32} << 20;

// A multi-scan file keeps every coefficient of the picture until its last
// scan: 128 bytes a block, each component padded to whole MCU rows and
// columns as libjpeg allocates them. Nothing for a single-scan file.
int64_t coefficient_bytes(jpeg_decompress_struct& cinfo) {
    if (!jpeg_has_multiple_scans(&cinfo)) return 0;
    int64_t blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        const int64_t across = (int64_t{c.width_in_blocks} + c.h_samp_factor - 1) / c.h_samp_factor * c.h_samp_factor;
        const int64_t down = (int64_t{c.height_in_blocks} + c.v_samp_factor - 1) / c.v_samp_factor * c.v_samp_factor;
        blocks += across * down;
    }
    return blocks * int64_t{sizeof(JBLOCK)};
}

// The decoder's share of a load: its usual limit, or up to the whole
// budget for the coefficients of a picture that needs them (the sink then
// keeps to what is left); beyond that libjpeg refuses it. Only a file that
// can hold its first scan (a bit a block at least) is given more: a header
// of a few KB claiming a huge picture is refused before anything exists.
int64_t memory_share(int64_t coefficients, int64_t file_bytes) {
    if (coefficients == 0 || file_bytes * 8 < coefficients / int64_t{sizeof(JBLOCK)}) return kDecoderMemoryLimit;
    return std::clamp(coefficients + kWorkingMemory, kDecoderMemoryLimit, kLoadMemoryLimit);
}

struct PixelDecoder {
    Decompressor d;
    MemoryClaim* claim;  // lives outside the frame that sets the jump
};

bool decode_pixels(PixelDecoder& p, QSize wanted, RowSink& sink) {
    jpeg_decompress_struct& cinfo = p.d.cinfo;
    if (setjmp(p.d.error.jump)) return false;
    create(p.d);
    jpeg_read_header(&cinfo, TRUE);
    if (!within_size_cap(QSize(int(qMin<JDIMENSION>(cinfo.image_width, 1u << 30)),
                               int(qMin<JDIMENSION>(cinfo.image_height, 1u << 30)))))
        return false;
    allow_scan_work(p.d.progress, cinfo);
    // The coefficients come out of the process's budget first.
    const int64_t coefficients = coefficient_bytes(cinfo);
    if (coefficients > 0 && !(*p.claim = MemoryClaim(coefficients))) return false;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : kRgb32Space;
    choose_scale(cinfo, wanted);
    const int64_t share = memory_share(coefficients, p.d.cursor->input().size());
    if (share > kDecoderMemoryLimit) {
        cinfo.mem->max_memory_to_use = long(share);
        sink.decoder_holds(share);
    }
    jpeg_start_decompress(&cinfo);

    // At a reduced scale the rows and columns of the partial last blocks are
    // left out (see whole_blocks_side); at full scale every pixel is kept.
    const bool reduced = cinfo.scale_num < cinfo.scale_denom;
    const JDIMENSION width = reduced ? JDIMENSION(whole_blocks_side(cinfo.image_width, cinfo.scale_num))
                                     : cinfo.output_width;
    const JDIMENSION height = reduced ? JDIMENSION(whole_blocks_side(cinfo.image_height, cinfo.scale_num))
                                      : cinfo.output_height;
    if (!sink.start(QSize(int(width), int(height)), QImage::Format_RGB32)) return false;
    // Rows libjpeg writes somewhere else than straight into the sink: CMYK
    // ones to be converted, and rows wider than the sink's or below them.
    const bool direct = !cmyk && width == cinfo.output_width;
    const JSAMPARRAY scratch = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                          cinfo.output_width * 4, 1);
    const bool inverted = cinfo.saw_Adobe_marker;
    // One row a call straight into the sink: the sink may hand out a row
    // only once the one before is done. libjpeg-turbo upsamples and
    // converts directly into it, so this costs no copy.
    while (cinfo.output_scanline < height) {
        const int y = int(cinfo.output_scanline);
        uchar* row = sink.row(y);
        if (row == nullptr) return false;
        JSAMPROW target = direct ? row : scratch[0];
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) return false;
        if (cmyk)
            cmyk_to_rgb32(scratch[0], row, width, inverted);
        else if (!direct)
            std::memcpy(row, scratch[0], std::size_t(width) * 4);
        sink.row_done(y);
        if (!sink.wants_rows_after(y)) break;
    }
    // Whatever follows the last row (trailing data, the end marker) is not
    // read: the picture is complete.
    return true;
}

}  // namespace

std::optional<ImageInfo> read_jpeg_info(const FileInput& input) {
    FileCursor cursor(input);
    auto* reader = new InfoReader();  // the EXIF buffer is too large for the stack
    reader->d.cursor = &cursor;
    const bool ok = read_header(*reader);
    const QSize size(int(qMin<JDIMENSION>(reader->d.cinfo.image_width, 1u << 30)),
                     int(qMin<JDIMENSION>(reader->d.cinfo.image_height, 1u << 30)));
    const int orientation = reader->exif.orientation == 0 ? 1 : reader->exif.orientation;
    jpeg_destroy_decompress(&reader->d.cinfo);
    delete reader;
    if (!ok || !within_size_cap(size)) return std::nullopt;
    ImageInfo info;
    info.format = ImageFormat::Jpeg;
    info.stored_size = size;
    info.exif_orientation = orientation;
    return info;
}

bool decode_jpeg(const FileInput& input, QSize wanted, RowSink& sink) {
    FileCursor cursor(input);
    MemoryClaim claim;
    PixelDecoder decoder{};
    decoder.d.cursor = &cursor;
    decoder.claim = &claim;
    const bool ok = decode_pixels(decoder, wanted, sink);
    jpeg_destroy_decompress(&decoder.d.cinfo);
    return ok;
}

}  // namespace tervo::imagelib
