#pragma once
// The program's activity log (engine/activity_log.h) as the settings make it:
// its size and level, where it is saved, and catalogue messages expanded with
// the settings' values.

#include "engine/activity_log.h"
#include "formats/decoder.h"

#include <cstdarg>

// LogCreate with `LogSize` bytes, storing the categories of `LogLevel`.
int CreateActivityLog(ModuleHandle module);

// Saves the log as `DstDir` + separator + `LogName` when `SaveLog` is on.
void SaveActivityLog();

// Logs a catalogue message, expanded with the settings' values and formatted
// with the arguments (by the rules of wvsprintfA into 1024 bytes); nothing
// before LogCreate.
void LogMessage(int category, MessageId id, ...);
void LogMessageV(int category, MessageId id, va_list args);

// A reporter that logs to the program's activity log and is never cancelled,
// for the checks the programs make outside a run.
Reporter& ProgramReporter();
