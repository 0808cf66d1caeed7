// The browse panel inside the source and destination steps: filling, drive
// and folder choices, the destination's file list and the layout.

#include "platform/platform.h"
#include "resources/resource.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"
#include "tests/win32/gui_fixture.h"
#include "wizard/browse_panel.h"
#include "wizard/dlghelper.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Items(int dialogId, int id)
{
    HWND control = GetDlgItem(StepDialog(dialogId), id);
    const bool combo = id == IDC_BROWSE_DRIVES;
    LRESULT count = SendMessageA(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    std::vector<std::string> items;
    for (LRESULT i = 0; i < count; ++i) {
        char text[512] = {};
        SendMessageA(control, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text));
        items.emplace_back(text);
    }
    return items;
}

std::string SelectedDrive(int dialogId)
{
    HWND drives = GetDlgItem(StepDialog(dialogId), IDC_BROWSE_DRIVES);
    LRESULT index = SendMessageA(drives, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return "(none)";
    char text[512] = {};
    SendMessageA(drives, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

bool Contains(const std::vector<std::string>& items, const std::string& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

std::string Text(int dialogId, int id)
{
    return ControlText(StepDialog(dialogId), id);
}

// Selects `item` in a list of the panel and sends the notification `code`
// the way the list itself would.
void Choose(int dialogId, int id, const std::string& item, int code)
{
    HWND dialog = StepDialog(dialogId);
    HWND control = GetDlgItem(dialog, id);
    const bool combo = id == IDC_BROWSE_DRIVES;
    LRESULT index = SendMessageA(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(item.c_str()));
    ASSERT_NE(index, combo ? CB_ERR : LB_ERR) << item;
    SendMessageA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    PumpMessages();
}

void Touch(const std::filesystem::path& file)
{
    std::ofstream(file) << "x";
}

// A folder tree: root with folders alpha (holding inner) and beta, and two files.
class BrowsePanel : public ::testing::Test {
protected:
    BrowsePanel()
    {
        std::filesystem::create_directories(root / "alpha" / "inner");
        std::filesystem::create_directory(root / "beta");
        Touch(root / "notes.txt");
        Touch(root / "E0000000.DAT");
    }

    // A folder that is current cannot be removed.
    ~BrowsePanel() override { SetCurrentDir("C:\\"); }

    // Opens the panel of step `dialogId` on `folder`.
    void Open(int dialogId, const std::string& folder)
    {
        const bool source = dialogId == IDD_SOURCE;
        StoreFolderText(source ? Settings.SrcDir : Settings.DstDir, folder);
        SetDlgItemTextA(StepDialog(dialogId), source ? IDC_SOURCE_PATH : IDC_DEST_PATH, folder.c_str());
        stepmanager_show(IDD_WELCOME, false);
        stepmanager_show(dialogId, true);
        PumpMessages();
        Click(dialogId, IDC_CHECK_BROWSE);
    }

    TempDir root;
    BoxAnswers boxes{IDNO};
    Wizard wizard;
};

TEST_F(BrowsePanel, SourcePanelListsDrivesFoldersAndTheSurvey)
{
    Open(IDD_SOURCE, root.str());
    HWND dialog = StepDialog(IDD_SOURCE);
    for (int id : {IDC_BROWSE_GROUP, IDC_BROWSE_DRIVES, IDC_BROWSE_FOLDERS, IDC_BROWSE_CONTENTS,
                   IDC_BROWSE_CONTENTS_LABEL})
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, id))) << id;

    std::vector<std::string> drives = Items(IDD_SOURCE, IDC_BROWSE_DRIVES);
    EXPECT_TRUE(Contains(drives, "C:\\"));
    EXPECT_EQ(SelectedDrive(IDD_SOURCE), "C:\\");
    EXPECT_EQ(Items(IDD_SOURCE, IDC_BROWSE_FOLDERS), (std::vector<std::string>{"..", "alpha", "beta"}));
    EXPECT_EQ(Text(IDD_SOURCE, IDC_BROWSE_CONTENTS), "The selected folder does not contain any deployment data.");
    EXPECT_EQ(std::string(Settings.SrcDir), root.str());
    EXPECT_EQ(Text(IDD_SOURCE, IDC_SOURCE_PATH), root.str());

    // Released, the panel hides again.
    Click(IDD_SOURCE, IDC_CHECK_BROWSE);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_BROWSE_FOLDERS)));
}

