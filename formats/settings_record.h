#pragma once
// The one process-wide record of the user's choices, the switches of the
// settings file and the results of the folder and metadata checks. Filled at
// start-up from the settings file and written back at exit (app/settings.h);
// everything else reads and writes the fields directly.

#include <cstdint>

constexpr int kTextFieldSize = 256;  // texts hold at most 255 characters

// File kinds as bit values; `Options` is a set of them.
enum FileKind : int {
    KindEngineering = 1,
    KindCtd = 2,
    KindAcm = 4,
    KindDeployment = 8,
    KindException = 16,
    KindAll = 31,
};

// Values of `ProfileRange`.
enum RangeMode : int {
    RangeEntireDeployment = 1,
    RangeSingleProfile = 2,
    RangeProfiles = 3,
};

// `FirmwareVers` codes: the record layouts of the instrument's files.
enum FirmwareCode : int {
    Firmware301 = 0,
    Firmware304 = 1,
};

struct SettingsRecord {
    int32_t UnpackAll;
    int32_t Options;
    int32_t ProfileRange;
    int32_t FirstProfile;
    int32_t LastProfile;
    char SrcDir[kTextFieldSize];
    char DstDir[kTextFieldSize];
    char Prefix[kTextFieldSize];
    int32_t HumanReadible;
    int32_t WindowX;
    int32_t WindowY;
    int32_t WindowW;
    int32_t WindowH;
    int32_t LogLevel;
    int32_t LogSize;
    int32_t SaveLog;
    char LogName[kTextFieldSize];
    int32_t HideAnimation;
    int32_t SkipToPreview;
    int32_t FirmwareVers;
    // Run-time results of the folder and metadata checks; never in the file.
    int32_t FileCount;
    int32_t CheckedOptions;
    int32_t SourceEntered;
    int32_t SourceDataOk;
    int32_t DestinationExists;
    int32_t WrongVersion;
    int32_t DeployOk;
    int32_t ProfilesOk;
    int32_t ProfilesPerFile;
    int32_t MaxProfile;
};

extern SettingsRecord Settings;

// The start-up values of every field, as when no settings file exists.
void SetDefaultSettings(SettingsRecord& settings);

// True when the human form of the output files is chosen.
inline bool HumanForm()
{
    return Settings.HumanReadible != 0;
}

// True when the instrument's files have the 3.01 layouts; anything else is 3.04.
inline bool Layout301()
{
    return Settings.FirmwareVers == Firmware301;
}
