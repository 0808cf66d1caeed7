#include "tests/win32/unpacking_helpers.h"

#include "resources/resource.h"
#include "tests/win32/gui_fixture.h"
#include "wizard/stepmanager.h"
#include "wizard/unpacking_page.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

HWND UnpackingDialog()
{
    return StepDialog(IDD_UNPACKING);
}

std::string ControlText(int id)
{
    HWND control = GetDlgItem(UnpackingDialog(), id);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool ButtonUp(int id)
{
    HWND button = GetDlgItem(UnpackingDialog(), id);
    return IsWindowVisible(button) && IsWindowEnabled(button);
}

bool WaitForRunEnd(int timeoutMs)
{
    PumpMessages();  // the start request
    DWORD start = GetTickCount();
    while (UnpackingRunGoing()) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PumpMessages();
    }
    PumpMessages();
    return true;
}

bool ShowUnpackingAndWait()
{
    for (const StepRecord& step : StepTable)
        stepmanager_show(step.dialogId, false);
    stepmanager_show(IDD_UNPACKING, true);
    return WaitForRunEnd();
}

LRESULT SendFromWorker(UINT message, WPARAM wParam, LPARAM lParam)
{
    std::atomic<bool> done{false};
    LRESULT result = 0;
    HWND page = UnpackingDialog();
    std::thread worker([&] {
        result = SendMessageA(page, message, wParam, lParam);
        done = true;
    });
    while (!done) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PumpMessages();
    }
    worker.join();
    return result;
}

namespace {
std::function<void(UINT, WPARAM, LPARAM)> pageHook;
WNDPROC pageProc;

LRESULT CALLBACK HookedPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (pageHook)
        pageHook(message, wParam, lParam);
    return CallWindowProcA(pageProc, window, message, wParam, lParam);
}
}  // namespace

PageHook::PageHook(std::function<void(UINT, WPARAM, LPARAM)> hook)
{
    pageHook = std::move(hook);
    pageProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(UnpackingDialog(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HookedPageProc)));
}

PageHook::~PageHook()
{
    if (IsWindow(UnpackingDialog()))
        SetWindowLongPtrA(UnpackingDialog(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pageProc));
    pageHook = nullptr;
}

DeploymentFolders::DeploymentFolders(const DeploymentShape& s) : shape(s)
{
    WriteDeployment(source.path(), shape);
    SetDefaultSettings(settings);
    std::strcpy(settings.SrcDir, source.str().c_str());
    std::strcpy(settings.DstDir, destination.str().c_str());
    settings.UnpackAll = 1;
    settings.Options = KindAll;
    settings.ProfileRange = RangeEntireDeployment;
    settings.FirmwareVers = shape.firmware;
    settings.MaxProfile = static_cast<int32_t>(shape.maxProfile);
    settings.ProfilesPerFile = static_cast<int32_t>(shape.profilesPerFile);
    // What the folder checks of the wizard's pages found.
    settings.SourceEntered = 1;
    settings.SourceDataOk = 1;
    settings.DestinationExists = 1;
    ResetTestLog();
}

std::string SavedLog(const DeploymentFolders& folders)
{
    return ReadFileText(folders.destination / "DAVROLIN.LOG");
}

int Occurrences(const std::string& text, const std::string& needle)
{
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

