#include "app/folder_checks.h"
#include "app/options_summary.h"
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "platform/platform.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

void SetText(char (&field)[kTextFieldSize], const std::string& value)
{
    std::snprintf(field, sizeof field, "%s", value.c_str());
}

class SettingsSandbox : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedDir_ = GetCurrentDir();
        SetDefaultSettings(Settings);
        ResetTestLog();
    }
    void TearDown() override
    {
        SetCurrentDir(savedDir_.c_str());
        Settings = saved_;
    }

private:
    SettingsRecord saved_;
    std::string savedDir_;
};

class OptionsSummary : public SettingsSandbox {
protected:
    void SetUp() override
    {
        SettingsSandbox::SetUp();
        SetText(Settings.SrcDir, "C:\\DATA");
        SetText(Settings.DstDir, "D:\\OUT");
        Settings.SourceEntered = 1;
        Settings.SourceDataOk = 1;
        Settings.DestinationExists = 1;
        Settings.MaxProfile = 250;
        Settings.ProfilesPerFile = 10;
        Settings.FileCount = 755;
        Settings.CheckedOptions = 0;
    }
};

TEST_F(OptionsSummary, FolderErrorsEndTheSummary)
{
    struct Case {
        int level, sourceEntered, sourceDataOk, destinationExists;
        const char* text;
    };
    const Case cases[] = {
        {1, 1, 1, 1, ""},
        {2, 1, 1, 1, "Unpack files from folder C:\\DATA \r\n"},
        {6, 0, 1, 1,
         "Unpack files from folder C:\\DATA \r\n"
         "\r\nERROR!  Source folder\r\n  C:\\DATA \r\nnot found!\r\n\r\nClick Back to change options\r\n"},
        {6, 1, 0, 1,
         "Unpack files from folder C:\\DATA \r\n"
         "\r\nERROR!  Source folder\r\n  C:\\DATA\r\ndoes not contain PROFILE.DAT\r\n\r\nClick Back to change options\r\n"},
        {2, 1, 1, 0, "Unpack files from folder C:\\DATA \r\n"},
        {3, 1, 1, 0,
         "Unpack files from folder C:\\DATA \r\nUnpack files to folder D:\\OUT\r\n"
         "\r\nERROR!  Destination folder\r\n  D:\\OUT\r\nnot found\r\n\r\nClick Back to change options\r\n"},
    };
    for (const Case& c : cases) {
        Settings.SourceEntered = c.sourceEntered;
        Settings.SourceDataOk = c.sourceDataOk;
        Settings.DestinationExists = c.destinationExists;
        EXPECT_EQ(BuildOptionsSummary(c.level, 1), c.text) << "level " << c.level;
    }
}

TEST_F(OptionsSummary, EverythingWithDetails)
{
    Settings.UnpackAll = 1;
    Settings.CheckedOptions = 1;
    EXPECT_EQ(BuildOptionsSummary(6, 1),
              "Unpack files from folder C:\\DATA \r\n"
              "Profiles are packed 10 per source file\r\n"
              "Source folder contains 251 deployments in 755 files\r\n"
              "Unpack files to folder D:\\OUT\r\n"
              "The following files will be unpacked:\r\n"
              "  Engineering files for the entire deployment (all 251 profiles)\r\n"
              "    using input files E0000000.DAT to E0000250.DAT\r\n"
              "    producing output files E0000000.TXT to E0000250.TXT\r\n"
              "  CTD files for the entire deployment (all 251 profiles)\r\n"
              "    using input files C0000000.DAT to C0000250.DAT\r\n"
              "    producing output files C0000000.TXT to C0000250.TXT\r\n"
              "  ACM files for the entire deployment (all 251 profiles)\r\n"
              "    using input files A0000000.DAT to A0000250.DAT\r\n"
              "    producing output files A0000000.TXT to A0000250.TXT\r\n"
              "  Deployment Log\r\n"
              "    using input file DEPLOY.DAT\r\n"
              "    producing output file DEPLOY.TXT\r\n"
              "  Exception Log\r\n"
              "    using input file IRQ_XCPT.LOG\r\n"
              "    producing output file IRQ_XCPT.TXT\r\n"
              "Profile termination log will be written to TIMETAGS.TXT\r\n"
              "Sensor time log will be written to SNSRTIME.TXT\r\n"
              "The output files are Machine readable\r\n");
    // The activity log's form: no packing lines and no file names.
    EXPECT_EQ(BuildOptionsSummary(99, 0),
              "Unpack files from folder C:\\DATA \r\n"
              "Unpack files to folder D:\\OUT\r\n"
              "The following files will be unpacked:\r\n"
              "  Engineering files for the entire deployment (all 251 profiles)\r\n"
              "  CTD files for the entire deployment (all 251 profiles)\r\n"
              "  ACM files for the entire deployment (all 251 profiles)\r\n"
              "  Deployment Log\r\n"
              "  Exception Log\r\n"
              "Profile termination log will be written to TIMETAGS.TXT\r\n"
              "Sensor time log will be written to SNSRTIME.TXT\r\n"
              "The output files are Machine readable\r\n");
}

