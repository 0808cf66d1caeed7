#include "tests/win32/gui_fixture.h"
#include "tests/fixture/job_support.h"
#include "wizard/main_window.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

namespace {

TEST(MainWindow, StoredPlacementIsFittedToTheScreen)
{
    struct Case {
        int x, y, w, h;
        int ex, ey, ew, eh;
    } cases[] = {
        {INT32_MIN, INT32_MIN, 600, 400, 0, 0, 600, 400},  // no settings file
        {-8, -30, 600, 400, 0, 0, 600, 400},
        {1280, 100, 600, 400, 0, 100, 600, 400},           // beyond the right edge
        {100, 1024, 600, 400, 100, 0, 600, 400},
        {10, 20, 5000, 5000, 10, 20, 1279, 1023},
        {1279, 1023, 1280, 1024, 1279, 1023, 1279, 1023},
    };
    for (const Case& c : cases) {
        SettingsRecord s = Wizard::DefaultSettings();
        s.WindowX = c.x;
        s.WindowY = c.y;
        s.WindowW = c.w;
        s.WindowH = c.h;
        FitPlacement(s, 1280, 1024);
        EXPECT_EQ(s.WindowX, c.ex) << c.x;
        EXPECT_EQ(s.WindowY, c.ey) << c.y;
        EXPECT_EQ(s.WindowW, c.ew) << c.w;
        EXPECT_EQ(s.WindowH, c.eh) << c.h;
    }
}

TEST(MainWindow, AnimationRestsTravelsAndTurnsAtTheEnds)
{
    SettingsRecord saved = Settings;
    Settings.HideAnimation = 0;
    HDC dc = CreateCompatibleDC(nullptr);
    struct Case {
        AnimationState before;
        int height;
        AnimationState after;
    } cases[] = {
        {{0, 0, 0}, 400, {0, 0, 1}},        // resting at the top
        {{0, 0, 59}, 400, {-1, 0, 0}},      // rested 6 s: starts down
        {{0, 320, 59}, 400, {1, 320, 0}},   // at the bottom: starts up
        {{-1, 10, 0}, 400, {-1, 11, 0}},
        {{-1, 319, 5}, 400, {0, 320, 0}},   // reaches the bottom
        {{-1, 350, 0}, 400, {0, 320, 0}},   // past a bottom that moved up
        {{1, 1, 3}, 400, {0, 0, 0}},        // reaches the top
        {{1, 100, 0}, 400, {1, 99, 0}},
    };
    for (const Case& c : cases) {
        Animation = c.before;
        AnimationStep(dc, c.height);
        EXPECT_EQ(Animation.direction, c.after.direction) << c.before.position;
        EXPECT_EQ(Animation.position, c.after.position) << c.before.position;
        EXPECT_EQ(Animation.rest, c.after.rest) << c.before.position;
    }
    Settings.HideAnimation = 1;
    Animation = {0, 0, 59};
    AnimationStep(dc, 400);
    EXPECT_EQ(Animation.rest, 59);
    DeleteDC(dc);
    Animation = {};
    Settings = saved;
}

TEST(MainWindow, ShrinkingMovesThePictureUpToTheNewBottom)
{
    Wizard wizard(Wizard::DefaultSettings(), 700, 600);
    RECT client;
    GetClientRect(wizard.window(), &client);
    Animation = {0, client.bottom - 80, 0};
    SetWindowPos(wizard.window(), nullptr, 0, 0, 700, 450, SWP_NOZORDER | SWP_NOMOVE);
    PumpMessages();
    GetClientRect(wizard.window(), &client);
    EXPECT_EQ(Animation.position, client.bottom - 80);
    Animation = {};
}

TEST(MainWindow, MinimumTrackingSizeIs600By400)
{
    Wizard wizard;
    MINMAXINFO info = {};
    SendMessageA(wizard.window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 600);
    EXPECT_EQ(info.ptMinTrackSize.y, 400);
}

TEST(MainWindow, ClosingTheWindowEndsTheLoopWithCodeZero)
{
    Wizard wizard;
    SendMessageA(wizard.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_FALSE(IsWindow(wizard.window()));
}

}  // namespace

#include "engine/unpack_job.h"
#include "tests/fixture/fixture.h"

#include <atomic>
#include <cstring>

namespace {

// Holds the run at its end until the test has asked the window to close, and
// notes whether the window was still there when the worker finished.
struct HoldingObserver : JobObserver {
    HWND window = nullptr;
    HANDLE closeAsked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> windowAliveAtEnd{-1};
    std::atomic<bool> cancelSeen{false};
    ~HoldingObserver() override
    {
        CloseHandle(closeAsked);
        CloseHandle(started);
    }
    void OnJobFinished(bool) override
    {
        WaitForSingleObject(closeAsked, 10000);
        cancelSeen = TheUnpackJob().CancelRequested();
        windowAliveAtEnd = IsWindow(window) ? 1 : 0;
        // As the wizard does: a synchronous message to the window, which must
        // not deadlock with a window that waits for this run.
        SendMessageA(window, WM_NULL, 0, 0);
    }
    void OnLogChanged() override { SetEvent(started); }
    void OnJobProgress(uint32_t, uint32_t) override {}
    void OnJobStatus(const char*, const char*) override {}
};

TEST(MainWindow, ClosingDuringARunCancelsItAndWaitsForItsEnd)
{
    char startFolder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, startFolder);
    TempDir source, destination;
    Wizard wizard;
    std::strcpy(Settings.SrcDir, source.str().c_str());
    std::strcpy(Settings.DstDir, destination.str().c_str());
    HoldingObserver observer;
    observer.window = wizard.window();
    TheUnpackJob().SetObserver(&observer);
    TheUnpackJob().ClearCancel();
    ResetTestLog();
    ASSERT_EQ(StartSettingsRun(), 0);
    ASSERT_EQ(WaitForSingleObject(observer.started, 10000), WAIT_OBJECT_0);

