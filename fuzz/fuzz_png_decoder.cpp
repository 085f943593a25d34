// The PNG decoder on arbitrary bytes: header, then the rows into a sink
// that keeps none. Nothing may crash, hang, write past a row or allocate
// without bound.
#include "fuzz/fuzz_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto input = tervo::fuzzing::input_of(data, size);
    if (!input) return 0;
    const auto info = tervo::imagelib::read_png_info(*input);
    if (!info) return 0;
    tervo::fuzzing::CheckingSink sink(info->stored_size);
    if (tervo::imagelib::decode_png(*input, sink)) sink.check_complete();
    return 0;
}
