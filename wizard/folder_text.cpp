#include "wizard/folder_text.h"

#include "app/settings_record.h"
#include "platform/platform.h"

#include <cstring>

namespace {
constexpr int kMaxFolderText = kTextFieldSize - 1;
}  // namespace

void StoreFolderText(char* field, const std::string& text)
{
    size_t n = text.size() < static_cast<size_t>(kMaxFolderText) ? text.size() : kMaxFolderText;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

bool IsFullyQualifiedPath(const std::string& path)
{
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    const bool driveRooted = path.size() >= 3 && path[1] == ':' && separator(path[2]);
    const bool unc = path.size() >= 2 && separator(path[0]) && separator(path[1]);
    return driveRooted || unc;
}

std::string EnteredFolderText(const std::string& typed)
{
    if (IsFullyQualifiedPath(typed))
        return typed;
    std::string current = GetCurrentDir();
    return current.empty() ? typed : current;
}
