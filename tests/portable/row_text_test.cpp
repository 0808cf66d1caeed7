// The row and field writers give exactly the formatter's bytes: every row
// shape in both forms against the row's format text, over edge values (exact
// binary ties, decimal ties that are not binary ties, signed zeros, NaN,
// infinities, the largest and smallest values, the edges of the writers' fast
// path, the integer fields' extremes) and over many random values.

#include "formats/field_text.h"
#include "formats/row_text.h"
#include "formats/text_buffer.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/random_values.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

const int kEdgeInts[] = {0, 1, -1, 9, -9, 10, 999, -999, 1000, 9999, -9999, 10000, INT16_MAX, INT16_MIN};
const int32_t kEdgeTimes[] = {0, -1, 1, INT32_MAX, INT32_MIN, 951782400, 951868799, 1719792000, 86399, -86400};

// One row's values: a field per place, taken from the edges in turn, then at
// random.
struct RowValues {
    double real[9];
    int16_t integer[2];
    int32_t time;
};

std::vector<RowValues> Rows(std::size_t randomCount)
{
    std::vector<RowValues> rows;
    const std::size_t edges = std::size(kEdgeValues);
    for (std::size_t i = 0; i < edges; ++i) {
        RowValues v{};
        for (std::size_t k = 0; k < 9; ++k)
            v.real[k] = kEdgeValues[(i + k) % edges];
        v.integer[0] = static_cast<int16_t>(kEdgeInts[i % std::size(kEdgeInts)]);
        v.integer[1] = static_cast<int16_t>(kEdgeInts[(i + 3) % std::size(kEdgeInts)]);
        v.time = kEdgeTimes[i % std::size(kEdgeTimes)];
        rows.push_back(v);
    }
    Random random;
    for (std::size_t i = 0; i < randomCount; ++i) {
        RowValues v{};
        for (double& d : v.real)
            d = random.Value();
        const uint64_t r = random.Next();
        v.integer[0] = static_cast<int16_t>(r);
        v.integer[1] = static_cast<int16_t>(r >> 16);
        v.time = static_cast<int32_t>(r >> 32);
        rows.push_back(v);
    }
    return rows;
}

float F(double d)
{
    return static_cast<float>(d);
}

// Each row shape: its writer, and the formatter with the row's format text.
struct Shape {
    const char* name;
    char* (*write)(char* p, const RowValues& v);
    std::string (*format)(const RowValues& v);
};

EngineeringValues Engineering(const RowValues& v)
{
    return EngineeringValues{v.time,       F(v.real[0]), F(v.real[1]), F(v.real[2]),
                             F(v.real[3]), v.integer[0], F(v.real[4]), v.integer[1]};
}

std::string Stamp(int32_t time, bool human)
{
    const CivilTime t = BreakDownTime(time);
    return FormatString(human ? "%02d/%02d/%04d %02d:%02d:%02d" : "%02d %02d %04d %02d %02d %02d", t.month, t.day,
                        t.year, t.hour, t.minute, t.second);
}

template <bool kHuman>
std::string Engineering301Text(const RowValues& v)
{
    const EngineeringValues s = Engineering(v);
    return FormatString(" %s   %4.0f   %4.1f   %8.3f\r\n", Stamp(s.time, kHuman).c_str(), double{s.current},
                        double{s.voltage}, double{s.pressure});
}

template <bool kHuman>
std::string Engineering304Text(const RowValues& v)
{
    const EngineeringValues s = Engineering(v);
    return FormatString(" %s   %4.0f   %4.1f   %8.3f   %9.2f   %4d   %9.2f   %4d\r\n", Stamp(s.time, kHuman).c_str(),
                        double{s.current}, double{s.voltage}, double{s.pressure}, double{s.fluorometer},
                        s.fluorometerGain, double{s.turbidity}, s.turbidityGain);
}

template <bool kHuman, bool kLayout301>
char* EngineeringRow(char* p, const RowValues& v)
{
    return PutEngineeringRow(p, Engineering(v), kHuman, kLayout301);
}

CtdValues Ctd(const RowValues& v)
{
    return CtdValues{F(v.real[0]), F(v.real[1]), F(v.real[2])};
}

std::string CtdText(const RowValues& v)
{
    const CtdValues s = Ctd(v);
    return FormatString(" %+08.4f  %+08.4f  %+09.3f\r\n", double{s.conductivity}, double{s.temperature},
                        double{s.pressure});
}

char* CtdRow(char* p, const RowValues& v)
{
    return PutCtdRow(p, Ctd(v));
}

