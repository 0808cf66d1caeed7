// The netCDF writer: a small file in the shape of the export is byte for byte
// the checked-in copy (natively and under wine, so Linux and Windows write the
// same bytes); errors name the file and carry netCDF's message; a failed
// write leaves no file behind.
#include "export/netcdf_file.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Two profiles of a contiguous ragged array with a station, every classic
// type, NaN values and fill values, global and variable attributes:
//
//   dimensions: station = 1 ; name_strlen = 8 ; profile = 2 ; obs = 5 ;
//   variables:
//     char station_name(station, name_strlen) ; cf_role = "timeseries_id"
//     double latitude(station) ; units = "degrees_north"
//     int profile(profile) ; cf_role = "profile_id"
//     double time(profile) ; units = "seconds since 1970-01-01T00:00:00Z"
//     int row_size(profile) ; sample_dimension = "obs"
//     byte data_status(profile) ; flag_values = 0b, 1b, 5b
//     short restarts(profile) ; valid_min = 0s
//     float pressure(obs) ; _FillValue = NaNf ; units = "dbar"
//     float temperature(obs) ; _FillValue = NaNf  (never written: fill values)
//   // global attributes: Conventions = "CF-1.11, ACDD-1.3" ;
//   //                    geospatial_lat_min = -33.5 ;
//
// The bytes below are netCDF-C 4.9's output for it; `xxd -i` of the file
// written here regenerates them when the layout is meant to change.
bool WriteSmallFile(NetcdfFile& f, const std::string& path)
{
    f.Create(path);
    const int station = f.DefineDim("station", 1);
    const int strlen8 = f.DefineDim("name_strlen", 8);
    const int profile = f.DefineDim("profile", 2);
    const int obs = f.DefineDim("obs", 5);

    const int name = f.DefineVar("station_name", NetcdfType::Char, {station, strlen8});
    f.PutAttText(name, "cf_role", "timeseries_id");
    const int lat = f.DefineVar("latitude", NetcdfType::Double, {station});
    f.PutAttText(lat, "units", "degrees_north");
    const int number = f.DefineVar("profile", NetcdfType::Int, {profile});
    f.PutAttText(number, "cf_role", "profile_id");
    const int time = f.DefineVar("time", NetcdfType::Double, {profile});
    f.PutAttText(time, "units", "seconds since 1970-01-01T00:00:00Z");
    const int rows = f.DefineVar("row_size", NetcdfType::Int, {profile});
    f.PutAttText(rows, "sample_dimension", "obs");
    const int status = f.DefineVar("data_status", NetcdfType::Byte, {profile});
    f.PutAttBytes(status, "flag_values", {0, 1, 5});
    const int restarts = f.DefineVar("restarts", NetcdfType::Short, {profile});
    f.PutAttShorts(restarts, "valid_min", {0});
    const int pressure = f.DefineVar("pressure", NetcdfType::Float, {obs});
    f.PutAttFloats(pressure, "_FillValue", {kNaNf});
    f.PutAttText(pressure, "units", "dbar");
    const int temperature = f.DefineVar("temperature", NetcdfType::Float, {obs});
    f.PutAttFloats(temperature, "_FillValue", {kNaNf});
    f.PutAttText(kNetcdfGlobal, "Conventions", "CF-1.11, ACDD-1.3");
    f.PutAttDoubles(kNetcdfGlobal, "geospatial_lat_min", {-33.5});
    f.EndDefine();

    f.PutTextRow(name, 0, "VXP-7");
    f.PutDoubles(lat, 0, std::vector<double>{-33.5});
    f.PutInts(number, 0, std::vector<int32_t>{12, 13});
    f.PutDoubles(time, 0, std::vector<double>{1.2345678901e9, kNaN});
    f.PutInts(rows, 0, std::vector<int32_t>{3, 2});
    f.PutBytes(status, 0, std::vector<int8_t>{0, 5});
    f.PutShorts(restarts, 0, std::vector<int16_t>{0, -2});
    f.PutFloats(pressure, 0, std::vector<float>{0.25f, 10.5f});
    f.PutFloats(pressure, 2, std::vector<float>{kNaNf, 7000.125f, -0.0f});
    return f.Close();
}

// clang-format off
const unsigned char kSmallFile[] = {
#include "tests/portable/netcdf_small_file.inc"
};
// clang-format on

std::vector<unsigned char> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(NetcdfFile, WritesTheSameBytesOnEveryPlatform)
{
    TempDir dir;
    const fs::path path = dir / "small.nc";
    NetcdfFile f;
    ASSERT_TRUE(WriteSmallFile(f, path.string())) << f.Error();
    EXPECT_FALSE(f.IsOpen());

    const std::vector<unsigned char> bytes = ReadAll(path);
    const std::vector<unsigned char> golden(std::begin(kSmallFile), std::end(kSmallFile));
    ASSERT_EQ(bytes.size(), golden.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(bytes[i], golden[i]) << "first difference at byte " << i;
    }
    // The 64-bit offset format: "CDF" and version 2.
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), std::string("CDF\x02", 4));
}

