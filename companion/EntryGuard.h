#pragma once

#include <cstdint>

// Runs the body of a C entry point: nothing may cross the C interface, so a
// failure inside answers 0, the "nothing done" of every operation.
template <class Body>
std::int32_t guardedEntry(Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return 0;
    }
}
