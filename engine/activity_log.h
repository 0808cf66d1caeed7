#pragma once
// The activity log of a run. Minimal for now: an unbounded text that the
// decoders' reports land in.

#include "formats/report.h"

void LogReset();
const char* LogTake();
