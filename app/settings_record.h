#pragma once
// The one process-wide record of the user's choices, the switches of the
// settings file and the results of the folder and metadata checks. Filled at
// start-up from the settings file and written back at exit (app/settings.h);
// the programs read and write the fields directly. A run never reads it: it
// takes a RunRequest made from it (app/run_request.h).

#include "formats/run_choices.h"

#include <cstdint>

constexpr int kTextFieldSize = 256;  // texts hold at most 255 characters

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
    // The export for analysis: none unless the file or the wizard asks for it.
    int32_t ExportNetcdf;
    int32_t ExportCsv;
    char MetadataFile[kTextFieldSize];  // the [METADATA] file; empty: none
    char Latitude[kTextFieldSize];      // the station's position as typed; empty: not given
    char Longitude[kTextFieldSize];
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

// ---- The keys of the settings file ------------------------------------------

enum class SettingsKeyType {
    Number,    // an integer field, stored as unsigned decimal
    Text,      // a text field, stored as it is
    Firmware,  // FirmwareVers: only the exact text "3.01" selects Firmware301
};

// Whether the program writes a key back at exit (when its field changed) or
// only ever reads it: the switches change only when someone edits the file.
enum SettingsKeySaving : bool {
    KeyFileOnly = false,
    KeySavedAtExit = true,
};

// One key of the settings file: its name, the field it fills, the field's
// start-up value (also its value when no file exists) and whether it is
// written back.
struct SettingsKey {
    const char* name;
    SettingsKeyType type;
    int32_t SettingsRecord::*number;               // Number and Firmware keys
    char (SettingsRecord::*text)[kTextFieldSize];  // Text keys
    int32_t numberStart;
    const char* textStart;
    SettingsKeySaving saving;
    // A key read into the same field before `name`, for files that predate
    // `name`; when `name` is present too it has the last word. nullptr: none.
    const char* olderName;
};

constexpr SettingsKey NumberKey(const char* name, int32_t SettingsRecord::*field, int32_t start,
                                SettingsKeySaving saving)
{
    return {name, SettingsKeyType::Number, field, nullptr, start, nullptr, saving, nullptr};
}

constexpr SettingsKey TextKey(const char* name, char (SettingsRecord::*field)[kTextFieldSize], const char* start,
                              SettingsKeySaving saving)
{
    return {name, SettingsKeyType::Text, nullptr, field, 0, start, saving, nullptr};
}

// Every key, in the order start-up reads them; the saved keys are written back
// in the same order. The run-time fields have no key and start at 0.
inline constexpr SettingsKey kSettingsKeys[] = {
    NumberKey("HideAnimation", &SettingsRecord::HideAnimation, 0, KeyFileOnly),
    NumberKey("SkipToPreview", &SettingsRecord::SkipToPreview, 0, KeyFileOnly),
    NumberKey("WindowX", &SettingsRecord::WindowX, INT32_MIN, KeySavedAtExit),
    NumberKey("WindowY", &SettingsRecord::WindowY, INT32_MIN, KeySavedAtExit),
    NumberKey("WindowW", &SettingsRecord::WindowW, 600, KeySavedAtExit),
    NumberKey("WindowH", &SettingsRecord::WindowH, 400, KeySavedAtExit),
    NumberKey("LogLevel", &SettingsRecord::LogLevel, 15, KeyFileOnly),
    NumberKey("LogSize", &SettingsRecord::LogSize, 32768, KeyFileOnly),
    // Saving the log has no key of its own in older files: a LogSize entry of
    // 0 switches it off, any other switches it on.
    {"SaveLog", SettingsKeyType::Number, &SettingsRecord::SaveLog, nullptr, 1, nullptr, KeyFileOnly, "LogSize"},
    TextKey("LogName", &SettingsRecord::LogName, "DAVROLIN.LOG", KeyFileOnly),
    TextKey("SrcDir", &SettingsRecord::SrcDir, "C:\\VXP", KeySavedAtExit),
    TextKey("DstDir", &SettingsRecord::DstDir, "C:\\VXP", KeySavedAtExit),
    NumberKey("UnpackAll", &SettingsRecord::UnpackAll, 1, KeySavedAtExit),
    NumberKey("Options", &SettingsRecord::Options, 0, KeySavedAtExit),
    NumberKey("ProfileRange", &SettingsRecord::ProfileRange, RangeEntireDeployment, KeySavedAtExit),
    NumberKey("FirstProfile", &SettingsRecord::FirstProfile, 0, KeySavedAtExit),
    NumberKey("LastProfile", &SettingsRecord::LastProfile, 0, KeySavedAtExit),
    TextKey("Prefix", &SettingsRecord::Prefix, "", KeySavedAtExit),
    NumberKey("HumanReadible", &SettingsRecord::HumanReadible, 0, KeySavedAtExit),
    {"FirmwareVers", SettingsKeyType::Firmware, &SettingsRecord::FirmwareVers, nullptr, Firmware304, nullptr,
     KeyFileOnly, nullptr},
    NumberKey("ExportNetcdf", &SettingsRecord::ExportNetcdf, 0, KeySavedAtExit),
    NumberKey("ExportCsv", &SettingsRecord::ExportCsv, 0, KeySavedAtExit),
    TextKey("MetadataFile", &SettingsRecord::MetadataFile, "", KeySavedAtExit),
    TextKey("Latitude", &SettingsRecord::Latitude, "", KeySavedAtExit),
    TextKey("Longitude", &SettingsRecord::Longitude, "", KeySavedAtExit),
};

// The start-up values of every field, as when no settings file exists.
void SetDefaultSettings(SettingsRecord& settings);

// Sets the field of `key` in `settings` to its start-up value.
void SetStartValue(const SettingsKey& key, SettingsRecord& settings);
