#include "app/settings_record.h"
#include "formats/engineering.h"
#include "formats/termination_log.h"
#include "tests/fixture/decoder_test.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

namespace {

// 2024-07-01 00:00:00 UTC and a few seconds after it.
constexpr int32_t T0 = 1719792000;

class Engineering : public DecoderTest {
protected:
    void Use(bool human, int firmware)
    {
        Settings.HumanReadible = human ? 1 : 0;
        Settings.FirmwareVers = firmware;
    }
    // Decodes one profile and returns its text.
    std::string Decode(const Bytes& bytes, DecodeResult expected = DecodeResult::Done, uint32_t profile = 12)
    {
        InputFile in(bytes);
        EXPECT_EQ(UnpackEngineeringProfile(text_.get(), in.get(), profile, timetags_.get(), Options()), expected);
        return text_.text();
    }
    OutputFile text_;
    OutputFile timetags_;
};

TEST_F(Engineering, HumanForm301WithScansAndClosingMarker)
{
    Use(true, Firmware301);
    Bytes b;
    b.engHeader(T0, T0 + 5)
        .scan301(T0 + 6, 123.4f, 14.25f, 5.125f)
        .scan301(T0 + 7, -2.5f, 0.05f, 1234.5678f)
        .stop(MarkerProfileEnd, 14, 0, T0 + 100, T0 + 101);
    EXPECT_EQ(Decode(b),
              "\r\n\r\n Profile 12"
              "\r\n\r\n Sensors were turned on at  07/01/2024 00:00:00"
              "\r\n Vehicle began profiling at 07/01/2024 00:00:05"
              "\r\n\r\n    Date      Time     [mA]    [V]    [dbar]\r\n"
              " 07/01/2024 00:00:06    123   14.2      5.125\r\n"
              " 07/01/2024 00:00:07     -2    0.1   1234.568\r\n"
              "\r\n\r\n Ramp exit:     BOTTOM PRESSURE"
              "\r\n Profile exit:  SMOOTH RUNNING"
              "\r\n\r\n Vehicle motion stopped at 07/01/2024 00:01:40"
              "\r\n Sensor logging stopped at 07/01/2024 00:01:41");
    EXPECT_EQ(timetags_.text(),
              " 0000012  07/01/2024 00:00:00  07/01/2024 00:00:05  07/01/2024 00:01:40  07/01/2024 00:01:41"
              "        14  [BOTTOM PRESSURE]         0  [SMOOTH RUNNING]\r\n");
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(Engineering, MachineForm304HasOnlyScanRows)
{
    Use(false, Firmware304);
    Bytes b;
    b.engHeader(T0, T0 + 5)
        .scan304(T0 + 6, 80.0f, 13.9f, 2.0f, 1.005f, 10, 250.125f, -1)
        .stop(MarkerBacktrack, 1, -1, T0 + 50, T0 + 51)
        .scan304(T0 + 60, 81.0f, 13.8f, 3.0f, -0.5f, 1, 0.0f, 100)
        .stop(MarkerOperatorStop, 13, 0, T0 + 100, T0 + 101);
    EXPECT_EQ(Decode(b),
              " 07 01 2024 00 00 06     80   13.9      2.000        1.00     10      250.12     -1\r\n"
              " 07 01 2024 00 01 00     81   13.8      3.000       -0.50      1        0.00    100\r\n");
    EXPECT_EQ(timetags_.text(),
              " 0000012  07 01 2024 00 00 00  07 01 2024 00 00 05  07 01 2024 00 01 40  07 01 2024 00 01 41"
              "        13         0\r\n");
}

TEST_F(Engineering, HumanForm304HeadingRestartNotesAndOperatorStop)
{
    Use(true, Firmware304);
    Bytes b;
    b.engHeader(T0, T0)
        .stop(MarkerBacktrack, 1, -1, T0 + 50, T0 + 51)
        .scan304(T0 + 60, 81.0f, 13.8f, 3.0f, -0.5f, 1, 0.0f, 100)
        .stop(MarkerIncomplete, 9, 15, T0 + 70, T0 + 71)
        .stop(MarkerRestarted, 2, 3, T0 + 80, T0 + 81)
        .stop(MarkerOperatorStop, 13, 0, T0 + 100, T0 + 101);
    EXPECT_EQ(Decode(b),
              "\r\n\r\n Profile 12"
              "\r\n\r\n Sensors were turned on at  07/01/2024 00:00:00"
              "\r\n Vehicle began profiling at 07/01/2024 00:00:00"
              "\r\n\r\n    Date      Time     [mA]    [V]    [dbar]"
              "       Fluor[mV]  Gain    Turb[mV]   Gain\r\n"
              "\r\n\r\n Ramp status:     CANNOT IDENTIFY MSG"
              "\r\n Profile status:  CANNOT IDENTIFY MSG"
              "\r\n\r\n Profile restarted at 07/01/2024 00:00:50"
              "\r\n Backtrack performed, possible obstruction.\r\n"
              " 07/01/2024 00:01:00     81   13.8      3.000       -0.50      1        0.00    100\r\n"
              "\r\n\r\n Ramp status:     MAX MOTOR CURRENT"
              "\r\n Profile status:  PRESSURE RATE ZERO"
              "\r\n\r\n Profile restarted at 07/01/2024 00:01:10"
              "\r\n Profile could not be completed. \r\n"
              "\r\n\r\n Ramp status:     OPERATOR CTRL C"
              "\r\n Profile status:  TT8 COMM FAILURE"
              "\r\n\r\n Profile restarted at 07/01/2024 00:01:20"
              "\r\n Profile restarted.\r\n"
              "\r\n\r\n Ramp exit:     TOP PRESSURE"
              "\r\n Profile exit:  SMOOTH RUNNING"
              "\r\n\r\n Vehicle motion stopped at 07/01/2024 00:01:40"
              "\r\n Sensor logging stopped at 07/01/2024 00:01:41"
              "\r\n\r\n Deployment stopped by operator.");
}

TEST_F(Engineering, ClosingMarkerFirstGivesHeaderAndNotesOnly)
{
    Bytes b;
    b.engHeader(0, -1).stop(MarkerProfileEnd, 17, 20, 1, 2);
    Use(false, Firmware301);
    EXPECT_EQ(Decode(b), "");
    Use(true, Firmware301);
    OutputFile human;
    InputFile in(b);
    ASSERT_EQ(UnpackEngineeringProfile(human.get(), in.get(), 0, nullptr, Options()), DecodeResult::Done);
    EXPECT_EQ(human.text(),
              "\r\n\r\n Profile 0"
              "\r\n\r\n Sensors were turned on at  01/01/1970 00:00:00"
              "\r\n Vehicle began profiling at 12/31/1969 23:59:59"
              "\r\n\r\n    Date      Time     [mA]    [V]    [dbar]\r\n"
              "\r\n\r\n Ramp exit:     STOP NULL"
              "\r\n Profile exit:  TOO MANY OPEN FILES"
              "\r\n\r\n Vehicle motion stopped at 01/01/1970 00:00:01"
              "\r\n Sensor logging stopped at 01/01/1970 00:00:02");
}

TEST_F(Engineering, StopReasonTexts)
{
    const std::pair<int, const char*> cases[] = {
        {0, "SMOOTH RUNNING"},      {2, "OPERATOR CTRL C"},    {3, "TT8 COMM FAILURE"},
        {4, "CTD COMM FAILURE"},    {6, "TIMER EXPIRED"},      {7, "MIN BATTERY"},
        {9, "MAX MOTOR CURRENT"},   {13, "TOP PRESSURE"},      {14, "BOTTOM PRESSURE"},
        {15, "PRESSURE RATE ZERO"}, {17, "STOP NULL"},         {18, "FLASH CARD FULL"},
        {19, "FILE SYSTEM FULL"},   {20, "TOO MANY OPEN FILES"},
    };
    for (auto [code, text] : cases)
        EXPECT_STREQ(StopReasonText(code), text) << code;
    for (int code : {1, 5, 8, 10, 11, 12, 16, 21, -1, -32768, 32767})
        EXPECT_STREQ(StopReasonText(code), "CANNOT IDENTIFY MSG") << code;
}

TEST_F(Engineering, ProfilesFollowEachOtherAndSkippedOnesWriteNothing)
{
    Use(false, Firmware301);
    Bytes b;
    b.engHeader(T0, T0).scan301(T0 + 1, 1, 2, 3).stop(MarkerProfileEnd, 0, 0, T0 + 2, T0 + 3);
    b.engHeader(T0 + 10, T0 + 10).scan301(T0 + 11, 4, 5, 6).stop(MarkerProfileEnd, 0, 0, T0 + 12, T0 + 13);
    InputFile in(b);
    OutputFile second;
    EXPECT_EQ(UnpackEngineeringProfile(nullptr, in.get(), 0, timetags_.get(), Options()), DecodeResult::Done);
    EXPECT_EQ(in.position(), 8 + 16 + 16);
    EXPECT_EQ(UnpackEngineeringProfile(second.get(), in.get(), 1, timetags_.get(), Options()), DecodeResult::Done);
    EXPECT_EQ(second.text(), " 07 01 2024 00 00 11      4    5.0      6.000\r\n");
    EXPECT_EQ(timetags_.text(),
              " 0000001  07 01 2024 00 00 10  07 01 2024 00 00 10  07 01 2024 00 00 12  07 01 2024 00 00 13"
              "         0         0\r\n");
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(Engineering, ShortReadAtEveryByteKeepsTheTextAndReportsTheProfile)
{
    for (int firmware : {Firmware301, Firmware304}) {
        Use(true, firmware);
        Bytes whole;
        whole.engHeader(T0, T0 + 5);
        if (firmware == Firmware301)
            whole.scan301(T0 + 6, 1, 2, 3);
        else
            whole.scan304(T0 + 6, 1, 2, 3, 4, 5, 6, 7);
        whole.stop(MarkerRestarted, 0, 0, T0 + 7, T0 + 8).stop(MarkerProfileEnd, 0, 0, T0 + 9, T0 + 10);
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            ResetTestLog();
            OutputFile text, log;
            InputFile in(whole.first(cut));
            ASSERT_EQ(UnpackEngineeringProfile(text.get(), in.get(), 107, log.get(), Options()), DecodeResult::ReadError)
                << cut;
            EXPECT_STREQ(LogTake(), "Error reading from engineering file for profile 107\r\n") << cut;
            EXPECT_EQ(log.text(), "") << cut;
            if (cut >= 8)
                EXPECT_NE(text.text().find("Vehicle began profiling"), std::string::npos) << cut;
            else
                EXPECT_EQ(text.text(), "") << cut;
        }
    }
}

TEST_F(Engineering, CancelIsPolledBeforeEachMarkerWord)
{
    Use(true, Firmware301);
    Bytes b;
    b.engHeader(T0, T0).scan301(T0 + 1, 1, 2, 3).stop(MarkerProfileEnd, 0, 0, T0 + 2, T0 + 3);
    TheUnpackJob().Cancel();
    std::string text = Decode(b, DecodeResult::Cancelled);
    EXPECT_STREQ(LogTake(), "Operation cancelled by user\r\n");
    EXPECT_NE(text.find("[dbar]"), std::string::npos);  // the header was read and written
    EXPECT_EQ(text.find(" 07/01/2024 00:00:01"), std::string::npos);
    EXPECT_EQ(timetags_.text(), "");
}

TEST_F(Engineering, TerminationLogHeaderOnlyInHumanForm)
{
    OutputFile human, machine;
    WriteTerminationLogHeader(human.get(), true);
    WriteTerminationLogHeader(machine.get(), false);
    EXPECT_EQ(human.text(),
              "Profile Termination Log\r\n\r\n"
              " Profile  Sensor On            Motion Start         Motion Stop          Sensor Off           Ramp      Profile\r\n"
              " -------  -------------------  -------------------  -------------------  -------------------  ----      -------\r\n");
    EXPECT_EQ(machine.text(), "");
}

TEST_F(Engineering, SensorTimeEntriesDifferOnlyInTheTimeStamps)
{
    OutputFile human, machine;
    WriteSensorTimes(human.get(), 7, "CTD", T0, T0 + 61, true);
    WriteSensorTimes(machine.get(), 7, "ACM", T0, T0 + 61, false);
    EXPECT_EQ(human.text(),
              "\r\n Profile 7 CTD turned on at  07/01/2024 00:00:00"
              "\r\n Profile 7 CTD turned off at 07/01/2024 00:01:01\r\n");
    EXPECT_EQ(machine.text(),
              "\r\n Profile 7 ACM turned on at  07 01 2024 00 00 00"
              "\r\n Profile 7 ACM turned off at 07 01 2024 00 01 01\r\n");
}

}  // namespace
