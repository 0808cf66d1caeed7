#pragma once
// The step manager: the wizard is a row of eight modeless child dialogs inside
// the main window, one visible at a time. The manager owns the step table,
// creates, places and destroys the dialogs, offers queued messages to their
// keyboard handling and switches between steps. The steps decide when to move
// on (ShowPage and PageTurn, wizard/page.h). Each step is a Page in its own
// file; the order of the steps is the step table (wizard/step_table.h).

#include "wizard/step_table.h"

#include <windows.h>

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
