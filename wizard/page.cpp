#include "wizard/page.h"

#include "platform/platform.h"
#include "resources/resource.h"
#include "wizard/browse_panel.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"

#include <string>

namespace {

// The page whose dialog is being made: its first messages (WM_SETFONT,
// WM_SIZE) come before WM_INITDIALOG and before the dialog knows its page.
Page* creating = nullptr;

void Trace(const Page& page, const char* what)
{
    std::string line = "  ";
    line += page.traceName;
    line += what;
    DebugTrace(line.c_str());
}

Page* PageOf(HWND dialog)
{
    if (auto* page = reinterpret_cast<Page*>(GetWindowLongPtrA(dialog, DWLP_USER)))
        return page;
    if (creating)
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(creating));
    return creating;
}

INT_PTR Command(const Page& page, HWND dialog, int id, int code)
{
    if (page.command && page.command(dialog, id, code))
        return TRUE;
    switch (id) {
    case IDC_BACK:
        // The first page of a row has no Back.
        if (StepRow(page.dialogId)->prevId == 0)
            return FALSE;
        PageTurn(page.dialogId, false);
        return TRUE;
    case IDC_HELP_BUTTON:
        OpenHelp(dialog, page.helpTopic);
        return TRUE;
    case IDOK:
        return EnterMovesFocus(dialog, page.inputs, page.inputCount) ? TRUE : FALSE;
    case IDC_NEXT:
        if (!page.next)
            return FALSE;
        page.next(dialog);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK PageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Page* page = PageOf(dialog);
    if (!page)
        return FALSE;
    switch (message) {
    case WM_SIZE:
        if (!page->resize)
            break;
        Layout.clientWidth = LOWORD(lParam);
        Layout.clientHeight = HIWORD(lParam);
        page->resize(dialog, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_PAINT:
        if (page->resize) {
            PaintStepDialog(dialog, StepRow(page->dialogId)->titleId);
        } else {
            // No header. Begin and end painting validate this dialog only;
            // ValidateRect would also validate the controls, which then
            // never paint.
            PAINTSTRUCT ps;
            BeginPaint(dialog, &ps);
            EndPaint(dialog, &ps);
        }
        return TRUE;
    case WM_INITDIALOG:
        if (page->initDialog)
            page->initDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        return Command(*page, dialog, LOWORD(wParam), HIWORD(wParam));
    }
    return page->message ? page->message(dialog, message, wParam, lParam) : FALSE;
}

}  // namespace

int PageInit(Page& page, HINSTANCE instance)
{
    Trace(page, "_init\r\n");
    page.instance = instance;
    if (page.load)
        page.load();
    return 0;
}

int PageCreate(Page& page, HWND owner)
{
    Trace(page, "_createdialog  ->  ");
    page.owner = owner;
    creating = &page;
    page.dialog = CreateDialogParamA(page.instance, MAKEINTRESOURCEA(page.dialogId), owner, PageProc, 0);
    creating = nullptr;
    if (!page.dialog) {
        DebugTrace("  failed!\r\n");
        return -1;
    }
    DebugTrace("  success!\r\n");
    return 0;
}

void PageShow(Page& page, bool visible)
{
    if (!page.dialog)
        return;
    ShowWindow(page.dialog, visible ? SW_SHOW : SW_HIDE);
    if (visible && page.shown)
        page.shown(page.dialog);
}

void PageMove(Page& page, int x, int y, int width, int height)
{
    if (page.dialog)
        MoveWindow(page.dialog, x, y, width, height, TRUE);
}

bool PageIsDialogMessage(Page& page, MSG* message)
{
    return page.dialog && IsDialogMessageA(page.dialog, message);
}

void PageExit(Page& page)
{
    Trace(page, "_exit\r\n");
    // Closing the main window destroys its children first; never touch a
    // handle that no longer names our dialog.
    if (page.dialog && IsWindow(page.dialog))
        DestroyWindow(page.dialog);
    page.dialog = nullptr;
    if (page.unload)
        page.unload();
}

void PageFocus(HWND dialog, int id)
{
    // Through the dialog manager, so a push button that takes the focus also
    // becomes the default button and Enter presses it.
    HWND control = dialog ? GetDlgItem(dialog, id) : nullptr;
    if (control)
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

Page* const StepPages[kStepCount] = {
    &WelcomePage, &SourcePage, &DestinationPage, &FileTypesPage, &PrefixPage,
    &FormatPage,  &ExportPage, &VerifyPage,      &UnpackingPage,
};

Page* PageOfDialog(int dialogId)
{
    for (Page* page : StepPages)
        if (page->dialogId == dialogId)
            return page;
    return nullptr;
}

void ShowPage(int dialogId, bool visible)
{
    if (Page* page = PageOfDialog(dialogId))
        PageShow(*page, visible);
}

void PageTurn(int dialogId, bool forward)
{
    const StepRecord* row = StepRow(dialogId);
    ShowPage(dialogId, false);
    ShowPage(forward ? row->nextId : row->prevId, true);
}

bool FolderPageCommand(HWND dialog, int id, int code, PageAction browse)
{
    if (code != 0) {
        // The lists' notifications: LBN_SELCHANGE and CBN_SELCHANGE are 1,
        // LBN_DBLCLK and CBN_DBLCLK are 2.
        if (code == LBN_SELCHANGE || code == LBN_DBLCLK) {
            DebugTrace("on_clicked\r\n");
            if ((code == CBN_SELCHANGE && id == IDC_BROWSE_DRIVES) ||
                (code == LBN_DBLCLK &&
                 (id == IDC_BROWSE_DRIVES || id == IDC_BROWSE_FOLDERS || id == IDC_BROWSE_CONTENTS)))
                BrowseChoice(dialog, id);
        }
        return true;  // Back, Help, Enter and Next are plain commands
    }
    if (id == IDC_CHECK_BROWSE) {
        browse(dialog);
        return true;
    }
    return false;
}
