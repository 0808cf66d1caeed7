#include "cli/command_line.h"
#include "cli/run_observer.h"

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/version.h"
#include "platform/platform.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

ParseResult Parse(std::vector<const char*> args, CommandLine& cl, std::string& error)
{
    args.insert(args.begin(), "davrolin-unpack");
    return ParseCommandLine(static_cast<int>(args.size()), args.data(), cl, error);
}

TEST(CommandLine, BadUsage)
{
    const std::vector<std::vector<const char*>> cases = {
        {},
        {"src"},
        {"src", "dst", "extra"},
        {"--kinds", "ctd,foo", "src", "dst"},
        {"--kinds", "", "src", "dst"},
        {"--kinds", "ctd,", "src", "dst"},
        {"--profile", "3", "--profiles", "1-2", "src", "dst"},
        {"--profile", "-1", "src", "dst"},
        {"--profile", "4294967296", "src", "dst"},
        {"--profile", "12a", "src", "dst"},
        {"--profiles", "5", "src", "dst"},
        {"--profiles", "1-", "src", "dst"},
        {"--firmware", "3.02", "src", "dst"},
        {"--firmware", "AUTO", "src", "dst"},
        {"--firmware", "src", "dst"},
        {"--unknown", "src", "dst"},
        {"--jobs", "0", "src", "dst"},
        {"--jobs", "65", "src", "dst"},
        {"--jobs", "two", "src", "dst"},
        {"--jobs", "-1", "src", "dst"},
    };
    for (const auto& args : cases) {
        CommandLine cl;
        std::string error;
        EXPECT_EQ(Parse(args, cl, error), ParseResult::BadUsage) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(error.empty());
    }
}

TEST(CommandLine, JobsDefaultToOnePerCore)
{
    struct Case {
        std::vector<const char*> args;
        int jobs;  // 0: one per core
    };
    const Case cases[] = {
        {{"src", "dst"}, 0},
        {{"--jobs", "1", "src", "dst"}, 1},
        {{"--jobs=4", "src", "dst"}, 4},
        {{"--jobs", "64", "src", "dst"}, 64},
    };
    const unsigned cores = std::thread::hardware_concurrency();
    for (const Case& c : cases) {
        CommandLine cl;
        std::string error;
        ASSERT_EQ(Parse(c.args, cl, error), ParseResult::Run) << error;
        const int expected = c.jobs ? c.jobs : cores == 0 ? 1 : std::min<int>(static_cast<int>(cores), kMaxJobs);
        EXPECT_EQ(JobCount(cl), expected) << c.args[0];
    }
}

TEST(CommandLine, ChoicesBecomeSettings)
{
    struct Case {
        std::vector<const char*> args;
        int unpackAll, options, range, first, last;
    };
    const Case cases[] = {
        {{"src", "dst"}, 1, 0, RangeEntireDeployment, 0, 0},
        {{"--kinds", "ctd,exceptions", "src", "dst"}, 0, KindCtd | KindException, RangeEntireDeployment, 0, 0},
        {{"--profile", "4", "src", "dst"}, 0, KindAll, RangeSingleProfile, 4, 4},
        {{"--profiles", "15-32", "--kinds", "engineering", "src", "dst"}, 0, KindEngineering, RangeProfiles, 15,
         32},
        {{"--profiles=4294967295-4294967295", "src", "dst"}, 0, KindAll, RangeProfiles, -1, -1},
        {{"--kinds", "acm,acm,deployment", "src", "dst"}, 0, KindAcm | KindDeployment, RangeEntireDeployment, 0, 0},
    };
    for (const Case& c : cases) {
        CommandLine cl;
        std::string error;
        ASSERT_EQ(Parse(c.args, cl, error), ParseResult::Run) << error;
        SettingsRecord s;
        SetDefaultSettings(s);
        ASSERT_TRUE(ApplyCommandLine(cl, "/work", s, error)) << error;
        SCOPED_TRACE(c.args[0]);
        EXPECT_EQ(s.UnpackAll, c.unpackAll);
        EXPECT_EQ(s.Options, c.options);
        EXPECT_EQ(s.ProfileRange, c.range);
        EXPECT_EQ(s.FirstProfile, c.first);
        EXPECT_EQ(s.LastProfile, c.last);
    }
}

