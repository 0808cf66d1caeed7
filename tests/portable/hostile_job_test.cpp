// Whole runs over folders a user should not have to worry about: metadata
// that plans absurd file sets or a last profile of 2^32 - 1, prefixes and
// folders too long for the file system or holding %, \ and characters outside
// ASCII, a destination that cannot be written. Every run ends (quickly: the
// data decides how far a walk goes, not the plan, but for at most 10,000 CTD
// notes past the end of a file), names each file it could not create, and
// never reports a failed kind as success.

#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/settings_record.h"
#include "formats/text_format.h"
#include "platform/platform.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int32_t T0 = 1719792000;

// A short whole profile of each kind; the numbers do not matter here.
Bytes EngineeringProfile()
{
    Bytes b;
    b.engHeader(T0, T0 + 1).scan304(T0 + 2, 80, 14.5f, 5, 1, 1, 2, 10).stop(-1, 14, 0, T0 + 3, T0 + 4);
    return b;
}

Bytes AcmProfile()
{
    Bytes b;
    b.u16(30000).u16(30000).u16(30000).u16(30000).u16(30000).u16(30000).u16(30000).u16(30000).u16(30000);
    b.fill(0xFF, 18).time(T0).time(T0 + 5);
    return b;
}

// Writes through the program's own file seam, so a name outside ASCII means
// the same bytes to the test and to the program on every platform.
void WriteAnsiFile(const std::string& path, const Bytes& bytes)
{
    const File f = OpenFile(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    if (bytes.size())
        std::fwrite(bytes.data.data(), 1, bytes.size(), f.get());
}

bool AnsiFileExists(const std::string& path)
{
    return OpenFile(path.c_str(), "rb") != nullptr;
}

class HostileJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedDir_ = GetCurrentDir();
        Settings.LogSize = 65536;
        Settings.LogLevel = 15;
        ResetTestLog();
        ClearCancelRequest();
        Use(src.str(), dst.str(), "");
        Settings.HumanReadible = 0;
        Settings.FirmwareVers = Firmware304;
        Settings.UnpackAll = 0;
    }
    void TearDown() override
    {
        SetCurrentDir(savedDir_.c_str());
        Settings = saved_;
        ResetTestLog();
        ClearCancelRequest();
    }
    static void Use(const std::string& from, const std::string& to, const std::string& prefix)
    {
        Format(Settings.SrcDir, sizeof Settings.SrcDir, "%s", from.c_str());
        Format(Settings.DstDir, sizeof Settings.DstDir, "%s", to.c_str());
        Format(Settings.Prefix, sizeof Settings.Prefix, "%s", prefix.c_str());
    }
    // DEPLOY.DAT planning `ppf` profiles per file and PROFILES.DAT naming
    // `maxProfile`, in folder `folder` (the source folder by default).
    void WriteMetadata(uint32_t ppf, uint32_t maxProfile, std::string folder = "")
    {
        if (folder.empty())
            folder = src.str();
        DeploymentShape shape;
        shape.profilesPerFile = ppf;
        WriteAnsiFile(folder + kPathSeparator + "DEPLOY.DAT", DeployRecordBytes(shape));
        Bytes profiles;
        profiles.u32(maxProfile);
        WriteAnsiFile(folder + kPathSeparator + "PROFILES.DAT", profiles);
        Settings.MaxProfile = static_cast<int32_t>(maxProfile);  // as the source check left it
    }
    // Engineering and ACM data files of file base `base` holding `count` profiles.
    void WriteDataFiles(uint32_t base, int count, std::string folder = "")
    {
        if (folder.empty())
            folder = src.str();
        Bytes e, a;
        for (int i = 0; i < count; ++i) {
            e.append(EngineeringProfile());
            a.append(AcmProfile());
        }
        WriteAnsiFile(folder + kPathSeparator + FormatString("E%07u.DAT", base), e);
        WriteAnsiFile(folder + kPathSeparator + FormatString("A%07u.DAT", base), a);
    }
    void Select(int kinds, int range, uint32_t first = 0, uint32_t last = 0)
    {
        Settings.Options = kinds;
        Settings.ProfileRange = range;
        Settings.FirstProfile = static_cast<int32_t>(first);
        Settings.LastProfile = static_cast<int32_t>(last);
    }
    std::vector<std::string> Outputs() const { return Outputs(dst); }
    static std::vector<std::string> Outputs(const TempDir& folder)
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Log() const { return LogTake(); }

    TempDir src;
    TempDir dst;

