// The Welcome step: names the program, its build and the firmware version it
// unpacks, and offers Begin, Exit and Help. No header title, no resizing.

#include "formats/settings_record.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/step_slot.h"
#include "wizard/stepmanager.h"
#include "wizard/steps.h"

static INT_PTR CALLBACK WelcomeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

static StepSlot slot = {"step0", IDD_WELCOME, WelcomeProc, nullptr, nullptr, nullptr};

DAVROLIN_STEP_COMMON(step0)

void step0_show(bool visible)
{
    if (StepShowWindow(slot, visible) && visible)
        StepFocus(slot, IDC_NEXT);
}

static INT_PTR CALLBACK WelcomeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        char text[4096];
        LoadMessage(121, text, sizeof text);
        SetDlgItemTextA(dialog, IDC_BUILD_LINE, text);
        LoadMessage(208, text, sizeof text);
        SetDlgItemTextA(dialog, IDC_FIRMWARE_LINE, text);
        return TRUE;
    }
    case WM_PAINT: {
        // Nothing of its own to draw (the banner is picture 1039). Begin and
        // end painting validate this dialog only; ValidateRect would also
        // validate the controls, which then never paint.
        PAINTSTRUCT ps;
        BeginPaint(dialog, &ps);
        EndPaint(dialog, &ps);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_NEXT:
            stepmanager_show(IDD_WELCOME, false);
            stepmanager_show(Settings.SkipToPreview ? StepTable[6].dialogId : StepTable[0].nextId, true);
            return TRUE;
        case IDC_BACK:
            stepmanager_show(IDD_WELCOME, false);
            PostQuitMessage(0);
            return TRUE;
        case IDC_HELP_BUTTON:
            OpenHelp(dialog, kHelpWelcome);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
