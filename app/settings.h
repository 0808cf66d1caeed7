#pragma once
// The settings file: section "CONFIGURATION" of a private-profile file. Read
// once at start-up into `Settings` (app/settings_record.h); at exit only
// the user keys that changed since then are written back.
//
// Windows opens the file by the bare name "VXPDavrolin.INI", which the system
// places in the Windows folder: one file per machine, wherever the current
// directory is. POSIX has no such folder: there the file is the path given to
// SetSettingsFilePath, and without one there is no settings file (every field
// keeps its start-up value and nothing is written).

#include "app/settings_record.h"

constexpr const char* kSettingsFileName = "VXPDavrolin.INI";
constexpr const char* kSettingsSection = "CONFIGURATION";

// The settings file used by LoadSettings and SaveSettings; an empty path means
// none. The default is kSettingsFileName on Windows and none on POSIX.
void SetSettingsFilePath(const char* path);
const char* SettingsFilePath();

// Sets every field of kSettingsKeys to its start-up value and reads its key,
// in the table's order, then takes the start-up copy. Run-time fields are not
// touched. Returns 0.
int LoadSettings();

// Writes each key of kSettingsKeys marked KeySavedAtExit whose field differs
// from the start-up copy, in the table's order: the window placement, SrcDir,
// DstDir, UnpackAll, Options, ProfileRange, FirstProfile, LastProfile, Prefix,
// HumanReadible, then the export's keys (ExportNetcdf, ExportCsv,
// MetadataFile, Latitude, Longitude). Integers as unsigned decimal. Write
// failures are ignored.
// Returns 0.
int SaveSettings();

// The copy of Settings taken when LoadSettings finished.
const SettingsRecord& StartupSettings();
