#pragma once
// Instrument time stamps: signed 32-bit seconds since 1970-01-01 00:00:00 UTC,
// broken down with our own calendar code (proleptic Gregorian, no leap
// seconds, no time zone), so the text is the same on every computer. Values
// before 1970 are broken down the same way: -1 is 12/31/1969 23:59:59.

#include <cstdint>
#include <cstdio>

struct CivilTime {
    int year;
    int month;   // 1..12
    int day;     // 1..31
    int hour;
    int minute;
    int second;
};

CivilTime BreakDownTime(int32_t seconds);
// The same for any 64-bit count of seconds (file times on disk).
CivilTime BreakDownTime64(int64_t seconds);

// The 19-character text of a time stamp: "MM/DD/YYYY HH:MM:SS" in human form,
// "MM DD YYYY HH MM SS" in machine form, as the formatter writes it with
// "%02d/%02d/%04d %02d:%02d:%02d" (or blanks for the marks).
constexpr int kTimeStampLength = 19;

// Writes the text at `p` (no NUL) and returns its end.
char* PutTimeStamp(char* p, int32_t seconds, bool human);
// The text, NUL-ended: `text` holds at least 20 bytes.
void TimeStampText(int32_t seconds, bool human, char* text);

// Writes one time stamp in the form chosen; nothing else.
void WriteTimeStamp(int32_t seconds, bool human, std::FILE* out);
