#include "app/settings_record.h"
#include "formats/bytes.h"
#include "formats/record.h"
#include "formats/timestamp.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(Bytes, BigEndianFields)
{
    const uint8_t fffe[] = {0xFF, 0xFE};
    EXPECT_EQ(GetI16(fffe), -2);
    EXPECT_EQ(GetU16(fffe), 65534);
    const uint8_t u24[] = {0x01, 0x02, 0x03};
    EXPECT_EQ(GetU24(u24), 66051u);
    const uint8_t top[] = {0xFF, 0x80, 0x00, 0x01};
    EXPECT_EQ(GetU24(top), 0xFF8000u);
    EXPECT_EQ(GetI32(top), static_cast<int32_t>(0xFF800001u));
    EXPECT_EQ(GetU32(top), 0xFF800001u);
    const uint8_t one[] = {0x3F, 0x80, 0x00, 0x00};
    EXPECT_EQ(GetF32(one), 1.0f);
    const uint8_t minus100[] = {0xC2, 0xC8, 0x00, 0x00};
    EXPECT_EQ(GetF32(minus100), -100.0f);
}

TEST(Bytes, ReadRecordNeedsTheWholeRecord)
{
    InputFile in(Bytes().u32(1).u16(2));
    uint8_t record[4];
    EXPECT_TRUE(ReadRecord(in.get(), record, 4));
    EXPECT_EQ(GetU32(record), 1u);
    EXPECT_FALSE(ReadRecord(in.get(), record, 4));  // only two bytes left
    EXPECT_FALSE(ReadRecord(in.get(), record, 4));  // end of file
}

struct TimeCase {
    int32_t seconds;
    const char* human;
    const char* machine;
};

TEST(TimeStamp, BothFormsOverTheWholeRange)
{
    const TimeCase cases[] = {
        {0, "01/01/1970 00:00:00", "01 01 1970 00 00 00"},
        {2147483647, "01/19/2038 03:14:07", "01 19 2038 03 14 07"},
        {951782400, "02/29/2000 00:00:00", "02 29 2000 00 00 00"},
        {951868799, "02/29/2000 23:59:59", "02 29 2000 23 59 59"},
        {-1, "12/31/1969 23:59:59", "12 31 1969 23 59 59"},
        {-86400, "12/31/1969 00:00:00", "12 31 1969 00 00 00"},
        {INT32_MIN, "12/13/1901 20:45:52", "12 13 1901 20 45 52"},
        {1234567890, "02/13/2009 23:31:30", "02 13 2009 23 31 30"},
        {1719792000, "07/01/2024 00:00:00", "07 01 2024 00 00 00"},
    };
    for (const TimeCase& c : cases) {
        char text[20];
        TimeStampText(c.seconds, true, text);
        EXPECT_STREQ(text, c.human) << c.seconds;
        TimeStampText(c.seconds, false, text);
        EXPECT_STREQ(text, c.machine) << c.seconds;
    }
}

TEST(TimeStamp, WritesNineteenBytesInTheFormChosen)
{
    OutputFile out;
    WriteTimeStamp(0, true, out.get());
    WriteTimeStamp(0, false, out.get());
    EXPECT_EQ(out.text(), "01/01/1970 00:00:0001 01 1970 00 00 00");
}

TEST(TimeStamp, AgreesWithADayByDayWalk)
{
    // Walk one day at a time from 1901 to 2038 and check each date follows the last.
    int32_t seconds = INT32_MIN + 86400 - (INT32_MIN % 86400 + 86400) % 86400;  // first midnight
    CivilTime previous = BreakDownTime(seconds);
    const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int64_t s = static_cast<int64_t>(seconds) + 86400; s <= INT32_MAX; s += 86400) {
        CivilTime t = BreakDownTime(static_cast<int32_t>(s));
        bool leap = previous.year % 4 == 0 && (previous.year % 100 != 0 || previous.year % 400 == 0);
        int length = monthDays[previous.month - 1] + (previous.month == 2 && leap ? 1 : 0);
        if (previous.day < length) {
            ASSERT_EQ(t.day, previous.day + 1);
            ASSERT_EQ(t.month, previous.month);
        } else if (previous.month < 12) {
            ASSERT_EQ(t.day, 1);
            ASSERT_EQ(t.month, previous.month + 1);
        } else {
            ASSERT_EQ(t.day, 1);
            ASSERT_EQ(t.month, 1);
            ASSERT_EQ(t.year, previous.year + 1);
        }
        ASSERT_EQ(t.hour, 0);
        previous = t;
    }
}

}  // namespace
