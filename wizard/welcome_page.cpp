// The Welcome page: names the program, its build and the firmware version it
// unpacks, and offers Begin, Exit and Help. No header title, no resizing.

#include "app/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/page.h"

namespace {

void InitDialog(HWND dialog)
{
    char text[4096];
    LoadMessage(MessageId::WelcomeVersion, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_BUILD_LINE, text);
    LoadMessage(MessageId::WelcomeFirmware, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_FIRMWARE_LINE, text);
}

void Shown(HWND dialog)
{
    PageFocus(dialog, IDC_NEXT);
}

// Begin goes on to the source folder, or straight to the verify page when the
// settings say so.
void Begin(HWND dialog)
{
    if (!Settings.SkipToPreview) {
        PageTurn(IDD_WELCOME, true);
        return;
    }
    ShowPage(IDD_WELCOME, false);
    ShowPage(IDD_VERIFY, true);
}

// Exit ends the program.
bool Command(HWND dialog, int id, int code)
{
    if (id != IDC_BACK)
        return false;
    ShowPage(IDD_WELCOME, false);
    PostQuitMessage(0);
    return true;
}

}  // namespace

Page WelcomePage = {
    .traceName = "step0",
    .dialogId = IDD_WELCOME,
    .helpTopic = kHelpWelcome,
    .initDialog = InitDialog,
    .shown = Shown,
    .next = Begin,
    .command = Command,
};
