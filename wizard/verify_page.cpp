// The verify page: the complete summary before a run. Every show checks the
// source and the destination folder again; Unpack! and Show Details are
// offered only when both are usable. The page writes no settings.

#include "app/folder_checks.h"
#include "app/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/options_summary_view.h"
#include "wizard/page.h"

namespace {

const int kInputs[] = {IDC_SUMMARY_BOX};

int DetailsChecked(HWND dialog)
{
    return IsDlgButtonChecked(dialog, IDC_SHOW_DETAILS) == BST_CHECKED ? 1 : 0;
}

void Shown(HWND dialog)
{
    const int source = SourceCheck(Settings.SrcDir);
    const int destination = DestinationCheck(Settings.DstDir);
    ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, SummaryComplete, DetailsChecked(dialog));
    const bool usable = source == 0 && destination == 0;
    EnableWindow(GetDlgItem(dialog, IDC_NEXT), usable ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_SHOW_DETAILS), usable ? TRUE : FALSE);
    // With Unpack! disabled the focus goes to Back, so the keyboard still
    // reaches the page (the page that was left is hidden).
    PageFocus(dialog, usable ? IDC_NEXT : IDC_BACK);
}

void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_SUMMARY_BOX, -1, -1, w - 2 * m.marginX, h - 2 * m.marginY - 170);
    MoveControl(dialog, IDC_SHOW_DETAILS, -1, h - m.buttonHeight - m.marginY - 56, -1, -1);
    MoveControl(dialog, IDC_VERIFY_PROMPT, -1, h - m.buttonHeight - m.marginY - 32, w - 2 * m.marginX, -1);
}

void InitDialog(HWND dialog)
{
    ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, SummaryComplete, 1);
}

bool Command(HWND dialog, int id, int code)
{
    if (id != IDC_SHOW_DETAILS)
        return false;
    ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, SummaryComplete, DetailsChecked(dialog));
    return true;
}

void OnNext(HWND dialog)
{
    PageTurn(IDD_VERIFY, true);
}

}  // namespace

Page VerifyPage = {
    .traceName = "step5",
    .dialogId = IDD_VERIFY,
    .helpTopic = kHelpStep6,
    .inputs = kInputs,
    .inputCount = sizeof kInputs / sizeof kInputs[0],
    .resize = Resize,
    .initDialog = InitDialog,
    .shown = Shown,
    .next = OnNext,
    .command = Command,
};
