#include "EntryGuard.h"
#include "MirvRes.h"

#include <cstdio>
#include <sys/utsname.h>

extern "C" {

int32_t GetOsInfo(char* buffer, int32_t size)
{
    return guardedEntry([&]() -> std::int32_t {
        struct utsname u {};
        const bool known = uname(&u) == 0;
        const char* name = known ? u.sysname : "Unknown";
        const char* release = known ? u.release : "";
        char scratch[1];
        char* out = buffer;
        int32_t room = size;
        if (!out || room <= 0) {
            out = scratch;
            room = 1;
        }
        return std::snprintf(out, static_cast<size_t>(room), "%s %s", name, release);
    });
}

} // extern "C"