TEST(CommandLine, FormPrefixFirmwareAndFolders)
{
    CommandLine cl;
    std::string error;
    ASSERT_EQ(Parse({"--human", "--prefix", "run1_", "--firmware", "3.01", "--quiet", "in/", "out"}, cl, error),
              ParseResult::Run);
    SettingsRecord s;
    SetDefaultSettings(s);
    const std::string cwd = std::string("base") + kPathSeparator;
    ASSERT_TRUE(ApplyCommandLine(cl, "base", s, error));
    EXPECT_EQ(s.HumanReadible, 1);
    EXPECT_STREQ(s.Prefix, "run1_");
    EXPECT_EQ(s.FirmwareVers, Firmware301);
    EXPECT_TRUE(cl.quiet);
    // Relative folders get the current folder in front; a trailing separator stays.
    EXPECT_EQ(std::string(s.SrcDir), cwd + "in/");
    EXPECT_EQ(std::string(s.DstDir), cwd + "out");
    EXPECT_EQ(AbsoluteFolder("out", cwd), cwd + "out");

    // A folder from the root of the current drive is a folder on Windows too,
    // not a "/option".
    ASSERT_EQ(Parse({"/data/in", "/data/out"}, cl, error), ParseResult::Run) << error;
    EXPECT_EQ(cl.source, "/data/in");
    EXPECT_EQ(cl.dest, "/data/out");
#if defined(_WIN32)
    EXPECT_EQ(AbsoluteFolder("D:\\OUT", "C:\\"), "D:\\OUT");
    EXPECT_EQ(AbsoluteFolder("\\OUT", "C:\\"), "\\OUT");
#else
    EXPECT_EQ(AbsoluteFolder("/data/out", "/home"), "/data/out");
#endif
}

TEST(CommandLine, SettingsFileChoicesStandUnlessOverridden)
{
    CommandLine cl;
    std::string error;
    SettingsRecord file;
    SetDefaultSettings(file);
    file.UnpackAll = 0;
    file.Options = KindCtd;
    file.ProfileRange = RangeProfiles;
    file.FirstProfile = 2;
    file.LastProfile = 5;
    file.HumanReadible = 1;
    std::snprintf(file.Prefix, sizeof file.Prefix, "%s", "F_");

    SettingsRecord s = file;
    ASSERT_EQ(Parse({"src", "dst"}, cl, error), ParseResult::Run);
    ASSERT_TRUE(ApplyCommandLine(cl, "/", s, error));
    EXPECT_EQ(s.UnpackAll, 0);
    EXPECT_EQ(s.Options, KindCtd);
    EXPECT_EQ(s.ProfileRange, RangeProfiles);
    EXPECT_STREQ(s.Prefix, "F_");
    EXPECT_EQ(s.HumanReadible, 1);

    s = file;
    ASSERT_EQ(Parse({"--profile", "7", "--prefix", "", "src", "dst"}, cl, error), ParseResult::Run);
    ASSERT_TRUE(ApplyCommandLine(cl, "/", s, error));
    EXPECT_EQ(s.Options, KindCtd);  // the file's subset of kinds stays
    EXPECT_EQ(s.ProfileRange, RangeSingleProfile);
    EXPECT_EQ(s.FirstProfile, 7);
    EXPECT_STREQ(s.Prefix, "");

    s = file;
    ASSERT_EQ(Parse({"--kinds", "acm", "src", "dst"}, cl, error), ParseResult::Run);
    ASSERT_TRUE(ApplyCommandLine(cl, "/", s, error));
    EXPECT_EQ(s.Options, KindAcm);
    EXPECT_EQ(s.ProfileRange, RangeProfiles);  // the file's range stays
}

