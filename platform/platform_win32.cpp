#include "platform/platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstring>

void DebugTrace(const char* text)
{
    OutputDebugStringA(text);
}

bool SetCurrentDir(const char* path)
{
    return path && *path && SetCurrentDirectoryA(path) != 0;
}

std::string GetCurrentDir()
{
    char buffer[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (n == 0 || n >= sizeof buffer)
        return std::string();
    return std::string(buffer, n);
}

bool CreateDir(const char* path)
{
    return CreateDirectoryA(path, nullptr) != 0;
}

FileInfo GetFileInfo(const char* name)
{
    FileInfo info;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data))
        return info;
    info.exists = true;
    info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    ULARGE_INTEGER t;
    t.LowPart = data.ftLastWriteTime.dwLowDateTime;
    t.HighPart = data.ftLastWriteTime.dwHighDateTime;
    // 100-ns ticks since 1601-01-01 to seconds since 1970-01-01.
    info.lastWriteUtc = static_cast<int64_t>(t.QuadPart / 10000000ULL) - 11644473600LL;
    return info;
}

bool ListCurrentDir(std::vector<DirEntry>& entries)
{
    entries.clear();
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA("*.*", &found);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do {
        if (std::string(found.cFileName) == ".")
            continue;
        entries.push_back(DirEntry{found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return true;
}

std::vector<std::string> LogicalDriveRoots()
{
    std::vector<std::string> roots;
    char buffer[4096];
    DWORD n = GetLogicalDriveStringsA(sizeof buffer, buffer);
    if (n == 0 || n > sizeof buffer)
        return roots;
    for (const char* p = buffer; *p; p += std::strlen(p) + 1)
        roots.emplace_back(p);
    return roots;
}

File OpenFile(const char* path, const char* mode)
{
    return File(std::fopen(path, mode));
}

bool RemoveFile(const char* path)
{
    return DeleteFileA(path) != 0;
}

File OpenScratchFile()
{
    char folder[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH)
        return File();
    char name[MAX_PATH + 1];
    if (GetTempFileNameA(folder, "dav", 0, name) == 0)
        return File();
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DeleteFileA(name);
        return File();
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd == -1) {
        CloseHandle(h);
        return File();
    }
    std::FILE* file = _fdopen(fd, "w+b");
    if (!file)
        _close(fd);
    return File(file);
}

namespace {

// WriteFile at an offset: on a handle opened for synchronous
// use, the offset of an OVERLAPPED says where, and the call returns when done.
template <typename Bytes, typename Call>
bool TransferAt(std::FILE* file, uint64_t offset, Bytes* data, std::size_t size, Call call)
{
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (h == INVALID_HANDLE_VALUE)
        return false;
    while (size != 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, DWORD{1} << 30));
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD done = 0;
        if (!call(h, data, want, &done, &at) || done == 0)
            return false;
        data += done;
        offset += done;
        size -= done;
    }
    return true;
}

}  // namespace

bool WriteFileAt(std::FILE* file, uint64_t offset, const void* data, std::size_t size)
{
    return TransferAt(file, offset, static_cast<const char*>(data), size,
                      [](HANDLE h, const char* p, DWORD n, DWORD* done, OVERLAPPED* at) {
                          return WriteFile(h, p, n, done, at) != 0;
                      });
}

bool RenameFile(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
