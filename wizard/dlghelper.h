#pragma once
// The dialog helper: the pixel metrics every step lays out from, the rule that
// moves one control, the step header banner, the Enter-key rule and the
// catalogue texts the steps show.

#include "formats/message_ids.h"

#include <windows.h>

#include <optional>
#include <string>

struct LayoutMetrics {
    int marginX;
    int marginY;
    int buttonWidth;
    int buttonHeight;
    int clientWidth;   // the last client size a step was given
    int clientHeight;
};

extern LayoutMetrics Layout;

// Loads the header tile and derives the metrics from the dialog base units.
int dlghelper_init(HINSTANCE instance);
// Deletes the header tile.
void dlghelper_exit();

// The module whose resources hold the dialogs, pictures and messages.
HINSTANCE DialogInstance();

// Moves and/or resizes control `id` of `dialog`. Each of x, y, width, height
// given as -1 keeps the control's current value; the z-order never changes.
void MoveControl(HWND dialog, int id, int x, int y, int width, int height);

// Keeps the button row of a step (Next, Back when `hasBack`, Help) on the
// bottom edge of a client area `width` x `height`.
void PlaceButtonRow(HWND dialog, int width, int height, bool hasBack);

// Paints the step header: header tiles across `clientWidth`, then the title
// message `titleId` (if any) in 18 points at the bottom of the banner.
void PaintStepHeader(HDC dc, int clientWidth, std::optional<MessageId> titleId);

// The WM_PAINT handling of a step with a header.
void PaintStepDialog(HWND dialog, std::optional<MessageId> titleId);

// Enter arrives as command 1. When the focus is on one of `ids` of `dialog`,
// asks the dialog to move the focus on and returns true (handled).
bool EnterMovesFocus(HWND dialog, const int* ids, int count);

// The whole text of control `id` of `dialog`, without a length limit.
std::string ControlText(HWND dialog, int id);

// Expands catalogue message `id` into `out` (empty when it has no text).
void LoadMessage(MessageId id, char* out, int size);

// A box of catalogue messages whose folder text shows the path as typed:
// `field` (Settings.SrcDir or Settings.DstDir) holds `typed` while the texts
// are expanded and has its own value back before the box shows.
int ShowFolderBox(HWND dialog, char* field, const char* typed, MessageId textId, MessageId captionId, UINT type);
