#include "formats/field_text.h"

#include "formats/text_format.h"

char* PutFixedByFormatter(char* p, double value, int width, int precision, bool sign)
{
    const std::size_t n = Format(p, kMaxFieldLength + 1, sign ? "%+0*.*f" : "%*.*f", width, precision, value);
    return p + std::min(n, kMaxFieldLength);
}

char* PutInt(char* p, int value, int width)
{
    const bool negative = value < 0;
    const uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    const int digits = DecimalLength(magnitude);
    p = PutRepeated(p, ' ', width - digits - (negative ? 1 : 0));
    if (negative)
        *p++ = '-';
    PutDigitsBackward(p + digits, magnitude);
    return p + digits;
}
