// End-to-end runs of davrolin-unpack: exit codes, messages on stderr, the
// files and the saved activity log.
#ifdef DAVROLIN_UNPACK

#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "engine/version.h"
#include "formats/settings_record.h"
#include "platform/platform.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"
#include "tests/posix/run_unpack.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Result = UnpackRun;

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        shape.maxProfile = 11;
        shape.profilesPerFile = 4;
        source = work / "deployment";
        fs::create_directory(source);
        WriteDeployment(source, shape);
    }

    // Runs the converter in `work` with stdout and stderr going to files.
    Result Run(const std::vector<std::string>& args) { return RunUnpack(work.path(), args, scratch.path()); }

    static std::map<std::string, std::string> Files(const fs::path& folder)
    {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::directory_iterator(folder))
            files[e.path().filename().string()] = ReadFileText(e.path());
        return files;
    }

    TempDir work;
    TempDir scratch;
    fs::path source;
    DeploymentShape shape;
};

TEST_F(Cli, RefusedRunsExitWithTwo)
{
    fs::create_directory(work / "empty");
    fs::create_directory(work / "out");
    WriteFileText(work / "a-file", "not a folder\n");
    struct Case {
        std::vector<std::string> args;
        std::string err;  // stderr exactly, or its start when it ends in "..."
    };
    const std::string w = work.str();
    const Case cases[] = {
        {{"deployment"}, "davrolin-unpack: DEST is required\nusage: davrolin-unpack ..."},
        {{"--kinds", "ctd,logs", "deployment", "out"}, "davrolin-unpack: --kinds: unknown kind \"logs\"\nusage: ..."},
        {{"missing", "out"},
         "The specified source path\n   " + w + "/missing \ndoes not exist.  \n\nPlease select a new source for VXP "
         "files\n"},
        {{"empty", "out"},
         "The specified source path\n  " + w + "/empty\ndoes not contain valid VXP data.\n\nPlease select a new source "
         "directory.\n"},
        {{"--firmware", "3.01", "deployment", "out"},
         "The specified source path\n  " + w + "/deployment\ncontain VXP data from a different version.\n\nThe VXP "
         "Davrolin is configured to unpack version 3.01 VXP files.\n"},
        {{"--profile", "12", "deployment", "out"},
         "There was an error in the selection of the profile or range of profiles to unpack.  Either the numbers are "
         "out of range, or the first and last profiles to unpack are out of order.  Please review selections and "
         "correct.\n"},
        {{"--profiles", "5-4", "deployment", "out"}, "There was an error in the selection ..."},
        {{"deployment", "a-file/folder"},
         "The specified destination path\n  " + w + "/a-file/folder\ncould not be created.\n"},
    };
    for (const Case& c : cases) {
        Result r = Run(c.args);
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(r.exitCode, 2);
        const std::string ellipsis = "...";
        if (c.err.size() > 3 && c.err.compare(c.err.size() - 3, 3, ellipsis) == 0)
            EXPECT_EQ(r.err.substr(0, c.err.size() - 3), c.err.substr(0, c.err.size() - 3));
        else
            EXPECT_EQ(r.err, c.err);
        EXPECT_TRUE(fs::is_empty(work / "out"));
    }
    // Only the two log kinds: profile numbers are not checked.
    EXPECT_EQ(Run({"--profiles", "9-2", "--kinds", "deployment", "deployment", "out"}).exitCode, 0);
}

