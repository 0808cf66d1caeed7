#pragma once
// What every decoder takes and returns. A decoder reads one input stream and
// hands what it decodes to a sink (formats/sink.h); it learns how to read from
// its options, logs through a reporter and polls the reporter for a cancel,
// and says how the reading ended with a DecodeResult. It reads no global
// state, so any caller can wire it to any sink.

#include "formats/report.h"

#include <cstdarg>
#include <cstdint>

// value = count / divisor - offset, for each of the three CTD quantities.
struct CtdConstants {
    double conductivityDivisor, conductivityOffset;
    double temperatureDivisor, temperatureOffset;
    double pressureDivisor, pressureOffset;
};

// How a run reads and writes: the decoders use the layout and the CTD
// constants, the text sinks the form (and the layout, for the engineering
// columns).
struct DecodeOptions {
    bool human;        // the human-readable form of the texts, else the machine form
    bool layout301;    // the record layouts of firmware 3.01, else 3.04
    CtdConstants ctd;  // the constants of the CTD the deployment record marks as fitted
};

// How a decoder (or the job's loop over a file) ended.
enum class DecodeResult {
    Done,        // read to its end (a CTD profile also when the file ended among its scans)
    Cancelled,   // the cancel request was seen before a record
    ReadError,   // the input ended early or could not be read
    OpenError,   // an input could not be opened, or an output created
    WriteError,  // an output did not reach the disk
};

// The name of a result ("Done", ...), for messages and test failures.
const char* DecodeResultName(DecodeResult result);

// A decoder asks for a cancel once in this many records of a profile: a
// cancel is seen within microseconds, and a scan costs no call to ask.
constexpr uint32_t kCancelPollRecords = 64;

// Where a decoder logs catalogue messages and learns of a cancel request.
class Reporter {
public:
    virtual ~Reporter() = default;
    // Logs catalogue message `id`, expanded and formatted with `args`.
    virtual void Message(int category, MessageId id, va_list args) = 0;
    virtual bool CancelRequested() = 0;
    // Asked before each record of a profile (numbered from 0): the cancel
    // request, looked at on the first record and every kCancelPollRecords.
    bool CancelDue(uint32_t record) { return record % kCancelPollRecords == 0 && CancelRequested(); }

    // Message with the arguments given in place.
    void Report(int category, MessageId id, ...);
};
