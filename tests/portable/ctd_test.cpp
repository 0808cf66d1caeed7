#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/ctd.h"
#include "formats/deployment.h"
#include "tests/fixture/decoder_test.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t T0 = 1719792000;  // 2024-07-01 00:00:00 UTC

class Ctd : public ProfileDecoderTest {
protected:
    Ctd() : ProfileDecoderTest(UnpackCtdProfile) {}
    void SetUp() override
    {
        ProfileDecoderTest::SetUp();
        savedRecord_ = TestDeployment;
        Fit(true, false);
    }
    void TearDown() override
    {
        ProfileDecoderTest::TearDown();
        TestDeployment = savedRecord_;
    }
    static void Fit(bool fsiEm, bool seaBird)
    {
        TestDeployment = DeploymentRecord{};
        TestDeployment.fsiEmCtd = fsiEm ? 1 : 0;
        TestDeployment.seaBirdCtd = seaBird ? 1 : 0;
    }
    DeploymentRecord savedRecord_;
};

TEST_F(Ctd, CountsBecomeValuesWithTheConstantsOfTheFittedCtd)
{
    struct Case {
        bool fsiEm, seaBird;
        uint32_t c, t, p;
        const char* row;
    } cases[] = {
        {true, false, 0, 0, 0, " -02.0000  -02.5000  -0010.000\r\n"},
        {false, true, 345000, 150000, 12345, " +34.0000  +10.0000  +0113.450\r\n"},
        {true, false, 7000000, 3000000, 1234567, " +33.0000  +05.0000  +0551.167\r\n"},
        {true, true, 7000000, 3000000, 1234567, " +33.0000  +05.0000  +0551.167\r\n"},
        {false, false, 7000000, 3000000, 1234567, " +33.0000  +05.0000  +0551.167\r\n"},
        // Rounded to single precision before printing: in double these print
        // -01.9999, -02.5000 and +1024.015.
        {true, false, 10, 20, 2274834, " -02.0000  -02.4999  +1024.016\r\n"},
        {false, true, 10245003, 10290008, 1639403, " +1024.0002  +1024.0009  +16384.029\r\n"},
        // A full count in only some fields is an ordinary scan.
        {true, false, 16777215, 16777215, 0, " +81.8861  +39.4430  -0010.000\r\n"},
        {true, false, 0, 16777215, 16777215, " -02.0000  +39.4430  +7616.007\r\n"},
    };
    for (const Case& c : cases) {
        Fit(c.fsiEm, c.seaBird);
        Bytes b;
        b.ctdScan(c.c, c.t, c.p).ctdEnd().sensorTimes(T0, T0 + 1);
        EXPECT_EQ(Decode(b, false), c.row) << c.c << " " << c.t << " " << c.p;
    }
}

