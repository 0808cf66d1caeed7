#pragma once
// The options summary shown in a step's text control.

#include <windows.h>

// Builds the summary at `level` (with or without `details`) and puts it into
// control `controlId` of `dialog`. 0; after a fault while building, the
// control gets the empty text and -1 is returned.
int ShowOptionsSummary(int controlId, HWND dialog, int level, int details);
