#pragma once
// The command line of davrolin-unpack:
//
//   davrolin-unpack [--firmware 3.01|3.04|auto] [--human] [--prefix TEXT]
//                   [--kinds LIST] [--profile N | --profiles FIRST-LAST]
//                   [--settings FILE] [--jobs N] [--quiet]
//                   [--export LIST] [--no-text] [--metadata FILE]
//                   [--latitude DEG --longitude DEG] [--no-qc] [--grid-step DBAR]
//                   SOURCE DEST
//   davrolin-unpack --help | --version
//
// Scripts call it, so its options, messages and exit codes stay as they are.

#include "app/settings_record.h"

#include <cstdint>
#include <string>

struct CommandLine {
    std::string firmware;      // "3.01", "3.04", "auto" or empty (not given)
    bool human = false;
    bool hasPrefix = false;
    std::string prefix;
    bool hasKinds = false;
    int kinds = 0;             // FileKind bits from --kinds
    int range = 0;             // 0 none, RangeSingleProfile (--profile), RangeProfiles (--profiles)
    uint32_t first = 0;
    uint32_t last = 0;
    std::string settingsFile;  // empty: the settings defaults
    int jobs = 0;              // threads that decode and write the export; 0: not given (one per core)
    bool quiet = false;
    bool exportNetcdf = false;  // --export netcdf
    bool exportCsv = false;     // --export csv
    bool noText = false;
    std::string metadataFile;   // empty: none
    std::string latitude;       // as given; empty: not given
    std::string longitude;
    bool noQc = false;          // --no-qc: no quality flags
    double gridStep = 1.0;      // --grid-step: the grid's pressure step [dbar]
    std::string source;
    std::string dest;
};

enum class ParseResult { Run, Help, Version, BadUsage };

// Reads argv into `cl`. On BadUsage `error` says what was wrong (an unknown
// export, the export's options without --export, a position that is not a
// number or out of range); on Help
// `error` holds the help text, on Version the version text.
ParseResult ParseCommandLine(int argc, const char* const* argv, CommandLine& cl, std::string& error);

// The most threads --jobs takes.
constexpr int kMaxJobs = 64;

// The threads a run decodes on: --jobs, or one per core of the computer.
int JobCount(const CommandLine& cl);

// The short usage text shown after a bad usage.
const char* UsageText();

// What --version prints: the program's version, revision and build stamp.
std::string VersionText();

// Puts the choices of the command line into `settings`, over what the
// settings defaults or the settings file left there. Returns false with
// `error` set when a folder or the prefix does not fit its 255 characters.
bool ApplyCommandLine(const CommandLine& cl, const std::string& currentDir, SettingsRecord& settings,
                      std::string& error);

// With --firmware auto, sets `settings.FirmwareVers` to the firmware that the
// DEPLOY.DAT of `settings.SrcDir` names (formats/firmware_detection.h). False,
// with `error` telling what the file holds, when it names neither firmware or
// cannot be read; true and nothing changed without --firmware auto.
bool ApplyAutoFirmware(const CommandLine& cl, SettingsRecord& settings, std::string& error);

// A folder as given, made absolute: a relative one gets `currentDir` and a
// separator in front; nothing else is changed.
std::string AbsoluteFolder(const std::string& folder, const std::string& currentDir);
