// Step 1, the source folder: a path field and the browse panel.

#include "formats/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/step_slot.h"
#include "wizard/stepmanager.h"
#include "wizard/steps.h"

static INT_PTR CALLBACK SourceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

static StepSlot slot = {"step1", IDD_SOURCE, SourceProc, nullptr, nullptr, nullptr};

DAVROLIN_STEP_COMMON(step1)

static const int kBrowsePanel[] = {IDC_BROWSE_GROUP, IDC_BROWSE_DRIVES, IDC_BROWSE_FOLDERS, IDC_BROWSE_CONTENTS,
                                   IDC_BROWSE_CONTENTS_LABEL};
static const int kInputs[] = {IDC_SOURCE_PATH, IDC_CHECK_BROWSE, IDC_BROWSE_DRIVES, IDC_BROWSE_FOLDERS,
                              IDC_BROWSE_CONTENTS};

void step1_show(bool visible)
{
    if (StepShowWindow(slot, visible) && visible)
        StepFocus(slot, IDC_SOURCE_PATH);
}

static void Resize(HWND dialog, int w, int h)
{
    Layout.clientWidth = w;
    Layout.clientHeight = h;
    const LayoutMetrics& m = Layout;
    PlaceButtonRow(dialog, w, h, false);
    MoveControl(dialog, IDC_SOURCE_PATH, -1, -1, w - 5 * m.marginX - m.buttonWidth, -1);
    MoveControl(dialog, IDC_CHECK_BROWSE, w - m.buttonWidth - m.marginX, -1, -1, -1);
}

static INT_PTR CALLBACK SourceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_SOURCE_PATH, Settings.SrcDir);
        for (int id : kBrowsePanel)
            ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
        return TRUE;
    case WM_SIZE:
        Resize(dialog, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_PAINT:
        PaintStepDialog(dialog, StepTable[1].titleId);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != 0)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDOK:
            return EnterMovesFocus(dialog, kInputs, 5) ? TRUE : FALSE;
        case IDC_NEXT:
            stepmanager_show(IDD_SOURCE, false);
            stepmanager_show(StepTable[1].nextId, true);
            return TRUE;
        case IDC_HELP_BUTTON:
            OpenHelp(dialog, kHelpStep1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
