#include "app/folder_survey.h"
#include "app/settings_record.h"
#include "formats/deployment.h"
#include "platform/platform.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

// 05/07/2004 15:32:51 UTC
constexpr long long kFileTime = 1083943971;

void Touch(const std::filesystem::path& path, const Bytes& bytes = Bytes().u8(0), long long utc = kFileTime)
{
    WriteFileBytes(path, bytes);
    auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(utc)));
    std::filesystem::last_write_time(path, when);
}

class Survey : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedRecord_ = TestDeployment;
        savedDir_ = GetCurrentDir();
        Settings.FirmwareVers = Firmware304;
        ResetTestLog();
    }
    void TearDown() override
    {
        SetCurrentDir(savedDir_.c_str());
        Settings = saved_;
        TestDeployment = savedRecord_;
    }
    void Deploy(int32_t perFile)
    {
        DeploymentRecord r = SampleDeployment(false);
        r.profilesPerFileSet = perFile;
        Touch(dir_ / "DEPLOY.DAT", Bytes().deployment(r));
    }
    TempDir dir_;
    SettingsRecord saved_;
    DeploymentRecord savedRecord_;
    std::string savedDir_;
};

TEST_F(Survey, FullDeploymentWithLowerCaseNamesOnDisk)
{
    DeploymentRecord r = SampleDeployment(false);
    r.profilesPerFileSet = 10;
    Touch(dir_ / "deploy.dat", Bytes().deployment(r));
    Touch(dir_ / "profiles.dat", Bytes().profiles(25));
    Touch(dir_ / "e0000000.dat");
    Touch(dir_ / "e0000020.dat", Bytes().u8(0), kFileTime + 86400 + 3600);
    Touch(dir_ / "C0000000.DAT");  // the last CTD file is missing
    Touch(dir_ / "IRQ_XCPT.LOG");

    Settings.DeployOk = 7;
    Settings.ProfilesOk = 8;
    Settings.ProfilesPerFile = 9;
    Settings.MaxProfile = 10;
    EXPECT_EQ(FolderSurveyText(dir_.str().c_str()),
              "The selected folder contains 26 profiles.\r\n"
              "deploy.dat file created 05/07/2004 15:32:51\r\n"
              "profiles.dat file created 05/07/2004 15:32:51\r\n"
              "26 Engineering profiles found in files E0000000.DAT to E0000020.DAT\r\n"
              "  Engineering profiles created 05/07/2004 15:32:51 to 05/08/2004 16:32:51\r\n"
              "No ACM files found\r\n"
              "No CTD files found\r\n"
              "irq_xcpt.log file created 05/07/2004 15:32:51\r\n");
    // The metadata fields are given back; the folder stays current.
    EXPECT_EQ(Settings.DeployOk, 7);
    EXPECT_EQ(Settings.ProfilesOk, 8);
    EXPECT_EQ(Settings.ProfilesPerFile, 9);
    EXPECT_EQ(Settings.MaxProfile, 10);
    EXPECT_TRUE(GetFileInfo("deploy.dat").exists);
}

TEST_F(Survey, WithoutProfilesFileOneProfileIsLookedUp)
{
    Deploy(10);
    Touch(dir_ / "A0000000.DAT");
    std::string text = FolderSurveyText(dir_.str().c_str());
    EXPECT_EQ(text,
              "The selected folder contains 1 profiles.\r\n"
              "deploy.dat file created 05/07/2004 15:32:51\r\n"
              "profiles.dat file not found\r\n"
              "No engineering files found\r\n"
              "1 ACM profiles found in files A0000000.DAT to A0000000.DAT\r\n"
              "  ACM profiles created 05/07/2004 15:32:51 to 05/07/2004 15:32:51\r\n"
              "No CTD files found\r\n"
              "irq_xcpt.log file not found\r\n");
}

TEST_F(Survey, NoDeploymentDataOrNoFolder)
{
    const std::string none = "The selected folder does not contain any deployment data.";
    Touch(dir_ / "E0000000.DAT");
    Touch(dir_ / "PROFILES.DAT", Bytes().profiles(3));
    EXPECT_EQ(FolderSurveyText(dir_.str().c_str()), none);
    EXPECT_EQ(FolderSurveyText((dir_ / "missing").string().c_str()), none);
}

TEST_F(Survey, DatesAreUtcWhateverTheYear)
{
    EXPECT_EQ(FileDateText(0), "01/01/1970 00:00:00");
    EXPECT_EQ(FileDateText(4102444800LL), "01/01/2100 00:00:00");
}

}  // namespace
