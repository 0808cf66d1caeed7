#include "app/expanded_text.h"
#include "app/program_log.h"
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/messages.h"
#include "engine/version.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

class Messages : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        SetDefaultSettings(Settings);
        ResetTestLog();
    }
    void TearDown() override { Settings = saved_; }

    static std::string Expand(MessageId id)
    {
        char out[kMessageBufferSize];
        ExpandMessage(CurrentModule(), id, out, sizeof out);
        return out;
    }

private:
    SettingsRecord saved_;
};

TEST_F(Messages, CatalogueHoldsEveryIdButTheReservedOnes)
{
    const int reserved[] = {111, 113, 115, 117, 126, 157, 161, 165, 230, 233, 234};
    int count = 0;
    for (int id = kFirstMessageId; id <= kLastMessageId; ++id) {
        bool isReserved = std::find(std::begin(reserved), std::end(reserved), id) != std::end(reserved);
        EXPECT_EQ(MessageText(static_cast<MessageId>(id)) == nullptr, isReserved) << id;
        count += MessageText(static_cast<MessageId>(id)) != nullptr;
    }
    EXPECT_EQ(count, 131);
    EXPECT_EQ(MessageText(static_cast<MessageId>(100)), nullptr);
    EXPECT_EQ(MessageText(static_cast<MessageId>(243)), nullptr);
}

