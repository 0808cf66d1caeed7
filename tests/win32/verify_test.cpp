#include "resources/resource.h"
#include "tests/fixture/deployment.h"
#include "tests/win32/page_driver.h"
#include "wizard/dlghelper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

constexpr int kPage = IDD_VERIFY;

// A source folder with a deployment of profiles 0 to 7 and an empty
// destination folder, named in the settings.
struct Folders {
    TempDir source;
    TempDir destination;
    CurrentDirGuard cwd;
    Folders() { WriteDeployment(source.path(), DeploymentShape{}); }
    SettingsRecord settings() const
    {
        SettingsRecord s = Wizard::DefaultSettings();
        s.Options = KindAll;
        std::strcpy(s.SrcDir, source.str().c_str());
        std::strcpy(s.DstDir, destination.str().c_str());
        return s;
    }
};

bool UserFieldsEqual(const SettingsRecord& a, const SettingsRecord& b)
{
    return a.UnpackAll == b.UnpackAll && a.Options == b.Options && a.ProfileRange == b.ProfileRange &&
           a.FirstProfile == b.FirstProfile && a.LastProfile == b.LastProfile &&
           std::strcmp(a.SrcDir, b.SrcDir) == 0 && std::strcmp(a.DstDir, b.DstDir) == 0 &&
           std::strcmp(a.Prefix, b.Prefix) == 0 && a.HumanReadible == b.HumanReadible;
}

TEST(VerifyPage, BothFoldersUsableOfferUnpackWithTheWholeSummary)
{
    Folders folders;
    Wizard wizard(folders.settings());
    const SettingsRecord before = Settings;
    GoTo(kPage);
    EXPECT_TRUE(IsEnabled(kPage, IDC_NEXT));
    EXPECT_TRUE(IsEnabled(kPage, IDC_SHOW_DETAILS));
    EXPECT_EQ(FocusId(kPage), IDC_NEXT);
    EXPECT_EQ(Settings.MaxProfile, 7);
    EXPECT_EQ(Settings.DestinationExists, 1);
    std::string summary = ControlText(kPage, IDC_SUMMARY_BOX);
    EXPECT_TRUE(Contains(summary, "  Engineering files for the entire deployment (all 8 profiles)\r\n")) << summary;
    EXPECT_TRUE(Contains(summary, "Profile termination log will be written to TIMETAGS.TXT\r\n")) << summary;
    EXPECT_TRUE(Contains(summary, "The output files are Machine readable\r\n")) << summary;
    EXPECT_FALSE(Contains(summary, "using input files")) << summary;
    EXPECT_TRUE(UserFieldsEqual(Settings, before));
}

TEST(VerifyPage, AnUnusableFolderDisablesUnpackAndNamesTheProblem)
{
    enum Source { Good, Missing, Empty };
    struct Case {
        const char* name;
        Source source;
        bool destinationExists;
        const char* shown;
    } cases[] = {
        {"missing source", Missing, true, "\r\nERROR!  Source folder\r\n"},
        {"source without deployment", Empty, true, "does not contain PROFILE.DAT"},
        {"missing destination", Good, false, "\r\nERROR!  Destination folder\r\n"},
        {"both missing", Missing, false, "not found!\r\n"},
    };
    Folders folders;
    const SettingsRecord good = folders.settings();
    Wizard wizard(good);
    // Show Details keeps its state while it is disabled.
    SendMessageA(Control(kPage, IDC_SHOW_DETAILS), BM_SETCHECK, BST_CHECKED, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::strcpy(Settings.SrcDir, good.SrcDir);
        std::strcpy(Settings.DstDir, good.DstDir);
        if (c.source == Missing)
            std::strcat(Settings.SrcDir, "\\nowhere");
        if (c.source == Empty)
            std::strcpy(Settings.SrcDir, good.DstDir);
        if (!c.destinationExists)
            std::strcat(Settings.DstDir, "\\nowhere");
        GoTo(kPage);
        EXPECT_FALSE(IsEnabled(kPage, IDC_NEXT));
        EXPECT_FALSE(IsEnabled(kPage, IDC_SHOW_DETAILS));
        EXPECT_TRUE(IsChecked(kPage, IDC_SHOW_DETAILS));
        EXPECT_TRUE(IsEnabled(kPage, IDC_BACK));
        EXPECT_EQ(FocusId(kPage), IDC_BACK);
        std::string summary = ControlText(kPage, IDC_SUMMARY_BOX);
        EXPECT_TRUE(Contains(summary, c.shown)) << summary;
        const std::string end = "\r\n\r\nClick Back to change options\r\n";
        EXPECT_TRUE(summary.size() > end.size() && summary.compare(summary.size() - end.size(), end.size(), end) == 0)
            << summary;
        Click(kPage, IDC_BACK);
        EXPECT_EQ(VisibleStep(), IDD_EXPORT);
    }
}

