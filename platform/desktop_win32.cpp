#include "platform/desktop.h"

#include <windows.h>

ModuleHandle CurrentModule()
{
    return GetModuleHandleA(nullptr);
}

void LocalLongDate(char* out, int size)
{
    if (!out || size <= 0)
        return;
    out[0] = '\0';
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE | LOCALE_USE_CP_ACP, nullptr, nullptr, out, size) == 0)
        out[0] = '\0';
}

void LocalTimeOfDay(char* out, int size)
{
    if (!out || size <= 0)
        return;
    out[0] = '\0';
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, LOCALE_USE_CP_ACP, nullptr, nullptr, out, size) == 0)
        out[0] = '\0';
}

void* AllocateStorage(long long size)
{
    if (size <= 0 || static_cast<unsigned long long>(size) > static_cast<SIZE_T>(-1))
        return nullptr;
    return VirtualAlloc(nullptr, static_cast<SIZE_T>(size), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void FreeStorage(void* storage)
{
    if (storage)
        VirtualFree(storage, 0, MEM_RELEASE);
}

bool AskYesNo(const char* caption, const char* text)
{
    return MessageBoxA(nullptr, text, caption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}
