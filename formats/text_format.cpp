#include "formats/text_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

// Appends to a bounded buffer, counting what would have been written.
struct Sink {
    char* buffer;
    std::size_t size;
    std::size_t length = 0;

    void put(char c)
    {
        if (length + 1 < size)
            buffer[length] = c;
        ++length;
    }
    void put(const char* s, std::size_t n)
    {
        if (length + 1 < size) {
            std::size_t room = size - 1 - length;
            std::memcpy(buffer + length, s, n < room ? n : room);
        }
        length += n;
    }
    void fill(char c, std::size_t n)
    {
        if (length + 1 < size) {
            std::size_t room = size - 1 - length;
            std::memset(buffer + length, c, n < room ? n : room);
        }
        length += n;
    }
    void finish()
    {
        if (size > 0)
            buffer[length < size ? length : size - 1] = '\0';
    }
};

// The flags, width and precision of one printf conversion.
struct PrintfConversion {
    bool left = false, plus = false, blank = false, zero = false, alt = false;
    int width = 0;
    int precision = -1;  // -1: none given
};

// Writes prefix (sign or 0x), the zeros a precision asks for, then digits,
// padded to the width.
void EmitPadded(Sink& out, const PrintfConversion& conversion, const char* prefix, const char* digits,
                std::size_t ndigits, bool zeroPad, std::size_t precisionZeros = 0)
{
    const std::size_t plen = prefix[0] == '\0' ? 0 : prefix[1] == '\0' ? 1 : 2;  // a sign, or 0x
    std::size_t total = plen + precisionZeros + ndigits;
    std::size_t pad = conversion.width > 0 && static_cast<std::size_t>(conversion.width) > total
                          ? static_cast<std::size_t>(conversion.width) - total
                          : 0;
    if (out.length + pad + total < out.size) {
        // Room for the whole field: written in place.
        char* d = out.buffer + out.length;
        out.length += pad + total;
        auto fill = [&d](char c, std::size_t n) {
            for (; n > 0; --n)
                *d++ = c;
        };
        if (!conversion.left && !zeroPad)
            fill(' ', pad);
        for (std::size_t i = 0; i < plen; ++i)
            *d++ = prefix[i];
        if (!conversion.left && zeroPad)
            fill('0', pad);
        fill('0', precisionZeros);
        std::memcpy(d, digits, ndigits);
        if (conversion.left) {
            d += ndigits;
            fill(' ', pad);
        }
        return;
    }
    if (!conversion.left && !zeroPad)
        out.fill(' ', pad);
    out.put(prefix, plen);
    if (!conversion.left && zeroPad)
        out.fill('0', pad);
    out.fill('0', precisionZeros);
    out.put(digits, ndigits);
    if (conversion.left)
        out.fill(' ', pad);
}

void EmitInteger(Sink& out, const PrintfConversion& conversion, bool negative, unsigned long long magnitude, int base,
                 bool upper, bool isSigned)
{
    char digits[80];
    char* end = digits + sizeof digits;
    char* p = end;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (unsigned long long v = magnitude; v != 0; v /= static_cast<unsigned>(base))
        *--p = set[v % static_cast<unsigned>(base)];
    std::size_t n = static_cast<std::size_t>(end - p);
    // The precision is a minimum count of digits; any width of it.
    std::size_t minDigits = conversion.precision >= 0 ? static_cast<std::size_t>(conversion.precision) : 1;
    std::size_t zeros = minDigits > n ? minDigits - n : 0;
    // # with octal: the first digit is a zero (also for 0 with precision 0).
    if (conversion.alt && base == 8 && zeros == 0 && (n == 0 || *p != '0'))
        zeros = 1;
    char prefix[3] = "";
    if (isSigned) {
        if (negative)
            std::strcpy(prefix, "-");
        else if (conversion.plus)
            std::strcpy(prefix, "+");
        else if (conversion.blank)
            std::strcpy(prefix, " ");
    } else if (conversion.alt && base == 16 && magnitude != 0) {
        std::strcpy(prefix, upper ? "0X" : "0x");
    }
    EmitPadded(out, conversion, prefix, p, n, conversion.zero && !conversion.left && conversion.precision < 0, zeros);
}

