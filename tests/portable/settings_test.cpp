#include "app/settings.h"
#include "platform/private_profile.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// ---- The private-profile functions ------------------------------------------

std::string ReadString(const std::string& file, const char* section, const char* key, const char* fallback = "dflt",
                       int size = 256)
{
    char out[256];
    ProfileReadString(section, key, fallback, out, size, file.c_str());
    return out;
}

TEST(PrivateProfile, ReadsValuesAsWindowsDoes)
{
    TempDir dir;
    const std::string file = (dir / "test.ini").string();
    WriteFileText(file,
                  "[Other]\r\n"
                  "SrcDir=wrong section\r\n"
                  "[configuration]\r\n"
                  "  UnpackAll =  0  \r\n"
                  "srcdir=  D:\\DATA  \r\n"
                  "Empty=\r\n"
                  "Quoted=\"C:\\My Data\"\r\n"
                  "Big=4294967288\r\n"
                  "Trail=12abc\r\n"
                  "Lf=unix line\n"
                  "[Later]\r\n"
                  "LastProfile=9");
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } strings[] = {
        {"CONFIGURATION", "SRCDIR", "D:\\DATA"},
        {"Configuration", "UnpackAll", "0"},
        {"CONFIGURATION", "Empty", ""},
        {"CONFIGURATION", "Quoted", "C:\\My Data"},
        {"CONFIGURATION", "Lf", "unix line"},
        {"CONFIGURATION", "LastProfile", "dflt"},  // belongs to another section
        {"Later", "LastProfile", "9"},
        {"CONFIGURATION", "Missing", "dflt"},
        {"Missing", "SrcDir", "dflt"},
    };
    for (const auto& c : strings)
        EXPECT_EQ(ReadString(file, c.section, c.key), c.value) << c.section << "/" << c.key;

    // Cut to size - 1 characters; the default loses its trailing blanks.
    char out[4];
    EXPECT_EQ(ProfileReadString("CONFIGURATION", "SrcDir", "", out, sizeof out, file.c_str()), 3);
    EXPECT_STREQ(out, "D:\\");
    EXPECT_EQ(ReadString(file, "CONFIGURATION", "Missing", "C:\\VXP  "), "C:\\VXP");
    EXPECT_EQ(ReadString((dir / "none.ini").string(), "CONFIGURATION", "SrcDir"), "dflt");

    const struct {
        const char* key;
        int fallback;
        unsigned value;
    } ints[] = {
        {"UnpackAll", 1, 0},
        {"Big", 0, 4294967288u},
        {"Trail", 0, 12},
        {"Empty", 77, 77},  // present but empty: the default
        {"Missing", -5, static_cast<unsigned>(-5)},
    };
    for (const auto& c : ints)
        EXPECT_EQ(ProfileReadInt("CONFIGURATION", c.key, c.fallback, file.c_str()), c.value) << c.key;
}

TEST(PrivateProfile, WritesInPlaceOrAppends)
{
    TempDir dir;
    const std::string file = (dir / "test.ini").string();

    // A missing file is created.
    EXPECT_TRUE(ProfileWriteString("CONFIGURATION", "UnpackAll", "0", file.c_str()));
    EXPECT_EQ(ReadFileText(file), "[CONFIGURATION]\r\nUnpackAll=0\r\n");

    const struct {
        const char* before;
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    } cases[] = {
        {"[CONFIGURATION]\r\nA=1\r\nB=2\r\n", "CONFIGURATION", "A", "7", "[CONFIGURATION]\r\nA=7\r\nB=2\r\n"},
        {"[CONFIGURATION]\r\nA=1\r\n[Other]\r\nX=1\r\n", "CONFIGURATION", "C", "3",
         "[CONFIGURATION]\r\nA=1\r\nC=3\r\n[Other]\r\nX=1\r\n"},
        {"[CONFIGURATION]\r\nA=1\r\n", "CONFIGURATION", "Path", "C:\\100%data",
         "[CONFIGURATION]\r\nA=1\r\nPath=C:\\100%data\r\n"},
    };
    for (const auto& c : cases) {
        WriteFileText(file, c.before);
        EXPECT_TRUE(ProfileWriteString(c.section, c.key, c.value, file.c_str()));
        EXPECT_EQ(ReadFileText(file), c.after) << c.before;
    }

    // Another section is added after the existing ones; a key matches whatever
    // its letter case.
    WriteFileText(file, "[Other]\r\nX=1\r\n");
    EXPECT_TRUE(ProfileWriteString("CONFIGURATION", "SrcDir", "D:\\IN", file.c_str()));
    EXPECT_TRUE(ProfileWriteString("configuration", "SRCDIR", "D:\\NEW", file.c_str()));
    EXPECT_EQ(ReadString(file, "CONFIGURATION", "SrcDir"), "D:\\NEW");
    EXPECT_EQ(ReadString(file, "Other", "X"), "1");
    std::string text = ReadFileText(file);
    EXPECT_EQ(text.rfind("[Other]\r\nX=1\r\n", 0), 0u) << text;
    EXPECT_EQ(text.find("D:\\IN"), std::string::npos) << text;

    // A file that cannot be written reports it.
    EXPECT_FALSE(ProfileWriteString("CONFIGURATION", "A", "1", (dir / "no" / "such.ini").string().c_str()));
}

