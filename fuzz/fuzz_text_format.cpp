// The formatter, both dialects. The fuzzer's bytes drive a generator of format
// texts and matching arguments (so no conversion ever reads an argument of the
// wrong kind): literal text, %%, conversions with any flags, widths and
// precisions (also *), length modifiers, unknown conversions and a dangling
// percent at the end. The format is cut into pieces of one conversion each
// (with the widths and precisions it takes from the arguments) and each piece
// is checked:
//  - into a buffer of a chosen size nothing is written past `size`, the text is
//    the full text cut short and NUL-ended, and the full length is returned;
//  - FormatString and WriteFormat give the full text;
//  - in the printf dialect the text is what glibc's snprintf writes.

#include "formats/text_format.h"
#include "fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdarg>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

enum class Kind { Int, Unsigned, Long, ULong, LongLong, ULongLong, SizeT, Double, String };

struct Arg {
    Kind kind;
    long long integer = 0;
    unsigned long long uinteger = 0;
    double real = 0;
    const char* text = nullptr;
};

struct Piece {
    std::string format;
    std::vector<Arg> args;
    bool comparable = true;  // glibc's text is the reference
};

std::size_t WsFormat(char* buffer, std::size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::size_t n = FormatV(buffer, size, FormatDialect::Wsprintf, format, args);
    va_end(args);
    return n;
}

std::string WsFormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatStringV(FormatDialect::Wsprintf, format, args);
    va_end(args);
    return text;
}

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
#pragma clang diagnostic ignored "-Wformat-security"

// Checks one piece with its arguments in hand.
struct Checker {
    const Piece& piece;
    bool wsprintf;
    std::size_t bounded;  // a buffer size, scaled to the full length below

    template <typename... A>
    void operator()(A... args) const
    {
        const char* f = piece.format.c_str();
        auto format = [&](char* buffer, std::size_t size) {
            return wsprintf ? WsFormat(buffer, size, f, args...) : Format(buffer, size, f, args...);
        };
        const std::size_t n = format(nullptr, 0);
        std::vector<char> full(n + 1, 'x');
        FUZZ_CHECK(format(full.data(), full.size()) == n);
        FUZZ_CHECK(full[n] == '\0');
        const std::string text(full.data(), n);

        // A heap block of exactly `size` bytes: a write past it is caught.
        const std::size_t size = bounded % (n + 3);
        std::unique_ptr<char[]> block(size ? new char[size] : nullptr);
        if (size)
            std::memset(block.get(), 'x', size);
        FUZZ_CHECK(format(block.get(), size) == n);
        if (size) {
            const std::size_t kept = size - 1 < n ? size - 1 : n;
            FUZZ_CHECK(std::memcmp(block.get(), text.data(), kept) == 0);
            FUZZ_CHECK(block[kept] == '\0');
        }

        if (wsprintf) {
            FUZZ_CHECK(WsFormatString(f, args...) == text);
            return;
        }
        FUZZ_CHECK(FormatString(f, args...) == text);
        char* stream = nullptr;
        std::size_t streamSize = 0;
        std::FILE* out = open_memstream(&stream, &streamSize);
        FUZZ_CHECK(out != nullptr);
        WriteFormat(out, f, args...);
        std::fclose(out);
        FUZZ_CHECK(std::string(stream, streamSize) == text);
        std::free(stream);

        if (piece.comparable) {
            const int expected = std::snprintf(nullptr, 0, f, args...);
            FUZZ_CHECK(expected >= 0);
            std::vector<char> reference(static_cast<std::size_t>(expected) + 1);
            std::snprintf(reference.data(), reference.size(), f, args...);
            if (std::string(reference.data(), static_cast<std::size_t>(expected)) != text) {
                std::fprintf(stderr, "format [%s]\n ours  [%s]\n glibc [%s]\n", f, text.c_str(), reference.data());
                FUZZ_CHECK(!"the text differs from glibc's");
            }
        }
    }
};

#pragma clang diagnostic pop

