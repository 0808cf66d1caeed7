// The whole program in this process: DavrolinMain with the settings file in
// the Windows folder, driven from a timer that fires inside its message loop.

#include "resources/resource.h"
#include "tests/win32/gui_fixture.h"
#include "wizard/main_window.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::string IniPath()
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\VXPDavrolin.INI";
}

void WriteKey(const char* key, const char* value)
{
    WritePrivateProfileStringA("CONFIGURATION", key, value, "VXPDavrolin.INI");
}

std::string ReadKey(const char* key)
{
    char value[256];
    GetPrivateProfileStringA("CONFIGURATION", key, "(none)", value, sizeof value, "VXPDavrolin.INI");
    return value;
}

// Davrolin.exe of this build (bin/ beside the tests' folder).
std::string ProgramFile()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string exe = path;
    return exe.substr(0, exe.find_last_of('\\')) + "\\..\\bin\\Davrolin.exe";
}

std::function<void(HWND)> during;
UINT_PTR driverTimer;

void CALLBACK Drive(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(nullptr, driverTimer);
    HWND window = FindWindowA(kMainWindowClass, kMainWindowTitle);
    EXPECT_NE(window, nullptr);
    if (during)
        during(window);
    if (IsWindow(window))
        PostMessageA(window, WM_CLOSE, 0, 0);
}

// Runs the program until `whileRunning` has looked at its window; then the
// window is closed as a user would close it.
int RunProgram(std::function<void(HWND)> whileRunning = nullptr)
{
    during = std::move(whileRunning);
    driverTimer = SetTimer(nullptr, 0, 200, Drive);
    SettingsRecord saved = Settings;
    int rc = DavrolinMain(GetModuleHandleA(nullptr));
    Settings = saved;
    KillTimer(nullptr, driverTimer);
    during = nullptr;
    return rc;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, "VXPDavrolin.INI");  // flush the cache
        DeleteFileA(IniPath().c_str());
    }
    void TearDown() override
    {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, "VXPDavrolin.INI");
        DeleteFileA(IniPath().c_str());
    }
};

TEST_F(Program, StartsAndStopsTheServicesInOrder)
{
    TraceCapture trace;
    EXPECT_EQ(RunProgram(), 0);
    std::string t = trace.text();
    const char* order[] = {"helper_init\r\n", "stepmanager_init\r\n", "stepmanager_go\r\n",
                           "  step6_createdialog", "stepmanager_exit\r\n", "  dlghelper_exit\r\n",
                           "helper_exit\r\n"};
    size_t at = 0;
    for (const char* line : order) {
        size_t found = t.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " in\n" << t;
        at = found + 1;
    }
}

TEST_F(Program, ASecondCopyEndsAtOnceWithCodeOne)
{
    // Another copy holds the named object: nothing of this one runs.
    HANDLE first = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 32, kSingleInstanceName);
    ASSERT_NE(first, nullptr);
    WriteKey("WindowX", "10");
    {
        TraceCapture trace;
        EXPECT_EQ(DavrolinMain(GetModuleHandleA(nullptr)), 1);
        EXPECT_EQ(trace.text(), "");
    }
    CloseHandle(first);

    // The real program started while this one runs.
    DWORD secondCode = 99;
    EXPECT_EQ(RunProgram([&](HWND) {
                  std::string exe = ProgramFile();
                  STARTUPINFOA si = {};
                  si.cb = sizeof si;
                  PROCESS_INFORMATION pi = {};
                  ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                             &si, &pi))
                      << exe;
                  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
                  GetExitCodeProcess(pi.hProcess, &secondCode);
                  CloseHandle(pi.hThread);
                  CloseHandle(pi.hProcess);
              }),
              0);
    EXPECT_EQ(secondCode, 1u);
}

TEST_F(Program, StoredPlacementIsFittedToTheScreen)
{
    WriteKey("WindowX", "4294967246");  // -50
    WriteKey("WindowY", "99999");
    WriteKey("WindowW", "5000");
    WriteKey("WindowH", "5000");
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    RECT r = {};
    RunProgram([&](HWND window) { GetWindowRect(window, &r); });
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, sw - 1);
    EXPECT_EQ(r.bottom - r.top, sh - 1);
}

TEST_F(Program, WithoutASettingsFileOpensTopLeftAt600By400AndWritesOnlyThePosition)
{
    RECT r = {};
    RunProgram([&](HWND window) { GetWindowRect(window, &r); });
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 400);
    EXPECT_EQ(ReadKey("WindowX"), "0");
    EXPECT_EQ(ReadKey("WindowY"), "0");
    EXPECT_EQ(ReadKey("WindowW"), "(none)");
    EXPECT_EQ(ReadKey("WindowH"), "(none)");
}