// ---- Loading and saving the settings ----------------------------------------

// The record with the bytes after each text's NUL cleared, for comparing whole records.
SettingsRecord Normalized(SettingsRecord s)
{
    for (char* text : {s.SrcDir, s.DstDir, s.Prefix, s.LogName}) {
        std::size_t n = strnlen(text, kTextFieldSize);
        std::memset(text + n, 0, kTextFieldSize - n);
    }
    return s;
}

bool SameRecord(const SettingsRecord& a, const SettingsRecord& b)
{
    SettingsRecord x = Normalized(a), y = Normalized(b);
    return std::memcmp(&x, &y, sizeof x) == 0;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedPath_ = SettingsFilePath();
        file_ = (dir_ / kSettingsFileName).string();
        SetSettingsFilePath(file_.c_str());
    }
    void TearDown() override
    {
        Settings = saved_;
        SetSettingsFilePath(savedPath_.c_str());
    }
    void Write(const std::string& body) { WriteFileText(file_, "[CONFIGURATION]\r\n" + body); }
    std::string Text() const { return std::filesystem::exists(file_) ? ReadFileText(file_) : "<no file>"; }

    TempDir dir_;
    std::string file_;

private:
    SettingsRecord saved_;
    std::string savedPath_;
};

TEST_F(SettingsFile, StartUpValuesWithoutAFile)
{
    std::memset(&Settings, 0x55, sizeof Settings);
    Settings.FileCount = 7;  // run-time fields are left alone
    EXPECT_EQ(LoadSettings(), 0);
    const SettingsRecord& s = Settings;
    EXPECT_STREQ(s.SrcDir, "C:\\VXP");
    EXPECT_STREQ(s.DstDir, "C:\\VXP");
    EXPECT_STREQ(s.Prefix, "");
    EXPECT_STREQ(s.LogName, "DAVROLIN.LOG");
    EXPECT_EQ(s.UnpackAll, 1);
    EXPECT_EQ(s.Options, 0);
    EXPECT_EQ(s.ProfileRange, 1);
    EXPECT_EQ(s.FirstProfile, 0);
    EXPECT_EQ(s.LastProfile, 0);
    EXPECT_EQ(s.HumanReadible, 0);
    EXPECT_EQ(s.WindowX, INT32_MIN);
    EXPECT_EQ(s.WindowY, INT32_MIN);
    EXPECT_EQ(s.WindowW, 600);
    EXPECT_EQ(s.WindowH, 400);
    EXPECT_EQ(s.LogLevel, 15);
    EXPECT_EQ(s.LogSize, 32768);
    EXPECT_EQ(s.SaveLog, 1);
    EXPECT_EQ(s.HideAnimation, 0);
    EXPECT_EQ(s.SkipToPreview, 0);
    EXPECT_EQ(s.FirmwareVers, Firmware304);
    EXPECT_EQ(s.FileCount, 7);

    // Nothing changed: no file is created.
    EXPECT_EQ(SaveSettings(), 0);
    EXPECT_EQ(Text(), "<no file>");

    // A first run: the window position is always written, its size only when it changed.
    Settings.WindowX = 0;
    Settings.WindowY = 0;
    SaveSettings();
    EXPECT_EQ(Text(), "[CONFIGURATION]\r\nWindowX=0\r\nWindowY=0\r\n");
}

