#include "formats/timestamp.h"

#include "formats/field_text.h"

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

namespace {

// The date of the last day a time stamp fell on: the stamps of a file follow
// each other, mostly within one day.
struct LastDay {
    int64_t days = INT64_MIN;
    CivilTime date{};
};

thread_local LastDay theLastDay;

}  // namespace

char* PutTimeStamp(char* p, int32_t seconds, bool human)
{
    const int64_t s = seconds;
    const int64_t days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
    const int rest = static_cast<int>(s - days * 86400);
    LastDay& last = theLastDay;
    if (last.days != days) {
        last.date = BreakDownTime64(days * 86400);
        last.days = days;
    }
    // A 32-bit count of seconds lies in the years 1901 to 2038: every field
    // has the digits its place holds.
    const CivilTime& t = last.date;
    const char dateMark = human ? '/' : ' ';
    const char timeMark = human ? ':' : ' ';
    p = PutTwoDigits(p, t.month);
    *p++ = dateMark;
    p = PutTwoDigits(p, t.day);
    *p++ = dateMark;
    p = PutFourDigits(p, t.year);
    *p++ = ' ';
    p = PutTwoDigits(p, rest / 3600);
    *p++ = timeMark;
    p = PutTwoDigits(p, rest / 60 % 60);
    *p++ = timeMark;
    return PutTwoDigits(p, rest % 60);
}

void TimeStampText(int32_t seconds, bool human, char* text)
{
    *PutTimeStamp(text, seconds, human) = '\0';
}

void WriteTimeStamp(int32_t seconds, bool human, std::FILE* out)
{
    char text[kTimeStampLength];
    PutTimeStamp(text, seconds, human);
    std::fwrite(text, 1, sizeof text, out);
}
