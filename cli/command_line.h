#pragma once
// The command line of davrolin-unpack:
//
//   davrolin-unpack [--firmware 3.01|3.04] [--human] [--prefix TEXT]
//                   [--kinds LIST] [--profile N | --profiles FIRST-LAST]
//                   [--settings FILE] [--quiet] SOURCE DEST
//
// Scripts call it, so its options, messages and exit codes stay as they are.

#include "formats/settings_record.h"

#include <cstdint>
#include <string>

struct CommandLine {
    std::string firmware;      // "3.01", "3.04" or empty (not given)
    bool human = false;
    bool hasPrefix = false;
    std::string prefix;
    bool hasKinds = false;
    int kinds = 0;             // FileKind bits from --kinds
    int range = 0;             // 0 none, RangeSingleProfile (--profile), RangeProfiles (--profiles)
    uint32_t first = 0;
    uint32_t last = 0;
    std::string settingsFile;  // empty: the settings defaults
    bool quiet = false;
    std::string source;
    std::string dest;
};

enum class ParseResult { Run, Help, BadUsage };

// Reads argv into `cl`. On BadUsage `error` says what was wrong; on Help
// `error` holds the help text.
ParseResult ParseCommandLine(int argc, const char* const* argv, CommandLine& cl, std::string& error);

// The short usage text shown after a bad usage.
const char* UsageText();

// Puts the choices of the command line into `settings`, over what the
// settings defaults or the settings file left there. Returns false with
// `error` set when a folder or the prefix does not fit its 255 characters.
bool ApplyCommandLine(const CommandLine& cl, const std::string& currentDir, SettingsRecord& settings,
                      std::string& error);

// A folder as given, made absolute: a relative one gets `currentDir` and a
// separator in front; nothing else is changed.
std::string AbsoluteFolder(const std::string& folder, const std::string& currentDir);
