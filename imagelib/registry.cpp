#include "imagelib/image_record.h"

#include <mutex>
#include <unordered_map>

namespace tervo::imagelib {
namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<ImageHandle, RecordPtr> records;
    ImageHandle last = 0;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

ImageHandle register_record(RecordPtr record) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    // Skip 0 and any value still live after the counter wraps.
    do {
        ++r.last;
    } while (r.last == 0 || r.records.count(r.last) != 0);
    r.records.emplace(r.last, std::move(record));
    return r.last;
}

RecordPtr find_record(ImageHandle handle) {
    if (handle == 0) return nullptr;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.records.find(handle);
    return it == r.records.end() ? nullptr : it->second;
}

std::size_t record_count() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.records.size();
}

bool release_record(ImageHandle handle) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.records.erase(handle) != 0;
}

}  // namespace tervo::imagelib

namespace tervo {

std::size_t live_image_count() { return imagelib::record_count(); }

}  // namespace tervo