TEST(CommandLine, TextsLongerThanTheirFieldsAreRefused)
{
    CommandLine cl;
    std::string error;
    const std::string longText(256, 'x');
    ASSERT_EQ(Parse({"--prefix", longText.c_str(), "src", "dst"}, cl, error), ParseResult::Run);
    SettingsRecord s;
    SetDefaultSettings(s);
    EXPECT_FALSE(ApplyCommandLine(cl, "/", s, error));
    EXPECT_NE(error.find("--prefix"), std::string::npos);

    const std::string longFolder(250, 'd');
    ASSERT_EQ(Parse({"src", longFolder.c_str()}, cl, error), ParseResult::Run);
    EXPECT_FALSE(ApplyCommandLine(cl, "/somewhere", s, error));  // too long once made absolute
    EXPECT_NE(error.find("DEST"), std::string::npos);
}

TEST(CommandLine, HelpAndVersionAreNotErrors)
{
    CommandLine cl;
    std::string error;
    EXPECT_EQ(Parse({"--help"}, cl, error), ParseResult::Help);
    EXPECT_NE(error.find("--profiles"), std::string::npos);
    EXPECT_NE(error.find("--version"), std::string::npos);

    // Without SOURCE and DEST, or with them.
    for (const auto& args : {std::vector<const char*>{"--version"}, {"--human", "--version", "src", "dst"}}) {
        error.clear();
        EXPECT_EQ(Parse(args, cl, error), ParseResult::Version);
        EXPECT_EQ(error, VersionText());
    }
    const std::string stamp = std::string(BuildDate()) + " " + BuildTime();
    EXPECT_EQ(VersionText(), "davrolin-unpack (Davrolin) version 1.0 Revision 02 [Build " + stamp +
                                 "]\nConverts VXP deployments of firmware 3.01 and 3.04.\n");
}

// --firmware 3.01 and 3.04 are applied with the other choices; auto leaves the
// settings' firmware until the source's DEPLOY.DAT is read.
TEST(CommandLine, FirmwareChoices)
{
    struct Case {
        const char* firmware;  // nullptr: not given
        int before, after;
    };
    const Case cases[] = {
        {nullptr, Firmware301, Firmware301}, {nullptr, Firmware304, Firmware304},
        {"3.01", Firmware304, Firmware301},  {"3.04", Firmware301, Firmware304},
        {"auto", Firmware301, Firmware301},  {"auto", Firmware304, Firmware304},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware ? c.firmware : "none");
        CommandLine cl;
        std::string error;
        std::vector<const char*> args = {"src", "dst"};
        if (c.firmware)
            args.insert(args.begin(), {"--firmware", c.firmware});
        ASSERT_EQ(Parse(args, cl, error), ParseResult::Run) << error;
        SettingsRecord s;
        SetDefaultSettings(s);
        s.FirmwareVers = c.before;
        ASSERT_TRUE(ApplyCommandLine(cl, "/work", s, error));
        EXPECT_EQ(s.FirmwareVers, c.after);
    }
    SettingsRecord s;
    SetDefaultSettings(s);
    EXPECT_EQ(s.FirmwareVers, Firmware304);  // the default
}

