#include "app/folder_checks.h"

#include "engine/metadata.h"
#include "formats/settings_record.h"
#include "platform/platform.h"

int SourceCheck(const char* path)
{
    try {
        Settings.SourceEntered = 1;
        if (!SetCurrentDir(path)) {
            Settings.SourceEntered = 0;
            return 1;
        }
        Settings.SourceDataOk = 1;
        VerifyMetaData();
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
