#include "imagelib/memory_reuse.h"

#include <malloc.h>

#include <mutex>

namespace tervo::imagelib {

void keep_freed_memory_for_reuse() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Blocks above the mmap threshold are mapped fresh on every
        // allocation and unmapped on free; 32 MiB is glibc's largest
        // threshold, enough for a window-sized picture and every band,
        // decoder row and coefficient buffer of a shrunk decode.
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
    });
}

}  // namespace tervo::imagelib