AcmValues Acm(const RowValues& v)
{
    return AcmValues{v.real[0],    v.real[1],    F(v.real[2]), F(v.real[3]), F(v.real[4]),
                     F(v.real[5]), F(v.real[6]), F(v.real[7]), F(v.real[8])};
}

std::string AcmText(const RowValues& v)
{
    const AcmValues s = Acm(v);
    return FormatString(" %+06.2f  %+06.2f  %+07.4f  %+07.4f  %+07.4f  %+07.2f  %+07.2f  %+07.2f  %+07.2f\r\n",
                        s.tiltX, s.tiltY, double{s.compassX}, double{s.compassY}, double{s.compassZ},
                        double{s.velocityAB}, double{s.velocityCD}, double{s.velocityEF}, double{s.velocityGH});
}

char* AcmRow(char* p, const RowValues& v)
{
    return PutAcmRow(p, Acm(v));
}

const Shape kShapes[] = {
    {"engineering 3.01 machine", EngineeringRow<false, true>, Engineering301Text<false>},
    {"engineering 3.01 human", EngineeringRow<true, true>, Engineering301Text<true>},
    {"engineering 3.04 machine", EngineeringRow<false, false>, Engineering304Text<false>},
    {"engineering 3.04 human", EngineeringRow<true, false>, Engineering304Text<true>},
    {"CTD", CtdRow, CtdText},
    {"ACM", AcmRow, AcmText},
};

TEST(RowText, EveryRowShapeGivesTheFormattersBytes)
{
    const std::vector<RowValues> rows = Rows(100000);
    std::vector<char> row(kMaxRowLength + 1);
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        int failures = 0;
        for (const RowValues& v : rows) {
            const char* end = shape.write(row.data(), v);
            ASSERT_LE(end - row.data(), static_cast<std::ptrdiff_t>(kMaxRowLength));
            const std::string text(row.data(), static_cast<std::size_t>(end - row.data()));
            const std::string expected = shape.format(v);
            if (text != expected) {
                ADD_FAILURE() << std::hexfloat << "values " << v.real[0] << " " << v.real[1] << " " << v.real[2]
                              << " " << v.real[3] << " " << v.real[4] << "...\n ours      ["
                              << text << "]\n formatter [" << expected << "]";
                if (++failures == 5)
                    break;
            }
        }
    }
}

// The fields on their own, at every precision and at widths narrower and
// wider than their text, so that a row's fields could change without a new
// writer.
struct FieldShape {
    int width, precision;
    char* (*plain)(char*, double);
    char* (*sign)(char*, double);
};

template <int kWidth, int... kPrecisions>
void AddFieldShapes(std::vector<FieldShape>& shapes, std::integer_sequence<int, kPrecisions...>)
{
    (shapes.push_back({kWidth, kPrecisions, PutFixed<kWidth, kPrecisions>, PutSignedFixed<kWidth, kPrecisions>}),
     ...);
}

template <int... kWidths>
std::vector<FieldShape> FieldShapes(std::integer_sequence<int, kWidths...>)
{
    std::vector<FieldShape> shapes;
    (AddFieldShapes<kWidths>(shapes, std::make_integer_sequence<int, 10>{}), ...);
    return shapes;
}

TEST(RowText, FieldsGiveTheFormattersBytesAtEveryWidthAndPrecision)
{
    Random random;
    std::vector<double> values(std::begin(kEdgeValues), std::end(kEdgeValues));
    for (int i = 0; i < 3000; ++i)
        values.push_back(random.Value());
    char field[kMaxFieldLength];
    int failures = 0;
    for (const FieldShape& shape : FieldShapes(std::integer_sequence<int, 0, 1, 4, 6, 7, 8, 9, 12, 40>{})) {
        for (double value : values) {
            const std::string plain(field, shape.plain(field, value));
            const std::string expected = FormatString("%*.*f", shape.width, shape.precision, value);
            const std::string sign(field, shape.sign(field, value));
            const std::string signExpected = FormatString("%+0*.*f", shape.width, shape.precision, value);
            if (plain != expected || sign != signExpected) {
                ADD_FAILURE() << std::hexfloat << value << " width " << shape.width << " precision "
                              << shape.precision << ": [" << plain << "] [" << sign << "] against [" << expected
                              << "] [" << signExpected << "]";
                if (++failures == 5)
                    return;
            }
        }
    }
    const int ints[] = {0,         1,          -1,        7,          -10,       99,        -99,
                        999,       -999,       9999,      -9999,      99999,     -99999,    99999999,
                        -99999999, 999999999,  -999999999, 1000000000, INT16_MIN, INT16_MAX, INT32_MAX,
                        INT32_MIN};
    for (int width : {0, 1, 2, 3, 4, 5, 8, 9, 10, 12})
        for (int value : ints)
            EXPECT_EQ(std::string(field, PutInt(field, value, width)), FormatString("%*d", width, value))
                << value << " width " << width;
}

