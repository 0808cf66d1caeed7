// The source folder page: a path field and the browse panel. Next checks
// the folder for a usable deployment of the configured firmware version.

#include "app/folder_checks.h"
#include "app/settings_record.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "wizard/browse_panel.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/page.h"

#include <string>

namespace {

const int kInputs[] = {IDC_SOURCE_PATH, IDC_CHECK_BROWSE, IDC_BROWSE_DRIVES, IDC_BROWSE_FOLDERS,
                       IDC_BROWSE_CONTENTS};

void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    LayoutBrowsePanel(dialog, w);
    PlaceButtonRow(dialog, w, h, false);
    MoveControl(dialog, IDC_SOURCE_PATH, -1, -1, w - 5 * m.marginX - m.buttonWidth, -1);
    MoveControl(dialog, IDC_CHECK_BROWSE, w - m.buttonWidth - m.marginX, -1, -1, -1);
}

// A rejection box whose {SRCDIR} shows the typed path.
void Reject(HWND dialog, const std::string& typed, MessageId textId, MessageId captionId)
{
    ShowFolderBox(dialog, Settings.SrcDir, typed.c_str(), textId, captionId, MB_OK | MB_ICONERROR);
}

// Checks the typed path; on acceptance stores it in SrcDir, and in DstDir
// too when it differs from the SrcDir it replaces.
bool AcceptSource(HWND dialog)
{
    const std::string typed = ControlText(dialog, IDC_SOURCE_PATH);
    const int result = SourceCheck(typed.c_str());
    if (result == 1) {
        Reject(dialog, typed, MessageId::SourceMissing, MessageId::SourceMissingCaption);
        return false;
    }
    if (result == 2) {
        if (Settings.WrongVersion)
            Reject(dialog, typed, MessageId::SourceWrongVersion, MessageId::SourceWrongVersionCaption);
        else
            Reject(dialog, typed, MessageId::NoData, MessageId::NoDataCaption);
        return false;
    }
    // The check left the folder current: a relative path is stored as the
    // folder it named just now, not as text that names another folder later.
    const std::string stored = EnteredFolderText(typed);
    if (typed != Settings.SrcDir)
        StoreFolderText(Settings.DstDir, stored);
    StoreFolderText(Settings.SrcDir, stored);
    return true;
}

void OnNext(HWND dialog)
{
    if (!AcceptSource(dialog))
        return;
    PageTurn(IDD_SOURCE, true);
}

// Browse toggled: pressed opens the panel on the typed folder ("C:\" when it
// cannot be entered), released closes it.
void OnBrowse(HWND dialog)
{
    if (IsDlgButtonChecked(dialog, IDC_CHECK_BROWSE) != BST_CHECKED) {
        HideBrowsePanel(dialog);
        return;
    }
    std::string text = ControlText(dialog, IDC_SOURCE_PATH);
    if (SetCurrentDir(text.c_str())) {
        text = EnteredFolderText(text);
    } else {
        text = "C:\\";
        SetDlgItemTextA(dialog, IDC_SOURCE_PATH, text.c_str());
    }
    StoreFolderText(Settings.SrcDir, text);
    ShowBrowsePanel(dialog);
}

bool Command(HWND dialog, int id, int code)
{
    return FolderPageCommand(dialog, id, code, OnBrowse);
}

void InitDialog(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_SOURCE_PATH, Settings.SrcDir);
    HideBrowsePanel(dialog);
}

void Shown(HWND dialog)
{
    SetBrowseTarget(BrowseTarget::Source);
    PageFocus(dialog, IDC_SOURCE_PATH);
}

}  // namespace

Page SourcePage = {
    .traceName = "step1",
    .dialogId = IDD_SOURCE,
    .helpTopic = kHelpStep1,
    .inputs = kInputs,
    .inputCount = sizeof kInputs / sizeof kInputs[0],
    .resize = Resize,
    .initDialog = InitDialog,
    .shown = Shown,
    .next = OnNext,
    .command = Command,
};
