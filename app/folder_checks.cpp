#include "app/folder_checks.h"

#include "app/program_log.h"
#include "app/settings_record.h"
#include "engine/metadata.h"
#include "platform/platform.h"

void TakeMetadata(const FolderMetadata& m)
{
    Settings.WrongVersion = m.wrongVersion ? 1 : 0;
    Settings.DeployOk = m.deployOk ? 1 : 0;
    Settings.ProfilesOk = m.profilesOk ? 1 : 0;
    Settings.ProfilesPerFile = static_cast<int32_t>(m.profilesPerFile);
    Settings.MaxProfile = static_cast<int32_t>(m.maxProfile);
}

namespace {

// A folder that can be entered: by entering it (the process's current
// directory), or, `inPlace`, by looking it up and leaving the current
// directory alone.
bool Enterable(const char* path, bool inPlace)
{
    if (!inPlace)
        return SetCurrentDir(path);
    const FileInfo info = GetFileInfo(path);
    return path && *path && info.exists && info.isDirectory;
}

int CheckSource(const char* path, bool inPlace)
{
    try {
        Settings.SourceEntered = 1;
        if (!Enterable(path, inPlace)) {
            Settings.SourceEntered = 0;
            return 1;
        }
        Settings.SourceDataOk = 1;
        const std::string folder = inPlace ? WithSeparator(path) : "";
        TakeMetadata(CheckMetadata(folder, Settings.FirmwareVers == Firmware301, ProgramReporter()));
        if (Settings.DeployOk && Settings.ProfilesOk) {
            Settings.CheckedOptions = Settings.Options;
            // Unsigned arithmetic: a corrupt profile count must not overflow.
            Settings.FileCount = static_cast<int32_t>(3u * static_cast<uint32_t>(Settings.MaxProfile) + 5u);
            return 0;
        }
        Settings.SourceDataOk = 0;
        return 2;
    } catch (...) {
        return 1;
    }
}

int CheckDestination(const char* path, bool inPlace)
{
    try {
        const bool exists = Enterable(path, inPlace);
        Settings.DestinationExists = exists ? 1 : 0;
        return exists ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

}  // namespace

int SourceCheck(const char* path)
{
    return CheckSource(path, false);
}

int SourceCheckInPlace(const char* path)
{
    return CheckSource(path, true);
}

int DestinationCheck(const char* path)
{
    return CheckDestination(path, false);
}

int DestinationCheckInPlace(const char* path)
{
    return CheckDestination(path, true);
}
