#pragma once
// Driving one wizard page in the Win32 tests: go to it, read and set its
// controls, press keys through the program's own message loop.

#include "tests/win32/gui_fixture.h"
#include "wizard/main_window.h"
#include "wizard/stepmanager.h"

#include <windows.h>

#include <string>

// Switches from the visible page to `dialogId` as the step manager does.
inline void GoTo(int dialogId)
{
    stepmanager_show(VisibleStep(), false);
    stepmanager_show(dialogId, true);
    PumpMessages();
}

inline HWND Control(int dialogId, int id)
{
    return GetDlgItem(StepDialog(dialogId), id);
}

inline std::string ControlText(int dialogId, int id)
{
    char text[4096];
    GetDlgItemTextA(StepDialog(dialogId), id, text, sizeof text);
    return text;
}

inline void SetControlText(int dialogId, int id, const std::string& text)
{
    SendMessageA(Control(dialogId, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

inline bool IsChecked(int dialogId, int id)
{
    return IsDlgButtonChecked(StepDialog(dialogId), id) == BST_CHECKED;
}

// Clicks a check box until it has the state `checked`.
inline void SetChecked(int dialogId, int id, bool checked)
{
    if (IsChecked(dialogId, id) != checked)
        Click(dialogId, id);
}

inline bool IsShown(int dialogId, int id)
{
    return (GetWindowLongA(Control(dialogId, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

inline bool IsEnabled(int dialogId, int id)
{
    return IsWindowEnabled(Control(dialogId, id)) != FALSE;
}

// The id of the control of page `dialogId` that has the focus, 0 for none.
inline int FocusId(int dialogId)
{
    HWND focus = GetFocus();
    return focus && GetParent(focus) == StepDialog(dialogId) ? GetDlgCtrlID(focus) : 0;
}

// A key press as the loop receives it, sent to `target` (the focus window
// when none is named).
inline void PressKey(WPARAM key, HWND target = nullptr)
{
    MSG down = {};
    down.hwnd = target ? target : GetFocus();
    down.message = WM_KEYDOWN;
    down.wParam = key;
    down.lParam = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(key), 0) << 16 | 1);
    DispatchLoopMessage(&down);
    PumpMessages();
}

// Settings as after folder checks that passed, so the summaries go on past
// the folder lines.
inline SettingsRecord CheckedSettings()
{
    SettingsRecord s = Wizard::DefaultSettings();
    s.SourceEntered = 1;
    s.SourceDataOk = 1;
    s.DestinationExists = 1;
    s.ProfilesPerFile = 10;
    return s;
}

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Puts the process's current directory back when it goes (the folder checks
// change it, and a current directory cannot be removed). Declare it after
// the temporary folders, so it goes first.
class CurrentDirGuard {
public:
    CurrentDirGuard() { GetCurrentDirectoryA(MAX_PATH, saved_); }
    ~CurrentDirGuard() { SetCurrentDirectoryA(saved_); }
    CurrentDirGuard(const CurrentDirGuard&) = delete;
    CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;
    void restore() const { SetCurrentDirectoryA(saved_); }

private:
    char saved_[MAX_PATH] = {};
};
