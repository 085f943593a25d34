// Keeping freed pixel memory for the next picture.
#pragma once

namespace tervo::imagelib {

// Makes the C library keep freed buffers of up to 32 MiB, and up to 64 MiB
// of free memory at the top of its heap, instead of handing them back to
// the system: a show decodes picture after picture into buffers of much the
// same sizes, and every page handed back is a page fault for the next
// picture. Set once for the process; later calls do nothing.
void keep_freed_memory_for_reuse();

}  // namespace tervo::imagelib
