// The row writers against the formatter: the fuzzer's bytes become the
// values of one row of each shape (any bit pattern of the floats and doubles,
// the gains, the time stamp), and each writer must give exactly the bytes the
// formatter gives for the row's format text, within the room a row may take.

#include "formats/row_text.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"
#include "fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

float FloatBits(FuzzedDataProvider& fdp)
{
    const uint32_t bits = fdp.ConsumeIntegral<uint32_t>();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

double DoubleBits(FuzzedDataProvider& fdp)
{
    const uint64_t bits = fdp.ConsumeIntegral<uint64_t>();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::string Stamp(int32_t time, bool human)
{
    const CivilTime t = BreakDownTime(time);
    return FormatString(human ? "%02d/%02d/%04d %02d:%02d:%02d" : "%02d %02d %04d %02d %02d %02d", t.month, t.day,
                        t.year, t.hour, t.minute, t.second);
}

void Compare(const char* shape, const std::vector<char>& row, const char* end, const std::string& expected)
{
    FUZZ_CHECK(end >= row.data() && end <= row.data() + kMaxRowLength);
    const std::string text(row.data(), static_cast<std::size_t>(end - row.data()));
    if (text != expected) {
        std::fprintf(stderr, "%s\n ours      [%s]\n formatter [%s]\n", shape, text.c_str(), expected.c_str());
        FUZZ_CHECK(!"a row writer differs from the formatter");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fdp(data, size);
    std::vector<char> row(kMaxRowLength);

    const EngineeringValues e{fdp.ConsumeIntegral<int32_t>(), FloatBits(fdp), FloatBits(fdp),
                              FloatBits(fdp),                 FloatBits(fdp), fdp.ConsumeIntegral<int16_t>(),
                              FloatBits(fdp),                 fdp.ConsumeIntegral<int16_t>()};
    for (bool human : {false, true}) {
        const std::string stamp = Stamp(e.time, human);
        Compare("engineering 3.01", row, PutEngineeringRow(row.data(), e, human, true),
                FormatString(" %s   %4.0f   %4.1f   %8.3f\r\n", stamp.c_str(), double{e.current}, double{e.voltage},
                             double{e.pressure}));
        Compare("engineering 3.04", row, PutEngineeringRow(row.data(), e, human, false),
                FormatString(" %s   %4.0f   %4.1f   %8.3f   %9.2f   %4d   %9.2f   %4d\r\n", stamp.c_str(),
                             double{e.current}, double{e.voltage}, double{e.pressure}, double{e.fluorometer},
                             e.fluorometerGain, double{e.turbidity}, e.turbidityGain));
    }

    const CtdValues c{FloatBits(fdp), FloatBits(fdp), FloatBits(fdp)};
    Compare("CTD", row, PutCtdRow(row.data(), c),
            FormatString(" %+08.4f  %+08.4f  %+09.3f\r\n", double{c.conductivity}, double{c.temperature},
                         double{c.pressure}));

    const AcmValues a{DoubleBits(fdp), DoubleBits(fdp), FloatBits(fdp), FloatBits(fdp), FloatBits(fdp),
                      FloatBits(fdp),  FloatBits(fdp),  FloatBits(fdp), FloatBits(fdp)};
    Compare("ACM", row, PutAcmRow(row.data(), a),
            FormatString(" %+06.2f  %+06.2f  %+07.4f  %+07.4f  %+07.4f  %+07.2f  %+07.2f  %+07.2f  %+07.2f\r\n",
                         a.tiltX, a.tiltY, double{a.compassX}, double{a.compassY}, double{a.compassZ},
                         double{a.velocityAB}, double{a.velocityCD}, double{a.velocityEF}, double{a.velocityGH}));
    return 0;
}
