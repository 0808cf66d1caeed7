#include "engine/activity_log.h"

#include "engine/messages.h"
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
    uint32_t capacity = 0;        // the size the storage was allocated with
    int level = 15;               // the categories stored
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

int LogCreate(ModuleHandle module, int32_t size)
{
    LogDestroy();
    theLog.module = module;
    theLog.created = true;
    theLog.write = nullptr;
    theLog.storage = nullptr;
    theLog.used = 0;
    theLog.changed = 0;
    theLog.capacity = 0;

    void* storage = AllocateStorage(size);
    if (storage) {
        theLog.storage = static_cast<char*>(storage);
        theLog.capacity = static_cast<uint32_t>(size);
        theLog.write = theLog.storage;
        return 0;
    }

    char caption[128];
    char text[512];
    const MessageValues none;  // the question has no placeholders
    if (ExpandMessage(none, MessageId::LogMemoryCaption, caption, sizeof caption) == 0)
        std::strcpy(caption, "Error allocating memory!");
    if (ExpandMessage(none, MessageId::LogMemoryQuestion, text, sizeof text) == 0)
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

void LogSetLevel(int level)
{
    theLog.level = level;
}

bool LogCreated()
{
    return theLog.created;
}

std::string MessageEntry(const MessageValues& values, MessageId id, va_list args)
{
    // Placeholder values go in with their percent signs doubled, so a folder or
    // a prefix is logged as it is and never read as a conversion.
    char message[kLogMessageBufferSize];
    ExpandMessageAsFormat(values, id, message, sizeof message);
    char entry[kLogFormatBufferSize];
    FormatV(entry, sizeof entry, FormatDialect::Wsprintf, message, args);
    return entry;
}

std::string TextEntry(const char* format, va_list args)
{
    char entry[kLogFormatBufferSize];
    FormatV(entry, sizeof entry, FormatDialect::Wsprintf, format ? format : "", args);
    return entry;
}

void LogText(int category, const char* format, ...)
{
    if (!theLog.created)
        return;
    va_list args;
    va_start(args, format);
    const std::string text = TextEntry(format, args);
    va_end(args);
    LogAppend(text.c_str(), category);
}

void LogAppend(const char* text, int category)
{
    if (listener && text)
        listener(listenerContext, text, category);
    if (theLog.storage && text && (category & theLog.level) != 0) {
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

// A catalogue message without placeholders.
static void LogFixedMessage(int category, MessageId id, const char* path)
{
    LogText(category, MessageText(id), path);
}

void LogSave(const std::string& path)
{
    if (!theLog.storage)
        return;
    File file = OpenFile(path.c_str(), "wb");
    if (!file) {
        LogFixedMessage(LogError, MessageId::LogNotSaved, path.c_str());
        return;
    }
    LogFixedMessage(LogInfo, MessageId::SavingLog, path.c_str());
    bool written = std::fwrite(theLog.storage, 1, theLog.used, file.get()) == theLog.used;
    written = CloseOutputFile(std::move(file)) && written;
    // A file that could not be written whole (a full disk) is not kept quiet:
    // the view shows it, after the saving line.
    if (!written)
        LogFixedMessage(LogError, MessageId::LogNotSaved, path.c_str());
}
