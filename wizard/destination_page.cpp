// The destination folder page: a path field, the browse panel and the
// offer to create a missing folder.

#include "app/folder_checks.h"
#include "app/settings_record.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "wizard/browse_panel.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/options_summary_view.h"
#include "wizard/page.h"

#include <string>
#include <vector>

namespace {

const int kInputs[] = {IDC_DEST_PATH, IDC_CHECK_BROWSE, IDC_BROWSE_DRIVES, IDC_BROWSE_FOLDERS,
                       IDC_BROWSE_CONTENTS};

enum class Mode { Next, Browse };

void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    LayoutBrowsePanel(dialog, w);
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_SUMMARY_TEXT, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_DEST_PATH, -1, -1, w - 4 * m.marginX - m.buttonWidth, -1);
    MoveControl(dialog, IDC_CHECK_BROWSE, w - m.buttonWidth - m.marginX, -1, -1, -1);
}

// A box whose {DSTDIR} shows the typed path.
int AskAbout(HWND dialog, const std::string& typed, MessageId textId, MessageId captionId, UINT type)
{
    return ShowFolderBox(dialog, Settings.DstDir, typed.c_str(), textId, captionId, type);
}

// The full path of a relative folder name, resolved against the current
// directory as it stands (the directory the folder was just created in).
std::string FullPath(const std::string& name)
{
    DWORD n = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return name;
    std::vector<char> full(n + 1, '\0');
    DWORD written = GetFullPathNameA(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (written == 0 || written >= full.size())
        return name;
    return std::string(full.data());
}

// Checks the typed path and offers to create a missing folder. On acceptance
// `stored` is the text for DstDir: a relative path becomes the folder it
// named at the time of the check.
bool Validate(HWND dialog, Mode mode, std::string& stored)
{
    const std::string typed = ControlText(dialog, IDC_DEST_PATH);
    stored = typed;
    if (DestinationCheck(typed.c_str()) != 1) {
        stored = EnteredFolderText(typed);
        return true;
    }
    int answer = AskAbout(dialog, typed, MessageId::DestinationMissing, MessageId::DestinationMissingCaption,
                          MB_YESNO | MB_ICONWARNING);
    if (answer != IDYES)
        return mode == Mode::Browse;
    if (!CreateDir(typed.c_str())) {
        AskAbout(dialog, typed, MessageId::FolderNotCreated, MessageId::FolderNotCreatedCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    Settings.DestinationExists = 1;
    if (!IsFullyQualifiedPath(typed))
        stored = FullPath(typed);
    return true;
}

void OnNext(HWND dialog)
{
    std::string stored;
    if (!Validate(dialog, Mode::Next, stored))
        return;
    StoreFolderText(Settings.DstDir, stored);
    PageTurn(IDD_DESTINATION, true);
}

void OnBrowse(HWND dialog)
{
    if (IsDlgButtonChecked(dialog, IDC_CHECK_BROWSE) != BST_CHECKED) {
        DebugTrace("IDC_CHECK_BROWSE - RELEASED!\r\n");
        HideBrowsePanel(dialog);
        return;
    }
    DebugTrace("IDC_CHECK_BROWSE - PUSHED!\r\n");
    std::string stored;
    if (!Validate(dialog, Mode::Browse, stored)) {
        DebugTrace("IDC_CHECK_BROWSE - releasing!\r\n");
        CheckDlgButton(dialog, IDC_CHECK_BROWSE, BST_UNCHECKED);
        return;
    }
    StoreFolderText(Settings.DstDir, stored);
    ShowBrowsePanel(dialog);
}

bool Command(HWND dialog, int id, int code)
{
    return FolderPageCommand(dialog, id, code, OnBrowse);
}

void InitDialog(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_DEST_PATH, Settings.DstDir);
    ShowOptionsSummary(IDC_SUMMARY_TEXT, dialog, SummarySourceFolder, 0);
    HideBrowsePanel(dialog);
}

void Shown(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_DEST_PATH, Settings.DstDir);
    ShowOptionsSummary(IDC_SUMMARY_TEXT, dialog, SummarySourceFolder, 0);
    PageFocus(dialog, IDC_DEST_PATH);
    SetBrowseTarget(BrowseTarget::Destination);
}

}  // namespace

Page DestinationPage = {
    .traceName = "step2",
    .dialogId = IDD_DESTINATION,
    .helpTopic = kHelpStep2,
    .inputs = kInputs,
    .inputCount = sizeof kInputs / sizeof kInputs[0],
    .resize = Resize,
    .initDialog = InitDialog,
    .shown = Shown,
    .next = OnNext,
    .command = Command,
};
