// The deployment export fed by the job during a text run: the values of the
// netCDF files print, with the text files' own row writers, as exactly the
// machine-form texts of the same run; the CSV files hold the same numbers;
// a damaged card shows in data_status; a run cancelled while the export is
// written leaves no file under a final name.

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "export/deployment_export.h"
#include "export/profile_record.h"
#include "formats/profile_text.h"
#include "formats/row_text.h"
#include "formats/text_format.h"
#include "platform/platform.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>
#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// One scan row of a profile's text, by the text sinks' own row writers.
template <typename Put>
void WriteRow(std::FILE* out, Put put)
{
    char row[kMaxRowLength];
    const char* end = put(row);
    std::fwrite(row, 1, static_cast<std::size_t>(end - row), out);
}

void WriteCtdRow(std::FILE* out, const CtdValues& scan)
{
    WriteRow(out, [&](char* p) { return PutCtdRow(p, scan); });
}

void WriteAcmRow(std::FILE* out, const AcmValues& scan)
{
    WriteRow(out, [&](char* p) { return PutAcmRow(p, scan); });
}

void WriteEngineeringRow(std::FILE* out, const EngineeringValues& scan, bool human, bool layout301)
{
    WriteRow(out, [&](char* p) { return PutEngineeringRow(p, scan, human, layout301); });
}

// Reads variables of a netCDF file with netCDF-C itself.
class NcReader {
public:
    explicit NcReader(const fs::path& path)
    {
        EXPECT_EQ(nc_open(path.string().c_str(), NC_NOWRITE, &id_), NC_NOERR) << path;
    }
    ~NcReader()
    {
        if (id_ >= 0)
            nc_close(id_);
    }
    std::size_t Dim(const char* name) const
    {
        int dim = -1;
        std::size_t length = 0;
        EXPECT_EQ(nc_inq_dimid(id_, name, &dim), NC_NOERR) << name;
        nc_inq_dimlen(id_, dim, &length);
        return length;
    }
    // Every value of a variable, converted to double by netCDF.
    std::vector<double> Values(const char* name) const
    {
        int var = -1;
        EXPECT_EQ(nc_inq_varid(id_, name, &var), NC_NOERR) << name;
        int dims[NC_MAX_VAR_DIMS] = {};
        int rank = 0;
        nc_inq_var(id_, var, nullptr, nullptr, &rank, dims, nullptr);
        std::size_t count = 1;
        for (int i = 0; i < rank; ++i) {
            std::size_t length = 0;
            nc_inq_dimlen(id_, dims[i], &length);
            count *= length;
        }
        std::vector<double> values(count);
        if (count) {
            EXPECT_EQ(nc_get_var_double(id_, var, values.data()), NC_NOERR) << name;
        }
        return values;
    }
    std::string Text(const char* var, const char* attribute) const
    {
        int v = NC_GLOBAL;
        if (var)
            nc_inq_varid(id_, var, &v);
        std::size_t length = 0;
        if (nc_inq_attlen(id_, v, attribute, &length) != NC_NOERR)
            return "<none>";
        std::string text(length, '\0');
        nc_get_att_text(id_, v, attribute, text.data());
        return text;
    }

private:
    int id_ = -1;
};

// Where each profile's scans start among the obs.
std::vector<std::size_t> Starts(const std::vector<double>& rowSize)
{
    std::vector<std::size_t> starts{0};
    for (double n : rowSize)
        starts.push_back(starts.back() + static_cast<std::size_t>(n));
    return starts;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ','))
        fields.push_back(field);
    if (!line.empty() && line.back() == ',')
        fields.push_back("");
    return fields;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

// Two texts of many lines: the first line that differs, not a diff of the
// whole (which takes minutes for a long profile).
::testing::AssertionResult SameLines(const std::string& actual, const std::string& expected)
{
    const std::vector<std::string> a = Lines(actual), e = Lines(expected);
    for (std::size_t i = 0; i < std::min(a.size(), e.size()); ++i)
        if (a[i] != e[i])
            return ::testing::AssertionFailure() << "line " << i + 1 << ": \"" << a[i] << "\", expected \"" << e[i]
                                                 << "\"";
    if (a.size() != e.size() || actual != expected)
        return ::testing::AssertionFailure() << a.size() << " lines, expected " << e.size();
    return ::testing::AssertionSuccess();
}

class ExportRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedDir_ = GetCurrentDir();
        shape.maxProfile = 9;
        shape.profilesPerFile = 4;
        shape.scansPerProfile = 5;
        Settings.LogSize = 65536;
        Settings.LogLevel = 15;
        Format(Settings.SrcDir, sizeof Settings.SrcDir, "%s", src.str().c_str());
        Format(Settings.DstDir, sizeof Settings.DstDir, "%s", dst.str().c_str());
        Settings.Prefix[0] = '\0';
        Settings.HumanReadible = 0;
        Settings.UnpackAll = 1;
        ResetTestLog();
        TheUnpackJob().ClearCancel();
        choice.netcdf = choice.csv = true;
        choice.metadata.hasLatitude = choice.metadata.hasLongitude = true;
        choice.metadata.latitude = 11.0;
        choice.metadata.longitude = -30.5;
        choice.metadata.attributes = {{"date_created", "2024-07-02T00:00:00Z"}, {"title", "Test deployment"}};
        choice.program = "davrolin-unpack test";
        choice.now = "2000-01-01T00:00:00Z";
    }
    void TearDown() override
    {
        TheUnpackJob().SetObserver(nullptr);
        SetCurrentDir(savedDir_.c_str());
        Settings = saved_;
        ResetTestLog();
        TheUnpackJob().ClearCancel();
    }
    void WriteSource()
    {
        WriteDeployment(src.path(), shape);
        Settings.FirmwareVers = shape.firmware == 0 ? Firmware301 : Firmware304;
        Settings.MaxProfile = static_cast<int32_t>(shape.maxProfile);
    }
    // One run of the job with the export plugged in; its result.
    int Run(bool writeText = true, int jobs = 1)
    {
        DeploymentExport exporter(choice);
        RunRequest request = RunRequestFromSettings(Settings);
        request.writeText = writeText;
        request.jobs = jobs;
        const int result = TheUnpackJob().Run(request, &exporter);
        log = LogTake();
        return result;
    }
    std::vector<std::string> Outputs() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dst.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<double> Status(const char* file) const { return NcReader(dst / file).Values("data_status"); }

    TempDir src, dst;
    DeploymentShape shape;
    ExportChoice choice;
    std::string log;
    SettingsRecord saved_;
    std::string savedDir_;
};

