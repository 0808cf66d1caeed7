// Step 5, the format of the output files (human readable or machine form).

#include "wizard/options_summary_view.h"
#include "formats/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/step_slot.h"
#include "wizard/stepmanager.h"
#include "wizard/steps.h"

static INT_PTR CALLBACK FormatProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

static StepSlot slot = {"step4a", IDD_FORMAT, FormatProc, nullptr, nullptr, nullptr};

DAVROLIN_STEP_COMMON(step4a)

static const int kInputs[] = {IDC_SUMMARY_BOX, IDC_HUMAN_READABLE};

void step4a_show(bool visible)
{
    if (!StepShowWindow(slot, visible) || !visible)
        return;
    ShowOptionsSummary(IDC_SUMMARY_BOX, slot.dialog, 5, 0);
    StepFocus(slot, IDC_HUMAN_READABLE);
}

static void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_SUMMARY_BOX, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_FORMAT_TEXT, -1, -1, w - 2 * m.marginX, -1);
}

static INT_PTR CALLBACK FormatProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (StepFrameMessage(dialog, message, lParam, 5, Resize))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        ShowOptionsSummary(IDC_SUMMARY_BOX, dialog, 5, 0);
        CheckDlgButton(dialog, IDC_HUMAN_READABLE, Settings.HumanReadible ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    case WM_COMMAND:
        if (StepBackOrHelp(dialog, LOWORD(wParam), 5, kHelpStep5))
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDOK:
            return EnterMovesFocus(dialog, kInputs, sizeof kInputs / sizeof kInputs[0]) ? TRUE : FALSE;
        case IDC_NEXT:
            Settings.HumanReadible = IsDlgButtonChecked(dialog, IDC_HUMAN_READABLE) == BST_CHECKED ? 1 : 0;
            StepTurn(5, true);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