    SendMessageA(wizard.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(wizard.window())) << "closed while the worker still runs";
    SetEvent(observer.closeAsked);
    for (int i = 0; i < 200 && IsWindow(wizard.window()); ++i) {
        PumpMessages();
        Sleep(20);
    }
    EXPECT_FALSE(IsWindow(wizard.window()));
    EXPECT_EQ(observer.windowAliveAtEnd, 1);
    EXPECT_TRUE(observer.cancelSeen);
    TheUnpackJob().SetObserver(nullptr);
    TheUnpackJob().ClearCancel();
    SetCurrentDirectoryA(startFolder);  // the run entered the source folder
}

}  // namespace

namespace {

TEST(MainWindow, MinimisingKeepsTheRememberedPlaceAndThePicture)
{
    Wizard wizard(Wizard::DefaultSettings(), 700, 500);
    SetWindowPos(wizard.window(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages();
    RECT before = MainWindowRect;
    EXPECT_EQ(before.left, 40);
    Animation = {0, 200, 0};
    ShowWindow(wizard.window(), SW_MINIMIZE);
    PumpMessages();
    EXPECT_TRUE(IsIconic(wizard.window()));
    EXPECT_TRUE(EqualRect(&MainWindowRect, &before));
    EXPECT_EQ(Animation.position, 200);
    ShowWindow(wizard.window(), SW_RESTORE);
    PumpMessages();
    EXPECT_TRUE(EqualRect(&MainWindowRect, &before));
    Animation = {};
}

}  // namespace

#include "resources/resource.h"

namespace {

// The colour of pixel (x, y) of bitmap resource `id`.
COLORREF BitmapPixel(int id, int x, int y)
{
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    COLORREF c = GetPixel(memory, x, y);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return c;
}

TEST(MainWindow, PaintsTheColumnTilesAndTheVehicleOnTheLine)
{
    Animation = {0, 0, 0};
    Wizard wizard(Wizard::DefaultSettings(), 700, 500);
    RedrawWindow(wizard.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();
    HDC dc = GetDC(wizard.window());
    struct Case {
        int x, y, bitmap, bx, by;
    } cases[] = {
        {10, 100, IDB_COLUMN_TILE, 10, 20},  // tiles below the top one
        {50, 333, IDB_COLUMN_TILE, 50, 13},
        {60, 85, IDB_COLUMN_TILE, 60, 5},
        {32, 40, IDB_VEHICLE, 32, 40},       // the vehicle resting at the top
        {20, 33, IDB_VEHICLE, 20, 33},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetPixel(dc, c.x, c.y), BitmapPixel(c.bitmap, c.bx, c.by)) << c.x << "," << c.y;
    ReleaseDC(wizard.window(), dc);
    Animation = {};
}

}  // namespace
