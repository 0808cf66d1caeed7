#include "engine/unpack_job.h"

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "formats/text_format.h"
#include "platform/platform.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Records every notification in order; can ask for a cancel at a given point.
class Recorder : public JobObserver {
public:
    void OnJobFinished(bool hadErrors) override
    {
        events.push_back(hadErrors ? "finished 1" : "finished 0");
        ++finishedCount;
    }
    void OnLogChanged() override { ++logChanges; }
    void OnJobProgress(uint32_t done, uint32_t total) override
    {
        progress.push_back(done);
        lastTotal = total;
        if (cancelAtProgress && done == cancelAtProgress)
            TheUnpackJob().Cancel();
    }
    void OnJobStatus(const char* input, const char* output) override
    {
        events.push_back(std::string("status ") + input + " -> " + output);
        if (throwAtStatus && events.size() == throwAtStatus)
            throw std::runtime_error("fault in a profile file");
    }

    std::vector<std::string> events;
    std::vector<uint32_t> progress;
    uint32_t lastTotal = 0;
    uint32_t cancelAtProgress = 0;
    std::size_t throwAtStatus = 0;  // the n-th event, a status, throws
    int logChanges = 0;
    int finishedCount = 0;
};

class UnpackJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedDir_ = GetCurrentDir();
        ResetTestLog();
        TheUnpackJob().ClearCancel();
        src_ = src.str();
        dst_ = dst.str();
        std::snprintf(Settings.SrcDir, sizeof Settings.SrcDir, "%s", src_.c_str());
        std::snprintf(Settings.DstDir, sizeof Settings.DstDir, "%s", dst_.c_str());
        Settings.Prefix[0] = '\0';
        Settings.HumanReadible = 0;
        Settings.FirmwareVers = Firmware304;
        TheUnpackJob().SetObserver(&recorder);
    }
    void TearDown() override
    {
        TheUnpackJob().SetObserver(nullptr);
        SetCurrentDir(savedDir_.c_str());
        Settings = saved_;
        TheUnpackJob().ClearCancel();
    }
    void Select(int unpackAll, int options, int range, int first = 0, int last = 0)
    {
        Settings.UnpackAll = unpackAll;
        Settings.Options = options;
        Settings.ProfileRange = range;
        Settings.FirstProfile = first;
        Settings.LastProfile = last;
        Settings.MaxProfile = static_cast<int32_t>(shape.maxProfile);  // as the source check left it
    }
    // The names of the files in the destination folder, sorted.
    std::vector<std::string> Outputs() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dst.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::vector<std::string> Names(const char* pattern, uint32_t from, uint32_t to)
    {
        std::vector<std::string> names;
        for (uint32_t p = from; p <= to; ++p)
            names.push_back(FormatString(pattern, p));
        return names;
    }
    std::string Log() const { return LogTake(); }

    TempDir src;
    TempDir dst;
    std::string src_, dst_;
    Recorder recorder;
    DeploymentShape shape;

private:
    SettingsRecord saved_;
    std::string savedDir_;
};

TEST(UnpackJobChoice, KindsRangeAndItemCount)
{
    struct Case {
        int unpackAll, options, range, firstProfile, lastProfile, maxProfile;
        int kinds;
        uint32_t first, last, items;
    };
    const Case cases[] = {
        // UnpackAll wins over Options and ProfileRange.
        {1, 2, 3, 4, 5, 25, 31, 0, 25, 3 * 26 + 2},
        // Entire deployment without UnpackAll takes MaxProfile, not the stale range.
        {0, 1, 1, 4, 9, 7, 1, 0, 7, 8},
        {0, 7, 2, 4, 9, 20, 7, 4, 4, 3},
        {0, 3, 3, 15, 32, 40, 3, 15, 32, 36},
        // An unknown range mode counts as the entire deployment.
        {0, 4, 7, 3, 5, 10, 4, 0, 10, 11},
        // Only the two logs: two items.
        {0, 24, 3, 9, 2, 10, 24, 9, 2, 2},
        // A corrupt profile count wraps the unsigned total to 0.
        {0, 1, 1, 0, 0, -1, 1, 0, 0xFFFFFFFFu, 0},
    };
    for (const Case& c : cases) {
        SettingsRecord s;
        SetDefaultSettings(s);
        s.UnpackAll = c.unpackAll;
        s.Options = c.options;
        s.ProfileRange = c.range;
        s.FirstProfile = c.firstProfile;
        s.LastProfile = c.lastProfile;
        s.MaxProfile = c.maxProfile;
        RunChoice run = ChooseKindsAndRange(RunRequestFromSettings(s), static_cast<uint32_t>(s.MaxProfile));
        SCOPED_TRACE(testing::Message() << "options " << c.options << " range " << c.range);
        EXPECT_EQ(run.kinds, c.kinds);
        EXPECT_EQ(run.first, c.first);
        EXPECT_EQ(run.last, c.last);
        EXPECT_EQ(CountItems(run), c.items);
    }
}

