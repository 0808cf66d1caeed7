#pragma once
// The options summary in a step's read-only text control.

#include "app/options_summary.h"

#include <windows.h>

// Builds the summary at `level` (with the input and output file names when
// `details` is nonzero) and puts it into control `controlId` of `dialog`.
// 0; after a fault while building, the control is emptied and -1 returned.
int ShowOptionsSummary(int controlId, HWND dialog, SummaryLevel level, int details);
