// The source folder page: the check of the typed folder on Next with its
// message boxes, what an accepted Next stores, and the Browse button.

#include "engine/messages.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"
#include "tests/win32/gui_fixture.h"
#include "wizard/browse_panel.h"
#include "wizard/dlghelper.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

// Catalogue text `id` with `placeholder` replaced by `value`.
std::string Filled(MessageId id, const std::string& placeholder, const std::string& value)
{
    std::string text = MessageText(id);
    text.replace(text.find(placeholder), placeholder.size(), value);
    return text;
}

// Folders: a 3.04 deployment and an empty folder.
class SourceStep : public ::testing::Test {
protected:
    SourceStep()
    {
        for (const char* name : {"deployment", "empty"})
            std::filesystem::create_directory(base / name);
        WriteDeployment(base / "deployment", DeploymentShape{});
        Click(IDD_WELCOME, IDC_NEXT);
        EXPECT_EQ(VisibleStep(), IDD_SOURCE);
    }

    // A folder that is current cannot be removed.
    ~SourceStep() override { SetCurrentDir("C:\\"); }

    static SettingsRecord Start()
    {
        SettingsRecord s = Wizard::DefaultSettings();
        std::strcpy(s.SrcDir, "C:\\before");
        std::strcpy(s.DstDir, "C:\\target");
        return s;
    }

    std::string Path(const char* name) const { return (base / name).string(); }

    void Type(const std::string& path) { SetDlgItemTextA(StepDialog(IDD_SOURCE), IDC_SOURCE_PATH, path.c_str()); }

    TempDir base;
    BoxAnswers boxes{IDOK};
    Wizard wizard{Start()};
};

TEST_F(SourceStep, NextRejectsAFolderThatCannotBeUsedWithItsMessage)
{
    struct Case {
        const char* folder;
        int firmware;
        MessageId textId;
        MessageId captionId;
    } cases[] = {
        {"missing", Firmware304, MessageId::SourceMissing, MessageId::SourceMissingCaption},
        {"empty", Firmware304, MessageId::NoData, MessageId::NoDataCaption},
        // The 3.04 deployment read by a program set up for 3.01.
        {"deployment", Firmware301, MessageId::SourceWrongVersion, MessageId::SourceWrongVersionCaption},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        Settings.FirmwareVers = c.firmware;
        const std::string typed = Path(c.folder);
        Type(typed);
        const size_t before = boxes.boxes().size();
        Click(IDD_SOURCE, IDC_NEXT);
        ASSERT_EQ(boxes.boxes().size(), before + 1);
        const ShownBox& box = boxes.boxes().back();
        std::string expected = Filled(c.textId, "{SRCDIR}", typed);
        if (c.textId == MessageId::SourceWrongVersion)
            expected.replace(expected.find("{FIRMWARE}"), 10, "3.01");
        EXPECT_EQ(box.text, expected);
        EXPECT_EQ(box.caption, MessageText(c.captionId));
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(VisibleStep(), IDD_SOURCE);
        EXPECT_STREQ(Settings.SrcDir, "C:\\before");
        EXPECT_STREQ(Settings.DstDir, "C:\\target");
    }
}

TEST_F(SourceStep, AcceptedNextStoresTheTypedPathAndDstDirFollowsAChangedOne)
{
    // A path spelled differently from SrcDir counts as changed, even when it
    // names the same folder; the same text keeps DstDir.
    struct Case {
        std::string srcDir;
        std::string typed;
        std::string dstDir;
    } cases[] = {
        {"C:\\before", Path("deployment"), Path("deployment")},
        {Path("deployment"), Path("deployment") + "\\", Path("deployment") + "\\"},
        {Path("deployment"), Path("deployment"), "C:\\target"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        stepmanager_show(IDD_DESTINATION, false);
        stepmanager_show(IDD_SOURCE, true);
        StoreFolderText(Settings.SrcDir, c.srcDir);
        std::strcpy(Settings.DstDir, "C:\\target");
        Type(c.typed);
        Click(IDD_SOURCE, IDC_NEXT);
        EXPECT_TRUE(boxes.boxes().empty());
        EXPECT_EQ(VisibleStep(), IDD_DESTINATION);
        EXPECT_EQ(std::string(Settings.SrcDir), c.typed);
        EXPECT_EQ(std::string(Settings.DstDir), c.dstDir);
        EXPECT_EQ(Settings.MaxProfile, 7);
        EXPECT_EQ(Settings.FileCount, 26);
    }
}

TEST_F(SourceStep, ARelativePathIsStoredAsTheFolderItNamedAtTheCheck)
{
    ASSERT_TRUE(SetCurrentDir(base.str().c_str()));
    Type("deployment");
    Click(IDD_SOURCE, IDC_NEXT);
    EXPECT_EQ(VisibleStep(), IDD_DESTINATION);
    EXPECT_EQ(std::string(Settings.SrcDir), Path("deployment"));
    EXPECT_EQ(std::string(Settings.DstDir), Path("deployment"));
}

TEST_F(SourceStep, BrowseOpensOnTheTypedFolderOrOnCWhenItCannotBeEntered)
{
    Type(Path("missing"));
    Click(IDD_SOURCE, IDC_CHECK_BROWSE);
    HWND dialog = StepDialog(IDD_SOURCE);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_BROWSE_FOLDERS)));
    EXPECT_STREQ(Settings.SrcDir, "C:\\");
    EXPECT_EQ(ControlText(dialog, IDC_SOURCE_PATH), "C:\\");
    EXPECT_TRUE(boxes.boxes().empty());
    Click(IDD_SOURCE, IDC_CHECK_BROWSE);

    // A relative path opens on the folder it names now.
    ASSERT_TRUE(SetCurrentDir(base.str().c_str()));
    Type("deployment");
    Click(IDD_SOURCE, IDC_CHECK_BROWSE);
    EXPECT_EQ(std::string(Settings.SrcDir), Path("deployment"));
    EXPECT_EQ(ControlText(dialog, IDC_SOURCE_PATH), Path("deployment"));
}

TEST_F(SourceStep, AFolderReachedByBrowsingIsTheSourceAndLeavesDstDir)
{
    Type(base.str());
    Click(IDD_SOURCE, IDC_CHECK_BROWSE);
    HWND dialog = StepDialog(IDD_SOURCE);
    HWND folders = GetDlgItem(dialog, IDC_BROWSE_FOLDERS);
    LRESULT index = SendMessageA(folders, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>("deployment"));
    ASSERT_NE(index, LB_ERR);
    SendMessageA(folders, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_BROWSE_FOLDERS, LBN_DBLCLK), reinterpret_cast<LPARAM>(folders));
    PumpMessages();
    EXPECT_EQ(ControlText(dialog, IDC_SOURCE_PATH), Path("deployment"));

    Click(IDD_SOURCE, IDC_NEXT);
    EXPECT_EQ(VisibleStep(), IDD_DESTINATION);
    EXPECT_EQ(std::string(Settings.SrcDir), Path("deployment"));
    EXPECT_STREQ(Settings.DstDir, "C:\\target");
}

}  // namespace
