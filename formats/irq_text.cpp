#include "formats/irq_text.h"

#include "formats/irq_log.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"

IrqText::IrqText(std::FILE* out, bool human) : out_(out), human_(human) {}

void IrqText::Record(int32_t time, int16_t code)
{
    WriteText(out_, "\r\n ");
    WriteTimeStamp(time, human_, out_);
    WriteText(out_, "  ");
    WriteText(out_, IrqEventText(code));
}
