#include "platform/platform.h"

#include <windows.h>

void DebugTrace(const char* text)
{
    OutputDebugStringA(text);
}
