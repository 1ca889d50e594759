#include "EntryGuard.h"
#include "MirvRes.h"

#include <algorithm>
#include <cstring>

extern "C" {

int32_t LenB_ASCII(const char* text)
{
    return guardedEntry([&] { return text ? static_cast<int32_t>(std::strlen(text)) : 0; });
}

int32_t MidB_ASCII(char* text, int32_t start, int32_t length)
{
    return guardedEntry([&]() -> std::int32_t {
        if (!text)
            return 0;
        const int32_t total = static_cast<int32_t>(std::strlen(text));
        const int32_t from = std::max<int32_t>(start, 1) - 1;
        if (from >= total || length <= 0) {
            text[0] = '\0';
            return 0;
        }
        const int32_t count = std::min(length, total - from);
        std::memmove(text, text + from, static_cast<size_t>(count));
        text[count] = '\0';
        return count;
    });
}

} // extern "C"
