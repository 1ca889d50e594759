#include "MirvRes.h"

#include <cstdio>
#include <sys/utsname.h>

extern "C" {

int32_t GetOsInfo(char* buffer, int32_t size)
{
    struct utsname u {};
    const bool known = uname(&u) == 0;
    const char* name = known ? u.sysname : "Unknown";
    const char* release = known ? u.release : "";
    char scratch[1];
    if (!buffer || size <= 0) {
        buffer = scratch;
        size = 1;
    }
    return std::snprintf(buffer, static_cast<size_t>(size), "%s %s", name, release);
}

} // extern "C"
