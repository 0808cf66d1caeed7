// The export's CSV row writers give exactly the bytes of the formatter with
// the columns' CSV formats, for every instrument and layout, over edge values
// (NaN as an empty field, signed zeros, ties, infinities, the largest
// values, the edges of the writers' fast path) and many random values.

#include "export/csv_row.h"
#include "export/export_columns.h"
#include "formats/text_format.h"
#include "tests/fixture/random_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// The row as the formatter writes it, a field at a time.
std::string FormatterRow(Instrument instrument, bool layout301, uint32_t profile, uint32_t scan, const double* v)
{
    const std::vector<Column> columns = ColumnsOf(instrument, layout301);
    std::string row = FormatString("%u,", profile);
    if (instrument == Instrument::Engineering)
        row += IsoTimeOf(v[0]);
    row += FormatString(",%u", scan);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        if (c.csvTime) {
            row += "," + IsoTimeOf(v[i]);
        } else if (c.csvFormat) {
            row += ",";
            if (std::isnan(v[i]))
                continue;
            row += c.type == NetcdfType::Short ? FormatString(c.csvFormat, static_cast<int>(v[i]))
                                               : FormatString(c.csvFormat, v[i]);
        }
    }
    return row + "\r\n";
}

// A column's value as the export computes it: floats for the float
// columns, shorts for the gains, whole seconds for the engineering time.
double AsColumn(const Column& c, bool wholeTime, double value, Random& random)
{
    if (c.type == NetcdfType::Short)
        return static_cast<int16_t>(random.Next());
    if (wholeTime)
        return static_cast<int32_t>(random.Next() >> 32);
    return c.type == NetcdfType::Float ? static_cast<double>(static_cast<float>(value)) : value;
}

TEST(CsvRow, EveryInstrumentGivesTheFormattersBytes)
{
    struct Shape {
        Instrument instrument;
        bool layout301;
    };
    const Shape kShapes[] = {{Instrument::Engineering, false},
                             {Instrument::Engineering, true},
                             {Instrument::Ctd, false},
                             {Instrument::Acm, false}};
    const uint32_t kNumbers[] = {0, 1, 9, 10, 99999, 4294967295u};
    const std::size_t edges = std::size(kEdgeValues);
    std::vector<char> row(kMaxCsvRowLength);
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(static_cast<int>(shape.instrument) * 10 + shape.layout301);
        const std::vector<Column> columns = ColumnsOf(shape.instrument, shape.layout301);
        Random random;
        int failures = 0;
        for (std::size_t n = 0; n < edges + 60000; ++n) {
            double v[16];
            for (std::size_t i = 0; i < columns.size(); ++i) {
                const double value = n < edges ? kEdgeValues[(n + i) % edges] : random.Value();
                v[i] = AsColumn(columns[i], shape.instrument == Instrument::Engineering && i == 0, value, random);
            }
            const uint32_t profile = n < edges ? kNumbers[n % std::size(kNumbers)] : static_cast<uint32_t>(random.Next());
            const uint32_t scan = n < edges ? kNumbers[(n + 1) % std::size(kNumbers)] : static_cast<uint32_t>(n);
            const char* end = PutCsvRow(row.data(), shape.instrument, shape.layout301, profile, scan, v);
            ASSERT_LE(end - row.data(), static_cast<std::ptrdiff_t>(kMaxCsvRowLength));
            const std::string text(row.data(), static_cast<std::size_t>(end - row.data()));
            const std::string expected = FormatterRow(shape.instrument, shape.layout301, profile, scan, v);
            if (text != expected) {
                ADD_FAILURE() << std::hexfloat << "row " << n << "\n ours      [" << text << "]\n formatter ["
                              << expected << "]";
                if (++failures == 5)
                    break;
            }
        }
    }
}

// Rows as a reader meets them: missing values leave empty fields, the ACM
// row has no time of its own and an estimated one, scans count from 1.
TEST(CsvRow, MissingValuesAndTimes)
{
    struct Case {
        Instrument instrument;
        bool layout301;
        std::vector<double> values;
        const char* row;
    };
    const Case cases[] = {
        {Instrument::Ctd, false, {0.5, 12.5, 8.25, 33.0, kNaN, kNaN}, "7,,1,12.500,8.2500,33.0000,,\r\n"},
        {Instrument::Engineering, true, {951782400, 0.0005, kNaN, 74.5, -12.05},
         "7,2000-02-29T00:00:00Z,1,0.001,,74,-12.1\r\n"},
        {Instrument::Engineering, false, {0, -0.0, 1, 2, 3, 4, -3, 5, 32767},
         "7,1970-01-01T00:00:00Z,1,-0.000,1.000,2,3.0,4.00,-3,5.00,32767\r\n"},
        {Instrument::Acm, false, {kNaN, kNaN, kNaN, 1, 2, 3, 4, 5, 6, 7, 8, 9},
         "7,,1,,,1.00,2.00,3.0000,4.0000,5.0000,6.00,7.00,8.00,9.00\r\n"},
        {Instrument::Acm, false, {1.2345, 10, 12, 1e300, kNaN, 3, 4, 5, 6, 7, 8, 9}, nullptr},
    };
    char row[kMaxCsvRowLength];
    for (const Case& c : cases) {
        const char* end = PutCsvRow(row, c.instrument, c.layout301, 7, 1, c.values.data());
        const std::string text(row, static_cast<std::size_t>(end - row));
        EXPECT_EQ(text, c.row ? std::string(c.row) : FormatterRow(c.instrument, c.layout301, 7, 1, c.values.data()));
    }
}

}  // namespace

// The date of the last day is kept between calls: times going back and
// forth across midnight, before 1970 and past year 9999 each get their own.
TEST(IsoTime, DayChangesInAnyOrder)
{
    const std::vector<std::pair<double, std::string>> cases = {
        {0, "1970-01-01T00:00:00Z"},           {86399.5, "1970-01-01T23:59:59.500Z"},
        {86400, "1970-01-02T00:00:00Z"},       {1, "1970-01-01T00:00:01Z"},
        {-1, "1969-12-31T23:59:59Z"},          {-0.25, "1969-12-31T23:59:59.750Z"},
        {-86400, "1969-12-31T00:00:00Z"},      {253402300800, "10000-01-01T00:00:00Z"},
        {253402300799, "9999-12-31T23:59:59Z"}, {951782400, "2000-02-29T00:00:00Z"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(IsoTimeOf(seconds), text) << seconds;
}