TEST_F(SettingsFile, ReadsEveryKey)
{
    const std::string longText(300, 'L');
    Write("HideAnimation=1\r\nSkipToPreview=1\r\nWindowX=4294967288\r\nWindowY=20\r\nWindowW=800\r\n"
          "WindowH=500\r\nLogLevel=8\r\nLogSize=4000\r\nLogName=RUN.LOG\r\nsrcdir=D:\\IN\r\nDstDir=\r\n"
          "UnpackAll=0\r\nOptions=21\r\nProfileRange=3\r\nFirstProfile=4\r\nLastProfile=9\r\n"
          "Prefix=" + longText + "\r\nHumanReadible=1\r\nFirmwareVers=3.01\r\n");
    LoadSettings();
    const SettingsRecord& s = Settings;
    EXPECT_EQ(s.HideAnimation, 1);
    EXPECT_EQ(s.SkipToPreview, 1);
    EXPECT_EQ(s.WindowX, -8);
    EXPECT_EQ(s.WindowY, 20);
    EXPECT_EQ(s.WindowW, 800);
    EXPECT_EQ(s.WindowH, 500);
    EXPECT_EQ(s.LogLevel, 8);
    EXPECT_EQ(s.LogSize, 4000);
    EXPECT_EQ(s.SaveLog, 4000);  // on: any non-zero LogSize entry
    EXPECT_STREQ(s.LogName, "RUN.LOG");
    EXPECT_STREQ(s.SrcDir, "D:\\IN");
    EXPECT_STREQ(s.DstDir, "");  // present and empty: empty, not the default
    EXPECT_EQ(s.UnpackAll, 0);
    EXPECT_EQ(s.Options, 21);
    EXPECT_EQ(s.ProfileRange, 3);
    EXPECT_EQ(s.FirstProfile, 4);
    EXPECT_EQ(s.LastProfile, 9);
    EXPECT_EQ(std::string(s.Prefix), longText.substr(0, 255));
    EXPECT_EQ(s.HumanReadible, 1);
    EXPECT_EQ(s.FirmwareVers, Firmware301);
    EXPECT_TRUE(SameRecord(StartupSettings(), Settings));

    // Loaded and saved unchanged: the file stays as it was.
    const std::string before = Text();
    SaveSettings();
    EXPECT_EQ(Text(), before);
}

TEST_F(SettingsFile, FirmwareAndSaveLogSwitches)
{
    const struct {
        const char* lines;
        int firmware;
        int saveLog;
    } cases[] = {
        {"FirmwareVers=3.01\r\n", Firmware301, 1},
        {"FirmwareVers=3.04\r\n", Firmware304, 1},
        {"FirmwareVers=2.08\r\n", Firmware304, 1},
        {"FirmwareVers=3.01a\r\n", Firmware304, 1},
        {"FirmwareVers=\r\n", Firmware304, 1},
        {"", Firmware304, 1},
        {"LogSize=0\r\n", Firmware304, 0},
        {"LogSize=65536\r\nSaveLog=0\r\n", Firmware304, 0},
        {"LogSize=0\r\nSaveLog=1\r\n", Firmware304, 1},
    };
    for (const auto& c : cases) {
        Write(c.lines);
        LoadSettings();
        EXPECT_EQ(Settings.FirmwareVers, c.firmware) << c.lines;
        EXPECT_EQ(Settings.SaveLog, c.saveLog) << c.lines;
    }
}

TEST_F(SettingsFile, WritesOnlyChangedUserKeys)
{
    // Only UnpackAll changed: exactly one key.
    LoadSettings();
    Settings.UnpackAll = 0;
    SaveSettings();
    EXPECT_EQ(Text(), "[CONFIGURATION]\r\nUnpackAll=0\r\n");

    // Switches that only the file sets are never written.
    std::filesystem::remove(file_);
    LoadSettings();
    Settings.HideAnimation = 1;
    Settings.SkipToPreview = 1;
    Settings.LogLevel = 8;
    Settings.LogSize = 1;
    Settings.SaveLog = 0;
    std::strcpy(Settings.LogName, "X.LOG");
    Settings.FirmwareVers = Firmware301;
    Settings.MaxProfile = 9;
    SaveSettings();
    EXPECT_EQ(Text(), "<no file>");

    // Every user key, in order; integers as unsigned decimal; a change of
    // letter case only is a change.
    LoadSettings();
    Settings.WindowX = -8;
    Settings.WindowY = 5;
    Settings.WindowW = 640;
    Settings.WindowH = 480;
    std::strcpy(Settings.SrcDir, "c:\\vxp");
    std::strcpy(Settings.DstDir, "D:\\100%out");
    Settings.UnpackAll = 0;
    Settings.Options = 31;
    Settings.ProfileRange = 3;
    Settings.FirstProfile = 2;
    Settings.LastProfile = 12;
    std::strcpy(Settings.Prefix, "a%sb");
    Settings.HumanReadible = 1;
    SaveSettings();
    EXPECT_EQ(Text(), "[CONFIGURATION]\r\nWindowX=4294967288\r\nWindowY=5\r\nWindowW=640\r\nWindowH=480\r\n"
                      "SrcDir=c:\\vxp\r\nDstDir=D:\\100%out\r\nUnpackAll=0\r\nOptions=31\r\nProfileRange=3\r\n"
                      "FirstProfile=2\r\nLastProfile=12\r\nPrefix=a%sb\r\nHumanReadible=1\r\n");

    // Read back, the same values.
    SettingsRecord written = Settings;
    LoadSettings();
    EXPECT_TRUE(SameRecord(written, Settings));
}

