#pragma once
// The seam's services for the program's own modules: its module handle, the
// local date and time shown in the log header, the activity log's storage and
// a Yes/No question. Win32: desktop_win32.cpp (the real API); POSIX:
// desktop_posix.cpp.

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