TEST_F(OptionsSummary, RangesAndPrefixedNames)
{
    Settings.UnpackAll = 0;
    Settings.Options = KindCtd | KindException;
    Settings.ProfileRange = RangeProfiles;
    Settings.FirstProfile = 15;
    Settings.LastProfile = 32;
    Settings.HumanReadible = 1;
    SetText(Settings.Prefix, "X_");
    const std::string head = "Unpack files from folder C:\\DATA \r\nUnpack files to folder D:\\OUT\r\n"
                             "The following files will be unpacked:\r\n"
                             "  CTD files for profiles 15 to 32\r\n"
                             "    using input files C0000010.DAT to C0000030.DAT\r\n";
    EXPECT_EQ(BuildOptionsSummary(4, 1), head +
                                             "    producing output files C0000015.TXT to C0000032.TXT\r\n"
                                             "  Exception Log\r\n"
                                             "    using input file IRQ_XCPT.LOG\r\n"
                                             "    producing output file IRQ_XCPT.TXT\r\n");
    EXPECT_EQ(BuildOptionsSummary(6, 1), head +
                                             "    producing output files X_C0000015.TXT to X_C0000032.TXT\r\n"
                                             "  Exception Log\r\n"
                                             "    using input file IRQ_XCPT.LOG\r\n"
                                             "    producing output file X_IRQ_XCPT.TXT\r\n"
                                             "Sensor time log will be written to X_SNSRTIME.TXT\r\n"
                                             "The output files are Human readable\r\n");
    // Without details levels 4 and 5 are the same text.
    EXPECT_EQ(BuildOptionsSummary(4, 0), BuildOptionsSummary(5, 0));

    Settings.Options = KindEngineering;
    Settings.ProfileRange = RangeSingleProfile;
    Settings.FirstProfile = 12;
    EXPECT_NE(BuildOptionsSummary(5, 1).find("  Engineering files for profile 12\r\n"
                                             "    using input file E0000010.DAT\r\n"
                                             "    producing output file X_E0000012.TXT\r\n"),
              std::string::npos);
    // An unknown range mode shows the heading and no range lines.
    Settings.ProfileRange = 7;
    const std::string text = BuildOptionsSummary(4, 1);
    EXPECT_EQ(text.substr(text.size() - 20), "  Engineering files ");
}

TEST_F(OptionsSummary, OnlyTheLogsHaveNoTimeLogLines)
{
    Settings.UnpackAll = 0;
    Settings.Options = KindDeployment;
    std::string text = BuildOptionsSummary(6, 0);
    EXPECT_EQ(text.find("termination"), std::string::npos);
    EXPECT_EQ(text.find("Sensor time"), std::string::npos);
    EXPECT_NE(text.find("The output files are Machine readable\r\n"), std::string::npos);
}

