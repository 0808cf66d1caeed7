#include "wizard/stepmanager.h"

#include "app/settings_record.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/page.h"

const StepRecord StepTable[kStepCount] = {
    {IDD_WELCOME, IDD_SOURCE, 0, std::nullopt},
    {IDD_SOURCE, IDD_DESTINATION, 0, MessageId::SourceStepTitle},
    {IDD_DESTINATION, IDD_FILETYPES, IDD_SOURCE, MessageId::DestinationStepTitle},
    {IDD_FILETYPES, IDD_PREFIX, IDD_DESTINATION, MessageId::FileTypesStepTitle},
    {IDD_PREFIX, IDD_FORMAT, IDD_FILETYPES, MessageId::PrefixStepTitle},
    {IDD_FORMAT, IDD_VERIFY, IDD_PREFIX, MessageId::FormatStepTitle},
    {IDD_VERIFY, IDD_UNPACKING, IDD_FORMAT, MessageId::VerifyStepTitle},
    {IDD_UNPACKING, 0, 0, MessageId::UnpackingStepTitle},
};

namespace {
// In the order of StepTable.
Page* const Pages[kStepCount] = {
    &WelcomePage, &SourcePage, &DestinationPage, &FileTypesPage,
    &PrefixPage,  &FormatPage, &VerifyPage,      &UnpackingPage,
};

int StepIndex(int dialogId)
{
    for (int i = 0; i < kStepCount; ++i)
        if (StepTable[i].dialogId == dialogId)
            return i;
    return -1;
}
}  // namespace

int stepmanager_init(HINSTANCE instance)
{
    DebugTrace("stepmanager_init\r\n");
    int rc = dlghelper_init(instance);
    if (rc != 0)
        return rc;
    for (Page* page : Pages) {
        rc = PageInit(*page, instance);
        if (rc != 0)
            return rc;
    }
    return 0;
}

int stepmanager_go(HWND mainWindow)
{
    DebugTrace("stepmanager_go\r\n");
    for (Page* page : Pages) {
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
    int i = StepIndex(dialogId);
    if (i >= 0)
        PageShow(*Pages[i], visible);
}

void stepmanager_move_all(int x, int y, int width, int height)
{
    for (Page* page : Pages)
        PageMove(*page, x, y, width, height);
}

bool stepmanager_is_dialog_message(MSG* message)
{
    for (Page* page : Pages) {
        if (PageIsDialogMessage(*page, message))
            return true;
    }
    return false;
}

void stepmanager_exit()
{
    DebugTrace("stepmanager_exit\r\n");
    for (int i = kStepCount - 1; i >= 0; --i)
        PageExit(*Pages[i]);
    dlghelper_exit();
}

HWND StepDialog(int dialogId)
{
    int i = StepIndex(dialogId);
    return i >= 0 ? Pages[i]->dialog : nullptr;
}

const StepRecord* StepRow(int dialogId)
{
    int i = StepIndex(dialogId);
    return i >= 0 ? &StepTable[i] : nullptr;
}
