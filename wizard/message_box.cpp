#include "wizard/message_box.h"

#include "app/expanded_text.h"

namespace {
MessageBoxHook boxHook;
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    if (boxHook)
        return boxHook(owner, text, caption, type);
    return MessageBoxA(owner, text, caption, type);
}

int ShowCatalogueBox(HWND owner, MessageId textId, MessageId captionId, UINT type)
{
    char text[4096];
    char caption[4096];
    ExpandMessage(GetModuleHandleA(nullptr), textId, text, sizeof text);
    ExpandMessage(GetModuleHandleA(nullptr), captionId, caption, sizeof caption);
    return ShowMessageBox(owner, text, caption, type);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    MessageBoxHook previous = boxHook;
    boxHook = hook;
    return previous;
}
