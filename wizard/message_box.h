#pragma once
// Every message box of the program goes through here, so tests can answer
// them: with a hook set, the hook sees the box and gives the answer instead
// of the user.

#include "formats/message_ids.h"

#include <windows.h>

using MessageBoxHook = int (*)(HWND owner, const char* text, const char* caption, UINT type);

// MessageBoxA, or the hook when one is set.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// A box whose text and caption are catalogue messages.
int ShowCatalogueBox(HWND owner, MessageId textId, MessageId captionId, UINT type);

// Sets the hook (null restores the real boxes); returns the previous one.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