TEST(UnpackJobChoice, ProgressPercentNeverDividesByZero)
{
    EXPECT_EQ(ProgressPercent(3, 8), 37u);
    EXPECT_EQ(ProgressPercent(8, 8), 100u);
    EXPECT_EQ(ProgressPercent(1, 200), 0u);
    EXPECT_EQ(ProgressPercent(5, 0), 0u);
    EXPECT_EQ(ProgressPercent(0xFFFFFFFFu, 0xFFFFFFFFu), 100u);  // no overflow of done x 100
    EXPECT_EQ(ProgressPercent(9, 4), 100u);
}

TEST_F(UnpackJobTest, PathsGetOneSeparatorAndThePrefix)
{
    const std::string sep(1, kPathSeparator);
    for (std::string folder : {std::string("data"), std::string("data") + sep}) {
        std::snprintf(Settings.SrcDir, sizeof Settings.SrcDir, "%s", folder.c_str());
        std::snprintf(Settings.DstDir, sizeof Settings.DstDir, "%s", "out");
        std::snprintf(Settings.Prefix, sizeof Settings.Prefix, "%s", "X");
        const JobPaths paths = BuildJobPaths(RunRequestFromSettings(Settings));
        EXPECT_EQ(paths.source, "data" + sep);
        EXPECT_EQ(paths.destination, "out" + sep + "X");
    }
}

TEST_F(UnpackJobTest, EntireDeploymentOneProfilePerFile)
{
    shape.profilesPerFile = 1;
    shape.maxProfile = 7;
    shape.kinds = KindEngineering;
    WriteDeployment(src.path(), shape);
    Select(0, KindEngineering, RangeEntireDeployment, 4, 9);
    Settings.MaxProfile = 7;

    EXPECT_EQ(RunSettingsJob(), 0);

    auto expected = Names("E%07u.TXT", 0, 7);
    expected.push_back("TIMETAGS.TXT");
    EXPECT_EQ(Outputs(), expected);
    EXPECT_EQ(TheUnpackJob().Progress().total, 8u);
    EXPECT_EQ(recorder.progress, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(recorder.lastTotal, 8u);
    ASSERT_FALSE(recorder.events.empty());
    EXPECT_EQ(recorder.events.back(), "finished 0");
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(recorder.events.front(),
              "status " + src_ + sep + "E0000000.DAT -> " + dst_ + sep + "E0000000.TXT");
    // The start line names the run's own profiles, not the stale 4 to 9.
    EXPECT_EQ(Log(), "Unpacking Engineering profiles 0 to 7\r\n"
                     "Engineering termination log has been written to file " +
                         dst_ + sep + "TIMETAGS.TXT\r\n");
    // One row per profile written.
    std::string rows = ReadFileText(dst / "TIMETAGS.TXT");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 8);
}

TEST_F(UnpackJobTest, RangeStartsAndEndsInsideFileSets)
{
    // Files with bases 10, 20 and 30: 15..19 written after 10..14 were read and
    // skipped, then 20..29, then 30..32 and reading stops after index 2.
    shape.profilesPerFile = 10;
    shape.maxProfile = 39;
    shape.kinds = KindEngineering;
    WriteDeployment(src.path(), shape);
    Select(0, KindEngineering, RangeProfiles, 15, 32);
    Settings.HumanReadible = 1;

    EXPECT_EQ(RunSettingsJob(), 0);

    auto expected = Names("E%07u.TXT", 15, 32);
    expected.push_back("TIMETAGS.TXT");
    EXPECT_EQ(Outputs(), expected);
    EXPECT_EQ(TheUnpackJob().Progress().total, 18u);
    EXPECT_EQ(recorder.progress.size(), 18u);
    std::string rows = ReadFileText(dst / "TIMETAGS.TXT");
    EXPECT_NE(rows.find("\r\n 0000015  "), std::string::npos);
    EXPECT_EQ(rows.find(" 0000014  "), std::string::npos);
    EXPECT_NE(rows.find(" 0000032  "), std::string::npos);
    EXPECT_NE(ReadFileText(dst / "E0000015.TXT").find(" Profile 15"), std::string::npos);
    EXPECT_EQ(recorder.logChanges, 1 + 3 + 1);  // start line, three data files, log written
}

