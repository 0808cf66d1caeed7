#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/deployment.h"
#include "formats/deployment_text.h"
#include "tests/fixture/decoder_test.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

std::string Blanks(int n)
{
    return std::string(static_cast<std::size_t>(n), ' ');
}

class Deploy : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedRecord_ = TestDeployment;
        std::strcpy(Settings.Prefix, "P_");
        ResetTestLog();
    }
    void TearDown() override
    {
        Settings = saved_;
        TestDeployment = savedRecord_;
    }
    // Converts `bytes` as DEPLOY.DAT in the form and layout given.
    std::string Convert(const Bytes& bytes, bool human, bool layout301, DecodeResult expected = DecodeResult::Done)
    {
        Settings.HumanReadible = human ? 1 : 0;
        Settings.FirmwareVers = layout301 ? Firmware301 : Firmware304;
        WriteFileBytes(input(), bytes);
        EXPECT_EQ(UnpackDeploymentFile(input(), output(), Options()), expected);
        return ReadFileText(output());
    }
    std::string Report(const DeploymentRecord& r, bool human = true)
    {
        return Convert(Bytes().deployment(r), human, r.layout301);
    }
    static DecodeOptions Options() { return SettingsDecodeOptions(); }
    std::string input() const { return (dir_ / "DEPLOY.DAT").string(); }
    std::string output() const { return (dir_ / "P_DEPLOY.TXT").string(); }
    TempDir dir_;
    SettingsRecord saved_;
    DeploymentRecord savedRecord_;
};

// The parameter lines shared by the two layouts for SampleDeployment.
std::string SampleParameters(const char* firstLine, const char* reference)
{
    return std::string("\r\n\r\n\r\n\r\n DEPLOYMENT PARAMETERS\r\n _____________________") + firstLine +
           "\r\n Profile start interval     001 01:01:01 [DDD HH:MM:SS]\r\n"
           " Reference date/time          " + reference +
           "\r\n Burst interval             000 00:00:00 [DDD HH:MM:SS]"
           "\r\n Profiles per burst             Disabled"
           "\r\n Paired profiles                Disabled" + Blanks(16) +
           "\r\n Profiles / file set                  10" + Blanks(16) +
           "\r\n Shallow pressure                   10.0 [dbar]" + Blanks(16) +
           "\r\n Deep pressure                     500.2 [dbar]" + Blanks(16) +
           "\r\n Shallow error                       1.5 [dbar]" + Blanks(16) +
           "\r\n Deep error                          2.0 [dbar]" + Blanks(16) +
           "\r\n Profile time limit             02:00:00 [HH:MM:SS]" + Blanks(16) +
           "\r\n Stop check interval                  30 [sec]"
           "\r\n Transmission duration                 1 [min]" + Blanks(16) +
           "\r\n Decimation value                      4";
}

std::string SampleInternal()
{
    return "\r\n\r\n\r\n\r\n INTERNAL PARAMETERS\r\n ___________________" + Blanks(24) +
           "\r\n\r\n FullSpeed                         0.250 [dbar/sec]" + Blanks(26) +
           "\r\n PR_Threshold                      0.050 [dbar/sec]" + Blanks(26) +
           "\r\n PR_TimeThreshold                      2 [sec]" + Blanks(26) +
           "\r\n sensor_warmup                        10 [sec]" + Blanks(26) +
           "\r\n sensor_warmdown                       5 [sec]" + Blanks(26) +
           "\r\n InfiniteDeployment             Disabled\r\n\r\n  42";
}

