// The destination folder page: the offer to create a missing folder on Next
// and on Browse, what is stored, Back, and the path field refreshed on show.

#include "engine/messages.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "tests/fixture/fixture.h"
#include "tests/win32/gui_fixture.h"
#include "wizard/browse_panel.h"
#include "wizard/dlghelper.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

std::string Filled(MessageId id, const std::string& value)
{
    std::string text = MessageText(id);
    text.replace(text.find("{DSTDIR}"), 8, value);
    return text;
}

class DestinationStep : public ::testing::Test {
protected:
    DestinationStep()
    {
        std::filesystem::create_directory(base / "out");
        Open();
    }

    // A folder that is current cannot be removed.
    ~DestinationStep() override { SetCurrentDir("C:\\"); }

    static SettingsRecord Start()
    {
        SettingsRecord s = Wizard::DefaultSettings();
        std::strcpy(s.SrcDir, "C:\\source");
        std::strcpy(s.DstDir, "C:\\target");
        return s;
    }

    void Open()
    {
        for (const StepRecord& step : StepTable)
            stepmanager_show(step.dialogId, false);
        stepmanager_show(IDD_DESTINATION, true);
        PumpMessages();
    }

    HWND Dialog() const { return StepDialog(IDD_DESTINATION); }
    std::string Path(const char* name) const { return (base / name).string(); }
    void Type(const std::string& path) { SetDlgItemTextA(Dialog(), IDC_DEST_PATH, path.c_str()); }
    bool PanelShown() const { return IsWindowVisible(GetDlgItem(Dialog(), IDC_BROWSE_FOLDERS)) != FALSE; }
    bool BrowsePressed() const { return IsDlgButtonChecked(Dialog(), IDC_CHECK_BROWSE) == BST_CHECKED; }

    TempDir base;
    Wizard wizard{Start()};
};

TEST_F(DestinationStep, AMissingFolderIsOfferedForCreationOnNextAndOnBrowse)
{
    struct Case {
        bool browse;
        int answer;
        bool created;
        int visible;
        bool panel;
        const char* dstDir;  // null: the typed path
    } cases[] = {
        {false, IDYES, true, IDD_FILETYPES, false, nullptr},
        {false, IDNO, false, IDD_DESTINATION, false, "C:\\target"},
        {true, IDYES, true, IDD_DESTINATION, true, nullptr},
        // Browse opens anyway, on the drive root of the folder it cannot enter.
        {true, IDNO, false, IDD_DESTINATION, true, "C:\\"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const std::string typed = Path(("new" + std::to_string(n++)).c_str());
        Open();
        if (BrowsePressed())
            Click(IDD_DESTINATION, IDC_CHECK_BROWSE);
        std::strcpy(Settings.DstDir, "C:\\target");
        Settings.DestinationExists = 0;
        Type(typed);
        BoxAnswers boxes(c.answer);
        Click(IDD_DESTINATION, c.browse ? IDC_CHECK_BROWSE : IDC_NEXT);

        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, Filled(MessageId::DestinationMissing, typed));
        EXPECT_EQ(boxes.boxes()[0].caption, MessageText(MessageId::DestinationMissingCaption));
        EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
        EXPECT_EQ(std::filesystem::is_directory(typed), c.created);
        EXPECT_EQ(Settings.DestinationExists, c.created ? 1 : 0);
        EXPECT_EQ(VisibleStep(), c.visible);
        EXPECT_EQ(PanelShown(), c.panel);
        EXPECT_EQ(BrowsePressed(), c.browse);
        EXPECT_EQ(std::string(Settings.DstDir), c.dstDir ? c.dstDir : typed);
        if (c.browse) {
            EXPECT_EQ(ControlText(Dialog(), IDC_DEST_PATH), Settings.DstDir);
        }
    }
}

TEST_F(DestinationStep, AFolderThatCannotBeCreatedIsRejectedInBothModes)
{
    const std::string typed = Path("no") + "\\deeper";
    for (int control : {IDC_NEXT, IDC_CHECK_BROWSE}) {
        SCOPED_TRACE(control);
        TraceCapture trace;
        Type(typed);
        BoxAnswers boxes(IDYES);
        Click(IDD_DESTINATION, control);
        ASSERT_EQ(boxes.boxes().size(), 2u);
        EXPECT_EQ(boxes.boxes()[1].text, Filled(MessageId::FolderNotCreated, typed));
        EXPECT_EQ(boxes.boxes()[1].caption, MessageText(MessageId::FolderNotCreatedCaption));
        EXPECT_EQ(boxes.boxes()[1].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(VisibleStep(), IDD_DESTINATION);
        EXPECT_FALSE(BrowsePressed());
        EXPECT_FALSE(PanelShown());
        EXPECT_STREQ(Settings.DstDir, "C:\\target");
        if (control == IDC_CHECK_BROWSE) {
            EXPECT_NE(trace.text().find("IDC_CHECK_BROWSE - PUSHED!\r\nIDC_CHECK_BROWSE - releasing!\r\n"),
                      std::string::npos);
        }
    }
}

TEST_F(DestinationStep, AnExistingFolderIsAcceptedWithoutAQuestion)
{
    BoxAnswers boxes(IDNO);
    Type(Path("out"));
    Click(IDD_DESTINATION, IDC_NEXT);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(VisibleStep(), IDD_FILETYPES);
    EXPECT_EQ(std::string(Settings.DstDir), Path("out"));
    EXPECT_EQ(Settings.DestinationExists, 1);
}

TEST_F(DestinationStep, ARelativePathIsStoredAsTheFolderItNamedAtTheCheck)
{
    struct Case {
        const char* typed;
        int answer;
    } cases[] = {{"out", IDNO}, {"made", IDYES}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Open();
        ASSERT_TRUE(SetCurrentDir(base.str().c_str()));
        BoxAnswers boxes(c.answer);
        Type(c.typed);
        Click(IDD_DESTINATION, IDC_NEXT);
        EXPECT_EQ(VisibleStep(), IDD_FILETYPES);
        EXPECT_EQ(std::string(Settings.DstDir), Path(c.typed));
        EXPECT_TRUE(std::filesystem::is_directory(Path(c.typed)));
    }
}

TEST_F(DestinationStep, BackStoresNothingAndShowRefreshesThePathAndSummary)
{
    BoxAnswers boxes(IDNO);
    Type(Path("out"));
    Click(IDD_DESTINATION, IDC_BACK);
    EXPECT_EQ(VisibleStep(), IDD_SOURCE);
    EXPECT_STREQ(Settings.DstDir, "C:\\target");
    EXPECT_TRUE(boxes.boxes().empty());

    std::strcpy(Settings.DstDir, "C:\\elsewhere");
    Open();
    EXPECT_EQ(ControlText(Dialog(), IDC_DEST_PATH), "C:\\elsewhere");
    EXPECT_EQ(ControlText(Dialog(), IDC_SUMMARY_TEXT).rfind("Unpack files from folder C:\\source \r\n", 0), 0u);
    EXPECT_EQ(GetFocus(), GetDlgItem(Dialog(), IDC_DEST_PATH));
}

}  // namespace
