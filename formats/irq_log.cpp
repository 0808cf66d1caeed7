#include "formats/irq_log.h"

#include "formats/bytes.h"
#include "formats/output_file.h"
#include "formats/record.h"
#include "formats/report.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"
#include "platform/platform.h"

#include <cstdio>

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

int UnpackIrqLog(const char* inputPath, const char* outputPath)
{
    std::FILE* in = OpenFile(inputPath, "rb");
    if (!in) {
        LogMessage(LogError, MsgIrqOpenError);
        return 1;
    }
    std::FILE* out = std::fopen(outputPath, "wb");
    if (!out) {
        LogMessage(LogError, MsgIrqCreateError);
        std::fclose(in);
        return 1;
    }
    int result = 0;
    for (;;) {
        if (IsCancelRequested()) {
            LogMessage(LogError, MsgCancelled);
            std::fclose(in);
            std::fclose(out);
            return 0;
        }
        uint8_t record[kIrqRecordSize];
        if (!ReadRecord(in, record, sizeof record) || std::feof(in) || std::ferror(in))
            break;
        WriteText(out, "\r\n ");
        WriteTimeStamp(GetTime(record), out);
        WriteText(out, "  ");
        WriteText(out, IrqEventText(GetI16(record + 4)));
    }
    if (!std::feof(in)) {
        LogMessage(LogError, MsgIrqReadError);
        result = -1;
    }
    std::fclose(in);
    if (!CloseOutputFile(out)) {
        LogMessage(LogError, MsgIrqWriteError);
        result = -1;
    }
    return result;
}