// The decimal text of |value| with `precision` decimals, correctly rounded
// (ties to even on the exact binary value), for the values most rows hold:
// those of the form m / 2^s with m and s small enough that m * 10 fits in 64
// bits (about 2^-8 < |value| < 2^64, and zero). Writes into `digits` (room
// for 23 + precision) and returns where the text starts and its length `n`;
// null for any other value, which std::to_chars then writes.
const char* FixedDigits(char* digits, double value, int precision, std::size_t& n)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>(bits >> 52 & 0x7ff);
    uint64_t m = bits & ((uint64_t{1} << 52) - 1);
    int shift = 1074;  // value = m / 2^shift
    if (biased != 0) {
        m |= uint64_t{1} << 52;
        shift = 1075 - biased;
    }
    uint64_t whole = 0, rest = 0;
    if (m == 0) {
        shift = 0;
    } else {
        if (shift > 0) {
            const int zeros = std::min(std::countr_zero(m), shift);
            m >>= zeros;
            shift -= zeros;
        }
        if (shift > 60 || shift < -11)
            return nullptr;
        if (shift <= 0) {
            whole = m << -shift;
            shift = 0;
        } else {
            whole = m >> shift;
            rest = m & ((uint64_t{1} << shift) - 1);
        }
    }

    // The integer digits (at most 20) are written backwards to end at
    // digits + 21, after a spare place that takes a carry out of them.
    char* p = digits + 21;
    char* first = p;
    do {
        *--first = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    *--first = '0';
    if (precision > 0) {
        *p++ = '.';
        if (shift == 0) {
            std::memset(p, '0', static_cast<std::size_t>(precision));
            p += precision;
        } else {
            const uint64_t mask = (uint64_t{1} << shift) - 1;
            for (int i = 0; i < precision; ++i) {
                rest *= 10;
                *p++ = static_cast<char>('0' + (rest >> shift));
                rest &= mask;
            }
        }
    }
    if (shift > 0) {
        const uint64_t half = uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (p[-1] - '0') % 2 == 1)) {
            char* q = p - 1;
            for (;; --q) {
                if (*q == '.')
                    continue;
                if (*q != '9')
                    break;
                *q = '0';
            }
            ++*q;
        }
    }
    const char* start = first[0] == '0' ? first + 1 : first;
    n = static_cast<std::size_t>(p - start);
    return start;
}

void EmitFixed(Sink& out, const PrintfConversion& conversion, double value, bool upper)
{
    bool negative = std::signbit(value);
    char prefix[2] = "";
    if (negative)
        prefix[0] = '-';
    else if (conversion.plus)
        prefix[0] = '+';
    else if (conversion.blank)
        prefix[0] = ' ';

    if (!std::isfinite(value)) {
        const char* text = std::isnan(value) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
        EmitPadded(out, conversion, prefix, text, 3, false);
        return;
    }

    int precision = conversion.precision >= 0 ? conversion.precision : 6;
    if (precision <= 40) {
        char digits[64];
        std::size_t n;
        if (const char* start = FixedDigits(digits, value, precision, n)) {
            if (conversion.alt && precision == 0)
                digits[start - digits + n++] = '.';
            EmitPadded(out, conversion, prefix, start, n, conversion.zero && !conversion.left);
            return;
        }
    }
    // Up to 309 integer digits, the point and the fraction.
    std::size_t need = 320 + static_cast<std::size_t>(precision);
    char local[400];
    std::vector<char> heap;
    char* digits = local;
    if (need > sizeof local) {
        heap.resize(need);
        digits = heap.data();
    }
    auto result = std::to_chars(digits, digits + need, std::fabs(value), std::chars_format::fixed, precision);
    std::size_t n = static_cast<std::size_t>(result.ptr - digits);
    if (conversion.alt && precision == 0)
        digits[n++] = '.';
    EmitPadded(out, conversion, prefix, digits, n, conversion.zero && !conversion.left);
}

// One piece of a format text: a run of plain text, then the conversion that
// ends it (none at the end of the text).
struct Step {
    std::size_t textStart = 0, textLength = 0;  // the plain text, as offsets into the format
    std::size_t rawStart = 0, rawLength = 0;    // the conversion as written, from its percent sign
    PrintfConversion conversion;
    bool widthArg = false, precisionArg = false;  // width or precision given by *
    int length = 0;  // 0 int, 1 long, 2 long long, -1 short, -2 char, 3 size_t, 4 intmax
    char letter = '\0';  // the conversion letter; '\0': the end of the text (after a lone percent when rawLength > 0)
};

