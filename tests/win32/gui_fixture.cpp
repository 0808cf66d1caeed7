#include "tests/win32/gui_fixture.h"

#include "wizard/main_window.h"
#include "wizard/message_box.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {
constexpr DWORD kDebugPrint = 0x40010006;  // DBG_PRINTEXCEPTION_C
std::string captured;
PVOID handler;

LONG CALLBACK CatchTrace(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    if (r->ExceptionCode == kDebugPrint && r->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
        size_t length = static_cast<size_t>(r->ExceptionInformation[0]);
        if (text && length > 0)
            captured.append(text, length - 1);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

std::vector<ShownBox> shownBoxes;
int boxAnswer;

int AnswerBox(HWND, const char* text, const char* caption, UINT type)
{
    shownBoxes.push_back({text, caption, type});
    return boxAnswer;
}
}  // namespace

TraceCapture::TraceCapture()
{
    captured.clear();
    handler = AddVectoredExceptionHandler(1, CatchTrace);
}

TraceCapture::~TraceCapture()
{
    RemoveVectoredExceptionHandler(handler);
}

std::string TraceCapture::text() const
{
    return captured;
}

void TraceCapture::clear()
{
    captured.clear();
}

BoxAnswers::BoxAnswers(int answer)
{
    shownBoxes.clear();
    boxAnswer = answer;
    SetMessageBoxHook(AnswerBox);
}

BoxAnswers::~BoxAnswers()
{
    SetMessageBoxHook(nullptr);
}

const std::vector<ShownBox>& BoxAnswers::boxes() const
{
    return shownBoxes;
}

int PumpMessages()
{
    int quit = -1;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = static_cast<int>(message.wParam);
            continue;
        }
        DispatchLoopMessage(&message);
    }
    return quit;
}

SettingsRecord Wizard::DefaultSettings()
{
    SettingsRecord s;
    SetDefaultSettings(s);
    return s;
}

Wizard::Wizard(const SettingsRecord& settings, int width, int height) : saved_(Settings)
{
    Settings = settings;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    EXPECT_EQ(stepmanager_init(instance), 0);
    if (Settings.HideAnimation == 0)
        LoadAnimationPictures(instance);
    EXPECT_TRUE(RegisterMainWindowClass(instance));
    SettingsRecord placement = Settings;
    placement.WindowX = 0;
    placement.WindowY = 0;
    placement.WindowW = width;
    placement.WindowH = height;
    window_ = CreateMainWindow(instance, placement);
    EXPECT_NE(window_, nullptr);
    ShowWindow(window_, SW_SHOWNORMAL);
    EXPECT_EQ(stepmanager_go(window_), 0);
    PumpMessages();
}

Wizard::~Wizard()
{
    stepmanager_exit();
    FreeAnimationPictures();
    DestroyWindow(window_);
    PumpMessages();
    Settings = saved_;
}

int VisibleStep()
{
    int found = 0;
    for (const StepRecord& step : StepTable) {
        HWND dialog = StepDialog(step.dialogId);
        if (dialog && IsWindowVisible(dialog)) {
            if (found)
                return -1;
            found = step.dialogId;
        }
    }
    return found;
}

void Click(int dialogId, int id)
{
    HWND control = GetDlgItem(StepDialog(dialogId), id);
    ASSERT_NE(control, nullptr);
    SendMessageA(control, BM_CLICK, 0, 0);
    PumpMessages();
}

RECT ControlRect(int dialogId, int id)
{
    HWND dialog = StepDialog(dialogId);
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool SaveScreenPicture(HWND window, const std::string& path, PictureArea area)
{
    RECT r;
    if (area == PictureArea::Client) {
        GetClientRect(window, &r);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    } else {
        GetWindowRect(window, &r);
    }
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = (w * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<size_t>(stride) * h);
    GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool written = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
                   std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && written;
}
