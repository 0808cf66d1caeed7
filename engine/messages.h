#pragma once
// The message catalogue: every text the program shows or logs is a numbered
// message, ids 101 to 242 (named in formats/message_ids.h), and may hold
// {NAME} placeholders that ExpandMessage replaces with the values it is given
// (MessageValues: the choices of the program, or those of a run) or with the
// program's version data. Printf-style conversions in a text pass through
// unchanged for the caller to fill.

#include "formats/message_ids.h"
#include "formats/run_choices.h"

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kFirstMessageId = 101;
constexpr int kLastMessageId = 242;
constexpr int kMessageBufferSize = 4096;  // what callers give ExpandMessage

// The raw text of message `id`, or null for a reserved or unknown id.
const char* MessageText(MessageId id);

// What the placeholders stand for. Numbers are written in decimal as they
// are: the programs give the settings' signed fields, a run its unsigned
// profile numbers.
struct MessageValues {
    std::string source;                 // {SRCDIR}
    std::string destination;            // {DSTDIR}
    std::string prefix;                 // {PREFIX}
    int range = RangeEntireDeployment;  // {PRANGE}: a RangeMode
    int64_t first = 0;                  // {FSTPRO}
    int64_t last = 0;                   // {LSTPRO}
    bool human = false;                 // {HUMAN}
    int64_t profilesPerFile = 0;        // {PROPFS}
    int64_t profileCount = 0;           // {PROCNT}
    int64_t maxProfile = 0;             // {MAXPRO}
    int64_t fileCount = 0;              // {FILCNT}
    bool layout301 = false;             // {FIRMWARE}
};

// Loads message `id` into `out` (capacity `size` bytes) with its placeholders
// replaced, for showing as it is (a message box, a status line). Returns the
// length of the raw text, or 0 when the id has no text: then `out` is empty and
// "ERROR: LoadString failed on resource id %u!\r\n" goes to the activity log.
// Never writes past `size`; a longer result is cut at size - 1 characters.
int ExpandMessage(const MessageValues& values, MessageId id, char* out, std::size_t size);

// The same, for a text that is then used as a format (LogMessage, the folder
// survey, the options summary): every '%' that a placeholder inserts (a folder
// "C:\100%data", a prefix "a%sb") is doubled, so the formatter writes it as a
// plain percent sign and never takes it for a conversion.
int ExpandMessageAsFormat(const MessageValues& values, MessageId id, char* out, std::size_t size);