// Decimal ties that are no binary ties go the way of the exact binary value;
// exact binary ties go to the even digit. Written by glibc's printf.
TEST(RowText, TiesAsPrintfWritesThem)
{
    struct Case {
        double value;
        int precision;
        const char* plain;  // "%8.Pf"
        const char* sign;   // "%+09.Pf"
    };
    const FieldShape kFields[] = {{8, 0, PutFixed<8, 0>, PutSignedFixed<9, 0>},
                                  {8, 1, PutFixed<8, 1>, PutSignedFixed<9, 1>},
                                  {8, 2, PutFixed<8, 2>, PutSignedFixed<9, 2>},
                                  {8, 3, PutFixed<8, 3>, PutSignedFixed<9, 3>},
                                  {8, 4, PutFixed<8, 4>, PutSignedFixed<9, 4>}};
    const Case cases[] = {
        {1.005, 2, "    1.00", "+00001.00"},      {2.675, 2, "    2.67", "+00002.67"},
        {0.125, 2, "    0.12", "+00000.12"},      {0.375, 2, "    0.38", "+00000.38"},
        {-2.5, 0, "      -2", "-00000002"},       {3.5, 0, "       4", "+00000004"},
        {0.03125, 4, "  0.0312", "+000.0312"},    {-0.0, 3, "  -0.000", "-0000.000"},
        {-0.0004, 3, "  -0.000", "-0000.000"},    {1234.5675f, 3, "1234.568", "+1234.568"},
        {kNaN, 2, "     nan", "     +nan"},       {-kInf, 2, "    -inf", "     -inf"},
    };
    for (const Case& c : cases) {
        const FieldShape& shape = kFields[c.precision];
        char field[kMaxFieldLength];
        EXPECT_EQ(std::string(field, shape.plain(field, c.value)), c.plain) << c.value;
        EXPECT_EQ(std::string(field, shape.sign(field, c.value)), c.sign) << c.value;
    }
}

TEST(RowText, TimeStampsGiveTheFormattersBytes)
{
    Random random;
    std::vector<int32_t> times(std::begin(kEdgeTimes), std::end(kEdgeTimes));
    for (int i = 0; i < 100000; ++i)
        times.push_back(static_cast<int32_t>(random.Next() >> 32));
    // Runs of stamps through midnights, 1970 and both ends of the range.
    for (int32_t start : {-200000, 951696000, INT32_MIN, INT32_MAX - 200000})
        for (int32_t step = 0; step <= 200000; step += 37)
            times.push_back(start + step);
    for (int32_t t : times) {
        for (bool human : {false, true}) {
            char text[kTimeStampLength + 1];
            TimeStampText(t, human, text);
            ASSERT_EQ(text, Stamp(t, human)) << t;
        }
    }
}

// A file larger than the buffer arrives whole and in order; what the sink
// appends in other ways (formatted text, time stamps) falls in its place.
TEST(RowText, BufferHandsOverEveryByteInOrder)
{
    OutputFile out;
    std::string expected;
    {
        TextBuffer buffer(out.get());
        for (int i = 0; i < 40000; ++i) {
            const CtdValues scan{F(i * 0.001), F(-i * 0.25), F(i)};
            buffer.Commit(PutCtdRow(buffer.Room(kMaxRowLength), scan));
            expected += FormatString(" %+08.4f  %+08.4f  %+09.3f\r\n", double{scan.conductivity},
                                     double{scan.temperature}, double{scan.pressure});
            if (i % 9000 == 0) {
                buffer.AppendFormat("\r\n Profile %u\r\n", i);
                buffer.AppendTimeStamp(i, true);
                expected += FormatString("\r\n Profile %u\r\n", i) + Stamp(i, true);
            }
        }
        const std::string large(kTextBufferSize + 10, 'x');
        buffer.Append(large.data(), large.size());
        expected += large;
        buffer.Append(" end\r\n");
        expected += " end\r\n";
        ASSERT_GT(expected.size(), 4 * kTextBufferSize);
    }
    EXPECT_EQ(out.text(), expected);

    TextBuffer none(nullptr);
    EXPECT_FALSE(none.Writing());
    none.Append("dropped");
    none.AppendFormat("%d", 1);
    none.AppendTimeStamp(0, false);
    none.Flush();
}

}  // namespace
