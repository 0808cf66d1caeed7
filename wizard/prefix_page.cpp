// The prefix page: the optional prefix of the output file names. The prefix
// is taken as typed; clearing the check box empties the field at once.

#include "app/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/options_summary_view.h"
#include "wizard/page.h"

namespace {

const int kInputs[] = {IDC_SUMMARY_BOX, IDC_USE_PREFIX, IDC_PREFIX};

void Shown(HWND dialog)
{
    ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, SummaryKinds, 0);
    PageFocus(dialog, IDC_USE_PREFIX);
}

void ApplyPrefixRule(HWND dialog)
{
    const bool on = IsDlgButtonChecked(dialog, IDC_USE_PREFIX) == BST_CHECKED;
    if (!on)
        SetDlgItemTextA(dialog, IDC_PREFIX, "");
    EnableWindow(GetDlgItem(dialog, IDC_PREFIX), on ? TRUE : FALSE);
}

void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_SUMMARY_BOX, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_PREFIX_TEXT, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_PREFIX, -1, -1, w - 2 * m.marginX - 20, -1);
}

void InitDialog(HWND dialog)
{
    ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, SummaryKinds, 0);
    if (Settings.Prefix[0] != '\0') {
        CheckDlgButton(dialog, IDC_USE_PREFIX, BST_CHECKED);
        SetDlgItemTextA(dialog, IDC_PREFIX, Settings.Prefix);
    }
    ApplyPrefixRule(dialog);
}

bool Command(HWND dialog, int id, int code)
{
    if (id != IDC_USE_PREFIX)
        return false;
    ApplyPrefixRule(dialog);
    return true;
}

void OnNext(HWND dialog)
{
    Settings.Prefix[0] = '\0';
    if (IsDlgButtonChecked(dialog, IDC_USE_PREFIX) == BST_CHECKED)
        GetDlgItemTextA(dialog, IDC_PREFIX, Settings.Prefix, sizeof Settings.Prefix);
    PageTurn(IDD_PREFIX, true);
}

}  // namespace

Page PrefixPage = {
    .traceName = "step4",
    .dialogId = IDD_PREFIX,
    .helpTopic = kHelpStep4,
    .inputs = kInputs,
    .inputCount = sizeof kInputs / sizeof kInputs[0],
    .resize = Resize,
    .initDialog = InitDialog,
    .shown = Shown,
    .next = OnNext,
    .command = Command,
};
