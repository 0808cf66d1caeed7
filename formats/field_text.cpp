#include "formats/field_text.h"

#include "formats/text_format.h"

char* PutFixedByFormatter(char* p, double value, int width, int precision, bool sign)
{
    const std::size_t n = Format(p, kMaxFieldLength + 1, sign ? "%+0*.*f" : "%*.*f", width, precision, value);
    return p + std::min(n, kMaxFieldLength);
}
