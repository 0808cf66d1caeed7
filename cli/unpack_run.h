#pragma once
// One run of davrolin-unpack, from its words to its outcome, for the program
// (cli/main.cpp) and for the Python module (python/), so that both take the
// same options by the same rules and refuse the same things with the same
// messages.
//
// Runs in one process go side by side: each has its own job, log and
// observer. Before its job starts (the options read into the program's
// settings record and checked, the header of its log) and after it ends (its
// log kept and saved by the program's log rules) a run uses the process's
// settings record and activity log, one run at a time; it never changes the
// process's current folder.

#include "cli/profile_counter.h"

#include <string>
#include <vector>

struct NetcdfMemory;

struct UnpackCall {
    std::vector<std::string> args;  // the words after the program's name
    bool drawBar = false;           // a progress bar on stderr unless --quiet
    bool echoErrors = false;        // the run's error entries on stderr as they are logged
    bool catchInterrupt = false;    // Ctrl-C cancels the run
    NetcdfMemory* netcdfMemory = nullptr;  // not null: the netCDF files are made there, not in DEST
};

// Why a run did not start.
enum class UnpackRefusal {
    None,
    Usage,   // an option or its value was refused (exit 2)
    Folder,  // a folder or file could not be read, created or written (exit 2)
    Start,   // the job could not be started (exit 1)
};

struct UnpackOutcome {
    int exitCode = 0;  // 0 no errors, 1 the run had errors (or was cancelled), 2 refused
    UnpackRefusal refusal = UnpackRefusal::None;
    std::string message;  // a refusal's message, as stderr gets it before any usage text
    bool showUsage = false;        // the command line prints the usage text after the message
    std::string standardOutput;    // --help, --version: the text, exit 0, nothing run
    std::string log;               // the activity log of the run
    std::vector<std::string> errors;  // the run's error lines
    InstrumentCounts counts[3];       // engineering, CTD, ACM
};

UnpackOutcome RunUnpack(const UnpackCall& call);
