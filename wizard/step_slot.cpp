#include "wizard/step_slot.h"

#include "wizard/browse_panel.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/stepmanager.h"

#include <string>

static void Trace(const StepSlot& slot, const char* what)
{
    std::string line = "  ";
    line += slot.traceName;
    line += what;
    DebugTrace(line.c_str());
}

int StepInit(StepSlot& slot, HINSTANCE instance)
{
    Trace(slot, "_init\r\n");
    slot.instance = instance;
    return 0;
}

int StepCreateDialog(StepSlot& slot, HWND owner)
{
    Trace(slot, "_createdialog  ->  ");
    slot.owner = owner;
    slot.dialog = CreateDialogParamA(slot.instance, MAKEINTRESOURCEA(slot.dialogId), owner, slot.proc, 0);
    if (!slot.dialog) {
        DebugTrace("  failed!\r\n");
        return -1;
    }
    DebugTrace("  success!\r\n");
    return 0;
}

bool StepShowWindow(StepSlot& slot, bool visible)
{
    if (!slot.dialog)
        return false;
    ShowWindow(slot.dialog, visible ? SW_SHOW : SW_HIDE);
    return true;
}

int StepMove(StepSlot& slot, int x, int y, int width, int height)
{
    if (slot.dialog)
        MoveWindow(slot.dialog, x, y, width, height, TRUE);
    return 0;
}

bool StepIsDialogMessage(StepSlot& slot, MSG* message)
{
    return slot.dialog && IsDialogMessageA(slot.dialog, message);
}

void StepExit(StepSlot& slot)
{
    Trace(slot, "_exit\r\n");
    // Closing the main window destroys its children first; never touch a
    // handle that no longer names our dialog.
    if (slot.dialog && IsWindow(slot.dialog))
        DestroyWindow(slot.dialog);
    slot.dialog = nullptr;
}

void StepFocus(StepSlot& slot, int id)
{
    // Through the dialog manager, so a push button that takes the focus also
    // becomes the default button and Enter presses it.
    HWND control = slot.dialog ? GetDlgItem(slot.dialog, id) : nullptr;
    if (control)
        SendMessageA(slot.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

bool StepFrameMessage(HWND dialog, UINT message, LPARAM lParam, int row, StepResize resize)
{
    switch (message) {
    case WM_SIZE:
        Layout.clientWidth = LOWORD(lParam);
        Layout.clientHeight = HIWORD(lParam);
        resize(dialog, LOWORD(lParam), HIWORD(lParam));
        return true;
    case WM_PAINT:
        PaintStepDialog(dialog, StepTable[row].titleId);
        return true;
    }
    return false;
}

void StepTurn(int row, bool forward)
{
    const StepRecord& step = StepTable[row];
    stepmanager_show(step.dialogId, false);
    stepmanager_show(forward ? step.nextId : step.prevId, true);
}

bool StepBackOrHelp(HWND dialog, int id, int row, const char* helpTopic)
{
    switch (id) {
    case IDC_BACK:
        // The first page of the row has no Back.
        if (StepTable[row].prevId == 0)
            return false;
        StepTurn(row, false);
        return true;
    case IDC_HELP_BUTTON:
        OpenHelp(dialog, helpTopic);
        return true;
    }
    return false;
}

INT_PTR FolderPageCommand(const FolderPage& page, HWND dialog, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (code != 0) {
        if (code == 1 || code == 2) {
            DebugTrace("on_clicked\r\n");
            if ((code == 1 && id == IDC_BROWSE_DRIVES) ||
                (code == 2 && (id == IDC_BROWSE_DRIVES || id == IDC_BROWSE_FOLDERS)))
                BrowseChoice(dialog, id);
        }
        return FALSE;
    }
    if (StepBackOrHelp(dialog, id, page.row, page.helpTopic))
        return TRUE;
    switch (id) {
    case IDOK:
        return EnterMovesFocus(dialog, page.inputs, page.inputCount) ? TRUE : FALSE;
    case IDC_NEXT:
        page.next(dialog);
        return TRUE;
    case IDC_CHECK_BROWSE:
        page.browse(dialog);
        return TRUE;
    }
    return FALSE;
}