TEST_F(UnpackJobTest, SingleProfileNamesItselfInTheStartLine)
{
    shape.profilesPerFile = 10;
    shape.maxProfile = 12;
    shape.kinds = KindEngineering;
    WriteDeployment(src.path(), shape);
    Select(0, KindEngineering, RangeSingleProfile, 4, 11);
    Settings.Prefix[0] = 'P';
    Settings.Prefix[1] = '_';
    Settings.Prefix[2] = '\0';

    EXPECT_EQ(RunSettingsJob(), 0);

    EXPECT_EQ(Outputs(), (std::vector<std::string>{"P_E0000004.TXT", "P_TIMETAGS.TXT"}));
    EXPECT_EQ(TheUnpackJob().Progress().total, 1u);
    EXPECT_EQ(Log().rfind("Unpacking Engineering profiles 4 to 4\r\n", 0), 0u);
}

TEST_F(UnpackJobTest, RangeWalkEndsWhenTheNextBaseWouldWrap)
{
    // With 0x80000001 profiles per file, the base after 0x80000001 wraps to 2;
    // the walk must end after the file of the last profile.
    const uint32_t ppf = 0x80000001u;
    const uint32_t base = ppf;
    shape.profilesPerFile = ppf;
    shape.maxProfile = base + 1;
    WriteFileBytes(src / "DEPLOY.DAT", DeployRecordBytes(shape));
    WriteFileBytes(src / "PROFILES.DAT", Bytes().profiles(shape.maxProfile));
    Bytes file;
    file.append(EngineeringProfileBytes(shape, 0)).append(EngineeringProfileBytes(shape, 1));
    WriteFileBytes(src / FormatString("E%07u.DAT", base), file);
    Select(0, KindEngineering, RangeSingleProfile, static_cast<int>(base + 1));

    EXPECT_EQ(RunSettingsJob(), 0);

    EXPECT_EQ(Outputs(), (std::vector<std::string>{FormatString("E%07u.TXT", base + 1), "TIMETAGS.TXT"}));
    EXPECT_EQ(Log().find("Error"), std::string::npos) << Log();
}

TEST_F(UnpackJobTest, ProfilesPerFileZeroFailsTheKindSilently)
{
    shape.profilesPerFile = 0;
    WriteFileBytes(src / "DEPLOY.DAT", DeployRecordBytes(shape));
    WriteFileBytes(src / "PROFILES.DAT", Bytes().profiles(5));
    Select(0, KindEngineering, RangeProfiles, 0, 5);
    EXPECT_EQ(RunSettingsJob(), -1);
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(Outputs().empty());
}