// Passes the value of a piece's conversion with its own type, after the
// widths and precisions given with *.
template <typename... Stars>
void CallWithValue(const Checker& check, const Arg& a, Stars... stars)
{
    switch (a.kind) {
    case Kind::Int: check(stars..., static_cast<int>(a.integer)); break;
    case Kind::Unsigned: check(stars..., static_cast<unsigned>(a.uinteger)); break;
    case Kind::Long: check(stars..., static_cast<long>(a.integer)); break;
    case Kind::ULong: check(stars..., static_cast<unsigned long>(a.uinteger)); break;
    case Kind::LongLong: check(stars..., a.integer); break;
    case Kind::ULongLong: check(stars..., a.uinteger); break;
    case Kind::SizeT: check(stars..., static_cast<std::size_t>(a.uinteger)); break;
    case Kind::Double: check(stars..., a.real); break;
    case Kind::String: check(stars..., a.text); break;
    }
}

void Call(const Checker& check)
{
    const std::vector<Arg>& args = check.piece.args;
    switch (args.size()) {
    case 0: check(); break;
    case 1: CallWithValue(check, args[0]); break;
    case 2: CallWithValue(check, args[1], static_cast<int>(args[0].integer)); break;
    case 3:
        CallWithValue(check, args[2], static_cast<int>(args[0].integer), static_cast<int>(args[1].integer));
        break;
    default: FUZZ_CHECK(!"a piece has more than one conversion"); break;
    }
}

// Generates a format and its arguments from the fuzzer's bytes.
class Generator {
public:
    Generator(FuzzedDataProvider& fdp, bool wsprintf) : fdp_(fdp), wsprintf_(wsprintf) {}

    std::vector<Piece> Run()
    {
        pieces_.emplace_back();
        for (int tokens = 0; tokens < 48 && fdp_.remaining_bytes() > 0; ++tokens) {
            switch (fdp_.ConsumeIntegralInRange(0, 9)) {
            case 0:
            case 1:
            case 2: Literal(); break;
            case 3: Text("%%"); break;
            case 4: Unknown(); break;
            case 5:
                Dangling();
                return pieces_;
            default: Conversion(); break;
            }
        }
        return pieces_;
    }

private:
    // The piece to extend: one conversion that takes arguments per piece.
    Piece& Current(std::size_t newArgs)
    {
        if (newArgs > 0 && !pieces_.back().args.empty())
            pieces_.emplace_back();
        return pieces_.back();
    }
    void Text(const std::string& s) { Current(0).format += s; }

    void Literal()
    {
        std::string s = fdp_.ConsumeRandomLengthString(24);
        std::string kept;
        for (char c : s)
            if (c != '%' && c != '\0')
                kept += c;
        Text(kept);
    }

    std::string Flags(const char* set)
    {
        std::string flags;
        int count = fdp_.ConsumeIntegralInRange(0, 4);
        for (int i = 0; i < count; ++i)
            flags += fdp_.PickValueInArray({set[0], set[1], set[2], set[3], set[4]});
        return flags;
    }

    std::string Digits()
    {
        // Mostly small; now and then large enough to need the heap.
        unsigned v = fdp_.ConsumeBool() ? fdp_.ConsumeIntegralInRange(0u, 40u) : fdp_.ConsumeIntegralInRange(0u, 1200u);
        return std::to_string(v);
    }

    // A percent sign, maybe flags and a width, then a character that starts no
    // conversion: written as it stands (printf) or without the percent sign
    // (wsprintf). Takes no argument.
    void Unknown()
    {
        std::string spec = "%";
        if (fdp_.ConsumeBool()) {
            spec += wsprintf_ ? Flags("-0#-0") : Flags("-+ 0#");
            if (fdp_.ConsumeBool())
                spec += std::to_string(fdp_.ConsumeIntegralInRange(1, 99));
        }
        if (wsprintf_)
            spec += fdp_.PickValueInArray({'f', 'F', '+', ' ', '*', 'z', 'j', 'k', '!', 'y', '~'});
        else
            spec += fdp_.PickValueInArray({'k', 'y', 'r', 'v', 'K', '!', '&', '~', '@'});
        Piece& piece = Current(0);
        piece.format += spec;
        piece.comparable = false;  // glibc writes it back with its flags tidied up
    }

