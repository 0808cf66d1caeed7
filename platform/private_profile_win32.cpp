#include "platform/private_profile.h"

#include <windows.h>

unsigned ProfileReadInt(const char* section, const char* key, int defaultValue, const char* file)
{
    return GetPrivateProfileIntA(section, key, defaultValue, file);
}

int ProfileReadString(const char* section, const char* key, const char* defaultValue, char* out, int size,
                      const char* file)
{
    if (!out || size <= 0)
        return 0;
    return static_cast<int>(
        GetPrivateProfileStringA(section, key, defaultValue, out, static_cast<DWORD>(size), file));
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file)
{
    return WritePrivateProfileStringA(section, key, value, file) != 0;
}