// Reads the step starting at `f` and moves `f` past it; false at the end.
bool ParseStep(const char* format, const char*& f, bool win, Step& step)
{
    if (*f == '\0')
        return false;
    step = Step{};
    const char* text = f;
    while (*f && *f != '%')
        ++f;
    step.textStart = static_cast<std::size_t>(text - format);
    step.textLength = static_cast<std::size_t>(f - text);
    if (*f == '\0')
        return true;
    const char* conversionStart = f;
    ++f;
    PrintfConversion& conversion = step.conversion;
    for (;; ++f) {
        if (*f == '-')
            conversion.left = true;
        else if (*f == '0')
            conversion.zero = true;
        else if (*f == '#')
            conversion.alt = true;
        else if (*f == '+' && !win)
            conversion.plus = true;
        else if (*f == ' ' && !win)
            conversion.blank = true;
        else
            break;
    }
    if (*f == '*' && !win) {
        step.widthArg = true;
        ++f;
    } else {
        while (*f >= '0' && *f <= '9') {
            if (conversion.width < 100000)
                conversion.width = conversion.width * 10 + (*f - '0');
            ++f;
        }
    }
    if (*f == '.') {
        ++f;
        conversion.precision = 0;
        if (*f == '*' && !win) {
            step.precisionArg = true;
            ++f;
        } else {
            while (*f >= '0' && *f <= '9') {
                if (conversion.precision < 100000)
                    conversion.precision = conversion.precision * 10 + (*f - '0');
                ++f;
            }
        }
    }
    if (*f == 'l') {
        step.length = 1;
        ++f;
        if (*f == 'l' && !win) {
            step.length = 2;
            ++f;
        }
    } else if (*f == 'h') {
        step.length = -1;
        ++f;
        if (*f == 'h' && !win) {
            step.length = -2;
            ++f;
        }
    } else if (*f == 'z' && !win) {
        step.length = 3;
        ++f;
    } else if (*f == 'j' && !win) {
        step.length = 4;
        ++f;
    }
    step.letter = *f;
    if (*f != '\0')
        ++f;
    step.rawStart = static_cast<std::size_t>(conversionStart - format);
    step.rawLength = static_cast<std::size_t>(f - conversionStart);
    return true;
}

// Writes one step, taking its arguments from `args`.
void EmitStep(Sink& out, const char* format, const Step& step, bool win, va_list& args)
{
    const char* text = format + step.textStart;
    if (step.textLength <= 4 && out.length + step.textLength < out.size) {
        // Short runs (the blanks between fields, a line end) are copied in place.
        for (std::size_t i = 0; i < step.textLength; ++i)
            out.buffer[out.length + i] = text[i];
        out.length += step.textLength;
    } else {
        out.put(text, step.textLength);
    }
    if (step.rawLength == 0)
        return;
    const char* raw = format + step.rawStart;
    PrintfConversion conversion = step.conversion;
    if (step.widthArg) {
        conversion.width = va_arg(args, int);
        if (conversion.width < 0) {
            conversion.left = true;
            conversion.width = conversion.width == INT32_MIN ? 0 : -conversion.width;
        }
    }
    if (step.precisionArg) {
        conversion.precision = va_arg(args, int);
        if (conversion.precision < 0)
            conversion.precision = -1;
    }
    const int length = step.length;
    const char c = step.letter;
    switch (c) {
    case '\0':
        // A lone percent at the end: printf writes it, wsprintf drops it.
        if (!win)
            out.put(raw, step.rawLength);
        break;
    case 'd':
    case 'i': {
        long long v;
        switch (length) {
        case 1: v = va_arg(args, long); break;
        case 2: v = va_arg(args, long long); break;
        case 3: v = static_cast<long long>(va_arg(args, std::size_t)); break;
        case 4: v = static_cast<long long>(va_arg(args, intmax_t)); break;
        case -1: v = static_cast<short>(va_arg(args, int)); break;
        case -2: v = static_cast<signed char>(va_arg(args, int)); break;
        default: v = va_arg(args, int); break;
        }
        unsigned long long mag = v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        EmitInteger(out, conversion, v < 0, mag, 10, false, true);
        break;
    }
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
        unsigned long long v;
        switch (length) {
        case 1: v = va_arg(args, unsigned long); break;
        case 2: v = va_arg(args, unsigned long long); break;
        case 3: v = va_arg(args, std::size_t); break;
        case 4: v = static_cast<unsigned long long>(va_arg(args, uintmax_t)); break;
        case -1: v = static_cast<unsigned short>(va_arg(args, unsigned)); break;
        case -2: v = static_cast<unsigned char>(va_arg(args, unsigned)); break;
        default: v = va_arg(args, unsigned); break;
        }
        if (win && c == 'o') {
            out.put('o');
            break;
        }
        int base = c == 'u' ? 10 : c == 'o' ? 8 : 16;
        EmitInteger(out, conversion, false, v, base, c == 'X', false);
        break;
    }
    case 'c': {
        char ch = static_cast<char>(va_arg(args, int));
        EmitPadded(out, conversion, "", &ch, 1, false);
        break;
    }
    case 's': {
        const char* s = va_arg(args, const char*);
        if (!s)
            s = "(null)";
        std::size_t n =
            conversion.precision >= 0 ? strnlen(s, static_cast<std::size_t>(conversion.precision)) : std::strlen(s);
        EmitPadded(out, conversion, "", s, n, false);
        break;
    }
    case 'f':
    case 'F':
        if (win) {
            out.put(c);
            break;
        }
        EmitFixed(out, conversion, va_arg(args, double), c == 'F');
        break;
    case '%':
        out.put('%');
        break;
    default:
        if (win) {
            // wvsprintfA drops the percent sign and keeps the character.
            out.put(c);
        } else {
            // glibc writes an unknown conversion as it stands.
            out.put(raw, step.rawLength);
        }
        break;
    }
}