TEST_F(UnpackJobTest, MissingFileInTheMiddleStopsTheKindOnly)
{
    shape.profilesPerFile = 2;
    shape.maxProfile = 7;
    shape.kinds = KindEngineering | KindException;
    WriteDeployment(src.path(), shape);
    fs::remove(src / "E0000004.DAT");
    Select(0, KindEngineering | KindException, RangeEntireDeployment);

    EXPECT_EQ(RunSettingsJob(), -1);

    auto outputs = Outputs();
    EXPECT_EQ(outputs, (std::vector<std::string>{"E0000000.TXT", "E0000001.TXT", "E0000002.TXT", "E0000003.TXT",
                                                 "IRQ_XCPT.TXT", "TIMETAGS.TXT"}));
    const std::string sep(1, kPathSeparator);
    const std::string log = Log();
    EXPECT_NE(log.find("Error opening engineering data file " + src_ + sep + "E0000004.DAT\r\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("Unpacking IRQ exception file\r\n"), std::string::npos);
    EXPECT_EQ(recorder.events.back(), "finished 1");
    EXPECT_EQ(recorder.progress.back(), 5u);  // four profiles and the exception log
    EXPECT_EQ(TheUnpackJob().Progress().total, 9u);
}

TEST_F(UnpackJobTest, OnlyTheLogsCreateNeitherTimeLog)
{
    WriteDeployment(src.path(), shape);
    Select(0, KindDeployment | KindException, RangeProfiles, 9, 2);

    RunSettingsJob();

    EXPECT_EQ(Outputs(), (std::vector<std::string>{"DEPLOY.TXT", "IRQ_XCPT.TXT"}));
    EXPECT_EQ(TheUnpackJob().Progress().total, 2u);
    EXPECT_EQ(recorder.progress, (std::vector<uint32_t>{1, 2}));
}

TEST_F(UnpackJobTest, CancelDuringEngineeringSkipsTheLaterSteps)
{
    shape.profilesPerFile = 3;
    shape.maxProfile = 8;
    WriteDeployment(src.path(), shape);
    Select(1, 0, RangeEntireDeployment);
    recorder.cancelAtProgress = 4;  // during the second file

    EXPECT_EQ(RunSettingsJob(), -1);

    // The decoder saw the cancel before the fifth profile's first marker and
    // left its text file behind; nothing after the Engineering kind ran.
    auto expected = Names("E%07u.TXT", 0, 4);
    expected.push_back("TIMETAGS.TXT");
    EXPECT_EQ(Outputs(), expected);
    EXPECT_NE(Log().find("Operation cancelled by user\r\n"), std::string::npos);
    EXPECT_EQ(Log().find("Unpacking CTD"), std::string::npos);
    EXPECT_EQ(recorder.events.back(), "finished 1");
    // The termination log was closed, so the rows of the four profiles read reached the file.
    const std::string rows = ReadFileText(dst / "TIMETAGS.TXT");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 4);
    EXPECT_TRUE(TheUnpackJob().CancelRequested());
}

TEST_F(UnpackJobTest, ANewRunClearsTheCancelRequest)
{
    WriteDeployment(src.path(), shape);
    Select(0, KindException, RangeEntireDeployment);
    TheUnpackJob().Cancel();
    EXPECT_EQ(RunSettingsJob(), 0);
    EXPECT_FALSE(TheUnpackJob().CancelRequested());
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"IRQ_XCPT.TXT"}));
}

TEST_F(UnpackJobTest, TerminationLogThatCannotBeCreatedFailsEngineeringOnly)
{
    WriteDeployment(src.path(), shape);
    fs::create_directory(dst / "TIMETAGS.TXT");  // a folder in the way
    Select(0, KindEngineering | KindException, RangeEntireDeployment);

    EXPECT_EQ(RunSettingsJob(), -1);

    EXPECT_NE(Log().find("Error creating profile termination log TIMETAGS.TXT\r\n"), std::string::npos) << Log();
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"IRQ_XCPT.TXT", "TIMETAGS.TXT"}));
}

// A fault raised while a kind's data file is unpacked fails that kind with the
// exception message; the later kinds still run.
TEST_F(UnpackJobTest, FaultInsideAKindFailsThatKindOnly)
{
    WriteDeployment(src.path(), shape);
    recorder.throwAtStatus = 2;  // before the second engineering profile is created
    Select(0, KindEngineering | KindException, RangeEntireDeployment);

    EXPECT_EQ(RunSettingsJob(), -1);

    const std::string log = Log();
    EXPECT_NE(log.find("\r\nAn exception occured while unpacking data.\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Engineering termination log has been written"), std::string::npos) << log;
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"E0000000.TXT", "IRQ_XCPT.TXT", "TIMETAGS.TXT"}));
    EXPECT_EQ(recorder.events.back(), "finished 1");
}

TEST_F(UnpackJobTest, ProfileFileThatCannotBeCreatedNamesThePrefixedFile)
{
    shape.kinds = KindEngineering;
    WriteDeployment(src.path(), shape);
    std::snprintf(Settings.Prefix, sizeof Settings.Prefix, "%s", "run1_");
    fs::create_directory(dst / "run1_E0000002.TXT");
    Select(0, KindEngineering, RangeEntireDeployment);

    EXPECT_EQ(RunSettingsJob(), -1);

    EXPECT_NE(Log().find("Error creating engineering file run1_E0000002.TXT\r\n"), std::string::npos) << Log();
    EXPECT_EQ(recorder.progress, (std::vector<uint32_t>{1, 2}));
}

