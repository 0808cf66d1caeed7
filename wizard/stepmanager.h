#pragma once
// The step manager: the wizard is a row of eight modeless child dialogs inside
// the main window, one visible at a time. The manager owns the step table,
// creates, places and destroys the dialogs, offers queued messages to their
// keyboard handling and switches between steps. The steps decide when to move
// on; `stepmanager_show` is the one way they do it. Each step is a Page
// (wizard/page.h) in its own file.

#include "formats/message_ids.h"

#include <windows.h>

#include <optional>

struct StepRecord {
    int dialogId;
    int nextId;
    int prevId;
    std::optional<MessageId> titleId;  // catalogue message of the header title, if any
};

constexpr int kStepCount = 8;
extern const StepRecord StepTable[kStepCount];

// Width of the animation strip on the main window's left edge.
constexpr int kAnimationWidth = 66;

int stepmanager_init(HINSTANCE instance);
int stepmanager_go(HWND mainWindow);
void stepmanager_show(int dialogId, bool visible);
void stepmanager_move_all(int x, int y, int width, int height);
bool stepmanager_is_dialog_message(MSG* message);
void stepmanager_exit();

// The dialog window of the step with `dialogId`, or null.
HWND StepDialog(int dialogId);

// The row of StepTable of the step with `dialogId`, or null.
const StepRecord* StepRow(int dialogId);
