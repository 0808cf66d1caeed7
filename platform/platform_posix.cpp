#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

void DebugTrace(const char* text)
{
    static const bool enabled = std::getenv("DAVROLIN_TRACE") != nullptr;
    if (enabled)
        std::fputs(text, stderr);
}
