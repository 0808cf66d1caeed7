#include "wizard/stepmanager.h"

#include "app/settings_record.h"
#include "platform/platform.h"
#include "wizard/dlghelper.h"
#include "wizard/page.h"

int stepmanager_init(HINSTANCE instance)
{
    DebugTrace("stepmanager_init\r\n");
    int rc = dlghelper_init(instance);
    if (rc != 0)
        return rc;
    for (Page* page : StepPages) {
        rc = PageInit(*page, instance);
        if (rc != 0)
            return rc;
    }
    return 0;
}

int stepmanager_go(HWND mainWindow)
{
    DebugTrace("stepmanager_go\r\n");
    for (Page* page : StepPages) {
        if (PageCreate(*page, mainWindow) != 0)
            return -1;
    }
    RECT client;
    GetClientRect(mainWindow, &client);
    int x0 = Settings.HideAnimation == 0 ? kAnimationWidth : 0;
    stepmanager_move_all(x0, 0, client.right - x0, client.bottom);
    PageShow(WelcomePage, true);
    return 0;
}

void stepmanager_show(int dialogId, bool visible)
{
    ShowPage(dialogId, visible);
}

void stepmanager_move_all(int x, int y, int width, int height)
{
    for (Page* page : StepPages)
        PageMove(*page, x, y, width, height);
}

bool stepmanager_is_dialog_message(MSG* message)
{
    for (Page* page : StepPages) {
        if (PageIsDialogMessage(*page, message))
            return true;
    }
    return false;
}

void stepmanager_exit()
{
    DebugTrace("stepmanager_exit\r\n");
    for (int i = kStepCount - 1; i >= 0; --i)
        PageExit(*StepPages[i]);
    dlghelper_exit();
}

HWND StepDialog(int dialogId)
{
    const Page* page = PageOfDialog(dialogId);
    return page ? page->dialog : nullptr;
}
