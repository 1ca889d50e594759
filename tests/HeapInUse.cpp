#include "HeapInUse.h"

#if defined(__SANITIZE_ADDRESS__)
#define HEAP_IN_USE_FROM_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HEAP_IN_USE_FROM_SANITIZER 1
#endif
#endif

#ifdef HEAP_IN_USE_FROM_SANITIZER
// Declared here: GCC ships no header for the sanitizers' allocator interface,
// though its runtime has the function.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace HeapInUse {

std::size_t bytes()
{
#ifdef HEAP_IN_USE_FROM_SANITIZER
    return __sanitizer_get_current_allocated_bytes();
#else
    // Small blocks in the arenas, and the large ones malloc maps on their own.
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

} // namespace HeapInUse
