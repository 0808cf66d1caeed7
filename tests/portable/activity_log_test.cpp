#include "engine/activity_log.h"
#include "engine/messages.h"
#include "formats/settings_record.h"
#include "platform/platform.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

class ActivityLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        SetDefaultSettings(Settings);
        ResetTestLog();
    }
    void TearDown() override
    {
        SetLogQuestion(nullptr);
        Settings = saved_;
        LogCreate(CurrentModule());
    }
    // A fresh log of `size` bytes.
    static void Recreate(int32_t size)
    {
        Settings.LogSize = size;
        ASSERT_EQ(LogCreate(CurrentModule()), 0);
    }
    // Fills the log with lines "L0000 xxx...\r\n" of `lineLength` bytes up to `used` bytes.
    static std::string Fill(uint32_t used, uint32_t lineLength = 50)
    {
        std::string text;
        for (int n = 0; text.size() < used; ++n) {
            std::string line = "L" + std::to_string(10000 + n).substr(1) + " ";
            line.append(lineLength - line.size() - 2, 'x');
            line += "\r\n";
            text += line;
        }
        text.resize(used);
        LogAppend(text.c_str(), LogInfo);
        EXPECT_EQ(LogUsed(), used);
        return text;
    }

private:
    SettingsRecord saved_;
};

TEST_F(ActivityLogTest, FormatsByTheLogRules)
{
    // "%y" is no conversion: by the rules of wvsprintfA the log writes the
    // letter alone. The compiler's printf check objects to it on purpose
    // here, so it is quiet for this line only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
    LogText(LogInfo, "%07d|%u|%ld|%s|%%|%y\r\n", 42, 4294967288u, -3L, "txt");
#pragma GCC diagnostic pop
    LogMessage(LogError, MessageId::EngineeringReadError, 107u);
    EXPECT_STREQ(LogTake(), "0000042|4294967288|-3|txt|%|y\r\n"
                            "Error reading from engineering file for profile 107\r\n");

    // A formatted entry is cut to 1023 characters.
    ResetTestLog();
    std::string longText(2000, 'a');
    LogText(LogInfo, "%s", longText.c_str());
    EXPECT_EQ(std::string(LogTake()), longText.substr(0, 1023));
}

TEST_F(ActivityLogTest, LevelMaskFiltersCategories)
{
    Settings.LogLevel = 8;
    LogMessage(LogInfo, MessageId::LogSettingsHeading);
    LogText(LogProgress, "progress\r\n");
    EXPECT_TRUE(LogHasChanged());  // marked even when filtered out
    LogMessage(LogError, MessageId::Cancelled);
    EXPECT_STREQ(LogTake(), "Operation cancelled by user\r\n");

    Settings.LogLevel = 3;
    LogText(LogError, "error\r\n");
    LogText(LogProgress, "progress\r\n");
    EXPECT_STREQ(LogTake(), "Operation cancelled by user\r\nprogress\r\n");
}

TEST_F(ActivityLogTest, ChangedFlagAndReset)
{
    LogText(LogInfo, "one\r\n");
    EXPECT_TRUE(LogHasChanged());
    EXPECT_STREQ(LogTake(), "one\r\n");
    EXPECT_FALSE(LogHasChanged());
    LogReset();
    EXPECT_TRUE(LogHasChanged());
    EXPECT_STREQ(LogTake(), "");
    EXPECT_EQ(LogUsed(), 0u);
    LogText(LogInfo, "two\r\n");
    EXPECT_STREQ(LogTake(), "two\r\n");
}

TEST_F(ActivityLogTest, UnknownIdLogsOnlyTheCatalogueError)
{
    LogMessage(LogError, static_cast<MessageId>(300), 1, 2);
    EXPECT_STREQ(LogTake(), "ERROR: LoadString failed on resource id 300!\r\n");
}

TEST_F(ActivityLogTest, TrimDiscardsOldestTextToALineBreak)
{
    const struct {
        int32_t logSize;
        uint32_t used;
        uint32_t lineLength;
        uint32_t cut;  // before extension to the line break
    } cases[] = {
        {32768, 32768 - 40, 50, 1024},  // the cut is capped at 1024 bytes
        {32768, 32768 - 40, 37, 1024},
        {4000, 4000 - 10, 50, 800},     // LogSize / 5
        {4000, 4000 - 10, 33, 800},
    };
    for (const auto& c : cases) {
        Recreate(c.logSize);
        std::string text = Fill(c.used, c.lineLength);
        std::string entry(98, 'N');
        entry += "\r\n";
        LogAppend(entry.c_str(), LogError);
        std::size_t breakAt = text.find_first_of("\r\n", c.cut);
        ASSERT_NE(breakAt, std::string::npos);
        std::string expected = text.substr(breakAt) + entry;
        EXPECT_EQ(std::string(LogTake()), expected) << c.logSize << "/" << c.lineLength;
        EXPECT_EQ(LogUsed(), expected.size());
    }
}

