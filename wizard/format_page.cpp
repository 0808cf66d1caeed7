// The format page: the form of the output files (human readable or machine
// form).

#include "app/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/options_summary_view.h"
#include "wizard/page.h"

namespace {

const int kInputs[] = {IDC_SUMMARY_BOX, IDC_HUMAN_READABLE};

void Shown(HWND dialog)
{
    ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, SummaryPrefixedNames, 0);
    PageFocus(dialog, IDC_HUMAN_READABLE);
}

void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_SUMMARY_BOX, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_FORMAT_TEXT, -1, -1, w - 2 * m.marginX, -1);
}

void InitDialog(HWND dialog)
{
    ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, SummaryPrefixedNames, 0);
    CheckDlgButton(dialog, IDC_HUMAN_READABLE, Settings.HumanReadible ? BST_CHECKED : BST_UNCHECKED);
}

void OnNext(HWND dialog)
{
    Settings.HumanReadible = IsDlgButtonChecked(dialog, IDC_HUMAN_READABLE) == BST_CHECKED ? 1 : 0;
    PageTurn(IDD_FORMAT, true);
}

}  // namespace

Page FormatPage = {
    .traceName = "step4a",
    .dialogId = IDD_FORMAT,
    .helpTopic = kHelpStep5,
    .inputs = kInputs,
    .inputCount = sizeof kInputs / sizeof kInputs[0],
    .resize = Resize,
    .initDialog = InitDialog,
    .shown = Shown,
    .next = OnNext,
};