TEST_F(ExportRunTest, NetcdfValuesPrintAsTheMachineTexts)
{
    struct Case {
        const char* what;
        int firmware;
        uint32_t maxProfile, scans;
    };
    // Profiles longer than the scans a piece of the files holds before it
    // puts them (the values go straight into the file, in several puts).
    const Case cases[] = {{"3.01", 0, 9, 5}, {"3.04", 1, 9, 5}, {"3.04, 40000 scans a profile", 1, 2, 40000}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        shape.firmware = k.firmware;
        shape.maxProfile = k.maxProfile;
        shape.scansPerProfile = k.scans;
        WriteSource();
        ASSERT_EQ(Run(), 0) << log;
        const bool layout301 = k.firmware == 0;
        std::vector<double> numbers(k.maxProfile + 1);
        for (std::size_t p = 0; p < numbers.size(); ++p)
            numbers[p] = static_cast<double>(p);

        {  // the readers close their files before the next case's run removes them
            const NcReader ctd(dst / "ctd.nc"), acm(dst / "acm.nc"), eng(dst / "engineering.nc");
            for (const NcReader* nc : {&ctd, &acm, &eng}) {
                EXPECT_EQ(nc->Values("profile"), numbers);
                EXPECT_EQ(nc->Values("data_status"), std::vector<double>(numbers.size(), 0.0));
                EXPECT_EQ(nc->Values("row_size"), std::vector<double>(numbers.size(), k.scans));
                EXPECT_EQ(nc->Text(nullptr, "title"), "Test deployment");
                EXPECT_EQ(nc->Text(nullptr, "date_created"), "2024-07-02T00:00:00Z");
                EXPECT_EQ(nc->Text(nullptr, "source").find(kPathSeparator), std::string::npos);
            }
            const auto c = Starts(ctd.Values("row_size"));
            const auto a = Starts(acm.Values("row_size"));
            const auto e = Starts(eng.Values("row_size"));
            const auto pressure = ctd.Values("pressure"), temperature = ctd.Values("temperature"),
                       conductivity = ctd.Values("conductivity");
            const auto tx = acm.Values("tilt_x"), ty = acm.Values("tilt_y"), hx = acm.Values("compass_x"),
                       hy = acm.Values("compass_y"), hz = acm.Values("compass_z"), ab = acm.Values("velocity_ab"),
                       cd = acm.Values("velocity_cd"), ef = acm.Values("velocity_ef"), gh = acm.Values("velocity_gh");
            const auto scanTime = eng.Values("scan_time"), current = eng.Values("motor_current"),
                       voltage = eng.Values("battery_voltage"), engPressure = eng.Values("pressure");
            std::vector<double> fluor, fluorGain, turb, turbGain;
            if (!layout301) {
                fluor = eng.Values("fluorometer");
                fluorGain = eng.Values("fluorometer_gain");
                turb = eng.Values("turbidity");
                turbGain = eng.Values("turbidity_gain");
            }
            for (uint32_t p = 0; p <= shape.maxProfile; ++p) {
                SCOPED_TRACE(p);
                OutputFile ctdRows, acmRows, engRows;
                for (std::size_t i = c[p]; i < c[p + 1]; ++i)
                    WriteCtdRow(ctdRows.get(), CtdValues{static_cast<float>(conductivity[i]),
                                                         static_cast<float>(temperature[i]),
                                                         static_cast<float>(pressure[i])});
                for (std::size_t i = a[p]; i < a[p + 1]; ++i)
                    WriteAcmRow(acmRows.get(),
                                AcmValues{tx[i], ty[i], static_cast<float>(hx[i]), static_cast<float>(hy[i]),
                                          static_cast<float>(hz[i]), static_cast<float>(ab[i]), static_cast<float>(cd[i]),
                                          static_cast<float>(ef[i]), static_cast<float>(gh[i])});
                for (std::size_t i = e[p]; i < e[p + 1]; ++i) {
                    EngineeringValues v{static_cast<int32_t>(scanTime[i]),
                                        static_cast<float>(current[i]),
                                        static_cast<float>(voltage[i]),
                                        static_cast<float>(engPressure[i]),
                                        0.0f,
                                        0,
                                        0.0f,
                                        0};
                    if (!layout301) {
                        v.fluorometer = static_cast<float>(fluor[i]);
                        v.fluorometerGain = static_cast<int16_t>(fluorGain[i]);
                        v.turbidity = static_cast<float>(turb[i]);
                        v.turbidityGain = static_cast<int16_t>(turbGain[i]);
                    }
                    WriteEngineeringRow(engRows.get(), v, false, layout301);
                }
                EXPECT_TRUE(SameLines(ctdRows.text(), ReadFileText(dst / FormatString("C%07u.TXT", p))));
                EXPECT_TRUE(SameLines(acmRows.text(), ReadFileText(dst / FormatString("A%07u.TXT", p))));
                EXPECT_TRUE(SameLines(engRows.text(), ReadFileText(dst / FormatString("E%07u.TXT", p))));
            }
        }
        for (const auto& dir : {dst.path(), src.path()})
            for (const auto& f : fs::directory_iterator(dir))
                fs::remove(f.path());
    }
}

