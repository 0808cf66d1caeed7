// Step 3, the file types and the profile range.

#include "formats/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/step_slot.h"
#include "wizard/stepmanager.h"
#include "wizard/steps.h"

static INT_PTR CALLBACK FileTypesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

static StepSlot slot = {"step3", IDD_FILETYPES, FileTypesProc, nullptr, nullptr, nullptr};

DAVROLIN_STEP_COMMON(step3)

static const int kInputs[] = {IDC_ALL_FILES,     IDC_ENGINEERING,    IDC_CTD,          IDC_ACM,
                              IDC_DEPLOYMENT_LOG, IDC_EXCEPTION_LOG, IDC_RANGE_ENTIRE, IDC_RANGE_SINGLE,
                              IDC_RANGE_RANGE,    IDC_FIRST_PROFILE, IDC_LAST_PROFILE};

void step3_show(bool visible)
{
    if (StepShowWindow(slot, visible) && visible)
        StepFocus(slot, IDC_ENGINEERING);
}

static void Resize(HWND dialog, int w, int h)
{
    Layout.clientWidth = w;
    Layout.clientHeight = h;
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_SUMMARY_TEXT, -1, -1, w - 2 * Layout.marginX, -1);
}

static INT_PTR CALLBACK FileTypesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_SIZE:
        Resize(dialog, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_PAINT:
        PaintStepDialog(dialog, StepTable[3].titleId);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            return EnterMovesFocus(dialog, kInputs, sizeof kInputs / sizeof kInputs[0]) ? TRUE : FALSE;
        case IDC_NEXT:
            stepmanager_show(IDD_FILETYPES, false);
            stepmanager_show(StepTable[3].nextId, true);
            return TRUE;
        case IDC_BACK:
            stepmanager_show(IDD_FILETYPES, false);
            stepmanager_show(StepTable[3].prevId, true);
            return TRUE;
        case IDC_HELP_BUTTON:
            OpenHelp(dialog, kHelpStep3);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
