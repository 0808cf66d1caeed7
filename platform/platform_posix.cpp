#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include <dirent.h>
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

// Names are matched without regard to ASCII letter case, as strcasecmp does in
// the C locale.
std::string Folded(const char* name)
{
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

bool SameStamp(const struct stat& a, const struct stat& b)
{
    return a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// One listing per folder, kept while the folder's time stamps stay as they
// were when it was read, so that opening many files in one folder does not
// read the whole folder each time. Files this program creates through
// OpenFile are added to the listing as they are made. Linux gives a folder a
// new, distinct time stamp at each change once its stamp has been read; where a
// file system keeps coarse stamps instead, a change another program makes in
// the same clock tick as one of this program's goes unseen until the folder
// changes again.
struct FolderNames {
    struct stat stamp;  // the folder as it was when listed
    std::unordered_map<std::string, std::string> byFoldedName;  // the first entry for each folded name
};

struct FolderKey {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderKey& other) const { return device == other.device && inode == other.inode; }
};

struct FolderKeyHash {
    size_t operator()(const FolderKey& key) const
    {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(key.inode) * 31u + key.device);
    }
};

std::mutex folderCacheMutex;
// Held while a file is created: a folder's listing then changes by one of this
// program's files at a time, so threads that create files side by side keep
// the listing instead of reading the folder again for each file.
std::mutex creationMutex;
std::unordered_map<FolderKey, FolderNames, FolderKeyHash> folderCache;

// The listing of the folder `folder`, whose stat is `st`: read again when the
// folder changed since. Null when the folder cannot be read. Called with
// folderCacheMutex held.
FolderNames* FolderListing(const std::string& folder, const struct stat& st)
{
    const FolderKey key{st.st_dev, st.st_ino};
    auto it = folderCache.find(key);
    if (it != folderCache.end() && SameStamp(it->second.stamp, st))
        return &it->second;
    if (it != folderCache.end())
        folderCache.erase(it);
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return nullptr;
    if (folderCache.size() >= 64)  // a run touches a few folders; keep the cache small
        folderCache.clear();
    FolderNames& names = folderCache[key];
    names.stamp = st;  // taken before reading: a change made meanwhile is seen next time
    while (dirent* entry = readdir(dir))
        names.byFoldedName.emplace(Folded(entry->d_name), entry->d_name);
    closedir(dir);
    return &names;
}

struct Resolved {
    std::string path;          // the real name on disk, or the path unchanged
    bool exists = false;       // an entry of that name exists
    std::string folder;        // set when the path does not exist: its folder,
    std::string foldedLeaf;    // its last component, folded,
    struct stat folderStat{};  // and the folder's stat when looked up
};

// The real name of `path` on disk: the exact name when it exists, otherwise
// the first entry of its folder whose name matches the last component without
// regard to letter case; the path unchanged when none does.
Resolved ResolveCase(const char* path)
{
    Resolved resolved;
    resolved.path = path;
    struct stat st;
    if (stat(path, &st) == 0) {
        resolved.exists = true;
        return resolved;
    }
    const std::string& full = resolved.path;
    std::string::size_type slash = full.rfind('/');
    std::string leaf = slash == std::string::npos ? full : full.substr(slash + 1);
    if (leaf.empty())
        return resolved;
    resolved.folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : full.substr(0, slash));
    resolved.foldedLeaf = Folded(leaf.c_str());
    if (stat(resolved.folder.c_str(), &resolved.folderStat) != 0 || !S_ISDIR(resolved.folderStat.st_mode)) {
        resolved.folder.clear();
        return resolved;
    }
    std::lock_guard<std::mutex> lock(folderCacheMutex);
    FolderNames* names = FolderListing(resolved.folder, resolved.folderStat);
    if (!names)
        return resolved;
    auto found = names->byFoldedName.find(resolved.foldedLeaf);
    if (found != names->byFoldedName.end()) {
        resolved.path = slash == std::string::npos ? found->second : full.substr(0, slash + 1) + found->second;
        resolved.exists = true;
    }
    return resolved;
}

// After this program created the file `resolved` named, adds it to its
// folder's listing, unless the folder changed otherwise since it was listed.
void NoteCreated(const Resolved& resolved)
{
    if (resolved.folder.empty())
        return;
    struct stat now;
    if (stat(resolved.folder.c_str(), &now) != 0)
        return;
    std::lock_guard<std::mutex> lock(folderCacheMutex);
    auto it = folderCache.find(FolderKey{now.st_dev, now.st_ino});
    if (it == folderCache.end())
        return;
    if (!SameStamp(it->second.stamp, resolved.folderStat)) {
        folderCache.erase(it);
        return;
    }
    const std::string& full = resolved.path;
    std::string::size_type slash = full.rfind('/');
    it->second.byFoldedName.emplace(resolved.foldedLeaf, slash == std::string::npos ? full : full.substr(slash + 1));
    it->second.stamp = now;
}

}  // namespace

FileInfo GetFileInfo(const char* name)
{
    FileInfo info;
    struct stat st;
    if (stat(ResolveCase(name).path.c_str(), &st) != 0)
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

File OpenFile(const char* path, const char* mode)
{
    std::unique_lock<std::mutex> creating(creationMutex, std::defer_lock);
    if (mode[0] != 'r')
        creating.lock();
    // Writing over an existing file keeps the name it has on disk.
    const Resolved resolved = ResolveCase(path);
    File file(std::fopen(resolved.path.c_str(), mode));
    if (file && !resolved.exists)
        NoteCreated(resolved);
    return file;
}

bool RemoveFile(const char* path)
{
    return std::remove(path) == 0;
}

File OpenScratchFile()
{
    return File(std::tmpfile());
}

namespace {

// pwrite of every byte, a call interrupted by a signal made again.
template <typename Bytes, typename Call>
bool TransferAt(std::FILE* file, uint64_t offset, Bytes* data, std::size_t size, Call call)
{
    while (size != 0) {
        const ssize_t n = call(fileno(file), data, size, static_cast<off_t>(offset));
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return false;
        }
        data += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteFileAt(std::FILE* file, uint64_t offset, const void* data, std::size_t size)
{
    return TransferAt(file, offset, static_cast<const char*>(data), size, pwrite);
}

bool RenameFile(const char* from, const char* to)
{
    return std::rename(from, to) == 0;
}
