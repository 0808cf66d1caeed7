#pragma once
// What the step manager keeps for every step, and the operations all steps
// share: each step module holds one StepSlot and passes it to these.

#include <windows.h>

struct StepSlot {
    const char* traceName;  // "step0" ... "step6", "step4a"
    int dialogId;
    DLGPROC proc;
    HINSTANCE instance;  // stored by init
    HWND owner;          // stored by create
    HWND dialog;         // null until created and after destruction
};

// Traces "  <name>_init", stores the instance; returns 0.
int StepInit(StepSlot& slot, HINSTANCE instance);
// Traces "  <name>_createdialog  ->  ", creates the hidden dialog inside
// `owner`, traces "  success!" (0) or "  failed!" (-1).
int StepCreateDialog(StepSlot& slot, HWND owner);
// Shows or hides the dialog; true when it exists.
bool StepShowWindow(StepSlot& slot, bool visible);
// Moves the dialog with repainting; always 0.
int StepMove(StepSlot& slot, int x, int y, int width, int height);
bool StepIsDialogMessage(StepSlot& slot, MSG* message);
// Traces "  <name>_exit" and destroys the dialog.
void StepExit(StepSlot& slot);
// Puts the keyboard focus on control `id`.
void StepFocus(StepSlot& slot, int id);

// The handling the pages with a header share; `row` is the page's row of
// StepTable.
using StepResize = void (*)(HWND dialog, int width, int height);
// WM_SIZE stores the client size in Layout and lays the page out through
// `resize`, WM_PAINT paints the header with the row's title: true when
// `message` was one of the two.
bool StepFrameMessage(HWND dialog, UINT message, LPARAM lParam, int row, StepResize resize);
// Leaves the page for the row's next page (`forward`) or its previous one.
void StepTurn(int row, bool forward);
// Back turns to the previous page, Help opens `helpTopic`: true when command
// `id` was one of the two.
bool StepBackOrHelp(HWND dialog, int id, int row, const char* helpTopic);

// A folder page: a path field with the Browse button and the browse panel
// (steps 1 and 2).
struct FolderPage {
    int row;
    const char* helpTopic;
    const int* inputs;  // Enter on one of these moves the focus on
    int inputCount;
    void (*next)(HWND dialog);
    void (*browse)(HWND dialog);  // the Browse button was toggled
};
// WM_COMMAND on a folder page; returns the dialog procedure's result. A
// notification code of 1 or 2 is a click in the panel's lists, passed on to
// the panel when it chooses something (a selection change in the drive list,
// a double-click in either list); other codes are left alone. Plain commands:
// Back, Help, Enter, Next and Browse.
INT_PTR FolderPageCommand(const FolderPage& page, HWND dialog, WPARAM wParam);
