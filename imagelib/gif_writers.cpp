// DIBtoGIF and DIBtoGIFAni: libimagequant for the colours, giflib for the
// file, behind an atomic write.
#include "imagelib/atomic_file.h"
#include "imagelib/gif_encoder.h"
#include "imagelib/gif_quantize.h"
#include "imagelib/image_record.h"
#include "imagelib/image_source.h"
#include "imagelib/imgctl.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace tervo {

using namespace imagelib;

namespace {

std::optional<IndexedImage> quantized_frame(const RecordPtr& record, int speed) {
    if (!record) return std::nullopt;
    return quantize(output_pixels(*record), speed);
}

}  // namespace

int DIBtoGIF(const char* path, ImageHandle image, int usage_switch) {
    std::optional<IndexedImage> indexed = quantized_frame(find_record(image), kQuantizeSpeedStill);
    if (!indexed) return 0;
    return write_atomically(path, [&](QIODevice& device) {
               GifEncoder encoder(device, indexed->width, indexed->height, std::nullopt);
               return encoder.add(*indexed, usage_switch == 1) && encoder.finish();
           })
               ? 1
               : 0;
}

int DIBtoGIFAni(const char* path, const ImageHandle* images, int count, uint16_t delay) {
    if (images == nullptr || count < 1) return 0;
    std::vector<RecordPtr> records;
    int canvas_width = 0;
    int canvas_height = 0;
    for (int i = 0; i < count; ++i) {
        RecordPtr record = find_record(images[i]);
        if (!record || record->size.isEmpty()) return 0;
        canvas_width = std::max(canvas_width, record->size.width());
        canvas_height = std::max(canvas_height, record->size.height());
        records.push_back(std::move(record));
    }
    if (canvas_width > 65535 || canvas_height > 65535) return 0;  // a GIF's limit

    return write_atomically(path, [&](QIODevice& device) {
               GifEncoder encoder(device, canvas_width, canvas_height, GifAnimation{delay});
               // Two frames at a time: decoding and quantising dominate and
               // run in parallel; only two frames are ever held at once.
               for (size_t i = 0; i < records.size(); i += 2) {
                   std::optional<IndexedImage> second;
                   auto make_second = [&] { second = quantized_frame(records[i + 1], kQuantizeSpeedAnimation); };
                   std::thread helper;
                   if (i + 1 < records.size()) {
                       try {
                           helper = std::thread(make_second);
                       } catch (const std::system_error&) {
                           make_second();  // no thread to be had: one after the other
                       }
                   }
                   std::optional<IndexedImage> first = quantized_frame(records[i], kQuantizeSpeedAnimation);
                   if (helper.joinable()) helper.join();
                   if (!first || !encoder.add(*first, false)) return false;
                   if (i + 1 < records.size() && (!second || !encoder.add(*second, false))) return false;
               }
               return encoder.finish();
           })
               ? 1
               : 0;
}

}  // namespace tervo