TEST_F(UnpackJobTest, EveryKindInBothForms)
{
    shape.profilesPerFile = 4;
    shape.maxProfile = 11;
    WriteDeployment(src.path(), shape);
    for (int human : {0, 1}) {
        SCOPED_TRACE(human);
        for (const auto& e : fs::directory_iterator(dst.path()))
            fs::remove(e.path());
        ResetTestLog();
        recorder.progress.clear();
        Select(1, 0, RangeSingleProfile, 3, 3);  // UnpackAll overrides both
        Settings.HumanReadible = human;

        EXPECT_EQ(RunSettingsJob(), 0) << Log();

        std::vector<std::string> expected;
        for (const char* pattern : {"A%07u.TXT", "C%07u.TXT"})
            for (const auto& name : Names(pattern, 0, 11))
                expected.push_back(name);
        expected.push_back("DEPLOY.TXT");
        for (const auto& name : Names("E%07u.TXT", 0, 11))
            expected.push_back(name);
        for (const char* name : {"IRQ_XCPT.TXT", "SNSRTIME.TXT", "TIMETAGS.TXT"})
            expected.push_back(name);
        EXPECT_EQ(Outputs(), expected);
        EXPECT_EQ(recorder.progress.size(), 3u * 12 + 2);
        EXPECT_EQ(recorder.lastTotal, 3u * 12 + 2);
        EXPECT_EQ(recorder.progress.back(), 3u * 12 + 2);

        const std::string sep(1, kPathSeparator);
        EXPECT_EQ(Log(), "Unpacking Engineering profiles 0 to 11\r\n"
                         "Engineering termination log has been written to file " +
                             dst_ + sep + "TIMETAGS.TXT\r\n"
                                          "Unpacking CTD profiles 0 to 11\r\n"
                                          "Unpacking ACM profiles 0 to 11\r\n"
                                          "Unpacking deployment log file\r\n"
                                          "Unpacking IRQ exception file\r\n");
        // Every CTD entry comes before every ACM entry.
        const std::string times = ReadFileText(dst / "SNSRTIME.TXT");
        EXPECT_LT(times.find(" Profile 11 CTD turned off at "), times.find(" Profile 0 ACM turned on at "));
        EXPECT_EQ(times.find("\r\n Profile 0 CTD turned on at  "), 0u);
        const std::string ctd = ReadFileText(dst / "C0000005.TXT");
        EXPECT_EQ(ctd.find("\r\n\r\n Profile 5\r\n") == 0, human == 1);
    }
}

TEST_F(UnpackJobTest, SkippedProfilesStillGetTheirSensorTimes)
{
    shape.profilesPerFile = 4;
    shape.maxProfile = 11;
    WriteDeployment(src.path(), shape);
    Select(0, KindCtd | KindAcm, RangeProfiles, 5, 6);

    EXPECT_EQ(RunSettingsJob(), 0);

    EXPECT_EQ(Outputs(), (std::vector<std::string>{"A0000005.TXT", "A0000006.TXT", "C0000005.TXT", "C0000006.TXT",
                                                 "SNSRTIME.TXT"}));
    // File base 4: profile 4 is read and skipped, reading stops after 6.
    const std::string times = ReadFileText(dst / "SNSRTIME.TXT");
    for (const char* entry : {" Profile 4 CTD turned on", " Profile 6 CTD turned on", " Profile 4 ACM turned on",
                              " Profile 6 ACM turned on"})
        EXPECT_NE(times.find(entry), std::string::npos) << entry;
    EXPECT_EQ(times.find(" Profile 7 "), std::string::npos);
    EXPECT_EQ(times.find(" Profile 3 "), std::string::npos);
    EXPECT_EQ(Log().rfind("Unpacking CTD profiles 5 to 6\r\n", 0), 0u);
}