private:
    SettingsRecord saved_;
    std::string savedDir_;
};

struct PlanCase {
    const char* what;
    uint32_t ppf;                // from DEPLOY.DAT
    uint32_t maxProfile;         // from PROFILES.DAT
    int range;                   // RangeMode
    uint32_t first, last;        // for a single profile or a range
    std::vector<std::pair<uint32_t, int>> files;  // file base, profiles in it
    int result;                  // of the run
    std::vector<std::string> outputs;
    std::vector<std::string> logLines;  // "%s" stands for the source folder with its separator
};

// The Engineering and ACM kinds walk only as far as the data goes, whatever
// the metadata plans.
TEST_F(HostileJob, AbsurdFileSetsAndLastProfilesEndQuickly)
{
    const PlanCase cases[] = {
        {"one profile per file, last profile 2^32-1", 1, 0xFFFFFFFFu, RangeEntireDeployment, 0, 0,
         {{0, 1}, {1, 1}}, -1,
         {"A0000000.TXT", "A0000001.TXT", "E0000000.TXT", "E0000001.TXT", "SNSRTIME.TXT", "TIMETAGS.TXT"},
         {"Error opening engineering data file %sE0000002.DAT\r\n", "Error opening ACM data file %sA0000002.DAT\r\n"}},
        {"three per file, last profile 2^32-1", 3, 0xFFFFFFFFu, RangeEntireDeployment, 0, 0, {{0, 3}}, -1,
         {"A0000000.TXT", "A0000001.TXT", "A0000002.TXT", "E0000000.TXT", "E0000001.TXT", "E0000002.TXT",
          "SNSRTIME.TXT", "TIMETAGS.TXT"},
         {"Error opening engineering data file %sE0000003.DAT\r\n", "Error opening ACM data file %sA0000003.DAT\r\n"}},
        {"2^31-1 per file, the whole deployment", 0x7FFFFFFFu, 0xFFFFFFFFu, RangeEntireDeployment, 0, 0, {{0, 2}},
         -1,
         {"A0000000.TXT", "A0000001.TXT", "A0000002.TXT", "E0000000.TXT", "E0000001.TXT", "E0000002.TXT",
          "SNSRTIME.TXT", "TIMETAGS.TXT"},
         {"Error reading from engineering file for profile 2\r\n", "Error reading from ACM file for profile 2\r\n"}},
        {"2^31+1 per file, a range in the second file", 0x80000001u, 0xFFFFFFFFu, RangeProfiles, 0x80000001u,
         0x80000002u, {{0x80000001u, 2}}, 0,
         {"A2147483649.TXT", "A2147483650.TXT", "E2147483649.TXT", "E2147483650.TXT", "SNSRTIME.TXT",
          "TIMETAGS.TXT"},
         {}},
        {"2^32-1 per file, the last profile alone", 0xFFFFFFFFu, 0xFFFFFFFFu, RangeSingleProfile, 0xFFFFFFFFu, 0,
         {{0xFFFFFFFFu, 1}}, 0, {"A4294967295.TXT", "E4294967295.TXT", "SNSRTIME.TXT", "TIMETAGS.TXT"}, {}},
        {"2^32-1 per file, a profile far beyond the data", 0xFFFFFFFFu, 0xFFFFFFFFu, RangeSingleProfile,
         0xFFFFFFFEu, 0, {{0, 2}}, -1, {"SNSRTIME.TXT", "TIMETAGS.TXT"},
         {"Error reading from engineering file for profile 2\r\n", "Error reading from ACM file for profile 2\r\n"}},
        {"no profiles per file", 0, 5, RangeEntireDeployment, 0, 0, {{0, 2}}, -1, {"SNSRTIME.TXT"}, {}},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir from, to;
        Use(from.str(), to.str(), "");
        ResetTestLog();
        WriteMetadata(c.ppf, c.maxProfile, from.str());
        for (auto [base, count] : c.files)
            WriteDataFiles(base, count, from.str());
        Select(KindEngineering | KindAcm, c.range, c.first, c.last);

        EXPECT_EQ(unpack_thread(), c.result);

        EXPECT_EQ(Outputs(to), c.outputs);
        const std::string log = Log();
        for (const std::string& line : c.logLines)
            EXPECT_NE(log.find(FormatString(line.c_str(), (from.str() + kPathSeparator).c_str())), std::string::npos)
                << line << "\n" << log;
        if (c.logLines.empty()) {
            EXPECT_EQ(log.find("Error"), std::string::npos) << log;
        }
    }
}

