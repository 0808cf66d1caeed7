#include "app/expanded_text.h"

#include "app/run_request.h"

int ExpandMessage(ModuleHandle instance, MessageId id, char* out, std::size_t size)
{
    return ExpandMessage(SettingsMessageValues(Settings), id, out, size);
}

int ExpandMessageAsFormat(ModuleHandle instance, MessageId id, char* out, std::size_t size)
{
    return ExpandMessageAsFormat(SettingsMessageValues(Settings), id, out, size);
}

std::string ExpandedMessage(MessageId id)
{
    char text[kMessageBufferSize];
    ExpandMessage(CurrentModule(), id, text, sizeof text);
    return text;
}

std::string ExpandedFormat(MessageId id)
{
    char text[kMessageBufferSize];
    ExpandMessageAsFormat(CurrentModule(), id, text, sizeof text);
    return text;
}