// The export's files close the complete summary, with the prefix, in the
// order they are written; without netCDF or CSV, or without a kind that has
// profiles, there are none.
TEST_F(OptionsSummary, TheFilesOfTheExport)
{
    Settings.UnpackAll = 0;
    Settings.Options = KindCtd | KindAcm | KindDeployment;
    std::strcpy(Settings.Prefix, "X_");
    const std::string form = "The output files are Machine readable\r\n";
    struct Case {
        int netcdf, csv, options;
        const char* files;  // what follows the form line
    };
    const Case cases[] = {
        {1, 1, KindCtd | KindAcm | KindDeployment,
         "Export for analysis will be written to:\r\n  X_ctd.nc\r\n  X_ctd_grid.nc\r\n  X_ctd.csv\r\n  X_acm.nc\r\n  X_acm.csv\r\n"
         "  X_profiles.csv\r\n"},
        {1, 0, KindEngineering | KindCtd,
         "Export for analysis will be written to:\r\n  X_engineering.nc\r\n  X_ctd.nc\r\n  X_ctd_grid.nc\r\n"},
        {0, 1, KindAcm, "Export for analysis will be written to:\r\n  X_acm.csv\r\n  X_profiles.csv\r\n"},
        {0, 0, KindCtd, ""},
        {1, 1, KindDeployment | KindException, ""},
    };
    for (const Case& c : cases) {
        Settings.ExportNetcdf = c.netcdf;
        Settings.ExportCsv = c.csv;
        Settings.Options = c.options;
        const std::string text = BuildOptionsSummary(SummaryComplete, 0);
        const std::size_t at = text.find(form);
        ASSERT_NE(at, std::string::npos) << text;
        EXPECT_EQ(text.substr(at + form.size()), c.files) << c.options;
        EXPECT_EQ(BuildOptionsSummary(SummaryPrefixedNames, 1).find("Export"), std::string::npos);
    }
}

TEST_F(OptionsSummary, LoggedAsReadyText)
{
    SetText(Settings.SrcDir, "C:\\100%s");
    Settings.UnpackAll = 0;
    Settings.Options = KindException;
    EXPECT_EQ(LogOptionsSummary(), 0);
    EXPECT_EQ(std::string(LogTake()), "\r\nSettings for this run:\r\n\r\n"
                                      "Unpack files from folder C:\\100%s \r\n"
                                      "Unpack files to folder D:\\OUT\r\n"
                                      "The following files will be unpacked:\r\n"
                                      "  Exception Log\r\n"
                                      "The output files are Machine readable\r\n"
                                      "\r\nUnpack Activity:\r\n\r\n");
}

class FolderChecks : public SettingsSandbox {
protected:
    TempDir dir;
};

TEST_F(FolderChecks, SourceCheckResults)
{
    DeploymentShape shape;
    shape.maxProfile = 250;
    shape.profilesPerFile = 10;
    WriteDeployment(dir.path(), shape);
    Settings.Options = KindCtd | KindDeployment;

    EXPECT_EQ(SourceCheck(dir.str().c_str()), 0);
    EXPECT_EQ(Settings.SourceEntered, 1);
    EXPECT_EQ(Settings.SourceDataOk, 1);
    EXPECT_EQ(Settings.MaxProfile, 250);
    EXPECT_EQ(Settings.ProfilesPerFile, 10);
    EXPECT_EQ(Settings.FileCount, 755);
    EXPECT_EQ(Settings.CheckedOptions, KindCtd | KindDeployment);

    // A folder that does not exist leaves the metadata fields as they were.
    EXPECT_EQ(SourceCheck((dir.str() + "/missing").c_str()), 1);
    EXPECT_EQ(Settings.SourceEntered, 0);
    EXPECT_EQ(Settings.MaxProfile, 250);

    fs::remove(dir / "PROFILES.DAT");
    EXPECT_EQ(SourceCheck(dir.str().c_str()), 2);
    EXPECT_EQ(Settings.SourceDataOk, 0);
    EXPECT_EQ(Settings.WrongVersion, 0);

    Settings.FirmwareVers = Firmware301;  // a 3.04 folder under the 3.01 configuration
    WriteFileBytes(dir / "PROFILES.DAT", Bytes().u32(3));
    EXPECT_EQ(SourceCheck(dir.str().c_str()), 2);
    EXPECT_EQ(Settings.WrongVersion, 1);
}

TEST_F(FolderChecks, DestinationCheckResults)
{
    EXPECT_EQ(DestinationCheck(dir.str().c_str()), 0);
    EXPECT_EQ(Settings.DestinationExists, 1);
    EXPECT_EQ(DestinationCheck((dir.str() + "/missing").c_str()), 1);
    EXPECT_EQ(Settings.DestinationExists, 0);
}

}  // namespace
