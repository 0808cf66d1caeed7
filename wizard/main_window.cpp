#include "wizard/main_window.h"

#include "app/run_request.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "wizard/stepmanager.h"

#include <initializer_list>
#include <thread>

AnimationState Animation;
RECT MainWindowRect;

namespace {
HBITMAP columnTile;  // 105
HBITMAP columnTop;   // 110
HBITMAP vehicle;     // 108
bool closePending;   // closed while a run was going: waiting for its end

// Posted to the main window when the worker of a run has ended.
constexpr UINT kRunEnded = WM_APP + 1;

void Blit(HDC dc, HBITMAP bitmap, int x, int y, int width, int height)
{
    if (!bitmap)
        return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

void DrawVehicle(HDC dc)
{
    Blit(dc, vehicle, 0, Animation.position, 64, kPictureHeight);
}

void DrawVehicle(HWND window)
{
    HDC dc = GetDC(window);
    DrawVehicle(dc);
    ReleaseDC(window, dc);
}

void DrawColumn(HDC dc, int clientHeight)
{
    Blit(dc, columnTop, 0, 0, kAnimationWidth, kPictureHeight);
    for (int y = kPictureHeight; y < clientHeight; y += kPictureHeight)
        Blit(dc, columnTile, 0, y, kAnimationWidth, kPictureHeight);
}

int ClientHeight(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    return r.bottom;
}

void Remember(HWND window)
{
    // A minimised window's rectangle is the icon's, not a place to reopen at.
    if (!IsIconic(window))
        GetWindowRect(window, &MainWindowRect);
}
}  // namespace

void LoadAnimationPictures(HINSTANCE instance)
{
    columnTile = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_COLUMN_TILE));
    columnTop = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_COLUMN_TOP));
    vehicle = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_VEHICLE));
}

void FreeAnimationPictures()
{
    for (HBITMAP* b : {&columnTile, &columnTop, &vehicle}) {
        if (*b)
            DeleteObject(*b);
        *b = nullptr;
    }
}

void AnimationStep(HDC dc, int clientHeight)
{
    if (Settings.HideAnimation)
        return;
    int limit = clientHeight - kPictureHeight;
    AnimationState& a = Animation;
    if (a.direction == -1) {
        a.position += 1;
        if (a.position >= limit) {
            a.position = limit;
            a.direction = 0;
            a.rest = 0;
        }
    } else if (a.direction == 1) {
        a.position -= 1;
        if (a.position <= 0) {
            a.position = 0;
            a.direction = 0;
            a.rest = 0;
        }
    } else {
        a.rest += 1;
        if (a.rest >= kRestSteps) {
            a.rest = 0;
            a.direction = a.position != 0 ? 1 : -1;
        }
    }
    DrawVehicle(dc);
}

void FitPlacement(SettingsRecord& s, int sw, int sh)
{
    if (s.WindowX < 0)
        s.WindowX = 0;
    if (s.WindowY < 0)
        s.WindowY = 0;
    if (s.WindowX >= sw)
        s.WindowX = 0;
    if (s.WindowY >= sh)
        s.WindowY = 0;
    if (s.WindowW >= sw)
        s.WindowW = sw - 1;
    if (s.WindowH >= sh)
        s.WindowH = sh - 1;
}

bool RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_DAVROLIN));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_DAVROLIN), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kMainWindowClass;
    if (RegisterClassExA(&wc))
        return true;
    // Registered already (a test starting the window twice in one process).
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateMainWindow(HINSTANCE instance, const SettingsRecord& s)
{
    HWND window = CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, s.WindowX, s.WindowY,
                                  s.WindowW, s.WindowH, nullptr, nullptr, instance, nullptr);
    if (window)
        Remember(window);
    return window;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool animate = Settings.HideAnimation == 0;
    switch (message) {
    case WM_CREATE:
        if (animate)
            DrawVehicle(window);
        break;
    case WM_CLOSE:
        // A run may still be going. Tearing the window down now would leave
        // the worker writing after the dialogs, the log and the settings are
        // gone. Ask it to cancel and close once it has ended; meanwhile the
        // loop keeps handling its notifications.
        if (closePending)
            return 0;
        if (TheUnpackJob().IsRunning()) {
            closePending = true;
            TheUnpackJob().Cancel();
            EnableWindow(window, FALSE);
            std::thread([window] {
                TheUnpackJob().Wait();
                PostMessageA(window, kRunEnded, 0, 0);
            }).detach();
            return 0;
        }
        break;
    case kRunEnded:
        closePending = false;
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_MOVE:
        Remember(window);
        break;
    case WM_SIZE: {
        int w = LOWORD(lParam);
        int h = HIWORD(lParam);
        if (animate) {
            DrawVehicle(window);
            stepmanager_move_all(kAnimationWidth, 0, w - kAnimationWidth, h);
            // Minimised, the window has no client area: the picture keeps
            // its place for when the window comes back.
            if (wParam != SIZE_MINIMIZED && Animation.position > h - kPictureHeight) {
                HDC dc = GetDC(window);
                Blit(dc, columnTile, 0, Animation.position, 64, kPictureHeight);
                Animation.position = h - kPictureHeight;
                DrawVehicle(dc);
                ReleaseDC(window, dc);
            }
        } else {
            stepmanager_move_all(0, 0, w, h);
        }
        Remember(window);
        break;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (animate) {
            DrawColumn(dc, ClientHeight(window));
            AnimationStep(dc, ClientHeight(window));
        }
        EndPaint(window, &ps);
        return 0;
    }
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = kMinTrackWidth;
        info->ptMinTrackSize.y = kMinTrackHeight;
        return 0;
    }
    case WM_TIMER: {
        HDC dc = GetDC(window);
        AnimationStep(dc, ClientHeight(window));
        ReleaseDC(window, dc);
        break;
    }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void DispatchLoopMessage(MSG* message)
{
    if (!stepmanager_is_dialog_message(message)) {
        TranslateMessage(message);
        DispatchMessageA(message);
    }
}

int helper_init()
{
    DebugTrace("helper_init\r\n");
    return 0;
}

void helper_exit()
{
    DebugTrace("helper_exit\r\n");
    // Releases the worker of the last run (it has ended by now).
    TheUnpackJob().Wait();
}
