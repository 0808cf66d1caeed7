#include "app/expanded_text.h"

#include "engine/messages.h"

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
