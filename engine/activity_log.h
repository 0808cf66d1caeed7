#pragma once
// The activity log: one bounded text of what a run did (a header, the
// settings of the run, progress lines, every error), shown while the run goes
// on and saved beside the output at its end. It holds the bytes it was
// created with: the text plus its NUL never reach that size, and when an
// entry would not fit, the oldest text is cut away at a line break first
// (LogTrim). An entry is stored only when its category (formats/report.h) has
// a bit in common with the log's level. The program's settings give both
// (app/program_log.h).
//
// No lock is taken: one thread at a time logs (the user-interface thread, or
// the thread that passes on the unpack job's entries in order), and the text
// is read only while that thread waits. The entry texts themselves may be
// formatted on any thread (LogEntryText).

#include "engine/messages.h"
#include "formats/report.h"
#include "formats/text_format.h"
#include "platform/desktop.h"

#include <cstdarg>
#include <cstdint>
#include <string>

constexpr std::size_t kLogFormatBufferSize = 1024;  // a formatted entry, with its NUL
constexpr std::size_t kLogMessageBufferSize = 512;  // an expanded catalogue text

// Allocates `size` zero-filled bytes. When they cannot be had, asks whether
// to go on without a log (LogMemoryCaption and LogMemoryQuestion): -1 for No (the program ends),
// 0 for Yes (every entry is dropped from then on). Returns 0 on success. A
// second call starts over with a fresh log.
int LogCreate(ModuleHandle module, int32_t size);
// The categories stored from now on (a set of LogCategory bits).
void LogSetLevel(int level);
// Releases the storage; logging does nothing afterwards until LogCreate.
void LogDestroy();
// Empties the log and marks it changed.
void LogReset();

// Logs printf-style text, formatted by the rules of wvsprintfA into 1024
// bytes; nothing before LogCreate. (The programs log catalogue messages with
// LogMessage, app/expanded_text.h.)
void LogText(int category, const char* format, ...) DAVROLIN_PRINTF(2, 3);
// Whether LogCreate has run (and LogDestroy not since).
bool LogCreated();

// An entry's text, formatted on the calling thread into buffers of its own:
// catalogue message `id` expanded with `values` and formatted with `args`, or
// printf-style text; by the rules of wvsprintfA, into 1024 bytes.
std::string MessageEntry(const MessageValues& values, MessageId id, va_list args);
std::string TextEntry(const char* format, va_list args);

// Stores finished text when its category passes the level, trimming once if
// needed; text that still does not fit is dropped. Always marks the log
// changed.
void LogAppend(const char* text, int category);
// Discards the oldest text: a fifth of the storage (at most 1024), extended to
// the next line break; all of it when no line break follows.
void LogTrim();

// The whole text (empty without storage); clears the changed flag.
const char* LogTake();
bool LogHasChanged();
// Length of the text in bytes, and the size of the storage (0 without).
uint32_t LogUsed();
uint32_t LogCapacity();

// Writes the text to `path`, after logging "Saving log to ..." (or "Unable
// to save log to ..." when the file cannot be created, and after the saving
// line when it cannot be written whole). Nothing is written when the log has
// no storage.
void LogSave(const std::string& path);

// Hears every entry offered to the log, on the thread that logs it, before
// the level and the storage decide whether it is kept: a listener sees the
// errors of a run even when the log keeps none of them. Null stops listening.
using LogListener = void (*)(void* context, const char* text, int category);
void SetLogListener(LogListener listener, void* context);

// The Yes/No question of LogCreate. By default the platform's message box;
// tests and the command-line tool set their own answer. Null restores the
// default.
using LogQuestion = bool (*)(const char* caption, const char* text);
void SetLogQuestion(LogQuestion question);
