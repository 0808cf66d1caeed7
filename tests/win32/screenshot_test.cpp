// Pictures of the wizard: with DAVROLIN_SCREENSHOTS naming a folder, shows
// every step in turn and saves the main window as <folder>/<n>-<step>.bmp
// (scripts/screenshots.sh turns them into PNGs). Without it the test is skipped.
// DAVROLIN_SCREENSHOT_SOURCE and DAVROLIN_SCREENSHOT_DESTINATION, when set,
// name the source and destination folders the pages show.

#include "resources/resource.h"
#include "tests/win32/gui_fixture.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Saves the on-screen pixels of `window`'s client area as a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::string& path)
{
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    int w = r.right - r.left, h = r.bottom - r.top;
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
    int stride = (w * 3 + 3) & ~3;
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
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    return std::fclose(out) == 0;
}

// Lets the window paint, then waits a little for the screen to follow.
void Settle()
{
    for (int i = 0; i < 10; ++i) {
        PumpMessages();
        Sleep(50);
    }
}

TEST(Screenshots, EveryStep)
{
    const char* folder = std::getenv("DAVROLIN_SCREENSHOTS");
    if (!folder || !*folder)
        GTEST_SKIP() << "set DAVROLIN_SCREENSHOTS to a folder to take pictures";
    SettingsRecord settings = Wizard::DefaultSettings();
    if (const char* source = std::getenv("DAVROLIN_SCREENSHOT_SOURCE"))
        lstrcpynA(settings.SrcDir, source, kTextFieldSize);
    if (const char* destination = std::getenv("DAVROLIN_SCREENSHOT_DESTINATION"))
        lstrcpynA(settings.DstDir, destination, kTextFieldSize);
    Wizard wizard(settings, 720, 520);
    struct Shot {
        int dialogId;
        const char* name;
    } shots[] = {
        {IDD_WELCOME, "welcome"},    {IDD_SOURCE, "source"}, {IDD_DESTINATION, "destination"},
        {IDD_FILETYPES, "filetypes"}, {IDD_PREFIX, "prefix"}, {IDD_FORMAT, "format"},
        {IDD_VERIFY, "verify"},       {IDD_UNPACKING, "unpacking"},
    };
    int n = 0;
    for (const Shot& shot : shots) {
        for (const StepRecord& step : StepTable)
            stepmanager_show(step.dialogId, false);
        stepmanager_show(shot.dialogId, true);
        Settle();
        std::string path = std::string(folder) + "/" + std::to_string(++n) + "-" + shot.name + ".bmp";
        EXPECT_TRUE(SaveWindowPicture(wizard.window(), path)) << path;
    }
}

}  // namespace
