#pragma once
// The thin seam to the operating system: plain functions, implemented once for
// Win32 (platform_win32.cpp, the real API) and once for POSIX
// (platform_posix.cpp). Nothing above this folder includes <windows.h>.

#include "platform/file.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// `folder` with kPathSeparator at its end: added unless the last character is
// one already; an empty folder becomes the separator alone.
inline std::string WithSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != kPathSeparator)
        folder += kPathSeparator;
    return folder;
}

// ---- Folders and files ----------------------------------------------------
// Paths are single-byte texts in the platform's code page. On POSIX, file and
// folder names are matched without regard to letter case, as Windows does, so
// that a file written as e0000000.dat is found as E0000000.DAT.

// Makes `path` the process's current directory. False when it cannot be entered.
bool SetCurrentDir(const char* path);
// The current directory (no trailing separator except for a root).
std::string GetCurrentDir();
// Creates one folder level. False when it cannot be created.
bool CreateDir(const char* path);

struct FileInfo {
    bool exists = false;
    bool isDirectory = false;
    int64_t lastWriteUtc = 0;  // seconds since 1970-01-01 00:00:00 UTC
};
// Looks a name up (relative to the current directory, or a full path); on POSIX
// the last component is matched without regard to letter case.
FileInfo GetFileInfo(const char* name);

struct DirEntry {
    std::string name;
    bool isDirectory;
};
// Every entry of the current directory, ".." included and "." excluded.
// False when the directory cannot be read.
bool ListCurrentDir(std::vector<DirEntry>& entries);

// The roots of the logical drives: "C:\" and the like on Windows; "/" on POSIX.
std::vector<std::string> LogicalDriveRoots();

// Opens a file for binary reading or writing ("rb"/"wb"), finding an existing
// file's name without regard to letter case on POSIX. Empty when it cannot be
// opened. Safe to call from several threads at once.
File OpenFile(const char* path, const char* mode);

// Deletes the file `path` names exactly. False when it could not be deleted.
bool RemoveFile(const char* path);

// A new, empty file for reading and writing ("w+b") in the system's folder
// for temporary files, deleted when it is closed; empty when none can be made.
File OpenScratchFile();

// Writes `size` bytes at byte `offset` of `file`, past the stream's buffer
// and without moving its position, so that several threads can write their
// own parts of one file at once (a stream written through stdio is flushed
// first). False when not every byte was written.
bool WriteFileAt(std::FILE* file, uint64_t offset, const void* data, std::size_t size);

// Gives the file `from` the name `to`, replacing a file of that name, in one
// step where the system allows it (a reader sees the old file or the new one,
// never a part). Both are full paths in the same folder. False when it fails.
bool RenameFile(const char* from, const char* to);
