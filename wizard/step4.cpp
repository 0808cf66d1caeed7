// Step 4, the optional prefix of the output file names. The prefix is taken
// as typed; clearing the check box empties the field at once.

#include "wizard/options_summary_view.h"
#include "formats/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/step_slot.h"
#include "wizard/stepmanager.h"
#include "wizard/steps.h"

static INT_PTR CALLBACK PrefixProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

static StepSlot slot = {"step4", IDD_PREFIX, PrefixProc, nullptr, nullptr, nullptr};

DAVROLIN_STEP_COMMON(step4)

static const int kInputs[] = {IDC_SUMMARY_BOX, IDC_USE_PREFIX, IDC_PREFIX};

void step4_show(bool visible)
{
    if (!StepShowWindow(slot, visible) || !visible)
        return;
    ShowOptionsSummary(IDC_SUMMARY_BOX, slot.dialog, 4, 0);
    StepFocus(slot, IDC_USE_PREFIX);
}

static void ApplyPrefixRule(HWND dialog)
{
    const bool on = IsDlgButtonChecked(dialog, IDC_USE_PREFIX) == BST_CHECKED;
    if (!on)
        SetDlgItemTextA(dialog, IDC_PREFIX, "");
    EnableWindow(GetDlgItem(dialog, IDC_PREFIX), on ? TRUE : FALSE);
}

static void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_SUMMARY_BOX, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_PREFIX_TEXT, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_PREFIX, -1, -1, w - 2 * m.marginX - 20, -1);
}

static INT_PTR CALLBACK PrefixProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (StepFrameMessage(dialog, message, lParam, 4, Resize))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, 4, 0);
        if (Settings.Prefix[0] != '\0') {
            CheckDlgButton(dialog, IDC_USE_PREFIX, BST_CHECKED);
            SetDlgItemTextA(dialog, IDC_PREFIX, Settings.Prefix);
        }
        ApplyPrefixRule(dialog);
        return TRUE;
    case WM_COMMAND:
        if (StepBackOrHelp(dialog, LOWORD(wParam), 4, kHelpStep4))
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDC_USE_PREFIX:
            ApplyPrefixRule(dialog);
            return TRUE;
        case IDOK:
            return EnterMovesFocus(dialog, kInputs, sizeof kInputs / sizeof kInputs[0]) ? TRUE : FALSE;
        case IDC_NEXT:
            Settings.Prefix[0] = '\0';
            if (IsDlgButtonChecked(dialog, IDC_USE_PREFIX) == BST_CHECKED)
                GetDlgItemTextA(dialog, IDC_PREFIX, Settings.Prefix, sizeof Settings.Prefix);
            StepTurn(4, true);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
