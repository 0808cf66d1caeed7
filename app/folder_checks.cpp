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

int SourceCheck(const char* path)
{
    try {
        Settings.SourceEntered = 1;
        if (!SetCurrentDir(path)) {
            Settings.SourceEntered = 0;
            return 1;
        }
        Settings.SourceDataOk = 1;
        TakeMetadata(CheckMetadata("", Settings.FirmwareVers == Firmware301, ProgramReporter()));
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

int DestinationCheck(const char* path)
{
    try {
        const bool exists = SetCurrentDir(path);
        Settings.DestinationExists = exists ? 1 : 0;
        return exists ? 0 : 1;
    } catch (...) {
        return 1;
    }
}
