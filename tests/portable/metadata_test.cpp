#include "app/folder_checks.h"
#include "app/program_log.h"
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/metadata.h"
#include "formats/deployment.h"
#include "platform/platform.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

namespace {

// Runs the check inside a scratch folder holding the files a test writes.
class MetaData : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedDir_ = GetCurrentDir();
        ASSERT_TRUE(SetCurrentDir(dir_.str().c_str()));
        ResetTestLog();
    }
    void TearDown() override
    {
        SetCurrentDir(savedDir_.c_str());
        Settings = saved_;
    }
    // Runs the check under the layout and returns the log text.
    std::string Verify(bool layout301)
    {
        Settings.FirmwareVers = layout301 ? Firmware301 : Firmware304;
        // Stale results from before must not survive.
        Settings.WrongVersion = Settings.DeployOk = Settings.ProfilesOk = 1;
        Settings.ProfilesPerFile = Settings.MaxProfile = 77;
        ResetTestLog();
        const FolderMetadata m = CheckMetadata("", layout301, ProgramReporter());
        TakeMetadata(m);
        record_ = m.deployment;
        return LogTake();
    }
    void Expect(int wrongVersion, int deployOk, int profilesOk, int32_t perFile, int32_t maxProfile)
    {
        EXPECT_EQ(Settings.WrongVersion, wrongVersion);
        EXPECT_EQ(Settings.DeployOk, deployOk);
        EXPECT_EQ(Settings.ProfilesOk, profilesOk);
        EXPECT_EQ(Settings.ProfilesPerFile, perFile);
        EXPECT_EQ(Settings.MaxProfile, maxProfile);
    }
    static Bytes Deploy(bool layout301, int16_t version, int32_t perFile = 10)
    {
        DeploymentRecord r = SampleDeployment(layout301);
        r.version = version;
        r.profilesPerFileSet = perFile;
        return Bytes().deployment(r);
    }
    TempDir dir_;
    SettingsRecord saved_;
    DeploymentRecord record_{};  // the record of the latest check
    std::string savedDir_;
};

const char* kWrongVersion301 =
    "Wrong version of DEPLOY.DAT detected.\r\nVXP Davrolin is configured to unpack version 3.01 deployments.\r\n";
const char* kWrongVersion304 =
    "Wrong version of DEPLOY.DAT detected.\r\nVXP Davrolin is configured to unpack version 3.04 deployments.\r\n";

TEST_F(MetaData, VersionWordsOfEachLayout)
{
    WriteFileBytes(dir_ / "PROFILES.DAT", Bytes().profiles(99));
    struct Case {
        bool layout301;
        int16_t version;
        bool accepted;
    } cases[] = {
        {true, 301, true},   {true, 304, false},  {true, 303, false}, {true, 0, false},
        {false, 304, true},  {false, 303, true},  {false, 301, false}, {false, 302, false},
    };
    for (const Case& c : cases) {
        WriteFileBytes(dir_ / "DEPLOY.DAT", Deploy(c.layout301, c.version, 25));
        std::string log = Verify(c.layout301);
        if (c.accepted) {
            EXPECT_EQ(log, "") << c.version;
            Expect(0, 1, 1, 25, 99);
        } else {
            EXPECT_EQ(log, c.layout301 ? kWrongVersion301 : kWrongVersion304) << c.version;
            Expect(1, 0, 1, 0, 99);
        }
        EXPECT_EQ(record_.version, c.version);  // the record is kept whatever its version
    }
}

TEST_F(MetaData, RecordSizeFollowsTheConfiguredLayout)
{
    WriteFileBytes(dir_ / "PROFILES.DAT", Bytes().profiles(0));
    // A 124-byte 3.01 file read as 3.04 is short.
    WriteFileBytes(dir_ / "DEPLOY.DAT", Deploy(true, 301));
    EXPECT_EQ(Verify(false), "Error reading from deployment file DEPLOY.DAT\r\n");
    Expect(0, 0, 1, 0, 0);
    // A longer 3.01 file is read in full and its version word rejected.
    WriteFileBytes(dir_ / "DEPLOY.DAT", Deploy(true, 301).zeros(10));
    EXPECT_EQ(Verify(false), kWrongVersion304);
    Expect(1, 0, 1, 0, 0);
    // Any short record.
    for (std::size_t size : {0, 1, 81, 123}) {
        WriteFileBytes(dir_ / "DEPLOY.DAT", Deploy(true, 301).first(size));
        EXPECT_EQ(Verify(true), "Error reading from deployment file DEPLOY.DAT\r\n") << size;
        Expect(0, 0, 1, 0, 0);
    }
}

TEST_F(MetaData, ProfilesFile)
{
    WriteFileBytes(dir_ / "DEPLOY.DAT", Deploy(false, 304));
    struct Case {
        Bytes bytes;
        int ok;
        int32_t max;
        const char* log;
    } cases[] = {
        {Bytes().u8(0).u8(0).u8(0).u8(0x63), 1, 99, ""},
        {Bytes().profiles(0x01020304).raw("extra"), 1, 0x01020304, ""},
        {Bytes().profiles(0xFFFFFFFFu), 1, -1, ""},
        {Bytes().u8(0).u8(0).u8(0x63), 0, 0, "Error reading PROFILE.DAT\r\n"},
        {Bytes(), 0, 0, "Error reading PROFILE.DAT\r\n"},
    };
    for (const Case& c : cases) {
        WriteFileBytes(dir_ / "PROFILES.DAT", c.bytes);
        EXPECT_EQ(Verify(false), c.log);
        Expect(0, 1, c.ok, 10, c.max);
    }
}

TEST_F(MetaData, MissingFilesClearEverything)
{
    record_.seaBirdCtd = 1;
    EXPECT_EQ(Verify(true), "Error opening the deployment file DEPLOY.DAT\r\nError opening PROFILE.DAT\r\n");
    Expect(0, 0, 0, 0, 0);
    EXPECT_EQ(record_.seaBirdCtd, 0);  // no stale record decides the CTD constants

    // A wrong version still lets PROFILES.DAT be read.
    WriteFileBytes(dir_ / "DEPLOY.DAT", Deploy(true, 304));
    EXPECT_EQ(Verify(true), std::string(kWrongVersion301) + "Error opening PROFILE.DAT\r\n");
    Expect(1, 0, 0, 0, 0);
}

TEST_F(MetaData, NamesAreMatchedWithoutRegardToCase)
{
    WriteFileBytes(dir_ / "Deploy.Dat", Deploy(false, 303, 5));
    WriteFileBytes(dir_ / "profiles.dat", Bytes().profiles(12));
    EXPECT_EQ(Verify(false), "");
    Expect(0, 1, 1, 5, 12);
}

}  // namespace
