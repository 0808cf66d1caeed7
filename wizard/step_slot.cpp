#include "wizard/step_slot.h"

#include "platform/platform.h"

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