TEST_F(Ctd, HumanFormAndSensorTimeEntry)
{
    Bytes b;
    b.ctdScan(0, 0, 0).ctdScan(7000000, 3000000, 1234567).ctdEnd().sensorTimes(T0, T0 + 61);
    EXPECT_EQ(Decode(b, true),
              "\r\n\r\n Profile 12\r\n"
              "\r\n  mmho/cm   Celsius    dbars\r\n\r\n"
              " -02.0000  -02.5000  -0010.000\r\n"
              " +33.0000  +05.0000  +0551.167\r\n"
              "\r\n\r\n Profile 12\r\n"
              "\r\n   CTD turned on at  07/01/2024 00:00:00"
              "\r\n   CTD turned off at 07/01/2024 00:01:01\r\n");
    EXPECT_EQ(snsrtime_.text(),
              "\r\n Profile 12 CTD turned on at  07/01/2024 00:00:00"
              "\r\n Profile 12 CTD turned off at 07/01/2024 00:01:01\r\n");
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(Ctd, ProfileOfOnlyTheEndMark)
{
    Bytes b;
    b.ctdEnd().sensorTimes(0, 1);
    EXPECT_EQ(Decode(b, false), "");
    EXPECT_EQ(Decode(b, true),
              "\r\n\r\n Profile 12\r\n"
              "\r\n  mmho/cm   Celsius    dbars\r\n\r\n"
              "\r\n\r\n Profile 12\r\n"
              "\r\n   CTD turned on at  01/01/1970 00:00:00"
              "\r\n   CTD turned off at 01/01/1970 00:00:01\r\n");
    EXPECT_EQ(snsrtime_.text(),
              "\r\n Profile 12 CTD turned on at  01 01 1970 00 00 00"
              "\r\n Profile 12 CTD turned off at 01 01 1970 00 00 01\r\n"
              "\r\n Profile 12 CTD turned on at  01/01/1970 00:00:00"
              "\r\n Profile 12 CTD turned off at 01/01/1970 00:00:01\r\n");
}

TEST_F(Ctd, SkippedProfileWritesOnlyItsSensorTimeEntry)
{
    Settings.HumanReadible = 1;
    Bytes b;
    b.ctdScan(1, 2, 3).ctdEnd().sensorTimes(T0, T0 + 1);
    b.ctdScan(7000000, 3000000, 1234567).ctdEnd().sensorTimes(T0 + 10, T0 + 11);
    InputFile in(b);
    OutputFile second;
    EXPECT_EQ(UnpackCtdProfile(nullptr, in.get(), 20, snsrtime_.get(), Options()), DecodeResult::Done);
    EXPECT_EQ(in.position(), 9 + 9 + 8);
    EXPECT_EQ(UnpackCtdProfile(second.get(), in.get(), 21, nullptr, Options()), DecodeResult::Done);
    EXPECT_NE(second.text().find(" +33.0000  +05.0000  +0551.167\r\n"), std::string::npos);
    EXPECT_EQ(snsrtime_.text(),
              "\r\n Profile 20 CTD turned on at  07/01/2024 00:00:00"
              "\r\n Profile 20 CTD turned off at 07/01/2024 00:00:01\r\n");
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(Ctd, FileEndingAtEveryByte)
{
    Bytes whole;
    whole.ctdScan(0, 0, 0).ctdScan(7000000, 3000000, 1234567).ctdEnd().sensorTimes(T0, T0 + 1);
    const char* rows[] = {" -02.0000  -02.5000  -0010.000\r\n", " +33.0000  +05.0000  +0551.167\r\n"};
    const std::size_t timesAt = 3 * kCtdScanSize;
    for (bool human : {true, false}) {
        Settings.HumanReadible = human ? 1 : 0;
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            ResetTestLog();
            InputFile in(whole.first(cut));
            OutputFile text, log;
            // Among the scans the profile ends normally; without its times it fails.
            const DecodeResult expected = cut < timesAt ? DecodeResult::Done : DecodeResult::ReadError;
            ASSERT_EQ(UnpackCtdProfile(text.get(), in.get(), 12, log.get(), Options()), expected) << cut;
            EXPECT_STREQ(LogTake(), "Error reading from CTD file for profile 12\r\n") << cut;
            EXPECT_EQ(log.text(), "") << cut;
            std::string want = human ? "\r\n\r\n Profile 12\r\n\r\n  mmho/cm   Celsius    dbars\r\n\r\n" : "";
            for (std::size_t row = 0; row < 2 && row < cut / kCtdScanSize; ++row)
                want += rows[row];
            if (human && cut < timesAt)
                want += "\r\n End of file reached\r\n";
            EXPECT_EQ(text.text(), want) << cut;
        }
    }
}

TEST_F(Ctd, CallAfterTheEndOfTheFileEndsAgainAtOnce)
{
    Settings.HumanReadible = 1;
    Bytes b;
    b.ctdScan(1, 2, 3).u8(0xFF);
    InputFile in(b);
    OutputFile first, second;
    EXPECT_EQ(UnpackCtdProfile(first.get(), in.get(), 0, snsrtime_.get(), Options()), DecodeResult::Done);
    EXPECT_EQ(UnpackCtdProfile(second.get(), in.get(), 1, snsrtime_.get(), Options()), DecodeResult::Done);
    EXPECT_EQ(second.text(),
              "\r\n\r\n Profile 1\r\n\r\n  mmho/cm   Celsius    dbars\r\n\r\n\r\n End of file reached\r\n");
    EXPECT_STREQ(LogTake(),
                 "Error reading from CTD file for profile 0\r\nError reading from CTD file for profile 1\r\n");
    EXPECT_EQ(snsrtime_.text(), "");
}

TEST_F(Ctd, CancelIsPolledBeforeEachScan)
{
    TheUnpackJob().Cancel();
    Bytes b;
    b.ctdScan(1, 2, 3).ctdEnd().sensorTimes(T0, T0 + 1);
    EXPECT_EQ(Decode(b, true, DecodeResult::Cancelled), "\r\n\r\n Profile 12\r\n\r\n  mmho/cm   Celsius    dbars\r\n\r\n");
    EXPECT_STREQ(LogTake(), "Operation cancelled by user\r\n");
    EXPECT_EQ(snsrtime_.text(), "");
}

}  // namespace
