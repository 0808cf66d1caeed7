// Pictures of the Unpacking page during and after a run: with
// DAVROLIN_SCREENSHOTS naming a folder, saves unpacking-running.bmp and
// unpacking-finished.bmp there (scripts/screenshots.sh turns them into PNGs).
// Without it the test is skipped.

#include "app/run_request.h"
#include "resources/resource.h"
#include "tests/win32/gui_fixture.h"
#include "tests/win32/unpacking_helpers.h"
#include "wizard/job_observer.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

TEST(Screenshots, UnpackingDuringAndAfterARun)
{
    const char* folder = std::getenv("DAVROLIN_SCREENSHOTS");
    if (!folder || !*folder)
        GTEST_SKIP() << "set DAVROLIN_SCREENSHOTS to a folder to take pictures";

    // Short folder names read well in the picture; they live in wine's C: drive.
    const std::filesystem::path source = "C:\\VXP0712", destination = "C:\\VXP0712-TXT";
    for (const auto& f : {source, destination}) {
        std::filesystem::remove_all(f);
        std::filesystem::create_directory(f);
    }
    DeploymentShape shape;
    shape.maxProfile = 59;
    shape.profilesPerFile = 4;
    WriteDeployment(source, shape);
    ResetTestLog();

    SettingsRecord s = Wizard::DefaultSettings();
    std::strcpy(s.SrcDir, source.string().c_str());
    std::strcpy(s.DstDir, destination.string().c_str());
    std::strcpy(s.Prefix, "M07_");
    s.HumanReadible = 1;
    Wizard wizard(s, 720, 520);
    // Walk the wizard to the Verify page; Unpack! starts the run.
    for (int step : {IDD_WELCOME, IDD_SOURCE, IDD_DESTINATION, IDD_FILETYPES, IDD_PREFIX, IDD_FORMAT, IDD_EXPORT})
        Click(step, IDC_NEXT);
    ASSERT_EQ(VisibleStep(), IDD_VERIFY);

    const std::string running = std::string(folder) + "/unpacking-running.bmp";
    bool taken = false;
    PageHook hook([&](UINT message, WPARAM, LPARAM) {
        // Midway through the CTD files, once the page shows that file.
        if (taken || message != kJobStatusNotice || TheUnpackJob().Progress().done < 90)
            return;
        taken = true;
        RedrawWindow(wizard.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(200);
        EXPECT_TRUE(SaveScreenPicture(wizard.window(), running, PictureArea::Window));
    });
    Click(IDD_VERIFY, IDC_NEXT);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_TRUE(taken);
    for (int i = 0; i < 10; ++i) {
        PumpMessages();
        Sleep(50);
    }
    EXPECT_TRUE(SaveScreenPicture(wizard.window(), std::string(folder) + "/unpacking-finished.bmp", PictureArea::Window));
    SetCurrentDirectoryA("C:\\");  // the run made the source folder current
    for (const auto& f : {source, destination})
        std::filesystem::remove_all(f);
}

}  // namespace
