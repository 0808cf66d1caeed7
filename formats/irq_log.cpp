#include "formats/irq_log.h"

#include "formats/bytes.h"
#include "formats/record.h"

const char* IrqEventText(int code)
{
    switch (code) {
    case 0: return "Log file creation time.";
    case 1: return "Watchdog IRQ acknowledged.";
    case 2: return "Transponder IRQ acknowledged.";
    case 3: return "Critical fault recovery and reset.";
    case 4: return "Unattended system reset by watchdog.";
    default: return "Unknown exception";
    }
}

DecodeResult DecodeIrqLog(std::FILE* in, IrqSink& sink, Reporter& reporter)
{
    for (;;) {
        if (reporter.CancelRequested()) {
            reporter.Report(LogError, MessageId::Cancelled);
            return DecodeResult::Cancelled;
        }
        uint8_t record[kIrqRecordSize];
        if (!ReadRecord(in, record, sizeof record) || std::feof(in) || std::ferror(in))
            break;
        sink.Record(GetTime(record), GetI16(record + 4));
    }
    if (!std::feof(in)) {
        reporter.Report(LogError, MessageId::IrqReadError);
        return DecodeResult::ReadError;
    }
    return DecodeResult::Done;
}
