#include "wizard/dlghelper.h"

#include "app/expanded_text.h"
#include "app/settings_record.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "wizard/folder_text.h"
#include "wizard/message_box.h"

#include <cstring>
#include <vector>

LayoutMetrics Layout;

namespace {
HINSTANCE helperInstance;
HBITMAP headerBitmap;

constexpr COLORREF kTitleColour = RGB(0, 0, 192);
constexpr COLORREF kTitleBackground = RGB(184, 214, 214);
}  // namespace

int dlghelper_init(HINSTANCE instance)
{
    DebugTrace("  dlghelper_init\r\n");
    helperInstance = instance;
    headerBitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_HEADER));
    LONG units = GetDialogBaseUnits();
    int bx = LOWORD(units);
    int by = HIWORD(units);
    Layout.marginX = (bx * 6) >> 2;
    Layout.marginY = (by * 6) >> 3;
    Layout.buttonWidth = (bx * 37) >> 2;
    Layout.buttonHeight = (by * 10) >> 3;
    Layout.clientWidth = 0;
    Layout.clientHeight = 0;
    return 0;
}

void dlghelper_exit()
{
    DebugTrace("  dlghelper_exit\r\n");
    if (headerBitmap) {
        DeleteObject(headerBitmap);
        headerBitmap = nullptr;
    }
}

HINSTANCE DialogInstance()
{
    return helperInstance;
}

void MoveControl(HWND dialog, int id, int x, int y, int width, int height)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return;
    RECT r;
    GetWindowRect(control, &r);
    // Relative to the dialog's window origin.
    RECT d;
    GetWindowRect(dialog, &d);
    OffsetRect(&r, -d.left, -d.top);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (x == -1 && y == -1)
        flags |= SWP_NOMOVE;
    if (width == -1 && height == -1)
        flags |= SWP_NOSIZE;
    if (x == -1)
        x = r.left;
    if (y == -1)
        y = r.top;
    if (width == -1)
        width = r.right - r.left;
    if (height == -1)
        height = r.bottom - r.top;
    SetWindowPos(control, nullptr, x, y, width, height, flags);
}

void PlaceButtonRow(HWND dialog, int width, int height, bool hasBack)
{
    const LayoutMetrics& m = Layout;
    int y = height - m.buttonHeight - m.marginY;
    MoveControl(dialog, IDC_NEXT, width - m.buttonWidth - m.marginX, y, -1, -1);
    if (hasBack)
        MoveControl(dialog, IDC_BACK, width - 2 * (m.marginX + m.buttonWidth), y, -1, -1);
    MoveControl(dialog, IDC_HELP_BUTTON, -1, y, -1, -1);
}

void PaintStepHeader(HDC dc, int clientWidth, std::optional<MessageId> titleId)
{
    if (headerBitmap) {
        HDC tiles = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(tiles, headerBitmap);
        for (int x = 0; x < clientWidth; x += 64)
            BitBlt(dc, x, 0, 128, 64, tiles, 0, 0, SRCCOPY);
        SelectObject(tiles, old);
        DeleteDC(tiles);
    }
    SetTextColor(dc, kTitleColour);
    SetBkColor(dc, kTitleBackground);
    if (!titleId)
        return;

    HFONT font = CreateFontA(-MulDiv(18, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                             DEFAULT_CHARSET, 0, 0, 0, 0, nullptr);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;

    char title[4096];
    LoadMessage(*titleId, title, sizeof title);
    UINT oldAlign = SetTextAlign(dc, TA_BOTTOM);
    RECT clip = {3, 0, 1027, 64};
    ExtTextOutA(dc, 3, 56, ETO_CLIPPED, &clip, title, (UINT)std::strlen(title), nullptr);
    SetTextAlign(dc, oldAlign);

    if (font) {
        SelectObject(dc, oldFont);
        DeleteObject(font);
    }
}

void PaintStepDialog(HWND dialog, std::optional<MessageId> titleId)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    RECT client;
    GetClientRect(dialog, &client);
    PaintStepHeader(dc, client.right, titleId);
    EndPaint(dialog, &ps);
}

bool EnterMovesFocus(HWND dialog, const int* ids, int count)
{
    HWND focus = GetFocus();
    if (!focus || GetParent(focus) != dialog)
        return false;
    int focusId = GetDlgCtrlID(focus);
    for (int i = 0; i < count; ++i) {
        if (ids[i] == focusId) {
            PostMessageA(dialog, WM_NEXTDLGCTL, 0, 0);
            return true;
        }
    }
    return false;
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthA(control);
    std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    return std::string(text.data());
}

void LoadMessage(MessageId id, char* out, int size)
{
    if (size <= 0)
        return;
    ExpandMessage(helperInstance ? helperInstance : GetModuleHandleA(nullptr), id, out, static_cast<size_t>(size));
}

int ShowFolderBox(HWND dialog, char* field, const char* typed, MessageId textId, MessageId captionId, UINT type)
{
    char saved[kTextFieldSize];
    std::memcpy(saved, field, sizeof saved);
    StoreFolderText(field, typed);
    char text[4096];
    char caption[4096];
    LoadMessage(textId, text, sizeof text);
    LoadMessage(captionId, caption, sizeof caption);
    std::memcpy(field, saved, sizeof saved);
    return ShowMessageBox(dialog, text, caption, type);
}