// Every line the activity log is given, also those it has trimmed away since.
class LogRecorder {
public:
    LogRecorder() { SetLogListener(&LogRecorder::Hear, this); }
    ~LogRecorder() { SetLogListener(nullptr, nullptr); }
    LogRecorder(const LogRecorder&) = delete;
    LogRecorder& operator=(const LogRecorder&) = delete;
    const std::string& text() const { return text_; }

private:
    static void Hear(void* context, const char* text, int) { static_cast<LogRecorder*>(context)->text_ += text; }
    std::string text_;
};

// The profile numbers of the CTD end-of-file lines, in the order logged.
std::vector<uint32_t> CtdEndOfFileProfiles(const std::string& log)
{
    std::vector<uint32_t> named;
    const std::string line = "Error reading from CTD file for profile ";
    for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
        named.push_back(static_cast<uint32_t>(std::stoul(log.substr(at + line.size()))));
    return named;
}

// A CTD profile that lies after the end of its data file is noted as
// missing: a text file of its own (holding "End of file reached" in human
// form) when it is asked for, and an end-of-file line in the log whether it
// is asked for or only skipped. The kind then goes on with the next file.
// A plan of 2^31 profiles per file gets these notes for 10,000 profiles past
// the end of the data, then one line that names the file and the profiles
// left un-noted; those count as done for the progress bar.
TEST_F(HostileJob, CtdProfilesAfterTheEndOfTheirFileAreNotedOneByOne)
{
    struct CtdFile {
        uint32_t base;
        uint32_t wholeProfiles;  // profiles base, base + 1, ... in full
        std::size_t cutAfter;    // then this many bytes of the next profile
    };
    struct Case {
        const char* what;
        uint32_t ppf, maxProfile;
        int range;
        uint32_t first, last;
        std::vector<CtdFile> files;
        std::vector<std::pair<uint32_t, uint32_t>> written;  // the CTD text files written: profiles from, to
        uint32_t endedAt;                // the profile that met the end of its file
        uint32_t notedUpTo;              // end-of-file lines name endedAt .. notedUpTo, in order
        uint32_t notNoted;               // profiles named by the line that stops the notes; 0: no such line
    };
    constexpr uint32_t kNoted = 10000;  // profiles noted after the one that met the end
    // A CTD profile of the fixture is 53 bytes: 4 scans, the end mark, the sensor times.
    const Case cases[] = {
        {"4 per file, cut inside the second profile, a range inside the file", 4, 3, RangeProfiles, 1, 3,
         {{0, 1, 31}}, {{1, 3}}, 1, 3, 0},
        {"4 per file, cut before the profile asked for", 4, 3, RangeSingleProfile, 3, 0, {{0, 1, 31}}, {{3, 3}}, 1,
         3, 0},
        {"a file that holds fewer profiles than planned", 10, 9, RangeProfiles, 5, 7, {{0, 2, 0}}, {{5, 7}}, 2, 7,
         0},
        {"a cut file, then a whole one", 2, 3, RangeEntireDeployment, 0, 0, {{0, 1, 31}, {2, 2, 0}}, {{0, 3}}, 1,
         1, 0},
        // The range starts near the bound, so that a few files show where the
        // notes stop; the profiles before it are noted in the log alone.
        {"2^31-1 per file, a range from near the bound into the next file", 0x7FFFFFFFu, 0xFFFFFFFFu, RangeProfiles,
         kNoted, 0x7FFFFFFFu, {{0, 2, 0}, {0x7FFFFFFFu, 1, 0}}, {{kNoted, 2 + kNoted}, {0x7FFFFFFFu, 0x7FFFFFFFu}},
         2, 2 + kNoted, 0x7FFFFFFFu - (2 + 1 + kNoted)},
        {"2^32-1 per file, a profile far beyond the data", 0xFFFFFFFFu, 0xFFFFFFFFu, RangeSingleProfile,
         0xFFFFFFFEu, 0, {{0, 2, 0}}, {}, 2, 2 + kNoted, 0xFFFFFFFEu - (2 + 1 + kNoted) + 1},
    };
    for (const Case& c : cases) {
        for (bool human : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (human ? ", human form" : ", machine form"));
            TempDir from, to;
            Use(from.str(), to.str(), "");
            ResetTestLog();
            Settings.HumanReadible = human ? 1 : 0;
            WriteMetadata(c.ppf, c.maxProfile, from.str());
            DeploymentShape shape;
            for (const CtdFile& f : c.files) {
                Bytes data;
                for (uint32_t p = f.base; p < f.base + f.wholeProfiles; ++p)
                    data.append(CtdProfileBytes(shape, p));
                data.append(CtdProfileBytes(shape, f.base + f.wholeProfiles).first(f.cutAfter));
                WriteAnsiFile(from.str() + kPathSeparator + FormatString("C%07u.DAT", f.base), data);
            }
            Select(KindCtd, c.range, c.first, c.last);
            LogRecorder recorder;

            EXPECT_EQ(unpack_thread(), 0);  // an end-of-file note is no failure of the kind

            std::vector<std::string> expected;
            for (auto [low, high] : c.written)
                for (uint32_t p = low; p <= high; ++p)
                    expected.push_back(FormatString("C%07u.TXT", p));
            expected.push_back("SNSRTIME.TXT");
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(Outputs(to), expected);

            // A profile after the one that met the end holds the note alone.
            for (auto [low, high] : c.written) {
                for (uint32_t p = std::max(low, c.endedAt + 1); p <= std::min(high, c.notedUpTo); ++p) {
                    const std::string want =
                        human ? FormatString("\r\n\r\n Profile %u\r\n\r\n  mmho/cm   Celsius    dbars\r\n\r\n"
                                             "\r\n End of file reached\r\n",
                                             p)
                              : "";
                    EXPECT_EQ(ReadFileText(to / FormatString("C%07u.TXT", p)), want) << p;
                }
            }

            const std::string& log = recorder.text();
            std::vector<uint32_t> noted;
            for (uint32_t p = c.endedAt; p <= c.notedUpTo; ++p)
                noted.push_back(p);
            EXPECT_EQ(CtdEndOfFileProfiles(log), noted);
            const std::string source = from.str() + kPathSeparator;
            const std::string stop = "more profiles past its end were not noted";
            if (c.notNoted) {
                const std::string line =
                    FormatString("Error reading from CTD data file %sC0000000.DAT: %u more profiles past its end "
                                 "were not noted\r\n",
                                 source.c_str(), c.notNoted);
                EXPECT_NE(log.find(line), std::string::npos) << line;
                EXPECT_EQ(log.find(stop), log.rfind(stop)) << "one line per file";
            } else {
                EXPECT_EQ(log.find(stop), std::string::npos);
            }
            const JobProgress progress = TheUnpackJob().Progress();
            EXPECT_EQ(progress.done, progress.total);
        }
    }
}

