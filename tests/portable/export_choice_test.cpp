// What --export and its options accept and refuse before anything is written:
// the export names, the position, the metadata file (its section, keys,
// numbers and dates), and the position a netCDF export cannot do without.

#include "cli/command_line.h"
#include "cli/export_choice.h"
#include "export/export_metadata.h"
#include "export/qc_settings.h"
#include "formats/decoder.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <cstring>
#include <string>
#include <vector>

namespace {

ParseResult Parse(std::vector<const char*> args, CommandLine& cl, std::string& error)
{
    args.insert(args.begin(), "davrolin-unpack");
    return ParseCommandLine(static_cast<int>(args.size()), args.data(), cl, error);
}

TEST(ExportOptions, RefusedAsBadUsage)
{
    struct Case {
        std::vector<const char*> args;
        const char* error;  // the message exactly
    };
    const Case cases[] = {
        {{"--export", "hdf5", "src", "dst"}, "--export: unknown export \"hdf5\" (netcdf, csv)"},
        {{"--export", "netcdf,", "src", "dst"}, "--export: unknown export \"\" (netcdf, csv)"},
        {{"--no-text", "src", "dst"}, "--no-text, --metadata, --latitude and --longitude go with --export"},
        {{"--latitude", "10", "src", "dst"}, "--no-text, --metadata, --latitude and --longitude go with --export"},
        {{"--export", "csv", "--latitude", "north", "src", "dst"}, "--latitude: \"north\" is not a number"},
        {{"--export", "csv", "--latitude", "nan", "src", "dst"}, "--latitude: \"nan\" is not a number"},
        {{"--export", "csv", "--latitude", "12,5", "src", "dst"}, "--latitude: \"12,5\" is not a number"},
        {{"--export", "csv", "--latitude", "90.5", "src", "dst"}, "--latitude: 90.5 is outside -90..90"},
        {{"--export", "csv", "--longitude", "-181", "src", "dst"}, "--longitude: -181 is outside -180..360"},
        {{"--export", "csv", "--longitude", "1e999", "src", "dst"}, "--longitude: \"1e999\" is not a number"},
        {{"--no-qc", "src", "dst"}, "--no-qc and --grid-step go with --export"},
        {{"--export", "netcdf", "--grid-step", "0", "src", "dst"},
         "--grid-step: \"0\" is not a number of dbar from 0.01 to 1000"},
        {{"--export", "netcdf", "--grid-step", "2dbar", "src", "dst"},
         "--grid-step: \"2dbar\" is not a number of dbar from 0.01 to 1000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        CommandLine cl;
        std::string error;
        EXPECT_EQ(Parse(c.args, cl, error), ParseResult::BadUsage);
        EXPECT_EQ(error, c.error);
    }
}

TEST(ExportOptions, AcceptedChoices)
{
    CommandLine cl;
    std::string error;
    ASSERT_EQ(Parse({"--export", "csv,netcdf", "--no-text", "--latitude", "-33.5", "--longitude", "+359.75", "src",
                     "dst"},
                    cl, error),
              ParseResult::Run)
        << error;
    EXPECT_TRUE(cl.exportCsv && cl.exportNetcdf && cl.noText);
    ExportChoice choice;
    ASSERT_TRUE(MakeExportChoice(cl, "/work", 86400 * 365, choice, error)) << error;
    EXPECT_TRUE(choice.metadata.hasLatitude && choice.metadata.hasLongitude);
    EXPECT_EQ(choice.metadata.latitude, -33.5);
    EXPECT_EQ(choice.metadata.longitude, 359.75);
    EXPECT_EQ(choice.now, "1971-01-01T00:00:00Z");
    EXPECT_EQ(choice.program, "Davrolin 1.0 Revision 02");

    // CSV needs no position; netCDF does, and says how to give it.
    ASSERT_EQ(Parse({"--export", "csv", "src", "dst"}, cl, error), ParseResult::Run);
    EXPECT_TRUE(MakeExportChoice(cl, "/work", 0, choice, error)) << error;
    for (std::vector<const char*> args : {std::vector<const char*>{"--export", "netcdf", "src", "dst"},
                                          {"--export", "netcdf,csv", "--latitude", "10", "src", "dst"}}) {
        ASSERT_EQ(Parse(args, cl, error), ParseResult::Run);
        EXPECT_FALSE(MakeExportChoice(cl, "/work", 0, choice, error));
        EXPECT_NE(error.find("give --latitude DEG --longitude DEG, or latitude and longitude in the [METADATA]"),
                  std::string::npos)
            << error;
    }
}

TEST(ExportOptions, MetadataFile)
{
    TempDir dir;
    const std::string path = (dir / "meta.ini").string();
    struct Case {
        const char* text;
        const char* error;  // after "<path>: "; null: accepted
    };
    const Case cases[] = {
        {"[METADATA]\r\ntitle = A \"quoted\" title\r\n; a comment\r\nlatitude=11\r\nlongitude = -30.5\r\n"
         "date_created = \"2024-07-02T00:00:00Z\"\r\nproject_x = anything at all\r\n",
         nullptr},
        {"[other]\nlatitude = 100\n[metadata]\nlatitude = -10.25\n", nullptr},  // only its own section counts
        {"title = no section\n", "no [METADATA] section"},
        {"[METADATA]\nlatitude = 91\n", "key latitude: 91 is outside -90..90"},
        {"[METADATA]\nlongitude = east\n", "key longitude: \"east\" is not a number"},
        {"[METADATA]\ndate_created = 02/07/2024\n",
         "key date_created: \"02/07/2024\" is not an ISO 8601 date (YYYY-MM-DDThh:mm:ssZ)"},
        {"[METADATA]\ndate_modified = 2024-02-30\n",
         "key date_modified: \"2024-02-30\" is not an ISO 8601 date (YYYY-MM-DDThh:mm:ssZ)"},
        {"[METADATA]\n2bad = x\n", "\"2bad = x\" is not a key = value line with an attribute name"},
        {"[METADATA]\njust words\n", "\"just words\" is not a key = value line with an attribute name"},
        {"[METADATA]\ntitle = a\x01" "b\n", "key title: the value holds the control character 0x01"},
        {"[METADATA]\nsummary = one\ttab\n", "key summary: the value holds the control character 0x09"},
        {"[METADATA]\ncomment = del\x7F\n", "key comment: the value holds the control character 0x7F"},
        {"[METADATA]\ncomment = C1 \xC2\x85 in UTF-8\n", "key comment: the value holds the control character 0x85"},
        {"[METADATA]\ncomment = unassigned in Windows-1252 \x81\n",
         "key comment: the value holds the control character 0x81"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFileText(path, c.text);
        ExportMetadata m;
        std::string error;
        const bool ok = ReadExportMetadata(path, m, error);
        if (!c.error) {
            EXPECT_TRUE(ok) << error;
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, path + ": " + c.error);
    }

    WriteFileText(path, "[METADATA]\ntitle = A \"quoted\" title\nlatitude=11\nlongitude = -30.5\n"
                        "date_created = '2024-07-02T00:00:00Z'\nproject_x = anything\ntitle = Last wins\n");
    ExportMetadata m;
    std::string error;
    ASSERT_TRUE(ReadExportMetadata(path, m, error)) << error;
    EXPECT_EQ(m.latitude, 11.0);
    EXPECT_EQ(m.longitude, -30.5);
    using KV = std::pair<std::string, std::string>;
    EXPECT_EQ(m.attributes, (std::vector<KV>{{"title", "Last wins"},
                                             {"date_created", "2024-07-02T00:00:00Z"},
                                             {"project_x", "anything"}}));

    // Text that is not UTF-8 is Windows-1252 (an older Windows editor's ANSI
    // code page) and becomes UTF-8; UTF-8 stays as it is.
    const std::string ansi = (dir / "ansi.ini").string();
    WriteFileText(ansi, "[METADATA]\ntitle = caf\xE9 \x80 \x96\ninstitution = caf\xC3\xA9\n");
    ExportMetadata windows;
    ASSERT_TRUE(ReadExportMetadata(ansi, windows, error)) << error;
    EXPECT_EQ(windows.attributes, (std::vector<KV>{{"title", "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x93"},
                                             {"institution", "caf\xC3\xA9"}}));

    // The command line's position wins over the file's.
    CommandLine cl;
    ASSERT_EQ(Parse({"--export", "netcdf", "--metadata", path.c_str(), "--latitude", "-5", "src", "dst"}, cl, error),
              ParseResult::Run);
    ExportChoice choice;
    ASSERT_TRUE(MakeExportChoice(cl, "/work", 0, choice, error)) << error;
    EXPECT_EQ(choice.metadata.latitude, -5.0);
    EXPECT_EQ(choice.metadata.longitude, -30.5);

    ASSERT_EQ(Parse({"--export", "csv", "--metadata", "no-such.ini", "src", "dst"}, cl, error), ParseResult::Run);
    EXPECT_FALSE(MakeExportChoice(cl, dir.str(), 0, choice, error));
    EXPECT_EQ(error.rfind("cannot read the metadata file ", 0), 0u) << error;
}

TEST(ExportOptions, QcSection)
{
    TempDir dir;
    const std::string path = (dir / "meta.ini").string();
    struct Case {
        const char* text;
        const char* error;  // after "<path>: "; null: accepted
    };
    const Case cases[] = {
        {"[QC]\ntemperature.gross_range.suspect = 30, -2\n",
         "key temperature.gross_range.suspect: \"30, -2\" is not a span of two numbers, low, high (low below high)"},
        {"[QC]\ntemperature.gross_range.fail = -2.5\n",
         "key temperature.gross_range.fail: \"-2.5\" is not a span of two numbers, low, high (low below high)"},
        {"[QC]\nsalinity.spike.fail = 1\n", "key salinity.spike.fail: not a quality control setting"},
        {"[QC]\npressure.spike.fail = 0\n", "key pressure.spike.fail: \"0\" is not a number above 0"},
        {"[QC]\npressure.flat_line.suspect = 2.5\n",
         "key pressure.flat_line.suspect: \"2.5\" is not a whole number of seconds from 1 to 1000000000"},
        {"[QC]\nconductivity.flat_line.tolerance = -1\n",
         "key conductivity.flat_line.tolerance: \"-1\" is not a number of 0 or more"},
        {"[QC]\ntemperature.gross_range.fail = 0, 20\ntemperature.gross_range.suspect = -2, 30\n",
         "key temperature.gross_range.suspect is not inside gross_range.fail: -2, 30"},
        {"[QC]\ntemperature.spike.suspect = 3\ntemperature.spike.fail = 2\n",
         "key temperature.spike.fail is below spike.suspect: 2, 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFileText(path, c.text);
        ExportMetadata m;
        std::string error;
        EXPECT_FALSE(ReadExportMetadata(path, m, error));
        EXPECT_EQ(error.substr(0, path.size() + 2 + std::strlen(c.error)), path + ": " + c.error);
    }

    // What the file sets wins over the defaults; the rest stays.
    WriteFileText(path, "[METADATA]\ntitle = t\n[qc]\ntemperature.gross_range.suspect = \"-1, 25\"\n"
                        "pressure.flat_line.fail = 900\n");
    ExportMetadata m;
    std::string error;
    ASSERT_TRUE(ReadExportMetadata(path, m, error)) << error;
    const CtdConstants fsi{200000, 2.0, 400000, 2.5, 2200, 10.0};
    const QcSettings s = EffectiveQcSettings(m.qc, fsi, nullptr);
    const QcThresholds& t = s.variables[kQcTemperature];
    EXPECT_EQ(t.suspectLow, -1.0);
    EXPECT_EQ(t.suspectHigh, 25.0);
    EXPECT_EQ(t.failLow, -2.5);  // the sensor's count range
    EXPECT_EQ(t.failHigh, static_cast<double>(static_cast<float>(16777215.0 / 400000 - 2.5))) << std::setprecision(17) << t.failHigh;
    EXPECT_EQ(s.variables[kQcPressure].flatFail, 900.0);
    EXPECT_EQ(s.variables[kQcPressure].flatSuspect, 600.0);
    EXPECT_TRUE(std::isnan(s.variables[kQcPressure].suspectLow));  // no deployment record
}

TEST(ExportOptions, IsoDates)
{
    for (const char* good : {"2024-07-02", "2024-07-02T00:00Z", "2024-07-02T23:59:60Z", "2024-02-29T12:00:00.125Z",
                             "2024-07-02T10:00:00+10:00", "2024-07-02T10:00:00-03:30", "2024-07-02T10:00:00"})
        EXPECT_TRUE(IsIsoDateTime(good)) << good;
    for (const char* bad : {"", "2024", "2024-7-2", "2023-02-29", "2024-13-01", "2024-07-02T24:00:00Z",
                            "2024-07-02 10:00:00", "2024-07-02T10:00:00.Z", "2024-07-02T10:00:00Zjunk",
                            "2024-07-02T10:00:00+1000", "07/02/2024"})
        EXPECT_FALSE(IsIsoDateTime(bad)) << bad;
}

}  // namespace
