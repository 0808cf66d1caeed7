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
