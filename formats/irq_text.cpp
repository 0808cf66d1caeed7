#include "formats/irq_text.h"

#include "formats/irq_log.h"
#include "formats/timestamp.h"

#include <string>

IrqText::IrqText(std::FILE* out, bool human) : out_(out), human_(human) {}

// "\r\n <time stamp>  <event text>", handed to the stream in one write.
void IrqText::Record(int32_t time, int16_t code)
{
    char stamp[kTimeStampLength + 1];
    TimeStampText(time, human_, stamp);
    std::string line = "\r\n ";
    line += stamp;
    line += "  ";
    line += IrqEventText(code);
    std::fwrite(line.data(), 1, line.size(), out_);
}
