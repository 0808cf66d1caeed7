#pragma once
// What a log entry is filed under and which catalogue text it is: the terms
// in which the decoders report (through a Reporter, formats/decoder.h) and
// the activity log (engine/activity_log.h) keeps entries.

#include "formats/message_ids.h"

enum LogCategory : int {
    LogInfo = 1,
    LogProgress = 2,
    LogError = 8,
};
