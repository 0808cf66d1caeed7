#include "app/expanded_text.h"

#include "app/messages.h"

std::string ExpandedMessage(int id)
{
    char text[kMessageBufferSize];
    ExpandMessage(CurrentModule(), id, text, sizeof text);
    return text;
}

std::string ExpandedFormat(int id)
{
    char text[kMessageBufferSize];
    ExpandMessageAsFormat(CurrentModule(), id, text, sizeof text);
    return text;
}
