#pragma once
// The activity log: one bounded text of what a run did (a header, the
// settings of the run, progress lines, every error), shown while the run goes
// on and saved beside the output at its end. It holds `LogSize` bytes from
// start-up: the text plus its NUL never reach that size, and when an entry
// would not fit, the oldest text is cut away at a line break first (LogTrim).
// An entry is stored only when its category (formats/report.h) has a bit in
// common with the `LogLevel` setting.
//
// No lock is taken: one thread at a time logs (the user-interface thread, or
// the thread that passes on the unpack job's entries in order), and the text
// is read only while that thread waits. The entry texts themselves may be
// formatted on any thread (LogEntryText).

#include "formats/report.h"
#include "formats/text_format.h"
#include "platform/desktop.h"

#include <cstdarg>
#include <cstdint>
#include <string>

constexpr std::size_t kLogFormatBufferSize = 1024;  // a formatted entry, with its NUL
constexpr std::size_t kLogMessageBufferSize = 512;  // an expanded catalogue text

// Allocates `LogSize` zero-filled bytes. When they cannot be had, asks whether
// to go on without a log (LogMemoryCaption and LogMemoryQuestion): -1 for No (the program ends),
// 0 for Yes (every entry is dropped from then on). Returns 0 on success. A
// second call starts over with a fresh log.
int LogCreate(ModuleHandle module);
// Releases the storage; logging does nothing afterwards until LogCreate.
void LogDestroy();
// Empties the log and marks it changed.
void LogReset();

// The entry points for the code that logs directly (the metadata check, the
// job, the programs). Both format by the rules of wvsprintfA into 1024 bytes
// and do nothing before LogCreate.
// Logs a catalogue message, expanded and formatted with the arguments.
void LogMessage(int category, MessageId id, ...);
void LogMessageV(int category, MessageId id, va_list args);
// Logs printf-style text.
void LogText(int category, const char* format, ...) DAVROLIN_PRINTF(2, 3);

// The text LogMessageV (with a message id) or LogText (with a format) would
// store, formatted on the calling thread into buffers of its own: false, and
// nothing to store, before LogCreate.
bool LogEntryText(MessageId id, va_list args, std::string& text);
bool LogEntryTextV(const char* format, va_list args, std::string& text);

// Stores finished text when its category passes `LogLevel`, trimming once if
// needed; text that still does not fit is dropped. Always marks the log
// changed.
void LogAppend(const char* text, int category);
// Discards the oldest text: LogSize / 5 bytes (at most 1024), extended to
// the next line break; all of it when no line break follows.
void LogTrim();

// The whole text (empty without storage); clears the changed flag.
const char* LogTake();
bool LogHasChanged();
// Length of the text in bytes, and the size of the storage (0 without).
uint32_t LogUsed();
uint32_t LogCapacity();

// Writes the text to `DstDir` + separator + `LogName` when `SaveLog` is on,
// after logging "Saving log to ..." (or "Unable to save log to ..." when the
// file cannot be created, and after the saving line when it cannot be written
// whole). Nothing is written when the log has no storage.
void LogSave();

// Hears every entry offered to the log, on the thread that logs it, before
// `LogLevel` and the storage decide whether it is kept: a listener sees the
// errors of a run even when the log keeps none of them. Null stops listening.
using LogListener = void (*)(void* context, const char* text, int category);
void SetLogListener(LogListener listener, void* context);

// The Yes/No question of LogCreate. By default the platform's message box;
// tests and the command-line tool set their own answer. Null restores the
// default.
using LogQuestion = bool (*)(const char* caption, const char* text);
void SetLogQuestion(LogQuestion question);
