#pragma once
// Helpers for the Win32 tests: catching the program's debugger trace lines,
// answering message boxes, pumping messages through the program's own loop
// body, and a main window with every step dialog inside it.

#include "app/settings_record.h"

#include <windows.h>

#include <string>
#include <vector>

// Collects what OutputDebugStringA writes while it lives (the trace lines
// reach a vectored exception handler before the debugger would see them).
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;
    std::string text() const;
    void clear();
};

// Records every message box and answers it with `answer`.
struct ShownBox {
    std::string text;
    std::string caption;
    UINT type;
};
class BoxAnswers {
public:
    explicit BoxAnswers(int answer = IDOK);
    ~BoxAnswers();
    const std::vector<ShownBox>& boxes() const;
};

// Handles every message waiting in this thread's queue through the program's
// loop body; a quit message is taken out and its code returned (-1 if none).
int PumpMessages();

// The main window with the step manager started inside it.
class Wizard {
public:
    // `settings` are copied into Settings before anything is created.
    explicit Wizard(const SettingsRecord& settings = DefaultSettings(), int width = 800, int height = 600);
    ~Wizard();
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;
    HWND window() const { return window_; }
    static SettingsRecord DefaultSettings();

private:
    HWND window_;
    SettingsRecord saved_;
};

// The one visible step dialog's id, 0 when none is visible, -1 when several are.
int VisibleStep();

// Clicks control `id` of step dialog `dialogId` and handles what follows.
void Click(int dialogId, int id);

// The rectangle of a control relative to its dialog's client area.
RECT ControlRect(int dialogId, int id);

// Saves the on-screen pixels of `window` as a 24-bit BMP file: its client
// area, or the whole window with its frame.
enum class PictureArea { Client, Window };
bool SaveScreenPicture(HWND window, const std::string& path, PictureArea area);
