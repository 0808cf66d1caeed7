#pragma once
// How the decoders report and learn of a cancel. The activity log
// (engine/activity_log.h) and the unpack job (engine/unpack_job.h) provide these.

#include "formats/text_format.h"

enum LogCategory : int {
    LogInfo = 1,
    LogProgress = 2,
    LogError = 8,
};

// Logs a catalogue message, expanded and formatted with the arguments.
void LogMessage(int category, int id, ...);
// Logs printf-style text.
void LogText(int category, const char* format, ...) DAVROLIN_PRINTF(2, 3);

// The job's cancel request, polled by the decoders before each record.
bool IsCancelRequested();

// Result codes of the per-profile decoders.
enum ProfileResult : int {
    ProfileDone = 0,
    ProfileCancelled = 2,
    ProfileReadError = -1,
};

// Message ids shared by every decoder.
constexpr int MsgCancelled = 194;  // "Operation cancelled by user\r\n"
