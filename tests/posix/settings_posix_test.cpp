#include "app/program_log.h"
#include "app/settings.h"
#include "engine/activity_log.h"
#include "platform/private_profile.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

// Without a path there is no settings file: start-up values, nothing written,
// wherever the current directory is.
TEST(SettingsPosix, NoPathMeansNoFile)
{
    ASSERT_STREQ(SettingsFilePath(), "");
    SettingsRecord saved = Settings;
    TempDir dir;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    WriteFileText(dir / kSettingsFileName, "[CONFIGURATION]\r\nUnpackAll=0\r\n");

    LoadSettings();
    EXPECT_EQ(Settings.UnpackAll, 1);
    Settings.Options = 5;
    Settings.WindowX = 0;
    SaveSettings();
    std::filesystem::current_path(cwd);
    EXPECT_EQ(ReadFileText(dir / kSettingsFileName), "[CONFIGURATION]\r\nUnpackAll=0\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    Settings = saved;
}

// Lines the writer does not touch keep their bytes, line ends included; the
// file is replaced whole, so no scratch file stays behind.
TEST(SettingsPosix, WriterKeepsOtherLinesAsTheyAre)
{
    TempDir dir;
    const std::string file = (dir / "a.ini").string();
    WriteFileText(file, "; comment\n[CONFIGURATION]\n  Options = 3 \nWindowX=1\n\n[Other]\nX=1");
    EXPECT_TRUE(ProfileWriteString("CONFIGURATION", "windowx", "2", file.c_str()));
    EXPECT_TRUE(ProfileWriteString("CONFIGURATION", "Prefix", "P_", file.c_str()));
    EXPECT_TRUE(ProfileWriteString("Third", "K", "v", file.c_str()));
    EXPECT_EQ(ReadFileText(file),
              "; comment\n[CONFIGURATION]\n  Options = 3 \nWindowX=2\nPrefix=P_\r\n\n[Other]\nX=1\r\n[Third]\r\nK=v\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // Removing a key and a section.
    EXPECT_TRUE(ProfileWriteString("CONFIGURATION", "Options", nullptr, file.c_str()));
    EXPECT_TRUE(ProfileWriteString("Other", nullptr, nullptr, file.c_str()));
    EXPECT_EQ(ReadFileText(file), "; comment\n[CONFIGURATION]\nWindowX=2\nPrefix=P_\r\n\n[Third]\r\nK=v\r\n");
}

// A last line that ends in a lone CR gets a whole line end before a key or a
// section is added after it, so the added line reads back on its own.
TEST(SettingsPosix, KeyAddedAfterALoneCarriageReturnReadsBack)
{
    TempDir dir;
    for (const char* start : {"[CONFIGURATION]\r", "X=1\r"}) {
        const std::string file = (dir / "cr.ini").string();
        WriteFileText(file, start);
        EXPECT_TRUE(ProfileWriteString("CONFIGURATION", "Prefix", "P_", file.c_str()));
        char value[16];
        ProfileReadString("CONFIGURATION", "Prefix", "none", value, sizeof value, file.c_str());
        EXPECT_STREQ(value, "P_") << start;
    }
}

}  // namespace

namespace {

// A log file that cannot be written whole is reported in the log, not passed
// over as saved.
TEST(ActivityLogPosix, SaveReportsAFailedWrite)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    SettingsRecord saved = Settings;
    SetDefaultSettings(Settings);
    ResetTestLog();
    std::strcpy(Settings.DstDir, "/dev");
    std::strcpy(Settings.LogName, "full");
    LogText(LogInfo, "line\r\n");
    SaveActivityLog();
    EXPECT_STREQ(LogTake(), "line\r\nSaving log to /dev/full\r\nUnable to save log to /dev/full\r\n");
    Settings = saved;
}

}  // namespace
