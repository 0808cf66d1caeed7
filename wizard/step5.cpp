// Step 6, verify options: the complete summary before a run. Every show checks
// the source and the destination folder again; Unpack! and Show Details are
// offered only when both are usable. The page writes no settings.

#include "app/folder_checks.h"
#include "wizard/options_summary_view.h"
#include "formats/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/step_slot.h"
#include "wizard/stepmanager.h"
#include "wizard/steps.h"

static INT_PTR CALLBACK VerifyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

static StepSlot slot = {"step5", IDD_VERIFY, VerifyProc, nullptr, nullptr, nullptr};

DAVROLIN_STEP_COMMON(step5)

static const int kInputs[] = {IDC_SUMMARY_BOX};

static int DetailsChecked(HWND dialog)
{
    return IsDlgButtonChecked(dialog, IDC_SHOW_DETAILS) == BST_CHECKED ? 1 : 0;
}

void step5_show(bool visible)
{
    if (!StepShowWindow(slot, visible) || !visible)
        return;
    HWND dialog = slot.dialog;
    const int source = SourceCheck(Settings.SrcDir);
    const int destination = DestinationCheck(Settings.DstDir);
    ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, 6, DetailsChecked(dialog));
    const bool usable = source == 0 && destination == 0;
    EnableWindow(GetDlgItem(dialog, IDC_NEXT), usable ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_SHOW_DETAILS), usable ? TRUE : FALSE);
    // With Unpack! disabled the focus goes to Back, so the keyboard still
    // reaches the page (the page that was left is hidden).
    StepFocus(slot, usable ? IDC_NEXT : IDC_BACK);
}

static void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_SUMMARY_BOX, -1, -1, w - 2 * m.marginX, h - 2 * m.marginY - 170);
    MoveControl(dialog, IDC_SHOW_DETAILS, -1, h - m.buttonHeight - m.marginY - 56, -1, -1);
    MoveControl(dialog, IDC_VERIFY_PROMPT, -1, h - m.buttonHeight - m.marginY - 32, w - 2 * m.marginX, -1);
}

static INT_PTR CALLBACK VerifyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (StepFrameMessage(dialog, message, lParam, 6, Resize))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, 6, 1);
        return TRUE;
    case WM_COMMAND:
        if (StepBackOrHelp(dialog, LOWORD(wParam), 6, kHelpStep6))
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDOK:
            return EnterMovesFocus(dialog, kInputs, sizeof kInputs / sizeof kInputs[0]) ? TRUE : FALSE;
        case IDC_NEXT:
            StepTurn(6, true);
            return TRUE;
        case IDC_SHOW_DETAILS:
            ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, 6, DetailsChecked(dialog));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