TEST(VerifyPage, EveryShowChecksTheFoldersAgain)
{
    Folders folders;
    Wizard wizard(folders.settings());
    GoTo(kPage);
    ASSERT_TRUE(IsEnabled(kPage, IDC_NEXT));

    Click(kPage, IDC_BACK);
    folders.cwd.restore();
    std::filesystem::remove(folders.destination.path());
    Click(IDD_EXPORT, IDC_NEXT);
    EXPECT_EQ(VisibleStep(), kPage);
    EXPECT_FALSE(IsEnabled(kPage, IDC_NEXT));
    EXPECT_FALSE(IsEnabled(kPage, IDC_SHOW_DETAILS));

    Click(kPage, IDC_BACK);
    std::filesystem::create_directory(folders.destination.path());
    Click(IDD_EXPORT, IDC_NEXT);
    EXPECT_TRUE(IsEnabled(kPage, IDC_NEXT));
    EXPECT_TRUE(IsEnabled(kPage, IDC_SHOW_DETAILS));
    EXPECT_EQ(FocusId(kPage), IDC_NEXT);
}

TEST(VerifyPage, ShowDetailsRebuildsTheSummaryAndStaysForTheNextVisit)
{
    Folders folders;
    Wizard wizard(folders.settings());
    // Created with details, before any check; Show Details starts cleared.
    EXPECT_FALSE(IsChecked(kPage, IDC_SHOW_DETAILS));

    GoTo(kPage);
    EXPECT_FALSE(Contains(ControlText(kPage, IDC_SUMMARY_BOX), "using input files"));
    Click(kPage, IDC_SHOW_DETAILS);
    std::string summary = ControlText(kPage, IDC_SUMMARY_BOX);
    EXPECT_TRUE(Contains(summary, "Profiles are packed 3 per source file\r\n")) << summary;
    EXPECT_TRUE(Contains(summary, "    using input files E0000000.DAT to E0000006.DAT\r\n")) << summary;
    EXPECT_TRUE(Contains(summary, "    producing output files E0000000.TXT to E0000007.TXT\r\n")) << summary;

    Click(kPage, IDC_BACK);
    Click(IDD_EXPORT, IDC_NEXT);
    EXPECT_TRUE(IsChecked(kPage, IDC_SHOW_DETAILS));
    EXPECT_TRUE(Contains(ControlText(kPage, IDC_SUMMARY_BOX), "using input files"));
    Click(kPage, IDC_SHOW_DETAILS);
    EXPECT_FALSE(Contains(ControlText(kPage, IDC_SUMMARY_BOX), "using input files"));
}

TEST(VerifyPage, SkippingFromWelcomeChecksTheStoredFolders)
{
    Folders folders;
    SettingsRecord s = folders.settings();
    s.SkipToPreview = 1;
    std::strcat(s.SrcDir, "\\nowhere");
    Wizard wizard(s);
    Click(IDD_WELCOME, IDC_NEXT);
    EXPECT_EQ(VisibleStep(), kPage);
    EXPECT_EQ(Settings.SourceEntered, 0);
    EXPECT_FALSE(IsEnabled(kPage, IDC_NEXT));
    EXPECT_TRUE(Contains(ControlText(kPage, IDC_SUMMARY_BOX), "not found!"));
    Click(kPage, IDC_BACK);
    EXPECT_EQ(VisibleStep(), IDD_EXPORT);
}

