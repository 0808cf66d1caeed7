// A disk that fills up during a run: an output file stands for /dev/full, so
// every byte written to it is refused. The failing file is named in the log,
// its kind fails, the later kinds still run, and the run is not reported as a
// success.
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "platform/platform.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

TEST(FullDisk, EveryOutputThatCannotBeWrittenFailsTheRun)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    struct Case {
        const char* file;  // the output that meets the full disk
        const char* line;  // what the log says of it
    };
    const Case cases[] = {
        {"E0000001.TXT", "Error writing unpacked engineering data for profile 1\r\n"},
        {"TIMETAGS.TXT", "Error creating profile termination log TIMETAGS.TXT\r\n"},
        {"C0000002.TXT", "Error creating CTD file C0000002.TXT\r\n"},
        {"A0000000.TXT", "Error writing unpacked ACM data for profile 0\r\n"},
        {"SNSRTIME.TXT", "Error creating sensor time log SNSRTIME.TXT\r\n"},
        {"DEPLOY.TXT", "Error creating deployment log file DEPLOY.TXT\r\n"},
        {"IRQ_XCPT.TXT", "Error writing to IRQ exception log file\r\n"},
    };
    const SettingsRecord saved = Settings;
    const std::string savedDir = GetCurrentDir();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir src, dst;
        DeploymentShape shape;
        WriteDeployment(src.path(), shape);
        fs::create_symlink("/dev/full", dst.path() / c.file);
        std::snprintf(Settings.SrcDir, sizeof Settings.SrcDir, "%s", src.str().c_str());
        std::snprintf(Settings.DstDir, sizeof Settings.DstDir, "%s", dst.str().c_str());
        Settings.Prefix[0] = '\0';
        Settings.HumanReadible = 1;
        Settings.FirmwareVers = Firmware304;
        Settings.UnpackAll = 1;
        Settings.MaxProfile = static_cast<int32_t>(shape.maxProfile);  // as the source check left it
        ResetTestLog();
        TheUnpackJob().ClearCancel();

        EXPECT_EQ(RunSettingsJob(), -1);

        const std::string log = LogTake();
        EXPECT_NE(log.find(c.line), std::string::npos) << log;
        if (std::string(c.file) != "IRQ_XCPT.TXT") {
            EXPECT_TRUE(fs::exists(dst.path() / "IRQ_XCPT.TXT"));  // the last kind still ran
        }
    }
    SetCurrentDir(savedDir.c_str());
    Settings = saved;
    ResetTestLog();
}

}  // namespace
