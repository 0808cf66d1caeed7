#pragma once
// The survey of a source folder: whether it holds a deployment, how many
// profiles, and which of its files exist with their dates (UTC). Shown in the
// contents box of the source step's browse panel.

#include <string>

constexpr std::size_t kSurveyTextSize = 4096;  // the survey's text buffer, with its NUL

// The survey text of `folder`. Makes the folder current and runs the metadata
// check there; the metadata fields of Settings (DeployOk, ProfilesOk,
// ProfilesPerFile, MaxProfile) get their values back afterwards. A folder that
// cannot be entered, or holds no readable DEPLOY.DAT, gives the no-data text.
std::string FolderSurveyText(const char* folder);

// "MM/DD/YYYY HH:MM:SS" of a file's last-write time in UTC.
std::string FileDateText(long long lastWriteUtc);
