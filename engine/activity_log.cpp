#include "engine/activity_log.h"

#include "app/messages.h"

#include <cstdarg>
#include <string>

namespace {
std::string logText;
}

void LogReset()
{
    logText.clear();
}

const char* LogTake()
{
    return logText.c_str();
}

void LogMessage(int category, int id, ...)
{
    const char* text = MessageText(id);
    if (!text)
        text = "";
    va_list args;
    va_start(args, id);
    logText += FormatStringV(FormatDialect::Wsprintf, text, args);
    va_end(args);
}

void LogText(int category, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    logText += FormatStringV(FormatDialect::Wsprintf, format, args);
    va_end(args);
}
