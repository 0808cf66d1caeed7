#pragma once
// The texts of the folder settings: how a typed or chosen folder is stored.

#include <string>

// Stores `text` in a 256-byte settings text, cut to 255 characters.
void StoreFolderText(char* field, const std::string& text);

// "C:\..." or "\\server\...": a path that names the same folder whatever
// the current directory.
bool IsFullyQualifiedPath(const std::string& path);

// The text to store for a folder that a check has just made current: a fully
// qualified path ("C:\...", "\\server\...") as typed; anything relative (which
// later names another folder, as the current directory moves on) as the
// current directory.
std::string EnteredFolderText(const std::string& typed);
