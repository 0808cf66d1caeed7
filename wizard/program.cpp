// The program entry: single instance, start-up in a fixed order, the message
// loop, and the exit sequence that ends with the settings written back.

#include "app/settings.h"
#include "app/program_log.h"
#include "app/settings_record.h"
#include "wizard/main_window.h"
#include "wizard/message_box.h"
#include "wizard/stepmanager.h"

namespace {
// Exit sequence: the services in reverse order, then the settings.
int ExitSequence(int exitCode, bool picturesLoaded)
{
    if (picturesLoaded)
        FreeAnimationPictures();
    stepmanager_exit();
    helper_exit();
    LogDestroy();
    SaveSettings();
    return exitCode;
}
}  // namespace

int DavrolinMain(HINSTANCE instance)
{
    // One copy at a time: a second one ends at once, silently. The object
    // lives as long as this function, which is the life of the process.
    HANDLE instanceMap =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 32, kSingleInstanceName);
    if (!instanceMap)
        return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(instanceMap);
        return 1;
    }

    int exitCode = 1;
    LoadSettings();
    if (CreateActivityLog(instance) != 0) {
        exitCode = ExitSequence(1, false);
        CloseHandle(instanceMap);
        return exitCode;
    }
    helper_init();
    if (stepmanager_init(instance) != 0) {
        exitCode = ExitSequence(1, false);
        CloseHandle(instanceMap);
        return exitCode;
    }
    bool animate = Settings.HideAnimation == 0;
    if (animate)
        LoadAnimationPictures(instance);

    FitPlacement(Settings, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    RegisterMainWindowClass(instance);
    HWND window = CreateMainWindow(instance, Settings);
    ShowWindow(window, SW_SHOWNORMAL);

    if (!window || stepmanager_go(window) != 0) {
        ShowMessageBox(window, "Could not create all necessary windows", "Error", MB_ICONERROR);
        CloseHandle(instanceMap);
        return 0;
    }
    if (animate)
        SetTimer(window, kAnimationTimerId, kAnimationPeriod, nullptr);

    MSG message = {};
    for (;;) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            break;
        if (got == -1) {
            message.wParam = 0;
            break;
        }
        DispatchLoopMessage(&message);
    }
    exitCode = static_cast<int>(message.wParam);

    if (animate)
        KillTimer(window, kAnimationTimerId);
    Settings.WindowX = MainWindowRect.left;
    Settings.WindowY = MainWindowRect.top;
    Settings.WindowW = MainWindowRect.right - MainWindowRect.left;
    Settings.WindowH = MainWindowRect.bottom - MainWindowRect.top;

    exitCode = ExitSequence(exitCode, animate);
    // The process ends here. When the window is still open (Exit or Close
    // ended the loop), take it down without leaving a second quit message.
    if (IsWindow(window)) {
        DestroyWindow(window);
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    CloseHandle(instanceMap);
    return exitCode;
}