// A prefix longer than a file name may be: every output is refused, and each
// refusal names the file it was about; the run fails and no file appears.
TEST_F(HostileJob, PrefixTooLongForAFileNameIsRefusedFileByFile)
{
    const std::string prefix(255, 'P');
    Use(src.str(), dst.str(), prefix);
    WriteMetadata(2, 1);
    WriteDataFiles(0, 2);
    WriteAnsiFile(src.str() + kPathSeparator + "IRQ_XCPT.LOG", Bytes{});
    Select(KindAll, RangeEntireDeployment);

    EXPECT_EQ(unpack_thread(), -1);

    EXPECT_TRUE(Outputs().empty());
    const std::string log = Log();
    for (const char* line : {
             "Error creating profile termination log %sTIMETAGS.TXT\r\n",
             "Error creating sensor time log %sSNSRTIME.TXT\r\n",
             "Error creating ACM file %sA0000000.TXT\r\n",
             "Error creating deployment log file %sDEPLOY.TXT\r\n",
             "Error creating IRQ exception log %sIRQ_XCPT.TXT\r\n",
         })
        EXPECT_NE(log.find(FormatString(line, prefix.c_str())), std::string::npos) << line << "\n" << log;
}

// Percent signs, backslashes and a character outside ASCII (é in the ANSI code
// page) in a folder and a prefix are names like any other: the files are
// written under them, and the log shows them as they are, never as
// conversions. Under wine this needs a UTF-8 locale on the Unix side (wine
// cannot map é to a file name under the C locale); cmake/wine-run.sh sets it.
TEST_F(HostileJob, PercentBackslashAndAccentsInFoldersAndPrefix)
{
    const std::string odd = "da%sta%d%n%%\xE9";
    const std::string from = src.str() + kPathSeparator + odd;
    ASSERT_TRUE(CreateDir(from.c_str()));
#if defined(_WIN32)
    const std::string prefix = "%s%x%%\xE9_";  // a backslash would name a folder here
#else
    const std::string prefix = "%s\\%x%%\xE9_";
#endif
    Use(from, dst.str(), prefix);
    WriteMetadata(2, 1, from);
    WriteDataFiles(0, 2, from);
    Select(KindEngineering, RangeEntireDeployment);

    EXPECT_EQ(unpack_thread(), 0) << Log();

    const std::string to = dst.str() + kPathSeparator + prefix;
    EXPECT_TRUE(AnsiFileExists(to + "E0000000.TXT"));
    EXPECT_TRUE(AnsiFileExists(to + "E0000001.TXT"));
    EXPECT_NE(Log().find("Engineering termination log has been written to file " + to + "TIMETAGS.TXT\r\n"),
              std::string::npos)
        << Log();

    // A failure names the odd source folder as it is.
    ResetTestLog();
    Select(KindEngineering, RangeSingleProfile, 2);
    EXPECT_EQ(unpack_thread(), -1);
    EXPECT_NE(Log().find("Error opening engineering data file " + from + kPathSeparator + "E0000002.DAT\r\n"),
              std::string::npos)
        << Log();
}

