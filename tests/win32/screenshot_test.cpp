// Pictures of the wizard: with DAVROLIN_SCREENSHOTS naming a folder, shows
// every step in turn and saves the main window as <folder>/<n>-<step>.bmp
// (scripts/screenshots.sh turns them into PNGs). Without it the test is skipped.
// DAVROLIN_SCREENSHOT_SOURCE and DAVROLIN_SCREENSHOT_DESTINATION, when set,
// name the source and destination folders the pages show.

#include "resources/resource.h"
#include "tests/win32/gui_fixture.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Lets the window paint, then waits a little for the screen to follow.
void Settle()
{
    for (int i = 0; i < 10; ++i) {
        PumpMessages();
        Sleep(50);
    }
}

// The export page as an operator fills it: both exports, the position, and
// the metadata file beside the deployment (scripts/screenshots.sh puts the
// sample's there).
void ChooseTheExport(const std::string& source)
{
    HWND page = StepDialog(IDD_EXPORT);
    CheckDlgButton(page, IDC_EXPORT_NETCDF, BST_CHECKED);
    CheckDlgButton(page, IDC_EXPORT_CSV, BST_CHECKED);
    SetDlgItemTextA(page, IDC_LATITUDE, "47.5");
    SetDlgItemTextA(page, IDC_LONGITUDE, "-128.25");
    const std::string metadata = source + "\\metadata.ini";
    if (GetFileAttributesA(metadata.c_str()) != INVALID_FILE_ATTRIBUTES)
        SetDlgItemTextA(page, IDC_METADATA_FILE, metadata.c_str());
}

TEST(Screenshots, EveryStep)
{
    const char* folder = std::getenv("DAVROLIN_SCREENSHOTS");
    if (!folder || !*folder)
        GTEST_SKIP() << "set DAVROLIN_SCREENSHOTS to a folder to take pictures";
    SettingsRecord settings = Wizard::DefaultSettings();
    if (const char* source = std::getenv("DAVROLIN_SCREENSHOT_SOURCE"))
        lstrcpynA(settings.SrcDir, source, kTextFieldSize);
    if (const char* destination = std::getenv("DAVROLIN_SCREENSHOT_DESTINATION"))
        lstrcpynA(settings.DstDir, destination, kTextFieldSize);
    BoxAnswers boxes(IDNO);  // a page whose Next is refused is shown directly
    // The size a first run opens at, which is also the smallest the window takes.
    Wizard wizard(settings, settings.WindowW, settings.WindowH);
    struct Shot {
        int dialogId;
        const char* name;
    } shots[] = {
        {IDD_WELCOME, "welcome"},    {IDD_SOURCE, "source"}, {IDD_DESTINATION, "destination"},
        {IDD_FILETYPES, "filetypes"}, {IDD_PREFIX, "prefix"}, {IDD_FORMAT, "format"},
        {IDD_EXPORT, "export"},       {IDD_VERIFY, "verify"}, {IDD_UNPACKING, "unpacking"},
    };
    int n = 0;
    for (const Shot& shot : shots) {
        // The pages up to Verify are reached with Next, as a user reaches
        // them, so each shows what the pages before it checked and stored.
        if (VisibleStep() != shot.dialogId) {
            for (const StepRecord& step : StepTable)
                stepmanager_show(step.dialogId, false);
            stepmanager_show(shot.dialogId, true);
        }
        if (shot.dialogId == IDD_EXPORT)
            ChooseTheExport(settings.SrcDir);
        Settle();
        std::string path = std::string(folder) + "/" + std::to_string(++n) + "-" + shot.name + ".bmp";
        EXPECT_TRUE(SaveScreenPicture(wizard.window(), path, PictureArea::Client)) << path;
        if (shot.dialogId != IDD_VERIFY && shot.dialogId != IDD_UNPACKING)
            Click(shot.dialogId, IDC_NEXT);
    }
    SetCurrentDirectoryA("C:\\");  // the checks made the source folder current
}

}  // namespace
