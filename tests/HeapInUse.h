#pragma once

#include <cstddef>

// The bytes the process holds allocated on the heap right now. A leak of
// live memory (a cache that keeps what it is given) shows here, where
// LeakSanitizer sees nothing: the memory is still referenced. Under
// AddressSanitizer its own allocator's count is read, since glibc's arenas
// then hold nothing.
namespace HeapInUse {

std::size_t bytes();

} // namespace HeapInUse