TEST_F(ExportRunTest, CsvRowsHoldTheNumbersOfTheTexts)
{
    WriteSource();
    ASSERT_EQ(Run(), 0) << log;
    struct Case {
        const char* csv;
        char letter;
        std::size_t firstValue;  // the CSV column of the text's first number
        std::vector<std::size_t> textTokens;  // the text's tokens compared, in CSV column order
    };
    // Machine rows: C: cond temp pres; E: 6 stamp fields, current voltage
    // pressure fluor gain turb gain.
    const Case cases[] = {
        {"ctd.csv", 'C', 3, {2, 1, 0}},
        {"engineering.csv", 'E', 3, {8, 99, 6, 7, 9, 10, 11, 12}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.csv);
        const std::vector<std::string> lines = Lines(ReadFileText(dst / k.csv));
        ASSERT_EQ(lines.size(), 1 + 10u * shape.scansPerProfile);
        std::size_t row = 1;
        for (uint32_t p = 0; p <= shape.maxProfile; ++p) {
            for (const std::string& textLine : Lines(ReadFileText(dst / FormatString("%c%07u.TXT", k.letter, p)))) {
                std::vector<std::string> tokens;
                std::stringstream in(textLine);
                for (std::string t; in >> t;)
                    tokens.push_back(t);
                const std::vector<std::string> fields = Fields(lines[row++]);
                EXPECT_EQ(fields[0], std::to_string(p));
                for (std::size_t i = 0; i < k.textTokens.size(); ++i) {
                    if (k.textTokens[i] == 99)
                        continue;  // depth: not in the text
                    const std::string& token = tokens[k.textTokens[i]];
                    const std::string& field = fields[k.firstValue + i];
                    EXPECT_EQ(std::stod(field), std::stod(token)) << textLine;
                    // the same digits after the point
                    const auto decimals = [](const std::string& t) {
                        const auto dot = t.find('.');
                        return dot == std::string::npos ? 0 : t.size() - dot - 1;
                    };
                    EXPECT_EQ(decimals(field), decimals(token)) << textLine;
                }
            }
        }
    }
    // Headers name units; a time column holds ISO 8601 times.
    const std::vector<std::string> engineering = Lines(ReadFileText(dst / "engineering.csv"));
    EXPECT_EQ(engineering[0],
              "profile,time (UTC),scan,pressure (dbar),depth (m),motor_current (mA),battery_voltage (V),"
              "fluorometer (mV),fluorometer_gain,turbidity (mV),turbidity_gain");
    EXPECT_EQ(Fields(engineering[1])[1], "2024-07-01T00:01:00Z");
    const std::vector<std::string> profiles = Lines(ReadFileText(dst / "profiles.csv"));
    ASSERT_EQ(profiles.size(), 11u);
    EXPECT_EQ(Fields(profiles[0]).size(), Fields(profiles[1]).size());
    EXPECT_EQ(Fields(profiles[3])[0], "2");
    EXPECT_EQ(Fields(profiles[3])[1], "complete");
}

TEST_F(ExportRunTest, SeveralThreadsWriteTheFilesOneThreadWrites)
{
    // Each instrument's scans are many enough to be written in several
    // pieces side by side; the CTD file of profiles 4 and 5 is cut inside
    // profile 5, and profiles 4 and 5 have no ACM file.
    shape.maxProfile = 5;
    shape.profilesPerFile = 2;
    shape.scansPerProfile = 14000;
    WriteSource();
    const std::size_t keep = CtdProfileBytes(shape, 4).size() + 5000;
    WriteFileBytes(src / "C0000004.DAT", DataFileBytes(shape, 2, 4).first(keep));
    fs::remove(src / "A0000004.DAT");
    auto files = [&] {
        std::map<std::string, std::string> bytes;
        for (const std::string& name : Outputs())
            if (name != "DAVROLIN.LOG")
                bytes[name] = ReadFileText(dst / name);
        return bytes;
    };
    Run(true, 1);
    const auto one = files();
    const std::string oneLog = log;
    fs::remove_all(dst.path());
    fs::create_directories(dst.path());
    ResetTestLog();
    Run(true, 3);
    EXPECT_EQ(files() == one, true);
    EXPECT_EQ(log, oneLog);
    EXPECT_EQ(NcReader(dst / "acm.nc").Values("time_estimated").size(), 4 * 14000u);
}

