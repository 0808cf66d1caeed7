#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/acm.h"
#include "tests/fixture/decoder_test.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t T0 = 1719792000;  // 2024-07-01 00:00:00 UTC

const char* kHeading =
    "\r\n\r\n Profile 12\r\n"
    "\r\n   TX      TY       HX       HY       HZ      VPAB     VPCD     VPEF     VPGH\r\n\r\n";

class Acm : public ProfileDecoderTest {
protected:
    Acm() : ProfileDecoderTest(UnpackAcmProfile) {}
};

TEST_F(Acm, CountsBecomeValues)
{
    struct Case {
        Bytes scan;
        const char* row;
    } cases[] = {
        {Bytes().acmScan({30000, 30000, 30000, 30000, 30000, 30000, 30000, 30000, 30000}),
         " +00.00  +00.00  +0.0000  +0.0000  +0.0000  +000.00  +000.00  +000.00  +000.00\r\n"},
        {Bytes().acmScan({0, 0, 0, 0, 0, 0, 0, 0, 0}),
         " -30.00  -30.00  -1.0000  -1.0000  -1.0000  -300.00  -300.00  -300.00  -300.00\r\n"},
        {Bytes().acmScan({31234, 28766, 45000, 15000, 30001, 30050, 29950, 31234, 0}),
         " +01.23  -01.23  +0.5000  -0.5000  +0.0000  +000.50  -000.50  +012.34  -300.00\r\n"},
        // Eight end words and one other: an ordinary scan.
        {Bytes().acmScan({65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535, 65534}),
         " +35.53  +35.53  +1.1845  +1.1845  +1.1845  +355.35  +355.35  +355.35  +355.34\r\n"},
        // TX and TY come from the double of count x 0.001: in single precision
        // 15 would print -29.99, and count / 1000 would print -27.87 for 2135.
        {Bytes().acmScan({15, 2135, 30000, 30000, 30000, 30000, 30000, 30000, 30000}),
         " -29.98  -27.86  +0.0000  +0.0000  +0.0000  +000.00  +000.00  +000.00  +000.00\r\n"},
    };
    for (const Case& c : cases) {
        Bytes b = c.scan;
        b.acmEnd().sensorTimes(T0, T0 + 1);
        EXPECT_EQ(Decode(b, false), c.row);
    }
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(Acm, HumanFormAndSensorTimeEntry)
{
    Bytes b;
    b.acmScan({0, 0, 0, 0, 0, 0, 0, 0, 0}).acmEnd().sensorTimes(T0, T0 + 61);
    EXPECT_EQ(Decode(b, true),
              std::string(kHeading) +
                  " -30.00  -30.00  -1.0000  -1.0000  -1.0000  -300.00  -300.00  -300.00  -300.00\r\n"
                  "\r\n Profile 12\r\n"
                  "\r\n   ACM turned on at  07/01/2024 00:00:00"
                  "\r\n   ACM turned off at 07/01/2024 00:01:01");
    EXPECT_EQ(snsrtime_.text(),
              "\r\n Profile 12 ACM turned on at  07/01/2024 00:00:00"
              "\r\n Profile 12 ACM turned off at 07/01/2024 00:01:01\r\n");
}

TEST_F(Acm, ProfileOfOnlyTheEndMarkAndSkippedProfiles)
{
    Bytes b;
    b.acmEnd().sensorTimes(0, 1);
    EXPECT_EQ(Decode(b, false), "");
    EXPECT_EQ(Decode(b, true),
              std::string(kHeading) +
                  "\r\n Profile 12\r\n"
                  "\r\n   ACM turned on at  01/01/1970 00:00:00"
                  "\r\n   ACM turned off at 01/01/1970 00:00:01");

    // Skipped: only the sensor time entry, and the stream at the next profile.
    Bytes two;
    two.acmScan({1, 2, 3, 4, 5, 6, 7, 8, 9}).acmEnd().sensorTimes(T0, T0 + 1);
    two.acmEnd().sensorTimes(T0 + 2, T0 + 3);
    InputFile in(two);
    OutputFile log;
    EXPECT_EQ(UnpackAcmProfile(nullptr, in.get(), 5, log.get(), Options()), DecodeResult::Done);
    EXPECT_EQ(in.position(), 18 + 18 + 8);
    EXPECT_EQ(UnpackAcmProfile(nullptr, in.get(), 6, log.get(), Options()), DecodeResult::Done);
    EXPECT_EQ(log.text(),
              "\r\n Profile 5 ACM turned on at  07/01/2024 00:00:00"
              "\r\n Profile 5 ACM turned off at 07/01/2024 00:00:01\r\n"
              "\r\n Profile 6 ACM turned on at  07/01/2024 00:00:02"
              "\r\n Profile 6 ACM turned off at 07/01/2024 00:00:03\r\n");
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(Acm, FileEndingAtEveryByte)
{
    const char* row = " -30.00  -30.00  -1.0000  -1.0000  -1.0000  -300.00  -300.00  -300.00  -300.00\r\n";
    Bytes whole;
    whole.acmScan({0, 0, 0, 0, 0, 0, 0, 0, 0}).acmEnd().sensorTimes(T0, T0 + 1);
    const std::size_t timesAt = 2 * kAcmScanSize;
    for (bool human : {true, false}) {
        Settings.HumanReadible = human ? 1 : 0;
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            ResetTestLog();
            InputFile in(whole.first(cut));
            OutputFile text, log;
            ASSERT_EQ(UnpackAcmProfile(text.get(), in.get(), 12, log.get(), Options()), DecodeResult::ReadError) << cut;
            EXPECT_STREQ(LogTake(), "Error reading from ACM file for profile 12\r\n") << cut;
            EXPECT_EQ(log.text(), "") << cut;
            // The note is written in both forms, but only among the scans.
            std::string want = human ? kHeading : "";
            if (cut >= kAcmScanSize)
                want += row;
            if (cut < timesAt)
                want += " End of file reached for file\r\n";
            EXPECT_EQ(text.text(), want) << cut;
        }
    }
}

TEST_F(Acm, CancelIsPolledBeforeEachScan)
{
    TheUnpackJob().Cancel();
    Bytes b;
    b.acmScan({1, 2, 3, 4, 5, 6, 7, 8, 9}).acmEnd().sensorTimes(T0, T0 + 1);
    EXPECT_EQ(Decode(b, true, DecodeResult::Cancelled), kHeading);
    EXPECT_STREQ(LogTake(), "Operation cancelled by user\r\n");
    EXPECT_EQ(snsrtime_.text(), "");
}

}  // namespace
