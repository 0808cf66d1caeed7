#pragma once
// The help binding: every page's Help button shows its topic of Davrolin.chm
// through the system's HTML Help viewer. The viewer module is found through
// its registered class (or by name), its entry point (ordinal 14) is taken at
// the first request and kept; every failure is silent and, once failed, no
// further load is tried.

#include <windows.h>

// Topics of the pages.
constexpr const char* kHelpWelcome = "Davrolin.chm::/First Screen.htm";
constexpr const char* kHelpStep1 = "Davrolin.chm::/Step1.htm";
constexpr const char* kHelpStep2 = "Davrolin.chm::/Step2.htm";
constexpr const char* kHelpStep3 = "Davrolin.chm::/Step3.htm";
constexpr const char* kHelpStep4 = "Davrolin.chm::/Step4.htm";
constexpr const char* kHelpStep5 = "Davrolin.chm::/Step5.htm";
constexpr const char* kHelpStep5b = "Davrolin.chm::/Step5b.htm";  // the export for analysis
constexpr const char* kHelpStep6 = "Davrolin.chm::/Step6.htm";
constexpr const char* kHelpUnpacking = "Davrolin.chm::/Unpacking.htm";

using HtmlHelpEntry = HWND(WINAPI*)(HWND owner, LPCSTR file, UINT command, DWORD_PTR data);

// Finds the viewer module and its entry when not yet done; false when the
// binding failed (now or before).
bool BindHelpViewer();

// Binds to the viewer when not yet bound and calls its entry; 0 when the
// viewer is unavailable.
HWND HtmlHelpA(HWND owner, LPCSTR file, UINT command, DWORD_PTR data);

// Shows `topic` with `owner` as the viewer's owner (display topic command).
void OpenHelp(HWND owner, const char* topic);

// The system calls the binding makes; tests replace them.
struct HelpSystem {
    // Default value of the viewer's registry key under the classes root.
    bool (*readRegisteredPath)(char* path, DWORD size);
    HMODULE (*loadLibrary)(const char* path);
    FARPROC (*getProcAddress)(HMODULE module, LPCSTR name);
};
extern const HelpSystem RealHelpSystem;

// Replaces the system calls and forgets the binding (tests only).
void ResetHelpBinding(const HelpSystem& system);
// True once a load or the entry point was missing.
bool HelpBindingFailed();