TEST_F(Messages, TextsKeepControlCharactersAndBlanks)
{
    const struct {
        MessageId id;
        const char* text;
    } cases[] = {
        {MessageId::LogMemoryQuestion,
         "There was an error trying to allocate memory for the Davrolin activity log.\n\nWould you like to "
         "continue without logging capabilities?\nIf you click on YES, you can continue with Davrolin but no "
         "activity will be logged.\nIf you click on NO, Davrolin will exit now."},
        {MessageId::MakerShortName, "Ostrel "},
        {MessageId::WelcomeVersion, "Version {VERSION}  Revision {REVISION} [Built {BLDDATE}]"},
        {MessageId::UnpackException,
         "\r\nAn exception occured while unpacking data.\r\nThis could be due to invalid data, or could be due "
         "to other reasons.\r\nPlease contact Ostrel Laboratories.\r\n"},
        {MessageId::SummarySource, "Unpack files from folder {SRCDIR} \r\n"},
        {MessageId::SummaryEngineeringFiles, "  Engineering files "},
        {MessageId::UnpackingStatus, "Unpacking file %s\nfrom file %s"},
        {MessageId::EngineeringReadError, "Error reading from engineering file for profile %u\r\n"},
        {MessageId::SourceWrongVersion,
         "The specified source path\n  {SRCDIR}\ncontain VXP data from a different version.\n\nThe VXP "
         "Davrolin is configured to unpack version {FIRMWARE} VXP files.\n"},
        {MessageId::SourceWrongVersionCaption, "Error - Wrong version of VXP files"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(MessageText(c.id), c.text) << static_cast<int>(c.id);
}

TEST_F(Messages, PlaceholdersTakeCurrentValues)
{
    Settings.MaxProfile = 250;
    Settings.FileCount = 755;
    Settings.ProfilesPerFile = 4;
    Settings.FirstProfile = 3;
    Settings.LastProfile = 9;
    std::strcpy(Settings.DstDir, "D:\\OUT");
    std::strcpy(Settings.Prefix, "RUN1_");

    EXPECT_EQ(Expand(MessageId::SummaryDestination), "Unpack files to folder D:\\OUT\r\n");
    EXPECT_EQ(Expand(MessageId::SummaryDeploymentCount), "Source folder contains 251 deployments in 755 files\r\n");
    EXPECT_EQ(Expand(MessageId::SummaryEntireDeployment), "for the entire deployment (all 251 profiles)\r\n");
    EXPECT_EQ(Expand(MessageId::SummaryProfileRange),
              "for profiles 0 to 250\r\n");  // UnpackAll 1 ignores First/LastProfile
    EXPECT_EQ(Expand(MessageId::SummaryProfilesPerFile), "Profiles are packed 4 per source file\r\n");
    EXPECT_EQ(Expand(MessageId::IrqCreateError), "Error creating IRQ exception log RUN1_IRQ_XCPT.TXT\r\n");
    EXPECT_EQ(Expand(MessageId::SummaryForm), "The output files are Machine readable\r\n");
    EXPECT_EQ(Expand(MessageId::ProfileCaption), "Profile (0-250) :");
    EXPECT_EQ(Expand(MessageId::DeployWrongVersion),
              "Wrong version of DEPLOY.DAT detected.\r\nVXP Davrolin is configured to unpack "
              "version 3.04 deployments.\r\n");

    Settings.UnpackAll = 0;
    Settings.HumanReadible = 1;
    Settings.FirmwareVers = Firmware301;
    std::strcpy(Settings.SrcDir, "");
    EXPECT_EQ(Expand(MessageId::SummarySingleProfile), "for profile 3\r\n");
    EXPECT_EQ(Expand(MessageId::SummaryProfileRange), "for profiles 3 to 9\r\n");
    EXPECT_EQ(Expand(MessageId::SummaryForm), "The output files are Human readable\r\n");
    EXPECT_EQ(Expand(MessageId::WelcomeFirmware),
              "For use with data collected under Version 3.01 of the System Control Program.");
    EXPECT_EQ(Expand(MessageId::SummarySource), "Unpack files from folder  \r\n");  // both blanks kept

    // Conversions are left for the caller.
    EXPECT_EQ(Expand(MessageId::SurveyEngineeringFiles), MessageText(MessageId::SurveyEngineeringFiles));
}

TEST_F(Messages, VersionHeaderNamesTheBuild)
{
    Settings.FirmwareVers = Firmware301;
    std::string build = std::string(BuildDate()) + " " + BuildTime();
    EXPECT_EQ(Expand(MessageId::LogHeaderVersion),
              "Ostrel Research Labs Davrolin version 1.0 Revision 02 [Build " + build +
                  "]\r\nFor use with data collected under Version 3.01 of the System Control "
                  "Program.\r\n");
    EXPECT_EQ(Expand(MessageId::WelcomeVersion), std::string("Version 1.0  Revision 02 [Built ") + BuildDate() + "]");
    // "May  7 2004": three-letter month, day padded with a blank, year.
    std::string date = BuildDate();
    ASSERT_EQ(date.size(), 11u);
    EXPECT_NE(date[4], '0');
    EXPECT_EQ(std::string(BuildTime()).size(), 8u);
}

TEST_F(Messages, DateAndTimeAreFilledIn)
{
    std::string text = Expand(MessageId::LogCreated);
    ASSERT_GT(text.size(), std::strlen("Log created  \r\n"));
    EXPECT_EQ(text.rfind("Log created ", 0), 0u);
    EXPECT_EQ(text.find('{'), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(Messages, ReturnsRawLengthAndFailsCleanlyOnMissingIds)
{
    char out[64] = "stale";
    EXPECT_EQ(ExpandMessage(CurrentModule(), MessageId::SummaryDestination, out, sizeof out),
              static_cast<int>(std::strlen(MessageText(MessageId::SummaryDestination))));

    for (int id : {300, 111, 0, -5}) {
        ResetTestLog();
        std::strcpy(out, "stale");
        EXPECT_EQ(ExpandMessage(CurrentModule(), static_cast<MessageId>(id), out, sizeof out), 0) << id;
        EXPECT_STREQ(out, "") << id;
        EXPECT_EQ(std::string(LogTake()),
                  "ERROR: LoadString failed on resource id " + std::to_string(static_cast<unsigned>(id)) + "!\r\n");
    }
}

TEST_F(Messages, NeverWritesPastSize)
{
    std::strcpy(Settings.DstDir, "D:\\A_VERY_LONG_FOLDER_NAME");
    for (std::size_t size : {std::size_t{1}, std::size_t{5}, std::size_t{23}, std::size_t{24}, std::size_t{40}}) {
        char out[64];
        std::memset(out, '#', sizeof out);
        ExpandMessage(CurrentModule(), MessageId::SummaryDestination, out, size);
        std::string full = Expand(MessageId::SummaryDestination);
        EXPECT_EQ(std::string(out), full.substr(0, size - 1)) << size;
        for (std::size_t i = size; i < sizeof out; ++i)
            ASSERT_EQ(out[i], '#') << size << " at " << i;
    }
    char untouched = '#';
    EXPECT_EQ(ExpandMessage(CurrentModule(), MessageId::SummaryDestination, &untouched, 0), 0);
    EXPECT_EQ(untouched, '#');
}

TEST_F(Messages, InsertedPercentSignsAreSafeAsAFormat)
{
    std::strcpy(Settings.SrcDir, "C:\\100%data");
    std::strcpy(Settings.Prefix, "a%sb%");
    char out[kMessageBufferSize];

    ExpandMessage(CurrentModule(), MessageId::SummarySource, out, sizeof out);
    EXPECT_STREQ(out, "Unpack files from folder C:\\100%data \r\n");
    ExpandMessageAsFormat(CurrentModule(), MessageId::SummarySource, out, sizeof out);
    EXPECT_STREQ(out, "Unpack files from folder C:\\100%%data \r\n");
    // The message's own conversions stay single.
    ExpandMessageAsFormat(CurrentModule(), MessageId::SummaryInputFile, out, sizeof out);
    EXPECT_STREQ(out, "    using input file %s\r\n");

    // Logged by id, the values come out literally and no argument is read.
    LogMessage(LogInfo, MessageId::SummarySource);
    LogMessage(LogError, MessageId::IrqCreateError);
    LogMessage(LogInfo, MessageId::SummaryPrefixed, "unused");
    EXPECT_STREQ(LogTake(), "Unpack files from folder C:\\100%data \r\n"
                            "Error creating IRQ exception log a%sb%IRQ_XCPT.TXT\r\n"
                            "Output files are prefixed by a%sb%\r\n");

    // A cut never leaves half of a doubled percent sign.
    ExpandMessageAsFormat(CurrentModule(), MessageId::SummarySource, out,
                          std::strlen("Unpack files from folder C:\\100%") + 1);
    EXPECT_STREQ(out, "Unpack files from folder C:\\100");
}

}  // namespace