TEST_F(Deploy, WholeReport304HumanForm)
{
    std::string expected =
        SampleParameters("\r\n\r\n Countdown delay                01:30:00 [HH:MM:SS]", "07/01/2024 00:00:00") +
        "\r\n\r\n\r\n\r\n SYSTEM CONFIGURATION\r\n ____________________" + Blanks(20) +
        "\r\n\r\n Nominal Endurance                   1.5 million meters" + Blanks(20) +
        "\r\n Inductive Telemetry            Enabled " + Blanks(20) +
        "\r\n Acoustic Transponder           Disabled" + Blanks(20) +
        "\r\n FSI EM        CTD              Enabled " + Blanks(20) +
        "\r\n SeaBird 41CP  CTD              Disabled" + Blanks(20) +
        "\r\n FSI 2D        ACM              Enabled " + Blanks(20) +
        "\r\n Nobska MAVS3  ACM              Disabled" + Blanks(20) +
        "\r\n SeaPoint      Fluorometer      Disabled" + Blanks(20) +
        "\r\n SeaPoint      Turbidity        Disabled (IR)" + SampleInternal();
    EXPECT_EQ(Report(SampleDeployment(false)), expected);
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(Deploy, WholeReport301MachineFormWithScheduledStart)
{
    DeploymentRecord r = SampleDeployment(true);
    r.countdown = 0;
    r.scheduledStart = 951782400;
    r.acousticTelemetry = 1;
    r.fluorometer = 1;
    r.turbidity = 1;
    std::string expected =
        SampleParameters("\r\n\r\n Scheduled start              02 29 2000 00 00 00", "07 01 2024 00 00 00") +
        "\r\n\r\n\r\n\r\n SYSTEM CONFIGURATION\r\n ____________________" + Blanks(22) +
        "\r\n\r\n Nominal Endurance                   1.5 million meters" + Blanks(24) +
        "\r\n Acoustic Telemetry             Enabled " + Blanks(24) +
        "\r\n Inductive Telemetry            Enabled " + Blanks(24) +
        "\r\n Acoustic Transponder           Disabled" + Blanks(24) +
        "\r\n FSI EM        CTD              Enabled " + Blanks(24) +
        "\r\n SeaBird 41CP  CTD              Disabled" + Blanks(24) +
        "\r\n FSI 2D        ACM              Enabled " + Blanks(24) +
        "\r\n Nobska MAVS3  ACM              Disabled" + Blanks(24) +
        "\r\n SeaPoint      Fluorometer      Enabled  (Chlorophyll \xE0)" + Blanks(24) +
        "\r\n SeaPoint      Fluorometer      Disabled (UV)" + Blanks(24) +
        "\r\n SeaPoint      Turbidity        Enabled  (IR)" + SampleInternal();
    EXPECT_EQ(Report(r, false), expected);
}

TEST_F(Deploy, LinesThatDependOnTheValues)
{
    struct Case {
        const char* what;
        void (*change)(DeploymentRecord&);
        const char* line;
    } cases[] = {
        {"pairs disabled", [](DeploymentRecord& r) { r.pairedProfiles = 1; },
         "\r\n Pairs per Burst                Disabled\r\n Paired profiles                 Enabled "},
        {"profiles per burst", [](DeploymentRecord& r) { r.perBurst = 4; },
         "\r\n Profiles per burst                    4\r\n"},
        {"pairs per burst", [](DeploymentRecord& r) { r.perBurst = -3, r.pairedProfiles = 1; },
         "\r\n Pairs per Burst                      -3\r\n"},
        {"countdown 86400", [](DeploymentRecord& r) { r.countdownDelay = 86400; },
         "\r\n Countdown delay                24:00:00 [HH:MM:SS]\r\n"},
        {"countdown 90000", [](DeploymentRecord& r) { r.countdownDelay = 90000; },
         " Countdown delay                24:00:00 [HH:MM:SS]"},
        {"burst interval", [](DeploymentRecord& r) { r.burstInterval = 90061; },
         "\r\n Burst interval             001 01:01:01 [DDD HH:MM:SS]\r\n"},
        {"time limit", [](DeploymentRecord& r) { r.profileTimeLimit = -1; },
         "\r\n Profile time limit             23:59:59 [HH:MM:SS]"},
        {"wide values", [](DeploymentRecord& r) { r.profilesPerFileSet = INT_MIN, r.deepPressure = 1e12f; },
         " Profiles / file set         -2147483648                \r\n"
         " Shallow pressure                   10.0 [dbar]                \r\n"
         " Deep pressure              999999995904.0 [dbar]"},
        {"truncating divisions", [](DeploymentRecord& r) { r.transmissionDuration = -119, r.prTimeThreshold = -2999; },
         " Transmission duration                -1 [min]"},
        {"PR_TimeThreshold", [](DeploymentRecord& r) { r.prTimeThreshold = -2999; },
         " PR_TimeThreshold                     -2 [sec]"},
        {"infinite", [](DeploymentRecord& r) { r.infiniteDeployment = 1; },
         " InfiniteDeployment              Enabled\r\n\r\n"},
    };
    for (const Case& c : cases) {
        for (bool layout301 : {true, false}) {
            DeploymentRecord r = SampleDeployment(layout301);
            c.change(r);
            std::string text = Report(r);
            EXPECT_NE(text.find(c.line), std::string::npos) << c.what << "\n" << text;
        }
    }
}

TEST_F(Deploy, OptionalLinesAndTheTrailingCount)
{
    DeploymentRecord r = SampleDeployment(false);
    r.inductiveTelemetry = 0;
    r.infiniteDeployment = 1;
    std::string text = Report(r);
    EXPECT_EQ(text.find("Transmission duration"), std::string::npos);
    EXPECT_EQ(text.find("Decimation value"), std::string::npos);
    EXPECT_NE(text.find(" Stop check interval                  30 [sec]\r\n\r\n\r\n\r\n SYSTEM"),
              std::string::npos);
    const std::string end = " InfiniteDeployment              Enabled\r\n\r\n";
    EXPECT_EQ(text.substr(text.size() - end.size()), end);

    r.infiniteDeployment = 0;
    r.trailingCount = -7;
    text = Report(r);
    EXPECT_EQ(text.substr(text.size() - 8), "\r\n\r\n  -7");
}

TEST_F(Deploy, Durations)
{
    const std::pair<int32_t, const char*> hms[] = {
        {0, "00:00:00"},       {5400, "01:30:00"},        {86399, "23:59:59"}, {86400, "24:00:00"},
        {90000, "24:00:00"},   {INT_MAX, "24:00:00"},     {-1, "23:59:59"},    {-86400, "00:00:00"},
        {-86401, "23:59:59"},  {INT_MIN, "20:45:52"},
    };
    for (auto [seconds, text] : hms) {
        char buffer[9];
        DurationHms(seconds, buffer);
        EXPECT_STREQ(buffer, text) << seconds;
    }
    const std::pair<int32_t, const char*> dhms[] = {
        {0, "000 00:00:00"},      {90061, "001 01:01:01"},       {86399, "000 23:59:59"},
        {86400 * 365, "365 00:00:00"}, {INT_MAX, "24855 03:14:07"}, {-90061, "-01 -1:-1:-1"},
        {-59, "000 00:00:-59"},
    };
    for (auto [seconds, text] : dhms) {
        char buffer[32];
        DurationDhms(seconds, buffer);
        EXPECT_STREQ(buffer, text) << seconds;
    }
}

TEST_F(Deploy, FieldsAreReadAtTheirOffsetsInBothLayouts)
{
    // Distinct bytes at the odd offsets, independent of the fixture's writer.
    for (bool layout301 : {true, false}) {
        Bytes b;
        b.zeros(DeployRecordSize(layout301));
        auto poke = [&](std::size_t at, Bytes v) { std::copy(v.data.begin(), v.data.end(), b.data.begin() + at); };
        poke(0, Bytes().i16(303));
        poke(30, Bytes().f32(-12.5f));
        poke(62, Bytes().i32(-2500));
        poke(80, Bytes().i32(0x01020304));
        poke(106, Bytes().i16(-1));
        poke(108, Bytes().i16(2));
        poke(116, Bytes().i16(7));
        DeploymentRecord r = DecodeDeployment(b.data.data(), layout301);
        EXPECT_EQ(r.version, 303);
        EXPECT_EQ(r.shallowPressure, -12.5f);
        EXPECT_EQ(r.prTimeThreshold, -2500);
        EXPECT_EQ(r.profilesPerFileSet, 0x01020304);
        EXPECT_EQ(r.fsiEmCtd, -1);
        EXPECT_EQ(r.seaBirdCtd, 2);
        EXPECT_EQ(layout301 ? r.fluorometerUv : r.turbidity, 7);
        EXPECT_EQ(Bytes().deployment(SampleDeployment(layout301)).size(), DeployRecordSize(layout301));
    }
}

TEST_F(Deploy, ReadGivesTheRecordWhateverTheVersion)
{
    DeploymentRecord r = SampleDeployment(false);
    r.version = 999;
    r.seaBirdCtd = 1;
    WriteFileBytes(input(), Bytes().deployment(r).raw("trailing bytes are ignored"));
    DeploymentRecord read{};
    EXPECT_EQ(UnpackDeploymentFile(input(), output(), Options(), &read), DecodeResult::Done);
    EXPECT_NE(ReadFileText(output()).find(" InfiniteDeployment"), std::string::npos);
    EXPECT_EQ(read.version, 999);
    EXPECT_EQ(read.seaBirdCtd, 1);
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(Deploy, ShortRecordLeavesAnEmptyReport)
{
    for (bool layout301 : {true, false}) {
        Bytes whole = Bytes().deployment(SampleDeployment(layout301));
        for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{80}, whole.size() - 1}) {
            ResetTestLog();
            Settings.DeployOk = 0;
            EXPECT_EQ(Convert(whole.first(cut), true, layout301, DecodeResult::ReadError), "") << cut;
            EXPECT_STREQ(LogTake(), "Error reading from deployment file DEPLOY.DAT\r\n") << cut;
            EXPECT_EQ(Settings.DeployOk, 0);
        }
    }
    // A 3.01 file read under the 3.04 layout is 10 bytes short.
    ResetTestLog();
    EXPECT_EQ(Convert(Bytes().deployment(SampleDeployment(true)), true, false, DecodeResult::ReadError), "");
    EXPECT_STREQ(LogTake(), "Error reading from deployment file DEPLOY.DAT\r\n");
}

TEST_F(Deploy, OpenAndCreateFailures)
{
    Settings.FirmwareVers = Firmware304;
    EXPECT_EQ(UnpackDeploymentFile(input(), output(), Options()), DecodeResult::OpenError);
    EXPECT_STREQ(LogTake(), "Error opening the deployment file DEPLOY.DAT\r\n");
    EXPECT_FALSE(std::filesystem::exists(output()));

    ResetTestLog();
    WriteFileBytes(dir_ / "deploy.dat", Bytes().deployment(SampleDeployment(false)));
    std::string unwritable = (dir_ / "missing" / "P_DEPLOY.TXT").string();
    EXPECT_EQ(UnpackDeploymentFile(input(), unwritable, Options()), DecodeResult::OpenError);
    EXPECT_STREQ(LogTake(), "Error creating deployment log file P_DEPLOY.TXT\r\n");
    // The lower-case name is found.
    EXPECT_EQ(UnpackDeploymentFile(input(), output(), Options()), DecodeResult::Done);
}

}  // namespace