    // An unfinished conversion at the very end of the format.
    void Dangling()
    {
        std::string spec = "%";
        if (fdp_.ConsumeBool())
            spec += Flags("-0#-0");
        if (fdp_.ConsumeBool())
            spec += std::to_string(fdp_.ConsumeIntegralInRange(0, 99));
        if (fdp_.ConsumeBool())
            spec += ".";
        if (fdp_.ConsumeBool())
            spec += fdp_.ConsumeBool() ? "l" : "h";
        Piece& piece = Current(0);
        piece.format += spec;
        piece.comparable = false;  // glibc refuses it; we write it or drop it
    }

    void Conversion()
    {
        std::vector<Arg> args;
        std::string spec = "%";
        spec += wsprintf_ ? Flags("-0#-0") : Flags("-+ 0#");
        int width = fdp_.ConsumeIntegralInRange(0, 3);
        if (width == 1) {
            spec += Digits();
        } else if (width == 2 && !wsprintf_) {
            spec += "*";
            args.push_back(StarArg());
        }
        int precision = fdp_.ConsumeIntegralInRange(0, 4);
        if (precision == 1) {
            spec += ".";
        } else if (precision == 2) {
            spec += "." + Digits();
        } else if (precision == 3 && !wsprintf_) {
            spec += ".*";
            args.push_back(StarArg());
        }

        char c = wsprintf_ ? fdp_.PickValueInArray({'d', 'i', 'u', 'x', 'X', 'c', 's'})
                           : fdp_.PickValueInArray({'d', 'i', 'u', 'x', 'X', 'o', 'c', 's', 'f', 'F'});
        Arg a;
        if (c == 'c') {
            a.kind = Kind::Int;
            a.integer = fdp_.ConsumeIntegral<int>();
        } else if (c == 's') {
            a.kind = Kind::String;
            a.text = NewString();
        } else if (c == 'f' || c == 'F') {
            if (fdp_.ConsumeBool())
                spec += "l";
            a.kind = Kind::Double;
            a.real = Real();
        } else {
            const bool isSigned = c == 'd' || c == 'i';
            const char* length = wsprintf_ ? fdp_.PickValueInArray({"", "l", "h"})
                                           : fdp_.PickValueInArray({"", "hh", "h", "l", "ll", "z", "j"});
            spec += length;
            std::string l = length;
            if (l == "l" || l == "j")
                a.kind = isSigned ? Kind::Long : Kind::ULong;
            else if (l == "ll")
                a.kind = isSigned ? Kind::LongLong : Kind::ULongLong;
            else if (l == "z")
                a.kind = Kind::SizeT;
            else
                a.kind = isSigned ? Kind::Int : Kind::Unsigned;
            a.integer = fdp_.ConsumeIntegral<long long>();
            a.uinteger = static_cast<unsigned long long>(a.integer);
            if (a.kind == Kind::SizeT && isSigned && a.integer < 0)
                a.uinteger = static_cast<unsigned long long>(-(a.integer + 1));  // a value %zd can hold
        }
        spec += c;
        args.push_back(a);

        Piece& piece = Current(args.size());
        piece.format += spec;
        piece.args.insert(piece.args.end(), args.begin(), args.end());
    }

    Arg StarArg()
    {
        Arg a;
        a.kind = Kind::Int;
        a.integer = fdp_.ConsumeIntegralInRange(-1300, 1300);
        return a;
    }

    double Real()
    {
        switch (fdp_.ConsumeIntegralInRange(0, 2)) {
        case 0: {
            uint64_t bits = fdp_.ConsumeIntegral<uint64_t>();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        case 1: return static_cast<double>(fdp_.ConsumeIntegral<int32_t>()) / 1000.0;
        default: return static_cast<double>(fdp_.ConsumeFloatingPoint<float>());
        }
    }

    const char* NewString()
    {
        if (wsprintf_ && fdp_.ConsumeIntegralInRange(0, 15) == 0)
            return nullptr;  // written as (null)
        strings_.push_back(fdp_.ConsumeRandomLengthString(40));
        return strings_.back().c_str();
    }

    FuzzedDataProvider& fdp_;
    bool wsprintf_;
    std::vector<Piece> pieces_;
    std::deque<std::string> strings_;  // stable addresses for %s
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const bool wsprintf = fdp.ConsumeBool();
    const std::size_t bounded = fdp.ConsumeIntegral<uint16_t>();
    Generator generator(fdp, wsprintf);
    for (const Piece& piece : generator.Run())
        Call(Checker{piece, wsprintf, bounded});
    return 0;
}