TEST_F(BrowsePanel, SurveyOfADeploymentFolderNamesItsProfilesAndFiles)
{
    std::filesystem::create_directory(root / "deployment");
    WriteDeployment(root / "deployment", DeploymentShape{});
    Settings.MaxProfile = 99;
    Open(IDD_SOURCE, (root / "deployment").string());
    const std::string survey = Text(IDD_SOURCE, IDC_BROWSE_CONTENTS);
    EXPECT_EQ(survey.rfind("The selected folder contains 8 profiles.\r\ndeploy.dat file created ", 0), 0u) << survey;
    EXPECT_NE(survey.find("8 Engineering profiles found in files E0000000.DAT to E0000006.DAT"), std::string::npos);
    EXPECT_EQ(Settings.MaxProfile, 99);  // the survey gives the metadata fields back
}

TEST_F(BrowsePanel, FolderChoicesEnterAFolderAndDotDotLeadsToTheParent)
{
    Open(IDD_SOURCE, root.str());
    const std::string alpha = (root / "alpha").string();

    // A single click in the folder list only selects.
    Choose(IDD_SOURCE, IDC_BROWSE_FOLDERS, "alpha", LBN_SELCHANGE);
    EXPECT_EQ(std::string(Settings.SrcDir), root.str());

    Choose(IDD_SOURCE, IDC_BROWSE_FOLDERS, "alpha", LBN_DBLCLK);
    EXPECT_EQ(std::string(Settings.SrcDir), alpha);
    EXPECT_EQ(Text(IDD_SOURCE, IDC_SOURCE_PATH), alpha);
    EXPECT_EQ(Items(IDD_SOURCE, IDC_BROWSE_FOLDERS), (std::vector<std::string>{"..", "inner"}));

    Choose(IDD_SOURCE, IDC_BROWSE_FOLDERS, "..", LBN_DBLCLK);
    EXPECT_EQ(std::string(Settings.SrcDir), root.str());
    EXPECT_EQ(Text(IDD_SOURCE, IDC_SOURCE_PATH), root.str());
    EXPECT_EQ(GetCurrentDir(), root.str());

    // A field that already ends in a backslash gets no second one.
    Open(IDD_SOURCE, root.str() + "\\");
    Click(IDD_SOURCE, IDC_CHECK_BROWSE);  // (the helper's click released it)
    Choose(IDD_SOURCE, IDC_BROWSE_FOLDERS, "beta", LBN_DBLCLK);
    EXPECT_EQ(std::string(Settings.SrcDir), (root / "beta").string());
}

TEST_F(BrowsePanel, DriveChoiceMovesToTheDriveRoot)
{
    Open(IDD_SOURCE, root.str());
    ASSERT_TRUE(Contains(Items(IDD_SOURCE, IDC_BROWSE_DRIVES), "Z:\\"));
    TraceCapture trace;
    Choose(IDD_SOURCE, IDC_BROWSE_DRIVES, "Z:\\", CBN_SELCHANGE);
    EXPECT_EQ(std::string(Settings.SrcDir), "Z:\\");
    EXPECT_EQ(Text(IDD_SOURCE, IDC_SOURCE_PATH), "Z:\\");
    EXPECT_EQ(SelectedDrive(IDD_SOURCE), "Z:\\");
    EXPECT_TRUE(Contains(Items(IDD_SOURCE, IDC_BROWSE_FOLDERS), "tmp"));  // Z: is the Unix root
    EXPECT_NE(trace.text().find("on_clicked\r\nSelected drive is Z:\\\r\n"), std::string::npos) << trace.text();
}

TEST_F(BrowsePanel, DestinationPanelListsTheFilesOfTheFolder)
{
    Open(IDD_DESTINATION, root.str());
    EXPECT_EQ(Items(IDD_DESTINATION, IDC_BROWSE_CONTENTS), (std::vector<std::string>{"E0000000.DAT", "notes.txt"}));
    EXPECT_EQ(Items(IDD_DESTINATION, IDC_BROWSE_FOLDERS), (std::vector<std::string>{"..", "alpha", "beta"}));
    EXPECT_EQ(std::string(Settings.DstDir), root.str());

    Choose(IDD_DESTINATION, IDC_BROWSE_FOLDERS, "alpha", LBN_DBLCLK);
    EXPECT_EQ(std::string(Settings.DstDir), (root / "alpha").string());
    EXPECT_EQ(Text(IDD_DESTINATION, IDC_DEST_PATH), (root / "alpha").string());
    EXPECT_TRUE(Items(IDD_DESTINATION, IDC_BROWSE_CONTENTS).empty());
}

