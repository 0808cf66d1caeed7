#include "engine/activity_log.h"

#include "engine/messages.h"
#include "formats/settings_record.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

struct ActivityLog {
    char* write = nullptr;        // where the next text goes; null without storage
    char* storage = nullptr;      // `capacity` bytes holding the NUL-terminated text
    uint32_t used = 0;            // length of the text
    ModuleHandle module = nullptr;
    int32_t changed = 0;
    bool created = false;         // LogCreate ran: the module is recorded
    uint32_t capacity = 0;        // LogSize when the storage was allocated
};

ActivityLog theLog;
LogQuestion question = nullptr;
LogListener listener = nullptr;
void* listenerContext = nullptr;

bool Ask(const char* caption, const char* text)
{
    return question ? question(caption, text) : AskYesNo(caption, text);
}

}  // namespace

void SetLogQuestion(LogQuestion q)
{
    question = q;
}

void SetLogListener(LogListener l, void* context)
{
    listener = l;
    listenerContext = context;
}

int LogCreate(ModuleHandle module)
{
    LogDestroy();
    theLog.module = module;
    theLog.created = true;
    theLog.write = nullptr;
    theLog.storage = nullptr;
    theLog.used = 0;
    theLog.changed = 0;
    theLog.capacity = 0;

    const int32_t size = Settings.LogSize;
    void* storage = AllocateStorage(size);
    if (storage) {
        theLog.storage = static_cast<char*>(storage);
        theLog.capacity = static_cast<uint32_t>(size);
        theLog.write = theLog.storage;
        return 0;
    }

    char caption[128];
    char text[512];
    if (ExpandMessage(module, MessageId::LogMemoryCaption, caption, sizeof caption) == 0)
        std::strcpy(caption, "Error allocating memory!");
    if (ExpandMessage(module, MessageId::LogMemoryQuestion, text, sizeof text) == 0)
        std::strcpy(text, "Could not allocate log.  Continue with program?");
    return Ask(caption, text) ? 0 : -1;
}

void LogDestroy()
{
    FreeStorage(theLog.storage);
    theLog.storage = nullptr;
    theLog.write = nullptr;
    theLog.used = 0;
    theLog.capacity = 0;
    theLog.created = false;
    theLog.module = nullptr;
}

void LogReset()
{
    theLog.used = 0;
    theLog.write = theLog.storage;
    if (theLog.storage)
        theLog.storage[0] = '\0';
    theLog.changed = 1;
}

bool LogEntryText(MessageId id, va_list args, std::string& text)
{
    if (!theLog.created)
        return false;
    // Placeholder values go in with their percent signs doubled, so a folder or
    // a prefix is logged as it is and never read as a conversion.
    char message[kLogMessageBufferSize];
    ExpandMessageAsFormat(theLog.module, id, message, sizeof message);
    char format[kLogFormatBufferSize];
    FormatV(format, sizeof format, FormatDialect::Wsprintf, message, args);
    text = format;
    return true;
}

bool LogEntryTextV(const char* format, va_list args, std::string& text)
{
    if (!theLog.created)
        return false;
    char entry[kLogFormatBufferSize];
    FormatV(entry, sizeof entry, FormatDialect::Wsprintf, format ? format : "", args);
    text = entry;
    return true;
}

void LogMessageV(int category, MessageId id, va_list args)
{
    std::string text;
    if (LogEntryText(id, args, text))
        LogAppend(text.c_str(), category);
}

void LogMessage(int category, MessageId id, ...)
{
    va_list args;
    va_start(args, id);
    LogMessageV(category, id, args);
    va_end(args);
}

void LogText(int category, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text;
    const bool created = LogEntryTextV(format, args, text);
    va_end(args);
    if (created)
        LogAppend(text.c_str(), category);
}

void LogAppend(const char* text, int category)
{
    if (listener && text)
        listener(listenerContext, text, category);
    if (theLog.storage && text && (category & Settings.LogLevel) != 0) {
        const uint64_t length = std::strlen(text);
        if (theLog.used + length >= theLog.capacity)
            LogTrim();
        if (theLog.used + length < theLog.capacity) {
            std::memcpy(theLog.write, text, static_cast<std::size_t>(length) + 1);
            theLog.write += length;
            theLog.used += static_cast<uint32_t>(length);
        }
    }
    theLog.changed = 1;
}

void LogTrim()
{
    if (!theLog.storage)
        return;
    uint32_t cut = theLog.capacity / 5;
    if (cut > 1024)
        cut = 1024;
    if (cut < theLog.used) {
        const char* text = theLog.storage;
        while (cut < theLog.used && text[cut] != '\r' && text[cut] != '\n')
            ++cut;
    }
    if (cut >= theLog.used) {
        theLog.used = 0;
        theLog.storage[0] = '\0';
    } else {
        // The rest, from the line break found, moves to the start.
        std::memmove(theLog.storage, theLog.storage + cut, theLog.used - cut + 1);
        theLog.used -= cut;
    }
    theLog.write = theLog.storage + theLog.used;
}

const char* LogTake()
{
    theLog.changed = 0;
    return theLog.storage ? theLog.storage : "";
}

bool LogHasChanged()
{
    return theLog.changed != 0;
}

uint32_t LogUsed()
{
    return theLog.used;
}

uint32_t LogCapacity()
{
    return theLog.capacity;
}

void LogSave()
{
    if (Settings.SaveLog == 0 || !theLog.storage)
        return;
    const std::string path = WithSeparator(Settings.DstDir) + Settings.LogName;

    File file = OpenFile(path.c_str(), "wb");
    if (!file) {
        LogMessage(LogError, MessageId::LogNotSaved, path.c_str());
        return;
    }
    LogMessage(LogInfo, MessageId::SavingLog, path.c_str());
    bool written = std::fwrite(theLog.storage, 1, theLog.used, file.get()) == theLog.used;
    written = CloseOutputFile(std::move(file)) && written;
    // A file that could not be written whole (a full disk) is not kept quiet:
    // the view shows it, after the saving line.
    if (!written)
        LogMessage(LogError, MessageId::LogNotSaved, path.c_str());
}
