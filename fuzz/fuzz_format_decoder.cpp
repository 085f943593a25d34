// One of the newer formats' decoders on arbitrary bytes (chosen when built:
// TERVO_FUZZ_WEBP, _AVIF, _HEIF, _TIFF or _JXL): header, then the rows into
// a sink that keeps none. Nothing may crash, hang, write past a row or
// allocate without bound.
#include "fuzz/fuzz_decoder.h"

namespace {

using namespace tervo::imagelib;

#if defined(TERVO_FUZZ_WEBP)
const auto read_info = read_webp_info;
bool decode(const FileInput& input, RowSink& sink) { return decode_webp(input, QSize(), sink); }
#elif defined(TERVO_FUZZ_AVIF)
const auto read_info = read_avif_info;
const auto decode = decode_avif;
#elif defined(TERVO_FUZZ_HEIF)
const auto read_info = read_heif_info;
const auto decode = decode_heif;
#elif defined(TERVO_FUZZ_TIFF)
const auto read_info = read_tiff_info;
const auto decode = decode_tiff;
#elif defined(TERVO_FUZZ_JXL)
const auto read_info = read_jxl_info;
const auto decode = decode_jxl;
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto input = tervo::fuzzing::input_of(data, size);
    if (!input) return 0;
    const auto info = read_info(*input);
    if (!info) return 0;
    tervo::fuzzing::CheckingSink sink(info->stored_size);
    if (decode(*input, sink)) sink.check_complete();
#if defined(TERVO_FUZZ_WEBP)
    // Shrunk by libwebp while decoding, to a quarter.
    const QSize quarter((info->stored_size.width() + 3) / 4, (info->stored_size.height() + 3) / 4);
    tervo::fuzzing::CheckingSink shrunk(quarter);
    if (decode_webp(*input, quarter, shrunk)) shrunk.check_complete();
#endif
    return 0;
}
