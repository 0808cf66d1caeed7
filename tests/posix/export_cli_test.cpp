// End-to-end runs of davrolin-unpack --export: the files it adds, bad input
// refused with exit code 2 before anything is written, a full disk under an
// export file (exit code 1, the file named, nothing under its name), and the
// header of the 3.04 sample deployment's ctd.nc as ncdump shows it.
#ifdef DAVROLIN_UNPACK

#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"
#include "tests/posix/run_unpack.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Result = UnpackRun;

class ExportCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        shape.maxProfile = 11;
        shape.profilesPerFile = 4;
        source = work / "deployment";
        fs::create_directory(source);
        WriteDeployment(source, shape);
        WriteFileText(work / "meta.ini", "[METADATA]\ndate_created = 2024-07-02T00:00:00Z\n");
    }
    Result Run(const std::vector<std::string>& args) { return RunUnpack(work.path(), args, scratch.path()); }
    std::vector<std::string> Names(const fs::path& folder) const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir work, scratch;
    fs::path source;
    DeploymentShape shape;
};

TEST_F(ExportCli, ExportBesideTheTextsOrInsteadOfThem)
{
    Result r = Run({"--prefix", "x_", "--export", "netcdf,csv", "--latitude", "11", "--longitude", "-30.5",
                    "deployment", "out"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto names = Names(work / "out");
    EXPECT_EQ(names.size(), 3u * 12 + 4 + 1 + 8);
    for (const char* name : {"x_ctd.nc", "x_acm.nc", "x_engineering.nc", "x_ctd.csv", "x_acm.csv",
                             "x_engineering.csv", "x_profiles.csv", "x_ctd_grid.nc", "x_C0000011.TXT", "DAVROLIN.LOG"})
        EXPECT_TRUE(std::count(names.begin(), names.end(), name)) << name;
    EXPECT_NE(ReadFileText(work / "out" / "DAVROLIN.LOG").find("Export written to file " + work.str() + "/out/x_ctd.nc\r\n"),
              std::string::npos);

    r = Run({"--export", "csv", "--no-text", "--kinds", "ctd", "deployment", "csv-only"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Names(work / "csv-only"), std::vector<std::string>({"DAVROLIN.LOG", "ctd.csv", "profiles.csv"}));
}

TEST_F(ExportCli, BadInputIsRefusedBeforeAnythingIsWritten)
{
    WriteFileText(work / "bad-date.ini", "[METADATA]\ndate_created = yesterday\n");
    WriteFileText(work / "bad-lat.ini", "[METADATA]\nlatitude = 95\nlongitude = 10\n");
    WriteFileText(work / "bad-qc.ini", "[METADATA]\nlatitude = 5\nlongitude = 10\n[QC]\n"
                                       "temperature.spike.suspect = none\n");
    fs::create_directory(work / "locked");
    fs::permissions(work / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    struct Case {
        std::vector<std::string> args;
        std::string err;  // the first line of stderr
    };
    const Case cases[] = {
        {{"--export", "netcdf", "deployment", "out"},
         "davrolin-unpack: --export netcdf needs the station's position (CF requires it, and depth needs the "
         "latitude): give --latitude DEG --longitude DEG, or latitude and longitude in the [METADATA] section of a "
         "--metadata file"},
        {{"--export", "netcdf", "--latitude", "x", "--longitude", "1", "deployment", "out"},
         "davrolin-unpack: --latitude: \"x\" is not a number"},
        {{"--export", "csv", "--latitude", "-90.01", "deployment", "out"},
         "davrolin-unpack: --latitude: -90.01 is outside -90..90"},
        {{"--export", "netcdf", "--metadata", "bad-date.ini", "--latitude", "1", "--longitude", "1", "deployment",
          "out"},
         "davrolin-unpack: " + work.str() + "/bad-date.ini: key date_created: \"yesterday\" is not an ISO 8601 date "
                                            "(YYYY-MM-DDThh:mm:ssZ)"},
        {{"--export", "netcdf", "--metadata", "bad-lat.ini", "deployment", "out"},
         "davrolin-unpack: " + work.str() + "/bad-lat.ini: key latitude: 95 is outside -90..90"},
        {{"--export", "netcdf", "--metadata", "bad-qc.ini", "deployment", "out"},
         "davrolin-unpack: " + work.str() + "/bad-qc.ini: key temperature.spike.suspect: \"none\" is not a number "
                                            "above 0"},
        {{"--export", "netcdf", "--grid-step", "-1", "--latitude", "1", "--longitude", "1", "deployment", "out"},
         "davrolin-unpack: --grid-step: \"-1\" is not a number of dbar from 0.01 to 1000"},
        {{"--export", "xml", "deployment", "out"}, "davrolin-unpack: --export: unknown export \"xml\" (netcdf, csv)"},
        {{"--no-text", "deployment", "out"},
         "davrolin-unpack: --no-text, --metadata, --latitude and --longitude go with --export"},
        {{"--export", "csv", "deployment", "locked"},
         "davrolin-unpack: cannot write the export into " + work.str() + "/locked"},
    };
    for (const Case& c : cases) {
        if (c.args.back() == "locked" && getuid() == 0)
            continue;  // root writes into a read-only folder
        SCOPED_TRACE(c.err);
        const Result r = Run(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.err);
        EXPECT_FALSE(fs::exists(work / "out"));
        EXPECT_TRUE(fs::is_empty(work / "locked"));
    }
}

TEST_F(ExportCli, AFullDiskUnderAnExportFileFailsTheRunAndLeavesNoFile)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    for (const char* name : {"ctd.csv", "acm.nc", "engineering.nc"}) {
        SCOPED_TRACE(name);
        const fs::path out = work / "out";
        fs::remove_all(out);
        fs::create_directory(out);
        fs::create_symlink("/dev/full", out / (std::string(name) + ".part"));
        const Result r = Run({"--quiet", "--export", "netcdf,csv", "--latitude", "1", "--longitude", "1",
                              "deployment", "out"});
        EXPECT_EQ(r.exitCode, 1);
        const std::string file = name;
        EXPECT_NE(r.err.find("Error writing export file"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out / file));
        EXPECT_TRUE(fs::exists(out / "ctd.nc") || file == "ctd.nc");
        for (const std::string& n : Names(out))
            EXPECT_EQ(n.find(".part"), std::string::npos) << n;
    }
}

#ifdef DAVROLIN_SAMPLE_304
TEST_F(ExportCli, SampleCtdHeaderAsNcdumpShowsIt)
{
    if (std::system("ncdump >/dev/null 2>&1") != 0 && std::system("command -v ncdump >/dev/null") != 0)
        GTEST_SKIP() << "no ncdump";
    const Result r = Run({"--quiet", "--export", "netcdf", "--no-text", "--kinds", "ctd", "--metadata", "meta.ini",
                          "--latitude", "-33.5", "--longitude", "151.25", DAVROLIN_SAMPLE_304, "sample"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string command = "ncdump -h " + ShellQuote((work / "sample" / "ctd.nc").string()) + " >" +
                                ShellQuote((scratch / "header.cdl").string());
    ASSERT_EQ(std::system(command.c_str()), 0);
    const fs::path golden = fs::path(DAVROLIN_POSIX_TESTS_DIR) / "sample_304_ctd_header.cdl";
    EXPECT_EQ(ReadFileText(scratch / "header.cdl"), ReadFileText(golden))
        << "when the layout is meant to change: ncdump -h of the sample's ctd.nc (pinned date) replaces " << golden;
}
#endif

}  // namespace

#endif
