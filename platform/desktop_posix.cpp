#include "platform/desktop.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

ModuleHandle CurrentModule()
{
    static char token;
    return &token;
}

namespace {

bool LocalNow(std::tm& now)
{
    std::time_t t = std::time(nullptr);
    return localtime_r(&t, &now) != nullptr;
}

void Clear(char* out, int size)
{
    if (out && size > 0)
        out[0] = '\0';
}

}  // namespace

void LocalLongDate(char* out, int size)
{
    static const char* const days[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                       "Thursday", "Friday", "Saturday"};
    static const char* const months[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
    Clear(out, size);
    std::tm now;
    if (size <= 0 || !LocalNow(now) || now.tm_wday < 0 || now.tm_wday > 6 || now.tm_mon < 0 || now.tm_mon > 11)
        return;
    // Texts and integers only: the C library writes them the same everywhere.
    std::snprintf(out, static_cast<std::size_t>(size), "%s, %s %d, %d", days[now.tm_wday], months[now.tm_mon],
                  now.tm_mday, now.tm_year + 1900);
}

void LocalTimeOfDay(char* out, int size)
{
    Clear(out, size);
    std::tm now;
    if (size <= 0 || !LocalNow(now))
        return;
    int hour = now.tm_hour % 12 == 0 ? 12 : now.tm_hour % 12;
    std::snprintf(out, static_cast<std::size_t>(size), "%d:%02d:%02d %s", hour, now.tm_min, now.tm_sec,
                  now.tm_hour < 12 ? "AM" : "PM");
}

void* AllocateStorage(long long size)
{
    if (size <= 0)
        return nullptr;
    return std::calloc(static_cast<std::size_t>(size), 1);
}

void FreeStorage(void* storage)
{
    std::free(storage);
}

bool AskYesNo(const char* caption, const char* text)
{
    std::fprintf(stderr, "%s\n%s\n(continuing: Yes)\n", caption, text);
    return true;
}
