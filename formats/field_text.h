#pragma once
// The fields of the scan rows, written straight into the row being built:
// each writer gives exactly the bytes the formatter (formats/text_format.h)
// gives for its conversion, and hands the values outside its fast path (NaN,
// infinities, values under about 2^-40 or over 2^52) to the formatter
// itself. The shape of a field (width, precision) is fixed where it is
// written, so that every division is by a constant.
//
// Each writer writes at `p` and returns the end of what it wrote, at most
// kMaxFieldLength bytes.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The longest field: a %f of the largest double has 309 integer digits.
constexpr std::size_t kMaxFieldLength = 360;

// The field as the formatter writes it: "%*.*f", or "%+0*.*f" when `sign`.
char* PutFixedByFormatter(char* p, double value, int width, int precision, bool sign);

inline constexpr uint64_t kPowersOfTen[20] = {1,
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

// "00", "01", ... "99".
inline constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// The count of decimal digits of v, at least one.
inline int DecimalLength(uint64_t v)
{
    int n = 1;
    while (n < 20 && v >= kPowersOfTen[n])
        ++n;
    return n;
}

inline char* PutPairBackward(char* end, uint32_t v)
{
    end -= 2;
    std::memcpy(end, &kDigitPairs[2 * v], 2);
    return end;
}

// Writes the digits of v backwards, ending at `end`; returns the first.
inline char* PutDigitsBackward(char* end, uint64_t v)
{
    while (v > UINT32_MAX) {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    uint32_t small = static_cast<uint32_t>(v);
    while (small >= 100) {
        end = PutPairBackward(end, small % 100);
        small /= 100;
    }
    if (small >= 10)
        return PutPairBackward(end, small);
    *--end = static_cast<char>('0' + small);
    return end;
}

// Writes the digits of v backwards, ending at `end`, and a minus sign
// before them when `negative`: the right-aligned end of a field whose blanks
// are already written.
inline void PutSignedDigitsBackward(char* end, uint32_t v, bool negative)
{
    char* first = PutDigitsBackward(end, v);
    if (negative)
        first[-1] = '-';
}

// Writes exactly kCount digits of v < 10^kCount backwards, ending at `end`.
template <int kCount>
void PutFixedCountBackward(char* end, uint32_t v)
{
    for (int i = 0; i + 2 <= kCount; i += 2) {
        end = PutPairBackward(end, v % 100);
        v /= 100;
    }
    if (kCount % 2 != 0)
        end[-1] = static_cast<char>('0' + v);
}

// |value| x 10^precision rounded to an integer, ties to even on the exact
// binary value (as the formatter rounds), for the values m / 2^s whose m x
// 10^precision fits in 64 bits with s at most 63; false for any other value.
inline bool ScaledMagnitude(uint64_t bits, int precision, uint64_t& scaled)
{
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
    if (shift > 63 || m > UINT64_MAX / kPowersOfTen[precision])
        return false;
    const uint64_t product = m * kPowersOfTen[precision];
    if (shift == 0) {
        scaled = product;
        return true;
    }
    scaled = product >> shift;
    const uint64_t rest = product & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    // Up or down goes either way from one value to the next: no branch.
    scaled += static_cast<uint64_t>(rest > half) | (static_cast<uint64_t>(rest == half) & scaled);
    return true;
}

inline char* PutRepeated(char* p, char c, int n)
{
    for (; n > 0; --n)
        *p++ = c;
    return p;
}

// "%W.Pf" (blank-padded, a minus sign on negative values, -0.0 included) or,
// with kSigned, "%+0W.Pf" (always a sign, zero-padded after it).
template <int kWidth, int kPrecision, bool kSigned>
char* PutFixedField(char* p, double value)
{
    static_assert(kPrecision >= 0 && kPrecision <= 9 && kWidth >= 0 && kWidth <= 40);
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    uint64_t scaled;
    if (!ScaledMagnitude(bits, kPrecision, scaled))
        return PutFixedByFormatter(p, value, kWidth, kPrecision, kSigned);
    const bool negative = (bits >> 63) != 0;
    constexpr uint32_t kUnit = static_cast<uint32_t>(kPowersOfTen[kPrecision]);
    constexpr int kPointAndFraction = kPrecision > 0 ? kPrecision + 1 : 0;
    const uint64_t whole = scaled / kUnit;
    const uint32_t fraction = static_cast<uint32_t>(scaled - whole * kUnit);

    // The signed field as wide as its width (the usual case): the sign,
    // then a fixed count of integer digits.
    constexpr int kWholeRoom = kWidth - 1 - kPointAndFraction;
    if constexpr (kSigned && kWholeRoom >= 1 && kWholeRoom <= 9) {
        if (whole < kPowersOfTen[kWholeRoom]) {
            *p = negative ? '-' : '+';
            char* end = p + kWidth;
            if (kPrecision > 0) {
                PutFixedCountBackward<kPrecision>(end, fraction);
                end -= kPointAndFraction;
                *end = '.';
            }
            PutFixedCountBackward<kWholeRoom>(end, static_cast<uint32_t>(whole));
            return p + kWidth;
        }
    }

    // The unsigned field as wide as its width (the usual case): blanks, then
    // the digits backwards from the field's end, the sign before them.
    constexpr int kRoom = kWidth - kPointAndFraction;
    if constexpr (!kSigned && kRoom >= 2 && kRoom <= 9) {
        if (whole < kPowersOfTen[kRoom - (negative ? 1 : 0)]) {
            std::memset(p, ' ', kWidth);
            char* end = p + kWidth;
            if (kPrecision > 0) {
                PutFixedCountBackward<kPrecision>(end, fraction);
                end -= kPointAndFraction;
                *end = '.';
            }
            PutSignedDigitsBackward(end, static_cast<uint32_t>(whole), negative);
            return p + kWidth;
        }
    }

    const int length = DecimalLength(whole) + kPointAndFraction;
    if (kSigned) {
        *p++ = negative ? '-' : '+';
        p = PutRepeated(p, '0', kWidth - 1 - length);
    } else {
        p = PutRepeated(p, ' ', kWidth - length - (negative ? 1 : 0));
        if (negative)
            *p++ = '-';
    }
    char* end = p + length;
    if (kPrecision > 0) {
        PutFixedCountBackward<kPrecision>(end, fraction);
        end -= kPointAndFraction;
        *end = '.';
    }
    PutDigitsBackward(end, whole);
    return p + length;
}

template <int kWidth, int kPrecision>
char* PutFixed(char* p, double value)
{
    return PutFixedField<kWidth, kPrecision, false>(p, value);
}

template <int kWidth, int kPrecision>
char* PutSignedFixed(char* p, double value)
{
    return PutFixedField<kWidth, kPrecision, true>(p, value);
}

// "%Wd".
inline char* PutInt(char* p, int value, int width)
{
    const bool negative = value < 0;
    const uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    // As wide as its width (the usual case): blanks, the digits backwards
    // from the field's end, the sign before them.
    if (width >= 1 && width <= 9 && magnitude < kPowersOfTen[width - (negative ? 1 : 0)]) {
        std::memset(p, ' ', static_cast<std::size_t>(width));
        PutSignedDigitsBackward(p + width, magnitude, negative);
        return p + width;
    }
    const int digits = DecimalLength(magnitude);
    p = PutRepeated(p, ' ', width - digits - (negative ? 1 : 0));
    if (negative)
        *p++ = '-';
    PutDigitsBackward(p + digits, magnitude);
    return p + digits;
}
// Two and four digits of a value 0..99 or 0..9999 ("%02d", "%04d").
inline char* PutTwoDigits(char* p, int value)
{
    std::memcpy(p, &kDigitPairs[2 * value], 2);
    return p + 2;
}

inline char* PutFourDigits(char* p, int value)
{
    return PutTwoDigits(PutTwoDigits(p, value / 100), value % 100);
}
