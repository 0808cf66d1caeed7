#pragma once
// The thin seam to the operating system: plain functions, implemented once for
// Win32 (platform_win32.cpp, the real API) and once for POSIX
// (platform_posix.cpp). Nothing above this folder includes <windows.h>.

// Writes a trace line to the debugger output (Win32 OutputDebugStringA). On
// POSIX it goes to stderr only when DAVROLIN_TRACE is set in the environment.
void DebugTrace(const char* text);

// The folder separator of this platform's paths: '\\' on Windows, '/' on POSIX.
constexpr char kPathSeparator =
#if defined(_WIN32)
    '\\';
#else
    '/';
#endif

// A module whose resources the program uses (Win32 HINSTANCE). Only passed on.
using ModuleHandle = void*;

// The program's own module (Win32 GetModuleHandleA(NULL); POSIX: a fixed
// non-null token).
ModuleHandle CurrentModule();

// Today's local date in the user's long date form and the local time of day in
// the user's time form (Win32 GetDateFormatA/GetTimeFormatA; POSIX: English,
// "Thursday, May 6, 2004" and "3:32:51 PM"). At most size - 1 characters,
// NUL-terminated; empty on failure.
void LocalLongDate(char* out, int size);
void LocalTimeOfDay(char* out, int size);

// Zero-filled read-write memory of `size` bytes (Win32 VirtualAlloc), or null
// when it cannot be had or size is not positive. Released with FreeStorage.
void* AllocateStorage(long long size);
void FreeStorage(void* storage);

// Asks a Yes/No question with an exclamation icon and no owner window (Win32
// MessageBoxA). True for Yes. POSIX has no one to ask: the question goes to
// stderr and the answer is Yes.
bool AskYesNo(const char* caption, const char* text);