TEST_F(ActivityLogTest, TrimWithoutLineBreakDiscardsEverything)
{
    Recreate(4000);
    std::string text(3995, 'z');
    LogAppend(text.c_str(), LogInfo);
    LogAppend("next\r\n", LogInfo);
    EXPECT_STREQ(LogTake(), "next\r\n");

    // Fewer bytes stored than the cut: all of them go.
    Recreate(100);
    LogAppend("ab\r\n", LogInfo);
    LogAppend(std::string(97, 'q').c_str(), LogInfo);
    EXPECT_EQ(std::string(LogTake()), std::string(97, 'q'));
}

TEST_F(ActivityLogTest, EntryThatCannotFitIsDropped)
{
    Recreate(100);
    LogAppend(std::string(100, 'x').c_str(), LogInfo);  // text plus NUL would not fit
    EXPECT_STREQ(LogTake(), "");
    LogAppend(std::string(99, 'y').c_str(), LogInfo);  // exactly fits with its NUL
    EXPECT_EQ(std::string(LogTake()), std::string(99, 'y'));

    // After the one trim the entry still does not fit: it is dropped and the
    // trimmed text stays.
    Recreate(100);
    LogAppend("0123456789012345678901\r\nrest\r\n", LogInfo);
    LogAppend(std::string(95, 'w').c_str(), LogInfo);
    EXPECT_STREQ(LogTake(), "\r\nrest\r\n");
}

TEST_F(ActivityLogTest, NothingIsLoggedBeforeCreate)
{
    LogDestroy();
    LogText(LogError, "lost\r\n");
    LogMessage(LogError, MessageId::Cancelled);
    EXPECT_STREQ(LogTake(), "");
    LogCreate(CurrentModule());
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(ActivityLogTest, AllocationFailureAsksWhetherToGoOn)
{
    static std::string caption, text;
    static bool answer;
    SetLogQuestion([](const char* c, const char* t) {
        caption = c;
        text = t;
        return answer;
    });
    Settings.LogSize = 0;  // no storage can be had
    answer = false;
    EXPECT_EQ(LogCreate(CurrentModule()), -1);
    EXPECT_EQ(caption, MessageText(MessageId::LogMemoryCaption));
    EXPECT_EQ(text, MessageText(MessageId::LogMemoryQuestion));

    answer = true;
    EXPECT_EQ(LogCreate(CurrentModule()), 0);
    LogText(LogError, "dropped\r\n");
    LogMessage(LogError, MessageId::Cancelled);
    EXPECT_STREQ(LogTake(), "");

    // No text, no file.
    TempDir dir;
    std::strcpy(Settings.DstDir, dir.str().c_str());
    LogSave();
    EXPECT_FALSE(std::filesystem::exists(dir / "DAVROLIN.LOG"));
}

TEST_F(ActivityLogTest, SaveWritesTheTextBesideTheOutput)
{
    TempDir dir;
    const std::string path = (dir / "DAVROLIN.LOG").string();
    for (std::string dst : {dir.str(), dir.str() + kPathSeparator}) {
        ResetTestLog();
        std::strcpy(Settings.DstDir, dst.c_str());
        LogText(LogInfo, "%s", "100% done, %d %s kept\r\n");
        LogSave();
        std::string expected = "100% done, %d %s kept\r\nSaving log to " + path + "\r\n";
        EXPECT_EQ(ReadFileText(path), expected) << dst;
        EXPECT_EQ(std::string(LogTake()), expected);
    }

    // Another name, and a folder holding a percent sign.
    std::filesystem::create_directory(dir / "a%sb");
    std::strcpy(Settings.DstDir, (dir / "a%sb").string().c_str());
    std::strcpy(Settings.LogName, "RUN.LOG");
    ResetTestLog();
    LogSave();
    const std::string other = (dir / "a%sb" / "RUN.LOG").string();
    EXPECT_EQ(ReadFileText(other), "Saving log to " + other + "\r\n");
}

TEST_F(ActivityLogTest, SaveHonoursSwitchLevelAndFailure)
{
    TempDir dir;
    std::strcpy(Settings.DstDir, dir.str().c_str());

    Settings.SaveLog = 0;
    LogText(LogInfo, "info\r\n");
    LogSave();
    EXPECT_FALSE(std::filesystem::exists(dir / "DAVROLIN.LOG"));
    EXPECT_STREQ(LogTake(), "info\r\n");

    Settings.SaveLog = 1;
    Settings.LogLevel = 8;
    ResetTestLog();
    LogText(LogInfo, "info\r\n");
    LogMessage(LogError, MessageId::Cancelled);
    LogSave();
    EXPECT_EQ(ReadFileText(dir / "DAVROLIN.LOG"), "Operation cancelled by user\r\n");

    Settings.LogLevel = 15;
    ResetTestLog();
    const std::string missing = (dir / "missing").string();
    std::strcpy(Settings.DstDir, missing.c_str());
    LogSave();
    EXPECT_EQ(std::string(LogTake()), "Unable to save log to " + missing + kPathSeparator + "DAVROLIN.LOG\r\n");
}

}  // namespace
