#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

void DebugTrace(const char* text)
{
    static const bool enabled = std::getenv("DAVROLIN_TRACE") != nullptr;
    if (enabled)
        std::fputs(text, stderr);
}

bool SetCurrentDir(const char* path)
{
    return path && *path && chdir(path) == 0;
}

std::string GetCurrentDir()
{
    char buffer[4096];
    if (!getcwd(buffer, sizeof buffer))
        return std::string();
    return buffer;
}

bool CreateDir(const char* path)
{
    return mkdir(path, 0777) == 0;
}

namespace {

// The real name of `path` on disk: the exact name when it exists, otherwise
// the first entry of its folder whose name matches the last component without
// regard to letter case; the path unchanged when none does.
std::string ResolveCase(const char* path)
{
    struct stat st;
    if (stat(path, &st) == 0)
        return path;
    std::string full = path;
    std::string::size_type slash = full.rfind('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : full.substr(0, slash));
    std::string leaf = slash == std::string::npos ? full : full.substr(slash + 1);
    if (leaf.empty())
        return full;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return full;
    std::string found = full;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, leaf.c_str()) == 0) {
            found = slash == std::string::npos ? std::string(entry->d_name) : full.substr(0, slash + 1) + entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

FileInfo GetFileInfo(const char* name)
{
    FileInfo info;
    struct stat st;
    if (stat(ResolveCase(name).c_str(), &st) != 0)
        return info;
    info.exists = true;
    info.isDirectory = S_ISDIR(st.st_mode);
    info.lastWriteUtc = static_cast<int64_t>(st.st_mtime);
    return info;
}

bool ListCurrentDir(std::vector<DirEntry>& entries)
{
    entries.clear();
    DIR* dir = opendir(".");
    if (!dir)
        return false;
    bool sawParent = false;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0)
            continue;
        if (std::strcmp(entry->d_name, "..") == 0)
            sawParent = true;
        struct stat st;
        bool isDir = stat(entry->d_name, &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back(DirEntry{entry->d_name, isDir});
    }
    closedir(dir);
    if (!sawParent)
        entries.push_back(DirEntry{"..", true});
    return true;
}

std::vector<std::string> LogicalDriveRoots()
{
    return {"/"};
}

std::FILE* OpenFile(const char* path, const char* mode)
{
    // Writing over an existing file keeps the name it has on disk.
    return std::fopen(ResolveCase(path).c_str(), mode);
}