TEST_F(Program, WritesThePlacementBackOnlyAfterAMove)
{
    WriteKey("WindowX", "10");
    WriteKey("WindowY", "20");
    WriteKey("WindowW", "640");
    WriteKey("WindowH", "480");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "VXPDavrolin.INI");
    HANDLE file = CreateFileA(IniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME before = {};
    GetFileTime(file, nullptr, nullptr, &before);
    CloseHandle(file);
    Sleep(20);

    EXPECT_EQ(RunProgram(), 0);
    file = CreateFileA(IniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME after = {};
    GetFileTime(file, nullptr, nullptr, &after);
    CloseHandle(file);
    EXPECT_EQ(CompareFileTime(&before, &after), 0) << "nothing changed, nothing written";

    EXPECT_EQ(RunProgram([](HWND window) { SetWindowPos(window, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }),
              0);
    EXPECT_EQ(ReadKey("WindowX"), "30");
    EXPECT_EQ(ReadKey("WindowY"), "40");
    EXPECT_EQ(ReadKey("WindowW"), "640");
    EXPECT_EQ(ReadKey("WindowH"), "480");
}

TEST_F(Program, HideAnimationRunsNoTimerAndGivesTheStepsTheWholeWidth)
{
    struct Case {
        const char* hide;
        BOOL timerRuns;
        int stepX;
    } cases[] = {{"1", FALSE, 0}, {"0", TRUE, 66}};
    for (const Case& c : cases) {
        WriteKey("HideAnimation", c.hide);
        BOOL timerRuns = -1;
        RECT step = {};
        RunProgram([&](HWND window) {
            timerRuns = KillTimer(window, kAnimationTimerId);
            GetWindowRect(StepDialog(IDD_WELCOME), &step);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&step), 2);
        });
        EXPECT_EQ(timerRuns, c.timerRuns) << c.hide;
        EXPECT_EQ(step.left, c.stepX) << c.hide;
    }
}

TEST_F(Program, ExitOnTheWelcomePageEndsWithCodeZeroAndSavesChangedSettings)
{
    EXPECT_EQ(RunProgram([](HWND) {
                  Settings.HumanReadible = 1;
                  SendMessageA(StepDialog(IDD_WELCOME), WM_COMMAND, MAKEWPARAM(IDC_BACK, BN_CLICKED), 0);
              }),
              0);
    EXPECT_EQ(ReadKey("HumanReadible"), "1");
}

}  // namespace

#include "engine/activity_log.h"

namespace {

TEST_F(Program, DecliningToRunWithoutALogEndsWithCodeOneThroughTheExitSequence)
{
    WriteKey("LogSize", "0");  // no storage: the program asks whether to go on
    static int asked;
    asked = 0;
    SetLogQuestion([](const char*, const char*) {
        ++asked;
        return false;
    });
    TraceCapture trace;
    EXPECT_EQ(DavrolinMain(GetModuleHandleA(nullptr)), 1);
    SetLogQuestion(nullptr);
    EXPECT_EQ(asked, 1);
    std::string t = trace.text();
    EXPECT_EQ(t.find("stepmanager_init"), std::string::npos) << t;
    EXPECT_NE(t.find("stepmanager_exit\r\n"), std::string::npos) << t;
    EXPECT_NE(t.find("helper_exit\r\n"), std::string::npos) << t;
    EXPECT_EQ(FindWindowA(kMainWindowClass, kMainWindowTitle), nullptr);
}

// Refuses to create the third step dialog.
int dialogsCreated;
HHOOK creationHook;
LRESULT CALLBACK FailThirdDialog(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        char name[32] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
        auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
        HWND parent = create->lpcs->hwndParent;
        if (std::string(name) == "#32770" && parent && FindWindowA(kMainWindowClass, nullptr) == parent &&
            ++dialogsCreated == 3)
            return 1;
    }
    return CallNextHookEx(creationHook, code, wParam, lParam);
}

TEST_F(Program, AStepDialogThatCannotBeCreatedEndsTheProgramAfterAMessage)
{
    dialogsCreated = 0;
    creationHook = SetWindowsHookExA(WH_CBT, FailThirdDialog, nullptr, GetCurrentThreadId());
    ASSERT_NE(creationHook, nullptr);
    BoxAnswers boxes;
    TraceCapture trace;
    int rc = DavrolinMain(GetModuleHandleA(nullptr));
    UnhookWindowsHookEx(creationHook);

    EXPECT_EQ(rc, 0);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Could not create all necessary windows");
    EXPECT_EQ(boxes.boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_ICONERROR));
    std::string t = trace.text();
    EXPECT_NE(t.find("  step1_createdialog  ->    success!\r\n  step2_createdialog  ->    failed!\r\n"),
              std::string::npos)
        << t;
    EXPECT_EQ(t.find("step3_createdialog"), std::string::npos);
    EXPECT_EQ(t.find("stepmanager_exit"), std::string::npos) << "no exit sequence";
    EXPECT_NE(StepDialog(IDD_WELCOME), nullptr);
    EXPECT_NE(StepDialog(IDD_SOURCE), nullptr);
    EXPECT_EQ(StepDialog(IDD_DESTINATION), nullptr);
    EXPECT_EQ(VisibleStep(), 0);
    EXPECT_EQ(ReadKey("WindowX"), "(none)") << "nothing written";

    // What the ended process would have left behind.
    DestroyWindow(FindWindowA(kMainWindowClass, kMainWindowTitle));
    PumpMessages();
    stepmanager_exit();
    FreeAnimationPictures();
}

}  // namespace

namespace {

TEST_F(Program, TheProgramFileOpensItsWindowAndEndsWithCodeZeroWhenClosed)
{
    std::string exe = ProgramFile();
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) << exe;
    HWND window = nullptr;
    for (int i = 0; i < 300 && !window; ++i) {
        Sleep(50);
        window = FindWindowA(kMainWindowClass, kMainWindowTitle);
    }
    ASSERT_NE(window, nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(owner, pi.dwProcessId);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(ReadKey("WindowX"), "0") << "the position is written back at exit";
}

}  // namespace