TEST(VerifyPage, KeyboardEnterAndTab)
{
    Folders folders;
    Wizard wizard(folders.settings());
    GoTo(kPage);
    // Enter reaches the page as command 1 (how the summary box passes it on
    // is the edit control's business).
    SetFocus(Control(kPage, IDC_SUMMARY_BOX));
    SendMessageA(StepDialog(kPage), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PumpMessages();
    EXPECT_EQ(FocusId(kPage), IDC_SHOW_DETAILS);
    EXPECT_EQ(VisibleStep(), kPage);

    // Elsewhere the command is left alone.
    SendMessageA(StepDialog(kPage), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PumpMessages();
    EXPECT_EQ(FocusId(kPage), IDC_SHOW_DETAILS);

    // Tab walks on; Enter on the focused Back button presses it.
    PressKey(VK_TAB);
    EXPECT_EQ(FocusId(kPage), IDC_HELP_BUTTON);
    PressKey(VK_TAB);
    EXPECT_EQ(FocusId(kPage), IDC_BACK);
    PressKey(VK_RETURN);
    EXPECT_EQ(VisibleStep(), IDD_EXPORT);
}

// The pages' text controls stretch with the page; Show Details and the
// prompt keep their distance above the button row.
TEST(PageLayout, TextControlsFollowTheClientSize)
{
    Wizard wizard(CheckedSettings(), 700, 500);
    for (auto [w, h] : {std::pair{700, 500}, std::pair{900, 640}}) {
        SetWindowPos(wizard.window(), nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOMOVE);
        PumpMessages();
        RECT client;
        GetClientRect(StepDialog(kPage), &client);
        const LayoutMetrics& m = Layout;
        const int width = client.right, height = client.bottom;
        struct Case {
            int page, id;
            int expectedWidth;  // -1: not checked
            int expectedTop;    // -1: not checked
        } cases[] = {
            {IDD_FILETYPES, IDC_SUMMARY_TEXT, width - 2 * m.marginX, -1},
            {IDD_PREFIX, IDC_SUMMARY_BOX, width - 2 * m.marginX, -1},
            {IDD_PREFIX, IDC_PREFIX_TEXT, width - 2 * m.marginX, -1},
            {IDD_PREFIX, IDC_PREFIX, width - 2 * m.marginX - 20, -1},
            {IDD_FORMAT, IDC_SUMMARY_BOX, width - 2 * m.marginX, -1},
            {IDD_FORMAT, IDC_FORMAT_TEXT, width - 2 * m.marginX, -1},
            {IDD_VERIFY, IDC_SUMMARY_BOX, width - 2 * m.marginX, -1},
            {IDD_VERIFY, IDC_SHOW_DETAILS, -1, height - m.buttonHeight - m.marginY - 56},
            {IDD_VERIFY, IDC_VERIFY_PROMPT, width - 2 * m.marginX, height - m.buttonHeight - m.marginY - 32},
            {IDD_FILETYPES, IDC_BACK, -1, height - m.buttonHeight - m.marginY},
            {IDD_FORMAT, IDC_NEXT, -1, height - m.buttonHeight - m.marginY},
        };
        for (const Case& c : cases) {
            RECT r = ControlRect(c.page, c.id);
            if (c.expectedWidth >= 0) {
                EXPECT_EQ(r.right - r.left, c.expectedWidth) << c.page << "/" << c.id << " at " << w;
            }
            if (c.expectedTop >= 0) {
                EXPECT_EQ(r.top, c.expectedTop) << c.page << "/" << c.id << " at " << w;
            }
        }
    }
}

}  // namespace