// A source folder that has gone away since it was checked: the metadata check
// must not read the DEPLOY.DAT and PROFILES.DAT of whatever folder is current.
TEST_F(HostileJob, SourceFolderThatCannotBeEnteredIsNotReadFromElsewhere)
{
    WriteMetadata(2, 1);  // a deployment in the current folder
    ASSERT_TRUE(SetCurrentDir(src.str().c_str()));
    Use(src.str() + kPathSeparator + "gone", dst.str(), "");
    Select(KindEngineering, RangeEntireDeployment);

    EXPECT_EQ(unpack_thread(), -1);

    EXPECT_EQ(Settings.DeployOk, 0);
    EXPECT_EQ(Settings.ProfilesOk, 0);
    const std::string log = Log();
    EXPECT_NE(log.find("Error opening the deployment file DEPLOY.DAT\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Error opening PROFILE.DAT\r\n"), std::string::npos) << log;
}

// A destination where nothing can be created (here a file stands where the
// folder should be, which no permission can override): every kind says which
// file it could not create and the run reports errors.
TEST_F(HostileJob, DestinationThatCannotBeWrittenFailsEveryKind)
{
    const std::string blocked = dst.str() + kPathSeparator + "not-a-folder";
    WriteAnsiFile(blocked, Bytes{});
    Use(src.str(), blocked, "x_");
    WriteMetadata(1, 0);
    WriteDataFiles(0, 1);
    Select(KindEngineering | KindAcm | KindDeployment, RangeEntireDeployment);

    EXPECT_EQ(unpack_thread(), -1);

    const std::string log = Log();
    for (const char* line : {"Error creating profile termination log x_TIMETAGS.TXT\r\n",
                             "Error creating sensor time log x_SNSRTIME.TXT\r\n",
                             "Error creating ACM file x_A0000000.TXT\r\n",
                             "Error creating deployment log file x_DEPLOY.TXT\r\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    EXPECT_EQ(Outputs(), std::vector<std::string>{"not-a-folder"});
}

}  // namespace
