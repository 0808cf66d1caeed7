// The Unpacking step: runs the job and shows its progress, status and log,
// then offers Close or Start Again.

#include "engine/unpack_job.h"
#include "formats/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/step_slot.h"
#include "wizard/stepmanager.h"
#include "wizard/steps.h"

#include <commctrl.h>

static INT_PTR CALLBACK UnpackingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

static StepSlot slot = {"step6", IDD_UNPACKING, UnpackingProc, nullptr, nullptr, nullptr};

int step6_init(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return StepInit(slot, instance);
}

int step6_createdialog(HWND owner)
{
    return StepCreateDialog(slot, owner);
}

int step6_move(int x, int y, int width, int height)
{
    return StepMove(slot, x, y, width, height);
}

bool step6_is_dialog_message(MSG* message)
{
    return StepIsDialogMessage(slot, message);
}

void step6_exit()
{
    StepExit(slot);
}

HWND step6_dialog()
{
    return slot.dialog;
}

void step6_show(bool visible)
{
    if (StepShowWindow(slot, visible) && visible)
        StepFocus(slot, IDC_NEXT);
}

static void Resize(HWND dialog, int w, int h)
{
    Layout.clientWidth = w;
    Layout.clientHeight = h;
    const LayoutMetrics& m = Layout;
    int buttonsY = h - m.buttonHeight - m.marginY;
    MoveControl(dialog, IDC_NEXT, w - m.buttonWidth - m.marginX, buttonsY, -1, -1);
    MoveControl(dialog, IDC_HELP_BUTTON, -1, buttonsY, -1, -1);
    MoveControl(dialog, IDC_START_AGAIN, w - 2 * (m.buttonWidth + m.marginX), buttonsY, -1, -1);
    MoveControl(dialog, IDC_CANCEL, w - m.buttonWidth - m.marginX, buttonsY, -1, -1);
    MoveControl(dialog, IDC_PROGRESS, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_PERCENT, w - m.buttonWidth - m.marginX, -1, -1, -1);
    MoveControl(dialog, IDC_LOG_BOX, -1, -1, w - 2 * m.marginX, h - 2 * m.marginY - 212);
    MoveControl(dialog, IDC_STATUS_LINE, -1, -1, w - 2 * m.marginX, -1);
}

static void ShowButton(HWND dialog, int id, bool on)
{
    HWND button = GetDlgItem(dialog, id);
    ShowWindow(button, on ? SW_SHOW : SW_HIDE);
    EnableWindow(button, on);
}

static INT_PTR CALLBACK UnpackingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        ShowButton(dialog, IDC_CANCEL, false);
        return TRUE;
    case WM_SIZE:
        Resize(dialog, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_PAINT:
        PaintStepDialog(dialog, StepTable[7].titleId);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_NEXT:
            stepmanager_show(IDD_UNPACKING, false);
            PostQuitMessage(0);
            return TRUE;
        case IDC_HELP_BUTTON:
            OpenHelp(dialog, kHelpUnpacking);
            return TRUE;
        case IDC_CANCEL:
            RequestCancel();
            return TRUE;
        case IDC_START_AGAIN:
            stepmanager_show(IDD_UNPACKING, false);
            stepmanager_show(IDD_WELCOME, true);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