TEST_F(Cli, MissingParentsOfTheDestinationAreCreated)
{
    const Result r = Run({"--kinds", "deployment", "deployment", "new/parents/out"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(work / "new" / "parents" / "out" / "DEPLOY.TXT"));
}

TEST_F(Cli, WholeRunWritesTheFilesAndTheLog)
{
    Result r = Run({"deployment", "out/"});  // created (one level); the trailing "/" stays
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");  // stderr is no terminal: no progress bar
    EXPECT_EQ(r.out, "");

    auto files = Files(work / "out");
    EXPECT_EQ(files.size(), 3u * 12 + 4 + 1);  // profiles, DEPLOY, IRQ_XCPT, two time logs, the log
    const std::string w = work.str();
    const std::string log = files["DAVROLIN.LOG"];
    EXPECT_EQ(log.rfind("Ostrel Research Labs Davrolin version 1.0 Revision 02 [Build ", 0), 0u);
    EXPECT_NE(log.find("\r\nFor use with data collected under Version 3.04 of the System Control Program.\r\n"
                       "Log created "),
              std::string::npos);
    EXPECT_NE(log.find("\r\n\r\nSettings for this run:\r\n\r\n"
                       "Unpack files from folder " +
                       w + "/deployment \r\n"
                           "Unpack files to folder " +
                       w + "/out/\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("\r\nUnpack Activity:\r\n\r\n"
                       "Unpacking Engineering profiles 0 to 11\r\n"
                       "Engineering termination log has been written to file " +
                       w + "/out/TIMETAGS.TXT\r\n"
                           "Unpacking CTD profiles 0 to 11\r\n"
                           "Unpacking ACM profiles 0 to 11\r\n"
                           "Unpacking deployment log file\r\n"
                           "Unpacking IRQ exception file\r\n"
                           "Saving log to " +
                       w + "/out/DAVROLIN.LOG\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.size() - log.rfind("Saving log to"), std::string("Saving log to " + w + "/out/DAVROLIN.LOG\r\n").size());
}

TEST_F(Cli, SameFilesAsTheJobForTheSameChoices)
{
    // The job run in this process with the choices the options stand for.
    TempDir direct;
    SettingsRecord saved = Settings;
    const std::string savedDir = GetCurrentDir();
    SetDefaultSettings(Settings);
    Settings.UnpackAll = 0;
    Settings.Options = KindEngineering | KindAcm | KindDeployment;
    Settings.ProfileRange = RangeProfiles;
    Settings.FirstProfile = 2;
    Settings.LastProfile = 9;
    Settings.HumanReadible = 1;
    Settings.MaxProfile = 11;
    std::snprintf(Settings.SrcDir, sizeof Settings.SrcDir, "%s", source.c_str());
    std::snprintf(Settings.DstDir, sizeof Settings.DstDir, "%s", direct.str().c_str());
    std::snprintf(Settings.Prefix, sizeof Settings.Prefix, "%s", "r_");
    ResetTestLog();
    EXPECT_EQ(unpack_thread(), 0);
    SetCurrentDir(savedDir.c_str());
    Settings = saved;

    Result r = Run({"--human", "--prefix", "r_", "--kinds", "engineering,acm,deployment", "--profiles", "2-9",
                    "deployment", "out"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto files = Files(work / "out");
    files.erase("DAVROLIN.LOG");
    EXPECT_EQ(files, Files(direct.path()));
    EXPECT_EQ(files.size(), 2u * 8 + 3);
    EXPECT_EQ(files.count("r_A0000002.TXT"), 1u);
}

TEST_F(Cli, RunWithErrorsExitsWithOne)
{
    fs::remove(source / "C0000004.DAT");
    Result r = Run({"--quiet", "--kinds", "ctd,exceptions", "deployment", "out"});
    EXPECT_EQ(r.exitCode, 1);
    auto files = Files(work / "out");
    EXPECT_EQ(files.count("C0000003.TXT"), 1u);
    EXPECT_EQ(files.count("C0000004.TXT"), 0u);
    EXPECT_EQ(files.count("IRQ_XCPT.TXT"), 1u);  // the next kind still ran
    const std::string error = "Error opening CTD data file " + source.string() + "/C0000004.DAT";
    EXPECT_NE(files["DAVROLIN.LOG"].find(error + "\r\n"), std::string::npos);
    EXPECT_EQ(r.err, error + "\n");  // the run's errors, also on stderr
}

// --firmware auto converts a deployment of either firmware as the matching
// --firmware does, and refuses before anything is written when DEPLOY.DAT
// does not tell.
TEST_F(Cli, AutoFirmwareFollowsDeployDat)
{
    for (int firmware : {0, 1}) {
        const std::string name = firmware == 0 ? "3.01" : "3.04";
        SCOPED_TRACE(name);
        DeploymentShape s = shape;
        s.firmware = firmware;
        const fs::path folder = work / ("fw" + name);
        fs::create_directory(folder);
        WriteDeployment(folder, s);
        const std::string src = folder.filename().string();

        Result r = Run({"--firmware", "auto", "--human", src, "auto" + name});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Run({"--firmware", name, "--human", src, "given" + name}).exitCode, 0);
        auto automatic = Files(work / ("auto" + name));
        auto given = Files(work / ("given" + name));
        EXPECT_EQ(automatic.size(), 3u * 12 + 5);
        EXPECT_NE(automatic["DAVROLIN.LOG"].find("under Version " + name + " of the System Control Program"),
                  std::string::npos);
        automatic.erase("DAVROLIN.LOG");
        given.erase("DAVROLIN.LOG");
        EXPECT_EQ(automatic, given);
    }

    // What DEPLOY.DAT holds, told on stderr with exit code 2.
    const std::string deploy = source.string() + "/DEPLOY.DAT";
    Bytes word302 = DeployRecordBytes(shape);
    word302.data[0] = 0x01;
    word302.data[1] = 0x2E;
    struct Case {
        const char* what;
        bool write;
        Bytes bytes;
        std::string err;
    };
    const Case cases[] = {
        {"word 302", true, word302,
         "the version word of " + deploy + " is 302 (0x012E), neither 301 (firmware 3.01) nor 303 or 304 (firmware "
         "3.04)"},
        {"missing", false, Bytes(), "cannot read " + deploy},
        {"one byte", true, Bytes().u8(1), deploy + " holds 1 byte(s), too few for its version word"},
    };
    fs::create_directory(work / "out");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(source / "DEPLOY.DAT");
        if (c.write)
            WriteFileBytes(source / "DEPLOY.DAT", c.bytes);
        Result r = Run({"--firmware", "auto", "deployment", "out"});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, "davrolin-unpack: --firmware auto: " + c.err + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(fs::is_empty(work / "out"));
    }
}

TEST_F(Cli, VersionPrintsTheBuildAndExitsWithZero)
{
    const std::string stamp = std::string(BuildDate()) + " " + BuildTime();
    for (const auto& args : {std::vector<std::string>{"--version"}, {"--version", "deployment", "out"}}) {
        Result r = Run(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "davrolin-unpack (Davrolin) version 1.0 Revision 02 [Build " + stamp +
                             "]\nConverts VXP deployments of firmware 3.01 and 3.04.\n");
        EXPECT_EQ(r.err, "");
    }
    EXPECT_FALSE(fs::exists(work / "out"));
}

TEST_F(Cli, SettingsFileAndOverrides)
{
    WriteFileText(work / "my.ini", "[CONFIGURATION]\r\nHumanReadible=1\r\nPrefix=ini_\r\nLogName=RUN.LOG\r\n"
                                   "UnpackAll=0\r\nOptions=16\r\n");
    Result r = Run({"--settings", "my.ini", "--prefix", "cli_", "deployment", "out"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto files = Files(work / "out");
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(files.count("cli_IRQ_XCPT.TXT"), 1u);
    EXPECT_EQ(files.count("RUN.LOG"), 1u);
    EXPECT_EQ(Run({"--settings", "missing.ini", "deployment", "out"}).exitCode, 2);
}

TEST_F(Cli, InterruptStopsTheRunAndKeepsTheLog)
{
    DeploymentShape big;
    big.maxProfile = 299;
    big.profilesPerFile = 10;
    big.scansPerProfile = 1000;
    const fs::path bigSource = work / "big";
    fs::create_directory(bigSource);
    WriteDeployment(bigSource, big);
    const fs::path out = work / "out";
    const std::string src = bigSource.string(), dst = out.string();
    const char* argv[] = {DAVROLIN_UNPACK, "--quiet", src.c_str(), dst.c_str(), nullptr};
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, DAVROLIN_UNPACK, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    // Once the second profile is being written the run has far to go.
    for (int i = 0; i < 3000 && !fs::exists(out / "E0000001.TXT"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string log = ReadFileText(out / "DAVROLIN.LOG");
    EXPECT_NE(log.find("Operation cancelled by user\r\nSaving log to "), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(out / "E0000299.TXT"));
    EXPECT_FALSE(fs::exists(out / "DEPLOY.TXT"));
}

}  // namespace

#endif
