#include "formats/field_text.h"

#include "formats/text_format.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr uint64_t kPowersOfTen[] = {1,
                                     10,
                                     100,
                                     1000,
                                     10000,
                                     100000,
                                     1000000,
                                     10000000,
                                     100000000,
                                     1000000000,
                                     10000000000,
                                     100000000000,
                                     1000000000000,
                                     10000000000000,
                                     100000000000000,
                                     1000000000000000,
                                     10000000000000000,
                                     100000000000000000,
                                     1000000000000000000,
                                     10000000000000000000u};
constexpr int kMaxFastWidth = 40;

// The count of decimal digits of v, at least one.
int DecimalLength(uint64_t v)
{
    int n = 1;
    while (n < 20 && v >= kPowersOfTen[n])
        ++n;
    return n;
}

// Writes the digits of v backwards, ending at `end`.
void PutDigitsBackward(char* end, uint64_t v)
{
    while (v > UINT32_MAX) {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    uint32_t small = static_cast<uint32_t>(v);
    do {
        *--end = static_cast<char>('0' + small % 10);
        small /= 10;
    } while (small != 0);
}

constexpr uint64_t kMaxMantissa[] = {
    UINT64_MAX / kPowersOfTen[0], UINT64_MAX / kPowersOfTen[1], UINT64_MAX / kPowersOfTen[2],
    UINT64_MAX / kPowersOfTen[3], UINT64_MAX / kPowersOfTen[4], UINT64_MAX / kPowersOfTen[5],
    UINT64_MAX / kPowersOfTen[6], UINT64_MAX / kPowersOfTen[7], UINT64_MAX / kPowersOfTen[8],
    UINT64_MAX / kPowersOfTen[9]};

// |value| x 10^kPrecision rounded to an integer, ties to even on the exact
// binary value (as the formatter rounds), for the values m / 2^s whose m x
// 10^kPrecision fits in 64 bits with s at most 63; false for any other value.
template <int kPrecision>
bool ScaledMagnitude(double value, uint64_t& scaled)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>(bits >> 52 & 0x7ff);
    uint64_t m = bits & ((uint64_t{1} << 52) - 1);
    if (biased == 0) {
        scaled = 0;
        return m == 0;  // zero of either sign; subnormals go to the formatter
    }
    int shift = 1075 - biased;  // value = m / 2^shift
    if (biased == 0x7ff || shift <= 0)
        return false;
    m |= uint64_t{1} << 52;
    const int zeros = std::min(std::countr_zero(m), shift);
    m >>= zeros;
    shift -= zeros;
    if (shift > 63 || m > kMaxMantissa[kPrecision])
        return false;
    const uint64_t product = m * kPowersOfTen[kPrecision];
    if (shift == 0) {
        scaled = product;
        return true;
    }
    scaled = product >> shift;
    const uint64_t rest = product & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (scaled & 1) != 0))
        ++scaled;
    return true;
}

char* Fill(char* p, char c, int n)
{
    for (; n > 0; --n)
        *p++ = c;
    return p;
}

// The field written by the formatter itself.
char* Formatted(char* p, const char* format, int width, int precision, double value)
{
    const std::size_t n = Format(p, kMaxFieldLength + 1, format, width, precision, value);
    return p + std::min(n, kMaxFieldLength);
}

// "%W.Pf" (blank-padded) or "%+0W.Pf" (signed, zero-padded), the precision
// fixed so that every division is by a constant.
template <int kPrecision, bool kSigned>
char* FixedField(char* p, double value, int width)
{
    uint64_t scaled;
    if (width > kMaxFastWidth || !ScaledMagnitude<kPrecision>(value, scaled))
        return Formatted(p, kSigned ? "%+0*.*f" : "%*.*f", width, kPrecision, value);
    constexpr uint32_t kUnit = static_cast<uint32_t>(kPowersOfTen[kPrecision]);
    const uint64_t whole = scaled / kUnit;
    uint32_t fraction = static_cast<uint32_t>(scaled % kUnit);
    const int length = DecimalLength(whole) + (kPrecision > 0 ? 1 + kPrecision : 0);
    const bool negative = std::signbit(value);
    if (kSigned) {
        *p++ = negative ? '-' : '+';
        p = Fill(p, '0', width - 1 - length);
    } else {
        p = Fill(p, ' ', width - length - (negative ? 1 : 0));
        if (negative)
            *p++ = '-';
    }
    char* end = p + length;
    if (kPrecision > 0) {
        for (int i = 0; i < kPrecision; ++i) {
            *--end = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        *--end = '.';
    }
    PutDigitsBackward(end, whole);
    return p + length;
}

template <bool kSigned>
char* FixedField(char* p, double value, int width, int precision)
{
    switch (precision) {
    case 0: return FixedField<0, kSigned>(p, value, width);
    case 1: return FixedField<1, kSigned>(p, value, width);
    case 2: return FixedField<2, kSigned>(p, value, width);
    case 3: return FixedField<3, kSigned>(p, value, width);
    case 4: return FixedField<4, kSigned>(p, value, width);
    case 5: return FixedField<5, kSigned>(p, value, width);
    case 6: return FixedField<6, kSigned>(p, value, width);
    case 7: return FixedField<7, kSigned>(p, value, width);
    case 8: return FixedField<8, kSigned>(p, value, width);
    case 9: return FixedField<9, kSigned>(p, value, width);
    default: return Formatted(p, kSigned ? "%+0*.*f" : "%*.*f", width, precision, value);
    }
}

}  // namespace

char* PutFixed(char* p, double value, int width, int precision)
{
    return FixedField<false>(p, value, width, precision);
}

char* PutSignedFixed(char* p, double value, int width, int precision)
{
    return FixedField<true>(p, value, width, precision);
}

char* PutInt(char* p, int value, int width)
{
    const bool negative = value < 0;
    uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    const int digits = DecimalLength(magnitude);
    p = Fill(p, ' ', width - digits - (negative ? 1 : 0));
    if (negative)
        *p++ = '-';
    char* end = p + digits;
    do {
        *--end = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    return p + digits;
}

char* PutTwoDigits(char* p, int value)
{
    p[0] = static_cast<char>('0' + value / 10);
    p[1] = static_cast<char>('0' + value % 10);
    return p + 2;
}

char* PutFourDigits(char* p, int value)
{
    return PutTwoDigits(PutTwoDigits(p, value / 100), value % 100);
}