TEST_F(UnpackJobTest, CancelDuringCtdClosesTheSensorTimeLog)
{
    shape.profilesPerFile = 4;
    shape.maxProfile = 11;
    WriteDeployment(src.path(), shape);
    Select(0, KindCtd | KindAcm | KindDeployment | KindException, RangeEntireDeployment);
    recorder.cancelAtProgress = 6;

    EXPECT_EQ(RunSettingsJob(), -1);

    const std::string log = Log();
    EXPECT_NE(log.find("Unpacking CTD profiles 0 to 11\r\nOperation cancelled by user\r\n"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("ACM"), std::string::npos);
    EXPECT_EQ(log.find("deployment"), std::string::npos);
    auto outputs = Outputs();
    EXPECT_EQ(outputs.back(), "SNSRTIME.TXT");
    EXPECT_EQ(outputs.size(), 7u + 1);  // C0..C5 written, C6 begun when the cancel was seen
    // The log was closed, so its entries reached the file.
    EXPECT_NE(ReadFileText(dst / "SNSRTIME.TXT").find(" Profile 5 CTD turned off at "), std::string::npos);
    EXPECT_EQ(recorder.events.back(), "finished 1");
}

TEST_F(UnpackJobTest, SensorTimeLogThatCannotBeCreatedFailsTheRunOnly)
{
    shape.profilesPerFile = 4;
    shape.maxProfile = 3;
    WriteDeployment(src.path(), shape);
    fs::create_directory(dst / "SNSRTIME.TXT");
    Select(0, KindCtd | KindAcm, RangeEntireDeployment);

    EXPECT_EQ(RunSettingsJob(), -1);

    EXPECT_EQ(Log().rfind("Error creating sensor time log SNSRTIME.TXT\r\n", 0), 0u) << Log();
    EXPECT_EQ(Outputs().size(), 8u + 1);  // the CTD and ACM files all the same
    EXPECT_EQ(recorder.events.back(), "finished 1");
}

// Steps that run ahead keep their notifications until their turn: with four
// threads the observer hears what it hears with one, in the same order, and
// the files are the same, over damaged and missing data files.
TEST_F(UnpackJobTest, FourThreadsNotifyAsOneDoes)
{
    shape.profilesPerFile = 3;
    shape.maxProfile = 29;
    shape.scansPerProfile = 30;
    WriteDeployment(src.path(), shape);
    fs::resize_file(src / "C0000012.DAT", 200);
    fs::resize_file(src / "A0000021.DAT", fs::file_size(src / "A0000021.DAT") - 3);
    fs::remove(src / "E0000015.DAT");
    Select(1, 0, RangeEntireDeployment);
    Settings.HumanReadible = 1;

    struct Run {
        int result;
        Recorder recorder;
        std::string log;
        std::map<std::string, std::string> files;
    };
    auto run = [&](int jobs, Run& r) {
        for (const auto& e : fs::directory_iterator(dst.path()))
            fs::remove(e.path());
        ResetTestLog();
        TheUnpackJob().SetObserver(&r.recorder);
        r.result = RunSettingsJob(jobs);
        r.log = Log();
        for (const auto& e : fs::directory_iterator(dst.path()))
            r.files[e.path().filename().string()] = ReadFileText(e.path());
    };
    Run one, four;
    run(1, one);
    run(4, four);

    EXPECT_EQ(one.result, -1);
    EXPECT_EQ(four.result, one.result);
    EXPECT_EQ(four.recorder.events, one.recorder.events);
    EXPECT_EQ(four.recorder.progress, one.recorder.progress);
    EXPECT_EQ(four.recorder.logChanges, one.recorder.logChanges);
    EXPECT_EQ(four.log, one.log);
    EXPECT_EQ(four.files, one.files);
    EXPECT_EQ(one.files.count("E0000014.TXT"), 1u);
    EXPECT_EQ(one.files.count("E0000015.TXT"), 0u);
}

TEST_F(UnpackJobTest, WorkerThreadRunsTheSameJob)
{
    shape.kinds = KindEngineering;
    WriteDeployment(src.path(), shape);
    Select(0, KindEngineering, RangeSingleProfile, 5);
    ASSERT_EQ(StartSettingsRun(), 0);
    TheUnpackJob().Wait();
    EXPECT_EQ(recorder.finishedCount, 1);
    EXPECT_EQ(recorder.events.back(), "finished 0");
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"E0000005.TXT", "TIMETAGS.TXT"}));
}

}  // namespace