TEST_F(ExportRunTest, DamagedCardsShowInDataStatus)
{
    // Profiles 0..9, 4 per file: files 0, 4, 8.
    struct Case {
        const char* what;
        void (*damage)(const fs::path& src, const DeploymentShape& shape);
        const char* file;
        std::vector<double> status;
        std::vector<double> timeSource;  // 0 sensor on, 1 engineering motion start (the engineering file's own)
    };
    const Case cases[] = {
        {"CTD file cut among the scans of profile 5: it and the profiles after it in the file are noted as ended",
         [](const fs::path& src, const DeploymentShape& s) {
             const std::size_t keep = CtdProfileBytes(s, 4).size() + 20;
             WriteFileBytes(src / "C0000004.DAT", DataFileBytes(s, 2, 4).first(keep));
         },
         "ctd.nc", {0, 0, 0, 0, 0, 1, 1, 1, 0, 0}, {0, 0, 0, 0, 0, 1, 1, 1, 0, 0}},
        {"CTD sensor times of profile 3 cut short: the CTD files stop there",
         [](const fs::path& src, const DeploymentShape& s) {
             WriteFileBytes(src / "C0000000.DAT", DataFileBytes(s, 2, 0).first(DataFileBytes(s, 2, 0).size() - 3));
         },
         "ctd.nc", {0, 0, 0, 2, 5, 5, 5, 5, 5, 5}, {0, 0, 0, 1, 1, 1, 1, 1, 1, 1}},
        {"a missing ACM file: its profiles are missing, the later ones not read",
         [](const fs::path& src, const DeploymentShape&) { fs::remove(src / "A0000004.DAT"); }, "acm.nc",
         {0, 0, 0, 0, 4, 4, 4, 4, 5, 5}, {0, 0, 0, 0, 1, 1, 1, 1, 1, 1}},
        {"an ACM file cut among the scans of profile 1",
         [](const fs::path& src, const DeploymentShape& s) {
             WriteFileBytes(src / "A0000000.DAT", DataFileBytes(s, 4, 0).first(AcmProfileBytes(s, 0).size() + 30));
         },
         "acm.nc", {0, 1, 5, 5, 5, 5, 5, 5, 5, 5}, {0, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {"an engineering file cut inside profile 9",
         [](const fs::path& src, const DeploymentShape& s) {
             WriteFileBytes(src / "E0000008.DAT", DataFileBytes(s, 1, 8).first(EngineeringProfileBytes(s, 8).size() + 9));
         },
         "engineering.nc", {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, std::vector<double>(10, 1.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& f : fs::directory_iterator(dst.path()))
            fs::remove(f.path());
        WriteSource();
        c.damage(src.path(), shape);
        Run();
        EXPECT_EQ(Status(c.file), c.status) << log;
        // Every profile has a time, from where time_source says, and the
        // scans of every profile have theirs.
        const NcReader nc(dst / c.file);
        EXPECT_EQ(nc.Values("time_source"), c.timeSource);
        const std::vector<double> time = nc.Values("time");
        for (std::size_t i = 1; i < time.size(); ++i)
            EXPECT_LT(time[i - 1], time[i]) << i;
        for (double t : nc.Values(std::string(c.file) == "engineering.nc" ? "scan_time" : "time_estimated"))
            EXPECT_FALSE(std::isnan(t));
        // The other instruments are whole.
        for (const char* other : {"ctd.nc", "acm.nc", "engineering.nc"})
            if (std::string(other) != c.file) {
                EXPECT_EQ(Status(other), std::vector<double>(10, 0.0)) << other;
            }
    }
}

TEST_F(ExportRunTest, AProfileWithNoTimeFromAnySourceAndNoScansIsLeftOutOfTheNetcdfFile)
{
    // A profile start interval of 0 gives no schedule; the engineering and
    // ACM files of profiles 4 to 7 are missing (and the kinds stop there):
    // ACM profiles 4 to 9 have no time from any source.
    WriteSource();
    {
        std::fstream deploy(src / "DEPLOY.DAT", std::ios::in | std::ios::out | std::ios::binary);
        deploy.seekp(12);  // the profile start interval
        deploy.write("\0\0\0\0", 4);
    }
    fs::remove(src / "E0000004.DAT");
    fs::remove(src / "A0000004.DAT");
    Run();
    EXPECT_EQ(NcReader(dst / "acm.nc").Values("profile"), (std::vector<double>{0, 1, 2, 3})) << log;
    EXPECT_EQ(NcReader(dst / "acm.nc").Values("time_source"), (std::vector<double>{0, 0, 0, 0}));
    // The CTD profiles fall back on the engineering times where there are any.
    EXPECT_EQ(NcReader(dst / "ctd.nc").Values("profile").size(), 10u);
    // profiles.csv keeps every profile with its status.
    const std::vector<std::string> rows = Lines(ReadFileText(dst / "profiles.csv"));
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_NE(rows[5].find("data_file_missing"), std::string::npos) << rows[5];
}

TEST_F(ExportRunTest, AFileWhoseProfilesAllLackATimeKeepsThemAll)
{
    // No engineering and no ACM file, no schedule: no ACM profile has a time
    // or a scan. The file still lists them (it cannot be written empty).
    WriteSource();
    {
        std::fstream deploy(src / "DEPLOY.DAT", std::ios::in | std::ios::out | std::ios::binary);
        deploy.seekp(12);  // the profile start interval
        deploy.write("\0\0\0\0", 4);
    }
    for (const char* name : {"E0000000.DAT", "E0000004.DAT", "E0000008.DAT", "A0000000.DAT", "A0000004.DAT",
                             "A0000008.DAT"})
        fs::remove(src / name);
    Run();
    EXPECT_EQ(NcReader(dst / "acm.nc").Values("profile").size(), 10u) << log;
    EXPECT_EQ(log.find("Error writing export file"), std::string::npos) << log;
}

TEST(ProfileTimes, FallBackInOrderThenOnTheSchedule)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    auto profile = [](uint32_t number, double sensorOn, double motionStart) {
        ProfileRecord r;
        r.number = number;
        r.sensorOn = sensorOn;
        r.motionStart = motionStart;
        return r;
    };
    // Engineering profiles 1 to 4: 2 has only its sensor-on time, 3 neither.
    const std::vector<ProfileRecord> engineering = {profile(1, 1000, 1010), profile(2, 2000, kNaN),
                                                    profile(3, kNaN, kNaN), profile(4, 4000, 4010)};
    struct Case {
        const char* what;
        Instrument instrument;
        std::vector<ProfileRecord> profiles;
        int32_t interval;
        std::vector<double> time, source;
    };
    const Case cases[] = {
        {"sensor on, then engineering motion start, sensor on, schedule", Instrument::Ctd,
         {profile(0, 5, kNaN), profile(1, kNaN, kNaN), profile(2, kNaN, kNaN), profile(3, kNaN, kNaN)}, 1000,
         {5, 1010, 2000, 3000}, {0, 1, 2, 3}},
        {"the engineering file's own time is its motion start first", Instrument::Engineering, engineering, 1000,
         {1010, 2000, 3000, 4010}, {1, 2, 3, 1}},
        {"the schedule from the nearer neighbour, the earlier of two as near", Instrument::Acm,
         {profile(10, 100, kNaN), profile(11, kNaN, kNaN), profile(12, kNaN, kNaN), profile(13, kNaN, kNaN),
          profile(14, kNaN, kNaN), profile(15, 600, kNaN)},
         100, {100, 200, 300, 400, 500, 600}, {0, 3, 3, 3, 3, 0}},
        {"a profile before every time", Instrument::Acm, {profile(7, kNaN, kNaN), profile(9, 900, kNaN)}, 60,
         {780, 900}, {3, 0}},
        {"no schedule without an interval", Instrument::Acm, {profile(7, kNaN, kNaN), profile(9, 900, kNaN)}, 0,
         {kNaN, 900}, {kByteFill, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ProfileRecord> profiles = c.profiles;
        SetProfileTimes(profiles, c.instrument, engineering, c.interval);
        for (std::size_t i = 0; i < profiles.size(); ++i) {
            EXPECT_TRUE(profiles[i].time == c.time[i] || (std::isnan(c.time[i]) && std::isnan(profiles[i].time)))
                << i << ": " << profiles[i].time;
            EXPECT_EQ(profiles[i].timeSource, c.source[i]) << i;
        }
    }
}

// Requests a cancel when the job names a file: a profile's text or an export file.
class CancelAt final : public JobObserver {
public:
    explicit CancelAt(std::string name) : name_(std::move(name)) {}
    void OnJobFinished(bool) override {}
    void OnLogChanged() override {}
    void OnJobProgress(uint32_t done, uint32_t total) override { last = {done, total}; }
    void OnJobStatus(const char*, const char* output) override
    {
        const std::string path = output;
        if (path.size() >= name_.size() && path.compare(path.size() - name_.size(), name_.size(), name_) == 0)
            TheUnpackJob().Cancel();
    }
    std::pair<uint32_t, uint32_t> last{0, 0};

private:
    std::string name_;
};

TEST_F(ExportRunTest, ACancelledReadingIsExportedAsNotRead)
{
    WriteSource();
    CancelAt observer("C0000006.TXT");
    TheUnpackJob().SetObserver(&observer);
    EXPECT_EQ(Run(), -1);
    EXPECT_EQ(Status("engineering.nc"), std::vector<double>(10, 0.0));
    EXPECT_EQ(Status("ctd.nc"), std::vector<double>({0, 0, 0, 0, 0, 0, 5, 5, 5, 5}));
    EXPECT_EQ(Status("acm.nc"), std::vector<double>(10, 5.0));
    EXPECT_EQ(NcReader(dst / "ctd.nc").Values("row_size"), std::vector<double>({5, 5, 5, 5, 5, 5, 0, 0, 0, 0}));
}

TEST_F(ExportRunTest, ACancelWhileTheExportIsWrittenLeavesNoPartOfAFile)
{
    WriteSource();
    struct Case {
        const char* at;                  // the file being written when the cancel comes
        std::vector<const char*> kept;   // written before it
        std::vector<const char*> gone;   // never under their names
    };
    const Case cases[] = {
        {"ctd.nc",
         {"engineering.nc", "engineering.csv"},
         {"ctd.nc", "ctd_grid.nc", "ctd.csv", "acm.nc", "acm.csv", "profiles.csv"}},
        {"ctd_grid.nc", {"engineering.nc"}, {"ctd.nc", "ctd_grid.nc", "ctd.csv", "acm.nc", "profiles.csv"}},
        {"ctd.csv", {"engineering.nc"}, {"ctd.nc", "ctd_grid.nc", "ctd.csv", "acm.nc", "profiles.csv"}},
        {"profiles.csv", {"engineering.nc", "ctd.csv", "acm.nc"}, {"profiles.csv"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        for (const auto& f : fs::directory_iterator(dst.path()))
            fs::remove(f.path());
        CancelAt observer(c.at);
        TheUnpackJob().SetObserver(&observer);
        EXPECT_EQ(Run(), -1);
        TheUnpackJob().SetObserver(nullptr);
        TheUnpackJob().ClearCancel();
        const std::vector<std::string> names = Outputs();
        for (const std::string& name : names)
            EXPECT_EQ(name.find(".part"), std::string::npos) << name;
        for (const char* kept : c.kept)
            EXPECT_TRUE(std::count(names.begin(), names.end(), kept)) << kept;
        for (const char* gone : c.gone)
            EXPECT_FALSE(std::count(names.begin(), names.end(), gone)) << gone;
        EXPECT_NE(log.find("Operation cancelled by user: "), std::string::npos) << log;
    }
}

// Damages the source when the job names a file: an export file about to be written.
class DamageAt final : public JobObserver {
public:
    DamageAt(std::string name, std::function<void()> damage) : name_(std::move(name)), damage_(std::move(damage)) {}
    void OnJobFinished(bool) override {}
    void OnLogChanged() override {}
    void OnJobProgress(uint32_t, uint32_t) override {}
    void OnJobStatus(const char*, const char* output) override
    {
        const std::string path = output;
        if (damage_ && path.size() >= name_.size() &&
            path.compare(path.size() - name_.size(), name_.size(), name_) == 0) {
            damage_();
            damage_ = nullptr;
        }
    }

private:
    std::string name_;
    std::function<void()> damage_;
};

TEST_F(ExportRunTest, ADataFileThatChangedBeforeTheExportReadsItAgainFailsItsInstrument)
{
    // Profiles 0..9, 4 per file: files 0, 4, 8; 5 scans each.
    struct Case {
        const char* at;  // the export file being begun when the data file changes
        std::function<void(const fs::path& src, const DeploymentShape& shape)> damage;
        const char* failed;  // the export file not written
        std::string line;    // the end of its error line
    };
    const Case cases[] = {
        {"ctd.nc",
         [](const fs::path& src, const DeploymentShape& s) {
             WriteFileBytes(src / "C0000004.DAT", DataFileBytes(s, 2, 4).first(20));
         },
         "ctd.nc", "C0000004.DAT no longer holds the scans of profile 4 the run read from it"},
        {"ctd.nc",
         [](const fs::path& src, const DeploymentShape& s) {
             // Profile 0's end mark gone: more scans than the run read, never put in profile 1's places.
             Bytes bytes = DataFileBytes(s, 2, 0);
             std::fill(bytes.data.begin() + 5 * 9, bytes.data.begin() + 6 * 9, 0);
             WriteFileBytes(src / "C0000000.DAT", bytes);
         },
         "ctd.nc", "C0000000.DAT no longer holds the scans of profile 0 the run read from it"},
        {"ctd.nc", [](const fs::path& src, const DeploymentShape&) { fs::remove(src / "C0000008.DAT"); }, "ctd.nc",
         "C0000008.DAT could not be read again"},
        {"acm.nc", [](const fs::path& src, const DeploymentShape&) { fs::remove(src / "E0000004.DAT"); }, "acm.nc",
         "E0000004.DAT could not be read again"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        WriteSource();
        for (const auto& f : fs::directory_iterator(dst.path()))
            fs::remove(f.path());
        const fs::path source = src.path();
        const DeploymentShape s = shape;
        DamageAt observer(c.at, [&] { c.damage(source, s); });
        TheUnpackJob().SetObserver(&observer);
        EXPECT_EQ(Run(), -1);
        TheUnpackJob().SetObserver(nullptr);
        const std::vector<std::string> names = Outputs();
        EXPECT_FALSE(std::count(names.begin(), names.end(), c.failed));
        EXPECT_TRUE(std::count(names.begin(), names.end(), "engineering.nc"));
        for (const std::string& name : names)
            EXPECT_EQ(name.find(".part"), std::string::npos) << name;
        const std::string title = std::string(c.failed) == "ctd.nc" ? "CTD" : "ACM";
        const std::size_t at = log.find("Error writing export files of the " + title + ": the data file ");
        ASSERT_NE(at, std::string::npos) << log;
        EXPECT_NE(log.find(c.line, at), std::string::npos) << log;
    }
}

TEST_F(ExportRunTest, WithoutTextsOnlyTheExportAndNoLogFilesAreWritten)
{
    WriteSource();
    ASSERT_EQ(Run(false), 0) << log;
    EXPECT_EQ(Outputs(), std::vector<std::string>({"acm.csv", "acm.nc", "ctd.csv", "ctd.nc", "ctd_grid.nc",
                                                   "engineering.csv", "engineering.nc", "profiles.csv"}));
    EXPECT_EQ(Status("ctd.nc"), std::vector<double>(10, 0.0));
}

TEST_F(ExportRunTest, ARangeAndPrefixChooseWhatIsExported)
{
    WriteSource();
    Settings.UnpackAll = 0;
    Settings.Options = KindCtd | KindDeployment;
    Settings.ProfileRange = RangeProfiles;
    Settings.FirstProfile = 3;
    Settings.LastProfile = 6;
    Format(Settings.Prefix, sizeof Settings.Prefix, "%s", "r1_");
    ASSERT_EQ(Run(), 0) << log;
    const NcReader ctd(dst / "r1_ctd.nc");
    EXPECT_EQ(ctd.Values("profile"), std::vector<double>({3, 4, 5, 6}));
    EXPECT_EQ(ctd.Text(nullptr, "source"), "DEPLOY.DAT PROFILES.DAT C0000000.DAT C0000004.DAT");
    EXPECT_FALSE(fs::exists(dst / "r1_acm.nc"));
    EXPECT_FALSE(fs::exists(dst / "r1_engineering.csv"));
    EXPECT_EQ(Lines(ReadFileText(dst / "r1_profiles.csv")).size(), 5u);
}

}  // namespace
