#pragma once
// The activity log's entry points for the code that logs directly (the
// metadata check, the job, the programs). The activity log
// (engine/activity_log.h) provides them. Decoders log through a Reporter
// (formats/decoder.h) instead.

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

// Message ids shared by every decoder.
constexpr int MsgCancelled = 194;  // "Operation cancelled by user\r\n"