// The printf format texts of the rows are parsed once per thread and kept
// here, found by address and checked byte for byte (a caller may build a
// format in a buffer that later holds another one).
struct ParsedFormat {
    const char* format = nullptr;
    char text[160];
    std::size_t stepCount = 0;
    Step steps[16];
};

struct FormatCache {
    ParsedFormat entries[8];
    std::size_t next = 0;  // the entry replaced next
};

thread_local FormatCache theFormatCache;

const ParsedFormat* CachedFormat(const char* format)
{
    FormatCache& cache = theFormatCache;
    for (const ParsedFormat& entry : cache.entries) {
        if (entry.format == format && std::strcmp(entry.text, format) == 0)
            return &entry;
    }
    const std::size_t n = std::strlen(format);
    ParsedFormat& entry = cache.entries[cache.next];
    if (n >= sizeof entry.text)
        return nullptr;
    entry.format = nullptr;
    entry.stepCount = 0;
    const char* f = format;
    Step step;
    while (ParseStep(format, f, false, step)) {
        if (entry.stepCount == std::size(entry.steps))
            return nullptr;
        entry.steps[entry.stepCount++] = step;
    }
    std::memcpy(entry.text, format, n + 1);
    entry.format = format;
    cache.next = (cache.next + 1) % std::size(cache.entries);
    return &entry;
}

}  // namespace

std::size_t FormatV(char* buffer, std::size_t size, FormatDialect dialect, const char* format, va_list args)
{
    Sink out{buffer, size};
    const bool win = dialect == FormatDialect::Wsprintf;
    va_list ap;
    va_copy(ap, args);
    if (const ParsedFormat* parsed = win ? nullptr : CachedFormat(format)) {
        for (std::size_t i = 0; i < parsed->stepCount; ++i)
            EmitStep(out, format, parsed->steps[i], win, ap);
    } else {
        const char* f = format;
        Step step;
        while (ParseStep(format, f, win, step))
            EmitStep(out, format, step, win, ap);
    }
    va_end(ap);
    out.finish();
    return out.length;
}

std::size_t Format(char* buffer, std::size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::size_t n = FormatV(buffer, size, FormatDialect::Printf, format, args);
    va_end(args);
    return n;
}

std::string FormatStringV(FormatDialect dialect, const char* format, va_list args)
{
    char local[512];
    va_list copy;
    va_copy(copy, args);
    std::size_t n = FormatV(local, sizeof local, dialect, format, copy);
    va_end(copy);
    if (n < sizeof local)
        return std::string(local, n);
    std::string text(n + 1, '\0');
    FormatV(text.data(), text.size(), dialect, format, args);
    text.resize(n);
    return text;
}

std::string FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatStringV(FormatDialect::Printf, format, args);
    va_end(args);
    return text;
}

void WriteText(std::FILE* out, const char* text)
{
    std::fputs(text, out);
}

void WriteFormat(std::FILE* out, const char* format, ...)
{
    char local[512];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    std::size_t n = FormatV(local, sizeof local, FormatDialect::Printf, format, copy);
    va_end(copy);
    if (n < sizeof local) {
        std::fwrite(local, 1, n, out);
    } else {
        std::string text(n + 1, '\0');
        FormatV(text.data(), text.size(), FormatDialect::Printf, format, args);
        std::fwrite(text.data(), 1, n, out);
    }
    va_end(args);
}
