#include "app/messages.h"
#include "app/version.h"
#include "engine/activity_log.h"
#include "formats/settings_record.h"
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

    static std::string Expand(int id)
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
        EXPECT_EQ(MessageText(id) == nullptr, isReserved) << id;
        count += MessageText(id) != nullptr;
    }
    EXPECT_EQ(count, 127);
    EXPECT_EQ(MessageText(100), nullptr);
    EXPECT_EQ(MessageText(239), nullptr);
}

TEST_F(Messages, TextsKeepControlCharactersAndBlanks)
{
    const struct {
        int id;
        const char* text;
    } cases[] = {
        {102, "There was an error trying to allocate memory for the Davrolin activity log.\n\nWould you like to "
              "continue without logging capabilities?\nIf you click on YES, you can continue with Davrolin but no "
              "activity will be logged.\nIf you click on NO, Davrolin will exit now."},
        {119, "Ostrel "},
        {121, "Version {VERSION}  Revision {REVISION} [Built {BLDDATE}]"},
        {128, "\r\nAn exception occured while unpacking data.\r\nThis could be due to invalid data, or could be due "
              "to other reasons.\r\nPlease contact Ostrel Laboratories.\r\n"},
        {129, "Unpack files from folder {SRCDIR} \r\n"},
        {138, "  Engineering files "},
        {168, "Unpacking file %s\nfrom file %s"},
        {184, "Error reading from engineering file for profile %u\r\n"},
        {237, "The specified source path\n  {SRCDIR}\ncontain VXP data from a different version.\n\nThe VXP "
              "Davrolin is configured to unpack version {FIRMWARE} VXP files.\n"},
        {238, "Error - Wrong version of VXP files"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(MessageText(c.id), c.text) << c.id;
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

    EXPECT_EQ(Expand(130), "Unpack files to folder D:\\OUT\r\n");
    EXPECT_EQ(Expand(135), "Source folder contains 251 deployments in 755 files\r\n");
    EXPECT_EQ(Expand(144), "for the entire deployment (all 251 profiles)\r\n");
    EXPECT_EQ(Expand(146), "for profiles 0 to 250\r\n");  // UnpackAll 1 ignores First/LastProfile
    EXPECT_EQ(Expand(155), "Profiles are packed 4 per source file\r\n");
    EXPECT_EQ(Expand(198), "Error creating IRQ exception log RUN1_IRQ_XCPT.TXT\r\n");
    EXPECT_EQ(Expand(203), "The output files are Machine readable\r\n");
    EXPECT_EQ(Expand(214), "Profile (0-250) :");
    EXPECT_EQ(Expand(236), "Wrong version of DEPLOY.DAT detected.\r\nVXP Davrolin is configured to unpack "
                           "version 3.04 deployments.\r\n");

    Settings.UnpackAll = 0;
    Settings.HumanReadible = 1;
    Settings.FirmwareVers = Firmware301;
    std::strcpy(Settings.SrcDir, "");
    EXPECT_EQ(Expand(145), "for profile 3\r\n");
    EXPECT_EQ(Expand(146), "for profiles 3 to 9\r\n");
    EXPECT_EQ(Expand(203), "The output files are Human readable\r\n");
    EXPECT_EQ(Expand(208), "For use with data collected under Version 3.01 of the System Control Program.");
    EXPECT_EQ(Expand(129), "Unpack files from folder  \r\n");  // both blanks kept

    // Conversions are left for the caller.
    EXPECT_EQ(Expand(224), MessageText(224));
}

TEST_F(Messages, VersionHeaderNamesTheBuild)
{
    Settings.FirmwareVers = Firmware301;
    std::string build = std::string(BuildDate()) + " " + BuildTime();
    EXPECT_EQ(Expand(108), "Ostrel Research Labs Davrolin version 1.0 Revision 02 [Build " + build +
                               "]\r\nFor use with data collected under Version 3.01 of the System Control "
                               "Program.\r\n");
    EXPECT_EQ(Expand(121), std::string("Version 1.0  Revision 02 [Built ") + BuildDate() + "]");
    // "May  7 2004": three-letter month, day padded with a blank, year.
    std::string date = BuildDate();
    ASSERT_EQ(date.size(), 11u);
    EXPECT_NE(date[4], '0');
    EXPECT_EQ(std::string(BuildTime()).size(), 8u);
}

TEST_F(Messages, DateAndTimeAreFilledIn)
{
    std::string text = Expand(109);
    ASSERT_GT(text.size(), std::strlen("Log created  \r\n"));
    EXPECT_EQ(text.rfind("Log created ", 0), 0u);
    EXPECT_EQ(text.find('{'), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(Messages, ReturnsRawLengthAndFailsCleanlyOnMissingIds)
{
    char out[64] = "stale";
    EXPECT_EQ(ExpandMessage(CurrentModule(), 130, out, sizeof out),
              static_cast<int>(std::strlen(MessageText(130))));

    for (int id : {300, 111, 0, -5}) {
        ResetTestLog();
        std::strcpy(out, "stale");
        EXPECT_EQ(ExpandMessage(CurrentModule(), id, out, sizeof out), 0) << id;
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
        ExpandMessage(CurrentModule(), 130, out, size);
        std::string full = Expand(130);
        EXPECT_EQ(std::string(out), full.substr(0, size - 1)) << size;
        for (std::size_t i = size; i < sizeof out; ++i)
            ASSERT_EQ(out[i], '#') << size << " at " << i;
    }
    char untouched = '#';
    EXPECT_EQ(ExpandMessage(CurrentModule(), 130, &untouched, 0), 0);
    EXPECT_EQ(untouched, '#');
}

TEST_F(Messages, InsertedPercentSignsAreSafeAsAFormat)
{
    std::strcpy(Settings.SrcDir, "C:\\100%data");
    std::strcpy(Settings.Prefix, "a%sb%");
    char out[kMessageBufferSize];

    ExpandMessage(CurrentModule(), 129, out, sizeof out);
    EXPECT_STREQ(out, "Unpack files from folder C:\\100%data \r\n");
    ExpandMessageAsFormat(CurrentModule(), 129, out, sizeof out);
    EXPECT_STREQ(out, "Unpack files from folder C:\\100%%data \r\n");
    // The message's own conversions stay single.
    ExpandMessageAsFormat(CurrentModule(), 147, out, sizeof out);
    EXPECT_STREQ(out, "    using input file %s\r\n");

    // Logged by id, the values come out literally and no argument is read.
    LogMessage(LogInfo, 129);
    LogMessage(LogError, 198);
    LogMessage(LogInfo, 152, "unused");
    EXPECT_STREQ(LogTake(), "Unpack files from folder C:\\100%data \r\n"
                            "Error creating IRQ exception log a%sb%IRQ_XCPT.TXT\r\n"
                            "Output files are prefixed by a%sb%\r\n");

    // A cut never leaves half of a doubled percent sign.
    ExpandMessageAsFormat(CurrentModule(), 129, out, std::strlen("Unpack files from folder C:\\100%") + 1);
    EXPECT_STREQ(out, "Unpack files from folder C:\\100");
}

}  // namespace