TEST_F(BrowsePanel, AFolderOnAMissingDriveIsCutToItsRootAndListsNothing)
{
    SetBrowseTarget(BrowseTarget::Source);
    StoreFolderText(Settings.SrcDir, "Q:\\DATA");
    HWND dialog = StepDialog(IDD_SOURCE);
    ShowBrowsePanel(dialog);
    EXPECT_EQ(std::string(Settings.SrcDir), "Q:\\");
    EXPECT_EQ(Text(IDD_SOURCE, IDC_SOURCE_PATH), "Q:\\");
    EXPECT_TRUE(Items(IDD_SOURCE, IDC_BROWSE_FOLDERS).empty());
    EXPECT_EQ(SelectedDrive(IDD_SOURCE), "C:\\");
    EXPECT_EQ(Text(IDD_SOURCE, IDC_BROWSE_CONTENTS), "The selected folder does not contain any deployment data.");

    // A field without a drive letter falls back to C:\ itself.
    StoreFolderText(Settings.SrcDir, "no such folder");
    RefreshBrowsePanel(dialog);
    EXPECT_EQ(std::string(Settings.SrcDir), "C:\\");
    EXPECT_TRUE(Contains(Items(IDD_SOURCE, IDC_BROWSE_FOLDERS), "windows"));
}

TEST_F(BrowsePanel, AFolderChoiceLongerThanTheSettingIsRefused)
{
    // The same folder spelled with ".\" steps, so that one more name would
    // pass the 255 characters of the setting.
    std::string spelled = root.str().substr(0, 3);
    while (spelled.size() + root.str().size() - 3 < 250)
        spelled += ".\\";
    spelled += root.str().substr(3);
    ASSERT_LE(spelled.size(), 255u);
    Open(IDD_SOURCE, spelled);
    ASSERT_EQ(std::string(Settings.SrcDir), spelled);

    Choose(IDD_SOURCE, IDC_BROWSE_FOLDERS, "alpha", LBN_DBLCLK);
    EXPECT_EQ(std::string(Settings.SrcDir), spelled);
    EXPECT_EQ(Text(IDD_SOURCE, IDC_SOURCE_PATH), spelled);
}

TEST_F(BrowsePanel, LayoutFollowsTheClientWidth)
{
    Open(IDD_SOURCE, root.str());
    HWND dialog = StepDialog(IDD_SOURCE);
    for (auto [width, height] : {std::pair{700, 500}, std::pair{950, 640}}) {
        SetWindowPos(wizard.window(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE);
        PumpMessages();
        RECT client;
        GetClientRect(dialog, &client);
        const int w = client.right, h = client.bottom;
        const LayoutMetrics& m = Layout;
        ASSERT_EQ(m.clientWidth, w);
        const int f = (w - 2 * m.marginX - 16) / 3;
        const int g = 2 * (w - 2 * m.marginX - 16) / 3;
        const int listHeight = h - 6 * m.marginY - 192;

        RECT group = ControlRect(IDD_SOURCE, IDC_BROWSE_GROUP);
        EXPECT_EQ(group.right - group.left, w - 2 * m.marginX) << width;
        EXPECT_EQ(group.bottom - group.top, h - 2 * m.marginY - 192) << width;
        RECT drives = ControlRect(IDD_SOURCE, IDC_BROWSE_DRIVES);
        EXPECT_EQ(drives.right - drives.left, f + 48) << width;
        RECT folders = ControlRect(IDD_SOURCE, IDC_BROWSE_FOLDERS);
        EXPECT_EQ(folders.right - folders.left, f + 48) << width;
        // A list box rounds its height down to whole items.
        const int item = static_cast<int>(SendDlgItemMessageA(dialog, IDC_BROWSE_FOLDERS, LB_GETITEMHEIGHT, 0, 0));
        EXPECT_LE(folders.bottom - folders.top, listHeight) << width;
        EXPECT_GT(folders.bottom - folders.top, listHeight - item) << width;
        RECT label = ControlRect(IDD_SOURCE, IDC_BROWSE_CONTENTS_LABEL);
        EXPECT_EQ(label.left, f + 80) << width;
        RECT contents = ControlRect(IDD_SOURCE, IDC_BROWSE_CONTENTS);
        EXPECT_EQ(contents.left, f + 80) << width;
        EXPECT_EQ(contents.right - contents.left, g - 64) << width;
        EXPECT_EQ(contents.bottom - contents.top, listHeight) << width;
    }
}

}  // namespace
