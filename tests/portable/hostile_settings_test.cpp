// Settings files edited by hand or damaged: junk bytes, lines far longer than
// any field, keys outside any section, numbers that are not numbers, and log
// sizes of zero, below zero or too small for a single line. Start-up reads
// what it can, every text field stays within its 255 characters, and the
// activity log that follows from the file never writes outside its storage.

#include "app/program_log.h"
#include "app/settings.h"
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "formats/text_format.h"
#include "platform/desktop.h"
#include "platform/platform.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class HostileSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedPath_ = SettingsFilePath();
        path_ = (dir_ / "VXPDavrolin.INI").string();
        SetSettingsFilePath(path_.c_str());
        SetLogQuestion([](const char*, const char*) { return true; });  // go on without a log
    }
    void TearDown() override
    {
        SetLogQuestion(nullptr);
        SetSettingsFilePath(savedPath_.c_str());
        Settings = saved_;
        ResetTestLog();
    }
    void Load(const std::string& text)
    {
        WriteFileText(path_, text);
        SetDefaultSettings(Settings);
        ASSERT_EQ(LoadSettings(), 0);
    }

    TempDir dir_;
    std::string path_;

private:
    SettingsRecord saved_;
    std::string savedPath_;
};

TEST_F(HostileSettings, JunkAndOverlongLinesLeaveProperFields)
{
    const std::string longPrefix(2000, 'p');
    const std::string longFolder = "D:\\" + std::string(100000, 'f');
    std::string junk;  // every byte that cannot start a section or make a key
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n' && c != '[' && c != '=')
            junk += static_cast<char>(c);
    Load("junk before any section\r\nLogSize=77\r\n" + junk + "\r\n[CONFIGURATION]\r\n" + junk + "\r\nPrefix=" + longPrefix + "\r\nSrcDir=" + longFolder +
         "\r\nWindowX=not a number\r\nLogLevel=-1\r\nOptions=4294967295\r\nFirmwareVers=" +
         std::string(5000, '3') + "\r\n[CONFIGURATION\r\nDstDir=unclosed section header\r\n");

    EXPECT_EQ(std::string(Settings.Prefix), longPrefix.substr(0, 255));
    EXPECT_EQ(std::string(Settings.SrcDir), longFolder.substr(0, 255));
    EXPECT_EQ(Settings.WindowX, 0);  // text that is no number reads as 0
    EXPECT_EQ(Settings.LogLevel, -1);
    EXPECT_EQ(Settings.Options, -1);
    EXPECT_EQ(Settings.LogSize, 32768);
    EXPECT_EQ(Settings.FirmwareVers, Firmware304);
    for (const char* text : {Settings.SrcDir, Settings.DstDir, Settings.Prefix, Settings.LogName})
        EXPECT_LT(strnlen(text, kTextFieldSize), static_cast<std::size_t>(kTextFieldSize));

    // A file without the section: every start-up value.
    Load("LogSize=5\r\nPrefix=x\r\n[OTHER]\r\nLogSize=6\r\n");
    EXPECT_EQ(Settings.LogSize, 32768);
    EXPECT_EQ(Settings.SaveLog, 1);
    EXPECT_STREQ(Settings.Prefix, "");
    EXPECT_STREQ(Settings.SrcDir, "C:\\VXP");
}

// LogSize 0 or below: no log at all (the user said to go on without one), no
// saving; a log too small for a line keeps nothing. None of them writes
// outside the storage, whatever is logged.
TEST_F(HostileSettings, LogSizesThatHoldNothingNeverBreakTheLog)
{
    const struct {
        const char* value;
        uint32_t capacity;
        bool saveLog;  // any LogSize but 0 switches saving on
    } cases[] = {
        {"0", 0, false}, {"-1", 0, true}, {"4294967295", 0, true}, {"-32768", 0, true}, {"junk", 0, false},
        {"1", 1, true},  {"2", 2, true},  {"7", 7, true},          {"64", 64, true},
    };
    const std::string longLine(3000, 'L');
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Load(std::string("[CONFIGURATION]\r\nLogSize=") + c.value + "\r\nDstDir=" + dir_.str() + "\r\n");
        EXPECT_EQ(Settings.SaveLog != 0, c.saveLog);
        ASSERT_EQ(CreateActivityLog(CurrentModule()), 0);
        EXPECT_EQ(LogCapacity(), c.capacity);
        for (int i = 0; i < 20; ++i) {
            LogText(LogError, "%s\r\n", i % 3 ? "short" : longLine.c_str());
            LogMessage(LogError, MessageId::EngineeringReadError, static_cast<unsigned>(i));
            LogAppend("no line break at all", LogInfo);
            const char* text = LogTake();
            EXPECT_EQ(std::strlen(text), LogUsed());
            if (c.capacity)
                EXPECT_LT(LogUsed(), c.capacity);
            else
                EXPECT_STREQ(text, "");
        }
        SaveActivityLog();  // saves only a log that exists; never past its text
        const std::string saved = ReadFileText(dir_ / "DAVROLIN.LOG");
        EXPECT_LE(saved.size(), c.capacity);
        std::remove((dir_ / "DAVROLIN.LOG").string().c_str());
        LogDestroy();
    }
}

// A log name at the 255-character limit: saved where the platform allows such
// a path, otherwise refused with a message naming the whole path; never cut
// or written elsewhere.
TEST_F(HostileSettings, LogNameAtTheLimitIsSavedOrRefusedByName)
{
    const std::string name(255, 'L');
    Load("[CONFIGURATION]\r\nLogSize=4096\r\nDstDir=" + dir_.str() + "\r\nLogName=" + name + "\r\n");
    ASSERT_EQ(std::string(Settings.LogName), name);
    ASSERT_EQ(CreateActivityLog(CurrentModule()), 0);
    LogText(LogError, "one line\r\n");
    SaveActivityLog();
    const std::string path = dir_.str() + kPathSeparator + name;
    const std::string log = LogTake();
    if (log.find("Unable to save log to " + path + "\r\n") == std::string::npos) {
        EXPECT_NE(log.find("Saving log to " + path + "\r\n"), std::string::npos) << log;
        EXPECT_EQ(ReadFileText(dir_ / name), log);  // the whole text, its saving line too
    }
    LogDestroy();
}

}  // namespace