TEST_F(SettingsFile, WindowKeysAlreadyPresentAndUnchanged)
{
    Write("WindowX=10\r\nWindowY=20\r\nWindowW=600\r\nWindowH=400\r\nOptions=3\r\n");
    const std::string before = Text();
    LoadSettings();
    SaveSettings();
    EXPECT_EQ(Text(), before);

    // A moved window rewrites its keys in place.
    Settings.WindowX = 11;
    SaveSettings();
    EXPECT_EQ(Text(), "[CONFIGURATION]\r\nWindowX=11\r\nWindowY=20\r\nWindowW=600\r\nWindowH=400\r\nOptions=3\r\n");
}

// Each key of the table on its own: its start-up value, a written value read
// back into its field alone, and the save rule (written back or never).
TEST_F(SettingsFile, EveryKeyOfTheTable)
{
    SettingsRecord defaults;
    SetDefaultSettings(defaults);
    for (const SettingsKey& key : kSettingsKeys) {
        SCOPED_TRACE(key.name);
        std::filesystem::remove(file_);

        // Start-up value.
        LoadSettings();
        EXPECT_TRUE(SameRecord(Settings, defaults));
        if (key.type == SettingsKeyType::Text)
            EXPECT_STREQ(Settings.*key.text, key.textStart);
        else
            EXPECT_EQ(Settings.*key.number, key.numberStart);

        // A written value lands in this key's field and no other; an older
        // name read into a later key's field lands there too.
        SettingsRecord expected = defaults;
        std::string written;
        switch (key.type) {
        case SettingsKeyType::Number:
            written = "4294967288";
            expected.*key.number = -8;
            break;
        case SettingsKeyType::Text:
            written = "D:\\Walk 1";
            std::strcpy(expected.*key.text, "D:\\Walk 1");
            break;
        case SettingsKeyType::Firmware:
            written = "3.01";
            expected.*key.number = Firmware301;
            break;
        }
        for (const SettingsKey& later : kSettingsKeys)
            if (later.olderName && std::strcmp(later.olderName, key.name) == 0)
                expected.*later.number = -8;
        Write(std::string(key.name) + "=" + written + "\r\n");
        LoadSettings();
        EXPECT_TRUE(SameRecord(Settings, expected));

        // Changed after start-up: written back as that text, or never.
        std::filesystem::remove(file_);
        LoadSettings();
        Settings = expected;
        SaveSettings();
        const std::string line = std::string(key.name) + "=" + written + "\r\n";
        EXPECT_EQ(Text(), key.saving == KeySavedAtExit ? "[CONFIGURATION]\r\n" + line : std::string("<no file>"));
    }
}

#if defined(_WIN32)
// A bare name lands in the Windows folder, whatever the current directory is.
TEST_F(SettingsFile, BareNameLivesInTheWindowsFolder)
{
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    const std::filesystem::path machineFile = std::filesystem::path(windows) / kSettingsFileName;
    std::filesystem::remove(machineFile);
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());

    SetSettingsFilePath(kSettingsFileName);
    LoadSettings();
    Settings.Options = 5;
    SaveSettings();
    std::filesystem::current_path(cwd);

    EXPECT_FALSE(std::filesystem::exists(dir_ / kSettingsFileName));
    EXPECT_EQ(ReadFileText(machineFile), "[CONFIGURATION]\r\nOptions=5\r\n");
    std::filesystem::remove(machineFile);
}
#endif

}  // namespace