// --firmware auto takes the firmware from the version word of SOURCE's
// DEPLOY.DAT, or refuses and says what the file holds.
TEST(CommandLine, AutoFirmwareReadsDeployDat)
{
    TempDir dir;
    const std::string folder = dir.str() + kPathSeparator;
    const std::string path = folder + "DEPLOY.DAT";
    auto record = [](bool layout301, int16_t word) {
        DeploymentRecord r = SampleDeployment(layout301);
        r.version = word;
        return Bytes().deployment(r);
    };
    struct Case {
        const char* what;
        bool write;
        Bytes bytes;
        int before;
        bool ok;
        int after;
        std::string error;
    };
    const Case cases[] = {
        {"3.01", true, record(true, 301), Firmware304, true, Firmware301, ""},
        {"3.04", true, record(false, 304), Firmware301, true, Firmware304, ""},
        {"3.04, word 303", true, record(false, 303), Firmware301, true, Firmware304, ""},
        {"unknown word", true, record(false, 0x1234), Firmware301, false, Firmware301,
         "--firmware auto: the version word of " + path +
             " is 4660 (0x1234), neither 301 (firmware 3.01) nor 303 or 304 (firmware 3.04)"},
        {"negative word", true, record(false, -2), Firmware304, false, Firmware304,
         "--firmware auto: the version word of " + path +
             " is -2 (0xFFFE), neither 301 (firmware 3.01) nor 303 or 304 (firmware 3.04)"},
        {"missing", false, Bytes(), Firmware304, false, Firmware304, "--firmware auto: cannot read " + path},
        {"empty", true, Bytes(), Firmware304, false, Firmware304,
         "--firmware auto: " + path + " holds 0 byte(s), too few for its version word"},
        {"3.04 word, 3.01-sized record", true, record(true, 304), Firmware304, false, Firmware304,
         "--firmware auto: " + path +
             " holds 124 bytes; its version word 304 (0x0130) names firmware 3.04, whose deployment record is 134 "
             "bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir / "DEPLOY.DAT");
        if (c.write)
            WriteFileBytes(dir / "DEPLOY.DAT", c.bytes);
        // SOURCE with and without a trailing separator.
        for (const std::string& source : {dir.str(), folder}) {
            CommandLine cl;
            std::string error;
            ASSERT_EQ(Parse({"--firmware", "auto", source.c_str(), "dst"}, cl, error), ParseResult::Run);
            SettingsRecord s;
            SetDefaultSettings(s);
            s.FirmwareVers = c.before;
            ASSERT_TRUE(ApplyCommandLine(cl, "/", s, error));
            EXPECT_EQ(ApplyAutoFirmware(cl, s, error), c.ok);
            EXPECT_EQ(s.FirmwareVers, c.after);
            if (!c.ok) {
                EXPECT_EQ(error, c.error);
            }
        }
    }

    // Without auto the file is not looked at.
    CommandLine cl;
    std::string error;
    ASSERT_EQ(Parse({"--firmware", "3.01", dir.str().c_str(), "dst"}, cl, error), ParseResult::Run);
    SettingsRecord s;
    SetDefaultSettings(s);
    ASSERT_TRUE(ApplyCommandLine(cl, "/", s, error));
    EXPECT_TRUE(ApplyAutoFirmware(cl, s, error));
    EXPECT_EQ(s.FirmwareVers, Firmware301);
}

TEST(ProgressLine, BarCountsAndElapsedTime)
{
    EXPECT_EQ(RunObserver::Line(3, 8, "E0000005.TXT", 65.9),
              "[###########...................]  37%  3/8  01:05  E0000005.TXT");
    EXPECT_EQ(RunObserver::Line(8, 8, "", 0), "[##############################] 100%  8/8  00:00  ");
    // A total of 0 (an unsigned wrap of a corrupt profile count) never divides.
    EXPECT_EQ(RunObserver::Line(5, 0, "x", 1), "[..............................]   0%  5/0  00:01  x");
}

// Error entries reach stderr line by line as they are heard, once each;
// progress and information do not. The run's entries are heard before the
// program's log applies its level and size (cli/unpack_run.cpp), so neither
// hides an error from stderr.
TEST(RunErrors, ErrorEntriesAreEchoedAsTheyAreHeard)
{
    OutputFile errors;
    RunObserver observer(nullptr, errors.get());
    observer.Hear("Unpacking CTD profiles 0 to 3\r\n", LogProgress);
    observer.Hear("Error opening CTD data file C0000004.DAT\r\n", LogError);
    observer.Hear("Saving log to /out/DAVROLIN.LOG\r\n", LogInfo);
    observer.Hear("\r\nAn exception occured while unpacking data.\r\nPlease contact us.\r\n", LogError);
    observer.OnJobFinished(true);
    EXPECT_TRUE(observer.hadErrors());
    EXPECT_EQ(errors.text(), "Error opening CTD data file C0000004.DAT\n"
                             "An exception occured while unpacking data.\n"
                             "Please contact us.\n");
    EXPECT_EQ(observer.errorLines(), (std::vector<std::string>{"Error opening CTD data file C0000004.DAT",
                                                               "An exception occured while unpacking data.",
                                                               "Please contact us."}));
}

}  // namespace
