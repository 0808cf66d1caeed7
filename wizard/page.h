#pragma once
// The skeleton every page of the wizard shares. A page is one modeless child
// dialog of the main window; its file fills in a Page record (its trace name,
// dialog, help topic, Enter inputs and the hooks for what is its own), and
// the skeleton does the rest: one dialog procedure that sizes the page, paints
// its header, and answers Back, Help, Enter and Next; and the operations the
// step manager calls (init, create, show, move, keyboard, exit), with their
// trace lines "  <name>_init", "  <name>_createdialog  ->  " and "  <name>_exit".
// Back, Next and the header title come from the page's row of StepTable.

#include "wizard/step_table.h"

#include <windows.h>

using PageResize = void (*)(HWND dialog, int width, int height);
using PageAction = void (*)(HWND dialog);
// A command of the page's own; true when the page took it (the skeleton then
// looks no further).
using PageCommand = bool (*)(HWND dialog, int id, int code);
// Any other message; the dialog procedure's result.
using PageMessage = INT_PTR (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

struct Page {
    // Set by the page's file; what a page leaves out is null.
    const char* traceName = nullptr;   // "step0" ... "step6", "step4a", "step4b"
    int dialogId = 0;
    const char* helpTopic = nullptr;
    const int* inputs = nullptr;       // Enter on one of these moves the focus on
    int inputCount = 0;                // (0: Enter is left to the dialog manager)
    PageResize resize = nullptr;       // lays the page out; null: a fixed page without header
    PageAction initDialog = nullptr;   // WM_INITDIALOG
    PageAction shown = nullptr;        // the page was just shown
    PageAction next = nullptr;         // Next, after the page's own commands
    PageCommand command = nullptr;     // the page's own commands, before Back, Help, Enter, Next
    PageMessage message = nullptr;     // the page's own messages
    void (*load)() = nullptr;          // after "_init": what the dialog needs before it is made
    void (*unload)() = nullptr;        // after "_exit" destroyed the dialog

    // Kept by the skeleton.
    HINSTANCE instance = nullptr;  // stored by init
    HWND owner = nullptr;          // stored by create
    HWND dialog = nullptr;         // null until created and after destruction
};

// The pages, one file each.
extern Page WelcomePage;      // welcome_page.cpp
extern Page SourcePage;       // source_page.cpp
extern Page DestinationPage;  // destination_page.cpp
extern Page FileTypesPage;    // file_types_page.cpp
extern Page PrefixPage;       // prefix_page.cpp
extern Page FormatPage;       // format_page.cpp
extern Page ExportPage;       // export_page.cpp
extern Page VerifyPage;       // verify_page.cpp
extern Page UnpackingPage;    // unpacking_page.cpp

// Every page, in the order of StepTable.
extern Page* const StepPages[kStepCount];

// The page of dialog `dialogId`, or null.
Page* PageOfDialog(int dialogId);

// Traces "  <name>_init", stores the instance, runs `load`; returns 0.
int PageInit(Page& page, HINSTANCE instance);
// Traces "  <name>_createdialog  ->  ", creates the hidden dialog inside
// `owner`, traces "  success!" (0) or "  failed!" (-1).
int PageCreate(Page& page, HWND owner);
// Shows or hides the dialog (when it exists); a page shown runs `shown`.
void PageShow(Page& page, bool visible);
// Moves the dialog with repainting.
void PageMove(Page& page, int x, int y, int width, int height);
bool PageIsDialogMessage(Page& page, MSG* message);
// Traces "  <name>_exit", destroys the dialog, runs `unload`.
void PageExit(Page& page);

// Puts the keyboard focus on control `id` of a page.
void PageFocus(HWND dialog, int id);
// Shows or hides the page of dialog `dialogId` (nothing for another id).
void ShowPage(int dialogId, bool visible);
// Leaves the page with `dialogId` for the next page of its row (`forward`)
// or the previous one.
void PageTurn(int dialogId, bool forward);

// The commands of a folder page (a path field with the Browse button and the
// browse panel): a selection change or a double-click is a click in the
// panel's lists, passed on to the panel when it chooses something (a
// selection change in the drive list, a double-click in any of its lists:
// the contents list chooses only the export page's metadata file); other
// notifications are left alone. `browse` runs when the Browse button was
// toggled.
bool FolderPageCommand(HWND dialog, int id, int code, PageAction browse);