TEST(NetcdfFile, TheFirstErrorNamesTheFileAndStops)
{
    TempDir dir;
    const std::string path = (dir / "bad.nc").string();
    struct Case {
        const char* what;
        std::string expected;  // a part of the message after "<path>: "
        void (*run)(NetcdfFile& f);
    };
    const Case cases[] = {
        {"a name used twice", "cannot define dimension 'obs': NetCDF: String match to name in use",
         [](NetcdfFile& f) {
             f.DefineDim("obs", 3);
             f.DefineDim("obs", 4);
         }},
        {"a dimension that does not exist", "cannot define variable 'x': NetCDF: Invalid dimension ID or name",
         [](NetcdfFile& f) { f.DefineVar("x", NetcdfType::Float, {7}); }},
        {"values before the end of define mode", "cannot write variable 'x': NetCDF: Operation not allowed in define mode",
         [](NetcdfFile& f) {
             const int obs = f.DefineDim("obs", 3);
             const int x = f.DefineVar("x", NetcdfType::Float, {obs});
             f.PutFloats(x, 0, std::vector<float>{1.0f});
         }},
        {"values past a fixed dimension", "cannot write variable 'x': NetCDF: Start+count exceeds dimension bound",
         [](NetcdfFile& f) {
             const int obs = f.DefineDim("obs", 3);
             const int x = f.DefineVar("x", NetcdfType::Float, {obs});
             f.EndDefine();
             f.PutFloats(x, 2, std::vector<float>{1.0f, 2.0f});
         }},
        {"values of another type", "cannot write variable 'x': the values are not of its type and shape",
         [](NetcdfFile& f) {
             const int obs = f.DefineDim("obs", 3);
             const int x = f.DefineVar("x", NetcdfType::Float, {obs});
             f.EndDefine();
             f.PutDoubles(x, 0, std::vector<double>{1.0});
         }},
        {"a text longer than its row", "cannot write variable 'name': the text 'ABCDEFGHI' is longer than its 8 characters",
         [](NetcdfFile& f) {
             const int rows = f.DefineDim("station", 1);
             const int chars = f.DefineDim("name_strlen", 8);
             const int name = f.DefineVar("name", NetcdfType::Char, {rows, chars});
             f.EndDefine();
             f.PutTextRow(name, 0, "ABCDEFGHI");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NetcdfFile f;
        ASSERT_TRUE(f.Create(path));
        c.run(f);
        EXPECT_FALSE(f.Ok());
        EXPECT_EQ(f.Error(), path + ": " + c.expected);
        // Later calls do nothing and keep the first message.
        EXPECT_EQ(f.DefineDim("later", 1), -1);
        EXPECT_FALSE(f.EndDefine());
        EXPECT_FALSE(f.Close());
        EXPECT_EQ(f.Error(), path + ": " + c.expected);
        EXPECT_FALSE(f.IsOpen());
        EXPECT_FALSE(fs::exists(path)) << "a failed dataset is never written";
    }
}

TEST(NetcdfFile, AFileThatCannotBeWrittenIsNamedAndNotLeft)
{
    TempDir dir;
    const std::string path = (dir / "no-such-folder" / "ctd.nc").string();
    NetcdfFile f;
    EXPECT_FALSE(WriteSmallFile(f, path));
    EXPECT_EQ(f.Error().rfind(path + ": cannot create the file: ", 0), 0u) << f.Error();
    EXPECT_FALSE(fs::exists(path));
}

TEST(NetcdfFile, ADatasetDroppedBeforeCloseWritesNothing)
{
    TempDir dir;
    const std::string path = (dir / "dropped.nc").string();
    {
        NetcdfFile f;
        ASSERT_TRUE(f.Create(path));
        const int obs = f.DefineDim("obs", 2);
        f.DefineVar("x", NetcdfType::Int, {obs});
        ASSERT_TRUE(f.EndDefine());
    }
    EXPECT_FALSE(fs::exists(path));

    // A moved-from file owns nothing; the moved-to one writes the file.
    NetcdfFile a;
    ASSERT_TRUE(a.Create(path));
    const int obs = a.DefineDim("obs", 2);
    const int x = a.DefineVar("x", NetcdfType::Int, {obs});
    a.EndDefine();
    NetcdfFile b = std::move(a);
    EXPECT_FALSE(a.IsOpen());
    EXPECT_TRUE(b.PutInts(x, 0, std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(b.Close()) << b.Error();
    EXPECT_TRUE(fs::exists(path));
}

TEST(NetcdfFile, ARecordDimensionGrowsWithItsValues)
{
    TempDir dir;
    const std::string path = (dir / "records.nc").string();
    NetcdfFile f;
    ASSERT_TRUE(f.Create(path));
    const int obs = f.DefineDim("obs", kNetcdfUnlimited);
    const int x = f.DefineVar("x", NetcdfType::Double, {obs});
    ASSERT_TRUE(f.EndDefine());
    std::vector<double> values(1000);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = 0.5 * static_cast<double>(i);
    ASSERT_TRUE(f.PutDoubles(x, 0, values));
    ASSERT_TRUE(f.PutDoubles(x, 1000, values));
    ASSERT_TRUE(f.Close()) << f.Error();
    // Header, then 2000 records of one double each, 8 bytes.
    EXPECT_GT(fs::file_size(path), 2000u * 8u);
    EXPECT_LT(fs::file_size(path), 2000u * 8u + 200u);
}

}  // namespace

namespace {

// A file in the export's shape, large enough for its scans to be written
// straight into their places: the same calls in the same order as the
// export (profile values, the scans in chunks, flags, then profile values
// and an attribute again), with or without WriteDirectly.
bool WriteScans(const std::string& path, bool direct)
{
    constexpr std::size_t kObs = 150000;  // 150000 scans of 14 bytes: 2 MB
    constexpr std::size_t kChunk = 8192;
    NetcdfFile f;
    f.Create(path, false);
    const int profile = f.DefineDim("profile", 40);
    const int obs = f.DefineDim("obs", kObs);
    const int number = f.DefineVar("profile", NetcdfType::Int, {profile});
    const int p = f.DefineVar("pressure", NetcdfType::Float, {obs});
    const int t = f.DefineVar("time", NetcdfType::Double, {obs});
    const int g = f.DefineVar("gain", NetcdfType::Short, {obs});
    const int q = f.DefineVar("pressure_qc", NetcdfType::Byte, {obs});
    const int grade = f.DefineVar("profile_pressure_qc", NetcdfType::Byte, {profile});
    f.PutAttDoubles(kNetcdfGlobal, "geospatial_vertical_max", {0.0});
    f.EndDefine();
    std::vector<int32_t> numbers(40);
    for (int i = 0; i < 40; ++i) numbers[static_cast<std::size_t>(i)] = 100 + i;
    f.PutInts(number, 0, numbers);
    if (direct && !f.WriteDirectly(obs)) return false;
    std::vector<float> floats;
    std::vector<double> doubles;
    std::vector<int16_t> shorts;
    std::vector<int8_t> bytes;
    for (std::size_t first = 0; first < kObs; first += kChunk) {
        const std::size_t n = std::min(kChunk, kObs - first);
        floats.resize(n), doubles.resize(n), shorts.resize(n), bytes.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double x = static_cast<double>(first + i);
            floats[i] = i % 997 == 0 ? kNaNf : static_cast<float>(x * 0.01 - 3.0);
            doubles[i] = 1.7e9 + x / 3.0;
            shorts[i] = static_cast<int16_t>((first + i) % 65536 - 32768);
            bytes[i] = static_cast<int8_t>((first + i) % 256 - 128);
        }
        f.PutFloats(p, first, floats);
        f.PutDoubles(t, first, doubles);
        f.PutShorts(g, first, shorts);
        if (first == kChunk) f.PutInts(number, 39, std::vector<int32_t>{-1});  // netCDF-C between the scans
        f.PutBytes(q, first, bytes);
    }
    f.PutBytes(grade, 0, std::vector<int8_t>(40, 3));
    f.PutAttDoubles(kNetcdfGlobal, "geospatial_vertical_max", {4096.5});
    f.PutBytes(q, kObs - 3, std::vector<int8_t>{1, 2, 3});  // and once more after it
    return f.Close();
}

// A file in the grid's shape: rows over profile, an odd count of each (the
// shorts end off a 4-byte boundary), put in blocks of several sizes, with or
// without WriteDirectly.
bool WriteRows(const std::string& path, bool direct)
{
    constexpr std::size_t kRows = 301, kBins = 487;
    NetcdfFile f;
    f.Create(path, false);
    const int profile = f.DefineDim("profile", kRows);
    const int depth = f.DefineDim("depth", kBins);
    const int bounds = f.DefineDim("bounds", 2);
    const int time = f.DefineVar("time", NetcdfType::Double, {profile});
    const int edges = f.DefineVar("depth_bnds", NetcdfType::Double, {depth, bounds});
    const int t = f.DefineVar("temperature", NetcdfType::Float, {profile, depth});
    const int s = f.DefineVar("salinity", NetcdfType::Float, {profile, depth});
    const int n = f.DefineVar("temperature_count", NetcdfType::Short, {profile, depth});
    f.EndDefine();
    f.PutDoubles(time, 0, std::vector<double>(kRows, 1.7e9));
    std::vector<double> edgeValues;
    for (std::size_t i = 0; i < kBins; ++i) edgeValues.insert(edgeValues.end(), {i * 2.0, i * 2.0 + 2.0});
    f.PutDoubleRows(edges, 0, edgeValues);
    if (direct && !f.WriteDirectly(profile)) return false;
    std::size_t row = 0;
    for (std::size_t block : {std::size_t{1}, std::size_t{64}, std::size_t{7}, kRows - 72}) {
        std::vector<float> floats(block * kBins);
        std::vector<int16_t> shorts(block * kBins);
        for (std::size_t i = 0; i < floats.size(); ++i) {
            floats[i] = i % 31 == 0 ? kNaNf : static_cast<float>((row * kBins + i) * 0.001);
            shorts[i] = static_cast<int16_t>(i % 50);
        }
        f.PutFloatRows(t, row, floats);
        f.PutFloatRows(s, row, floats);
        f.PutShortRows(n, row, shorts);
        row += block;
    }
    return f.Close();
}

TEST(NetcdfFile, RowsWrittenStraightIntoTheFileAreTheBytesNetcdfWrites)
{
    TempDir dir;
    const std::string through = (dir / "through.nc").string();
    const std::string straight = (dir / "straight.nc").string();
    ASSERT_TRUE(WriteRows(through, false));
    ASSERT_TRUE(WriteRows(straight, true));
    EXPECT_EQ(ReadAll(through), ReadAll(straight));

    // Values that are not whole rows fail the file, either way.
    for (bool direct : {false, true}) {
        SCOPED_TRACE(direct ? "straight" : "through netCDF-C");
        NetcdfFile f;
        ASSERT_TRUE(f.Create(straight, false));
        const int profile = f.DefineDim("profile", 600);
        const int depth = f.DefineDim("depth", 500);
        const int x = f.DefineVar("x", NetcdfType::Float, {profile, depth});
        ASSERT_TRUE(f.EndDefine());
        ASSERT_TRUE(f.WriteDirectly(direct ? profile : depth)) << f.Error();
        EXPECT_TRUE(f.PutFloatRows(x, 598, std::vector<float>(1000, 1.0f)));
        EXPECT_FALSE(f.PutFloatRows(x, 0, std::vector<float>(499, 1.0f)));
        EXPECT_EQ(f.Error(), straight + ": cannot write variable 'x': the values are not rows of it");
        EXPECT_FALSE(f.Close());
    }
}

TEST(NetcdfFile, ValuesWrittenStraightIntoTheFileAreTheBytesNetcdfWrites)
{
    TempDir dir;
    const std::string through = (dir / "through.nc").string();
    const std::string straight = (dir / "straight.nc").string();
    ASSERT_TRUE(WriteScans(through, false));
    ASSERT_TRUE(WriteScans(straight, true));
    const std::vector<unsigned char> a = ReadAll(through);
    const std::vector<unsigned char> b = ReadAll(straight);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << "first difference at byte " << i;
    EXPECT_FALSE(fs::exists(NetcdfFile::TemporaryPath(straight)));
}

TEST(NetcdfFile, AWrongValueWrittenStraightFailsTheFile)
{
    TempDir dir;
    const std::string path = (dir / "wrong.nc").string();
    struct Case {
        const char* what;
        const char* expected;
        bool (*put)(NetcdfFile& f, int x);
    };
    const Case cases[] = {
        {"past the dimension", "cannot write variable 'x': the values are not of its type and shape",
         [](NetcdfFile& f, int x) { return f.PutFloats(x, 299999, std::vector<float>{1.0f, 2.0f}); }},
        {"of another type", "cannot write variable 'x': the values are not of its type and shape",
         [](NetcdfFile& f, int x) { return f.PutDoubles(x, 0, std::vector<double>{1.0}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NetcdfFile f;
        ASSERT_TRUE(f.Create(path, false));
        const int obs = f.DefineDim("obs", 300000);
        const int x = f.DefineVar("x", NetcdfType::Float, {obs});
        ASSERT_TRUE(f.EndDefine());
        ASSERT_TRUE(f.WriteDirectly(obs)) << f.Error();
        EXPECT_FALSE(c.put(f, x));
        EXPECT_EQ(f.Error(), path + ": " + c.expected);
        EXPECT_FALSE(f.PutFloats(x, 0, std::vector<float>{1.0f}));
        EXPECT_FALSE(f.Close());
        EXPECT_FALSE(f.IsOpen());
        EXPECT_FALSE(fs::exists(path));
        EXPECT_FALSE(fs::exists(NetcdfFile::TemporaryPath(path)));
    }
}

}  // namespace
