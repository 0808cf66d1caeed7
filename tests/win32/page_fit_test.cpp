// Every page fits the window at the size a first run opens at, which is also
// the smallest size the window takes: no control of a page reaches past the
// page's right or bottom edge, and each label, group box and check box has
// room for its whole text in the dialog font.

#include "resources/resource.h"
#include "tests/win32/page_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Describe(HWND control)
{
    char kind[64] = {};
    char text[512] = {};
    GetClassNameA(control, kind, sizeof kind);
    GetWindowTextA(control, text, sizeof text);
    return std::string(kind) + " " + std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\"";
}

// The rectangle `text` takes in `control`'s font when laid out with
// DrawText `format` within `width` pixels.
RECT TextExtent(HWND control, const std::string& text, UINT format, int width)
{
    HDC dc = GetDC(control);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    RECT r = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &r, format | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return r;
}

// Checks that the text of `control` is shown whole: a label's wrapped lines
// within its height, a group box's or check box's caption on one line within
// its width (`reserved` pixels go to the box or the frame).
void ExpectTextFits(HWND control, const std::string& where)
{
    char text[4096] = {};
    GetWindowTextA(control, text, sizeof text);
    if (!*text)
        return;
    char kind[64] = {};
    GetClassNameA(control, kind, sizeof kind);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    RECT box;
    GetClientRect(control, &box);
    if (lstrcmpiA(kind, "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT)
            return;
        const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
        RECT need = TextExtent(control, text, DT_WORDBREAK | DT_EXPANDTABS | prefix, box.right);
        EXPECT_LE(need.bottom, box.bottom)
            << where << ": the label's text takes more lines than it shows (on one line it is "
            << TextExtent(control, text, DT_SINGLELINE | prefix, 0).right << " of " << box.right << " pixels)";
        EXPECT_LE(need.right, box.right) << where << ": a word of the label is wider than the label";
        return;
    }
    if (lstrcmpiA(kind, "Button") != 0)
        return;
    const LONG type = style & BS_TYPEMASK;
    int reserved;
    if (type == BS_GROUPBOX)
        reserved = 2 * GetSystemMetrics(SM_CXEDGE) + 8;
    else if ((type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
              type == BS_AUTORADIOBUTTON) &&
             !(style & BS_PUSHLIKE))
        reserved = GetSystemMetrics(SM_CXMENUCHECK) + 4;
    else
        return;
    RECT need = TextExtent(control, text, DT_SINGLELINE, 0);
    EXPECT_LE(need.right + reserved, box.right) << where << ": the caption is cut (it needs " << need.right << " + "
                                                << reserved << " of " << box.right << " pixels)";
}

// Checks every control of page `dialogId`, shown or hidden: the hidden ones
// are shown by the page's own rules in other states.
void ExpectPageFits(int dialogId, const char* name)
{
    HWND dialog = StepDialog(dialogId);
    ASSERT_NE(dialog, nullptr) << name;
    RECT page;
    GetClientRect(dialog, &page);
    int controls = 0;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        ++controls;
        const std::string where = std::string(name) + ", " + Describe(c);
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_GE(r.left, 0) << where;
        EXPECT_LE(r.right, page.right) << where << ": reaches past the page's right edge " << page.right;
        EXPECT_LE(r.bottom, page.bottom) << where << ": reaches past the page's bottom edge " << page.bottom;
        ExpectTextFits(c, where);
    }
    EXPECT_GT(controls, 0) << name;
}

TEST(PageFit, EveryPageFitsTheWindowAtItsFirstRunSize)
{
    // The File types page with its range fields shown and a five-digit
    // highest profile in their captions; the folder pages' summaries name the
    // default folders.
    SettingsRecord s = CheckedSettings();
    s.UnpackAll = 0;
    s.Options = KindEngineering | KindCtd;
    s.ProfileRange = RangeProfiles;
    s.MaxProfile = 99999;
    Wizard wizard(s, s.WindowW, s.WindowH);
    RECT outer;
    GetWindowRect(wizard.window(), &outer);
    ASSERT_EQ(outer.right - outer.left, 600);
    ASSERT_EQ(outer.bottom - outer.top, 400);

    const struct {
        int dialogId;
        const char* name;
    } pages[] = {
        {IDD_WELCOME, "Welcome"}, {IDD_SOURCE, "Source"}, {IDD_DESTINATION, "Destination"},
        {IDD_FILETYPES, "File types"}, {IDD_PREFIX, "Prefix"}, {IDD_FORMAT, "Format"},
        {IDD_EXPORT, "Export"}, {IDD_VERIFY, "Verify"}, {IDD_UNPACKING, "Unpacking"},
    };
    ASSERT_TRUE(IsShown(IDD_FILETYPES, IDC_LAST_PROFILE)) << "the range fields were meant to be shown";
    // Every page is laid out in the window, shown or not (showing the
    // Unpacking page would start a run).
    for (const auto& p : pages)
        ExpectPageFits(p.dialogId, p.name);

    // A single-line field takes what is typed only as far as it shows or
    // scrolls: the largest profile number must go in whole.
    GoTo(IDD_FILETYPES);
    for (int id : {IDC_FIRST_PROFILE, IDC_LAST_PROFILE}) {
        SetControlText(IDD_FILETYPES, id, "");
        for (const char* c = "4294967295"; *c; ++c)
            SendMessageA(Control(IDD_FILETYPES, id), WM_CHAR, static_cast<WPARAM>(*c), 1);
        EXPECT_EQ(ControlText(IDD_FILETYPES, id), "4294967295") << "field " << id;
    }
}

}  // namespace
