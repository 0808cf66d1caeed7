#include "formats/timestamp.h"

#include "formats/text_format.h"

CivilTime BreakDownTime(int32_t seconds)
{
    return BreakDownTime64(seconds);
}

CivilTime BreakDownTime64(int64_t s)
{
    // Floor division into days and seconds of the day.
    int64_t days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
    int64_t rest = s - days * 86400;

    // Civil date from days since 1970-01-01 (eras of 400 years).
    int64_t z = days + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t day = doy - (153 * mp + 2) / 5 + 1;
    int64_t month = mp < 10 ? mp + 3 : mp - 9;
    int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);

    CivilTime t;
    t.year = static_cast<int>(year);
    t.month = static_cast<int>(month);
    t.day = static_cast<int>(day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

void TimeStampText(int32_t seconds, bool human, char* text)
{
    CivilTime t = BreakDownTime(seconds);
    const char* pattern = human ? "%02d/%02d/%04d %02d:%02d:%02d" : "%02d %02d %04d %02d %02d %02d";
    Format(text, 20, pattern, t.month, t.day, t.year, t.hour, t.minute, t.second);
}

void WriteTimeStamp(int32_t seconds, bool human, std::FILE* out)
{
    char text[20];
    TimeStampText(seconds, human, text);
    std::fwrite(text, 1, 19, out);
}
