#pragma once
// The interrupt and exception log IRQ_XCPT.LOG: a plain sequence of 6-byte
// records (time, i16 event code), no header and no end mark. Written whole as
// IRQ_XCPT.TXT (formats/irq_text.h), one line per record.

#include "formats/decoder.h"
#include "formats/sink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr std::size_t kIrqRecordSize = 6;

// The text of an event code; "Unknown exception" for codes not known.
const char* IrqEventText(int code);

// Hands every whole record of `in` to `sink`. Returns Done (a trailing
// partial record is dropped), Cancelled (polled before each record) or
// ReadError (IrqReadError).
DecodeResult DecodeIrqLog(std::FILE* in, IrqSink& sink, Reporter& reporter);
