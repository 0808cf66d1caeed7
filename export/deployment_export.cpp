#include "export/deployment_export.h"

#include "export/csv_row.h"
#include "export/export_columns.h"
#include "export/netcdf_file.h"
#include "export/seawater.h"
#include "formats/deployment.h"
#include "formats/engineering.h"
#include "formats/run_choices.h"
#include "formats/termination_log.h"
#include "formats/text_buffer.h"
#include "formats/text_format.h"
#include "platform/platform.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr int16_t kShortFill = -32767;
constexpr int8_t kByteFill = -127;

// No deployment holds this many profiles: a wider range (damaged metadata)
// lists only the profiles read or missing, and past this many profiles read
// an instrument keeps no more.
constexpr uint32_t kMaxListedProfiles = 100000;
// The stdio buffer of a scratch file: the scans go to it and come back
// from it in large reads and writes.
constexpr std::size_t kScratchBufferSize = 1 << 20;
// Scans read back from a scratch file at a time.
constexpr std::size_t kChunkScans = 8192;

// The stop reasons, as flag values and meanings.
constexpr int16_t kStopCodes[] = {0, 2, 3, 4, 6, 7, 9, 13, 14, 15, 17, 18, 19, 20};

struct InstrumentInfo {
    Instrument instrument;
    int kind;          // FileKind
    const char* name;  // file names: name.nc, name.csv, name.scans.part
    const char* title;
};
constexpr InstrumentInfo kInstruments[] = {
    {Instrument::Engineering, KindEngineering, "engineering", "engineering"},
    {Instrument::Ctd, KindCtd, "ctd", "CTD"},
    {Instrument::Acm, KindAcm, "acm", "ACM"},
};

// What the export keeps of one profile of one instrument.
struct ProfileRecord {
    uint32_t number = 0;
    int8_t status = kStatusNotRead;
    uint64_t firstScan = 0;
    uint32_t scans = 0;
    double sensorOn = kNaN;
    double sensorOff = kNaN;
    // engineering
    double motionStart = kNaN;
    double motionStop = kNaN;
    int16_t rampExit = kShortFill;
    int16_t profileExit = kShortFill;
    int8_t endedByOperator = kByteFill;
    int16_t restarts = 0, backtracks = 0, incomplete = 0;

    // The profile's `time`: the sensor-on time (engineering: motion start).
    double Time(Instrument instrument) const
    {
        return instrument == Instrument::Engineering ? motionStart : sensorOn;
    }
};

std::string StopMeanings()
{
    std::string meanings;
    for (int16_t code : kStopCodes) {
        std::string word = StopReasonText(code);
        for (char& c : word)
            c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        meanings += (meanings.empty() ? "" : " ") + word;
    }
    return meanings;
}

void Widen(double value, double& low, double& high)
{
    if (std::isnan(value))
        return;
    low = std::isnan(low) ? value : std::min(low, value);
    high = std::isnan(high) ? value : std::max(high, value);
}

// A text file written under a temporary name and renamed when whole.
class TextOutput {
public:
    ~TextOutput() { Abandon(); }
    bool Open(const std::string& path)
    {
        path_ = path;
        temporary_ = path + ".part";
        file_ = OpenFile(temporary_.c_str(), "wb");
        if (file_)
            buffer_ = std::make_unique<TextBuffer>(file_.get());
        return file_ != nullptr;
    }
    void Write(const std::string& text) { buffer_->Append(text.data(), text.size()); }
    // A place for `n` bytes (at most kTextBufferSize); the end of what was
    // written there goes to Commit.
    char* Room(std::size_t n) { return buffer_->Room(n); }
    void Commit(char* end) { buffer_->Commit(end); }
    // False when a byte did not reach the file or the rename failed; the
    // temporary file is gone then.
    bool Close()
    {
        buffer_.reset();  // flushed
        if (CloseOutputFile(std::move(file_)) && RenameFile(temporary_.c_str(), path_.c_str()))
            return true;
        RemoveFile(temporary_.c_str());
        return false;
    }
    void Abandon()
    {
        if (!file_)
            return;
        buffer_.reset();
        file_.reset();
        RemoveFile(temporary_.c_str());
    }

private:
    File file_;
    std::unique_ptr<TextBuffer> buffer_;
    std::string path_;
    std::string temporary_;
};

}  // namespace

// One instrument's part of the export: the sink that collects its profiles
// during the run, and its scratch file of scans.
class InstrumentExport final : public ProfileSink {
public:
    InstrumentExport(const InstrumentInfo& info, std::string scratchPath)
        : info(info), scratchPath(std::move(scratchPath))
    {
    }
    ~InstrumentExport() override { Discard(); }

    bool Open()
    {
        scratch = OpenFile(scratchPath.c_str(), "w+b");
        if (scratch) {
            // (glibc keeps its own small buffer when given no buffer of ours.)
            scratchBuffer = std::make_unique<char[]>(kScratchBufferSize);
            std::setvbuf(scratch.get(), scratchBuffer.get(), _IOFBF, kScratchBufferSize);
        }
        return scratch != nullptr;
    }
    void Discard()
    {
        if (!scratch)
            return;
        scratch.reset();
        RemoveFile(scratchPath.c_str());
    }

    void BeginProfile(uint32_t profile) override
    {
        // Profiles come in ascending order, each once; anything else (or
        // more than any deployment holds) is not kept.
        ignoring_ = (!records.empty() && profile <= records.back().number) || records.size() >= kMaxListedProfiles;
        if (ignoring_) {
            ++ignored;
            return;
        }
        ProfileRecord r;
        r.number = profile;
        r.firstScan = scans;
        records.push_back(r);
    }
    void ProfileTimes(int32_t sensorOn, int32_t motionStart) override
    {
        if (ignoring_)
            return;
        Last().sensorOn = sensorOn;
        Last().motionStart = motionStart;
    }
    void EngineeringScan(const EngineeringValues& scan) override
    {
        Widen(scan.time, scanTimeLow, scanTimeHigh);
        Keep(&scan, sizeof scan);
    }
    void Stop(int32_t marker, const StopRecord& stop) override
    {
        if (ignoring_)
            return;
        ProfileRecord& r = Last();
        if (marker == MarkerRestarted)
            ++r.restarts;
        else if (marker == MarkerBacktrack)
            ++r.backtracks;
        else if (marker == MarkerIncomplete)
            ++r.incomplete;
        if (!EndsProfile(marker))
            return;
        r.motionStop = stop.motionStopOrRestart;
        r.sensorOff = stop.sensorOff;
        r.rampExit = stop.rampStatus;
        r.profileExit = stop.profileStatus;
        r.endedByOperator = marker == MarkerOperatorStop ? 1 : 0;
    }
    void CtdScan(const CtdValues& scan) override { Keep(&scan, sizeof scan); }
    void AcmScan(const AcmValues& scan) override { Keep(&scan, sizeof scan); }
    void SensorTimes(int32_t on, int32_t off) override
    {
        if (ignoring_)
            return;
        Last().sensorOn = on;
        Last().sensorOff = off;
    }
    void EndProfile(ProfileEnd end) override
    {
        if (!ignoring_)
            Last().status = StatusOf(end);
    }

    // The profiles the files list, in order: the whole range when it is of
    // a sensible width, else those read or missing.
    std::vector<ProfileRecord> List(uint32_t first, uint32_t last) const
    {
        std::vector<ProfileRecord> listed;
        auto missingAt = [this](uint32_t p) {
            for (const auto& range : missing)
                if (p >= range.first && p <= range.second)
                    return true;
            return false;
        };
        if (last - first < kMaxListedProfiles) {
            std::size_t next = 0;
            for (uint32_t p = first;; ++p) {
                if (next < records.size() && records[next].number == p) {
                    listed.push_back(records[next++]);
                } else {
                    ProfileRecord r;
                    r.number = p;
                    r.firstScan = scans;  // no scans of its own
                    if (missingAt(p))
                        r.status = kStatusDataFileMissing;
                    listed.push_back(r);
                }
                if (p == last)
                    break;
            }
            return listed;
        }
        listed = records;
        for (const auto& range : missing)
            for (uint32_t p = range.first; listed.size() < kMaxListedProfiles; ++p) {
                ProfileRecord r;
                r.number = p;
                r.firstScan = scans;
                r.status = kStatusDataFileMissing;
                listed.push_back(r);
                if (p == range.second)
                    break;
            }
        std::stable_sort(listed.begin(), listed.end(),
                         [](const ProfileRecord& a, const ProfileRecord& b) { return a.number < b.number; });
        return listed;
    }

    const InstrumentInfo& info;
    const std::string scratchPath;
    std::unique_ptr<char[]> scratchBuffer;  // the stdio buffer of `scratch`, outlives it
    File scratch;
    uint64_t scans = 0;
    uint64_t ignored = 0;  // profiles not kept
    std::vector<ProfileRecord> records;
    std::vector<std::pair<uint32_t, uint32_t>> missing;  // profile ranges whose data file was missing
    std::vector<std::string> files;                      // the data files read
    double scanTimeLow = kNaN, scanTimeHigh = kNaN;

private:
    ProfileRecord& Last() { return records.back(); }
    void Keep(const void* scan, std::size_t size)
    {
        if (ignoring_)
            return;
        std::fwrite(scan, size, 1, scratch.get());
        ++scans;
        ++Last().scans;
    }

    bool ignoring_ = false;
};

struct DeploymentExport::State {
    ExportChoice choice;
    ExportRun run{};
    bool hasDeployment = false;
    DeploymentRecord deploymentRecord{};
    double latitude = kNaN;
    double longitude = kNaN;
    std::vector<std::unique_ptr<InstrumentExport>> instruments;
    // The listed profiles of each instrument, kept for profiles.csv.
    std::vector<std::vector<ProfileRecord>> listings;

    InstrumentExport* Find(int kind)
    {
        for (auto& i : instruments)
            if (i->info.kind == kind)
                return i.get();
        return nullptr;
    }
    std::string PathOf(const char* name) const { return run.destination + name; }

    bool WriteInstrument(InstrumentExport& instrument, ExportHost& host, const std::vector<ProfileRecord>& listed);
    bool WriteProfilesCsv(ExportHost& host);
};

namespace {

// The global attributes in their order; later values of a name replace
// earlier ones, in place.
class Globals {
public:
    void Text(const std::string& name, const std::string& value)
    {
        for (auto& a : list_)
            if (a.name == name) {
                a.text = value;
                a.numeric = false;
                return;
            }
        list_.push_back({name, value, false, 0.0});
    }
    void Number(const std::string& name, double value) { list_.push_back({name, {}, true, value}); }
    void PutAll(NetcdfFile& f) const
    {
        for (const auto& a : list_) {
            if (a.numeric)
                f.PutAttDoubles(kNetcdfGlobal, a.name.c_str(), {a.number});
            else
                f.PutAttText(kNetcdfGlobal, a.name.c_str(), a.text);
        }
    }

private:
    struct Attribute {
        std::string name;
        std::string text;
        bool numeric;
        double number;
    };
    std::vector<Attribute> list_;
};

// Attributes the export computes; a metadata file does not set them.
bool Computed(const std::string& name)
{
    static const char* const kNames[] = {"Conventions", "featureType", "cdm_data_type", "cdm_timeseries_variables",
                                         "cdm_profile_variables", "source", "history", "time_coverage_start",
                                         "time_coverage_end"};
    for (const char* n : kNames)
        if (name == n)
            return true;
    return name.rfind("geospatial_", 0) == 0;
}

std::string Joined(const std::vector<std::string>& words, const char* separator)
{
    std::string text;
    for (const auto& w : words)
        text += (text.empty() ? "" : separator) + w;
    return text;
}

int DefineProfileDouble(NetcdfFile& f, const char* name, int dim, const char* longName)
{
    const int v = f.DefineVar(name, NetcdfType::Double, {dim});
    f.PutAttText(v, "long_name", longName);
    f.PutAttText(v, "units", kTimeUnits);
    f.PutAttText(v, "calendar", "standard");
    f.PutAttDoubles(v, "_FillValue", {kNaN});
    return v;
}

template <typename T, typename Get>
std::vector<T> Gather(const std::vector<ProfileRecord>& listed, Get get)
{
    std::vector<T> values;
    values.reserve(listed.size());
    for (const auto& r : listed)
        values.push_back(static_cast<T>(get(r)));
    return values;
}

std::size_t ScanSize(Instrument instrument)
{
    switch (instrument) {
    case Instrument::Ctd: return sizeof(CtdValues);
    case Instrument::Acm: return sizeof(AcmValues);
    case Instrument::Engineering: break;
    }
    return sizeof(EngineeringValues);
}

// The engineering pressure-time track of profile `profile`, read from the
// engineering scratch file; empty when there is none.
std::vector<std::pair<double, float>> TrackOf(InstrumentExport* engineering, uint32_t profile)
{
    std::vector<std::pair<double, float>> track;
    if (!engineering)
        return track;
    const auto& records = engineering->records;
    const auto at = std::lower_bound(records.begin(), records.end(), profile,
                                     [](const ProfileRecord& r, uint32_t p) { return r.number < p; });
    if (at == records.end() || at->number != profile || at->scans == 0)
        return track;
    std::vector<EngineeringValues> scans(at->scans);
    std::FILE* in = engineering->scratch.get();
    // fseek takes a long: a far offset is reached in steps.
    std::fseek(in, 0, SEEK_SET);
    uint64_t offset = at->firstScan * sizeof(EngineeringValues);
    constexpr uint64_t kStep = 1u << 30;
    while (offset > kStep) {
        std::fseek(in, static_cast<long>(kStep), SEEK_CUR);
        offset -= kStep;
    }
    std::fseek(in, static_cast<long>(offset), SEEK_CUR);
    const std::size_t got = std::fread(scans.data(), sizeof(EngineeringValues), scans.size(), in);
    for (std::size_t i = 0; i < got; ++i)
        track.emplace_back(scans[i].time, scans[i].pressure);
    std::stable_sort(track.begin(), track.end(),
                     [](const std::pair<double, float>& a, const std::pair<double, float>& b) {
                         return a.first < b.first;
                     });
    return track;
}

}  // namespace

DeploymentExport::DeploymentExport(ExportChoice choice) : state_(std::make_unique<State>())
{
    state_->choice = std::move(choice);
}

DeploymentExport::~DeploymentExport() = default;

bool DeploymentExport::Begin(const ExportRun& run, ExportHost& host)
{
    State& s = *state_;
    s.run = run;
    s.instruments.clear();
    s.listings.clear();
    s.hasDeployment = run.deployment != nullptr;
    if (run.deployment)
        s.deploymentRecord = *run.deployment;
    const ExportMetadata& m = s.choice.metadata;
    s.latitude = m.hasLatitude ? m.latitude : kNaN;
    s.longitude = m.hasLongitude ? m.longitude : kNaN;
    for (const InstrumentInfo& info : kInstruments) {
        if (!(run.kinds & info.kind))
            continue;
        auto instrument = std::make_unique<InstrumentExport>(info, s.PathOf(info.name) + ".scans.part");
        if (!instrument->Open()) {
            host.Error("Error creating export scratch file " + instrument->scratchPath);
            s.instruments.clear();
            return false;
        }
        s.instruments.push_back(std::move(instrument));
    }
    return true;
}

uint32_t DeploymentExport::FinishItems() const
{
    const State& s = *state_;
    if (s.instruments.empty())
        return 0;
    const uint32_t perInstrument = (s.choice.netcdf ? 1 : 0) + (s.choice.csv ? 1 : 0);
    return perInstrument * static_cast<uint32_t>(s.instruments.size()) + (s.choice.csv ? 1 : 0);
}

ProfileSink* DeploymentExport::ProfileSinkFor(int kind)
{
    return state_->Find(kind);
}

void DeploymentExport::DataFile(int kind, const std::string& fileName, uint32_t first, uint32_t last, bool opened)
{
    InstrumentExport* instrument = state_->Find(kind);
    if (!instrument)
        return;
    if (opened)
        instrument->files.push_back(fileName);
    else
        instrument->missing.emplace_back(first, last);
}

bool DeploymentExport::Finish(ExportHost& host)
{
    State& s = *state_;
    bool ok = true;
    bool stopped = false;
    for (auto& instrument : s.instruments) {
        s.listings.push_back(instrument->List(s.run.first, s.run.last));
        if (instrument->ignored != 0)
            host.Error(FormatString("The %s export keeps the first %u profiles read; %llu more were not exported",
                                    instrument->info.title, static_cast<unsigned>(instrument->records.size()),
                                    static_cast<unsigned long long>(instrument->ignored)));
        if (stopped) {
            ok = false;
            continue;
        }
        if (!s.WriteInstrument(*instrument, host, s.listings.back()))
            ok = false;
        stopped = host.StopRequested();
    }
    if (s.choice.csv && !s.instruments.empty()) {
        if (stopped) {
            host.Error("Operation cancelled by user: " + s.PathOf(kProfilesCsvName) + " was not written");
            host.ItemDone();
            ok = false;
        } else if (!s.WriteProfilesCsv(host)) {
            ok = false;
        }
    }
    for (auto& instrument : s.instruments)
        instrument->Discard();
    return ok;
}

bool DeploymentExport::State::WriteInstrument(InstrumentExport& ins, ExportHost& host,
                                              const std::vector<ProfileRecord>& listed)
{
    const Instrument kind = ins.info.instrument;
    const bool layout301 = run.options.layout301;
    const std::vector<Column> columns = ColumnsOf(kind, layout301);
    const std::string ncPath = PathOf(ins.info.name) + ".nc";
    const std::string csvPath = PathOf(ins.info.name) + ".csv";
    const uint32_t items = (choice.netcdf ? 1 : 0) + (choice.csv ? 1 : 0);

    auto fail = [&](const std::string& line) {
        host.Error(line);
        for (uint32_t i = 0; i < items; ++i)
            host.ItemDone();
        return false;
    };
    std::fflush(ins.scratch.get());
    if (std::ferror(ins.scratch.get()))
        return fail("Error writing export files of the " + std::string(ins.info.title) + ": the scratch file " +
                    ins.scratchPath + " could not be written whole");

    // The profiles' variables and the deployment's times.
    uint64_t obs = 0;
    double timeLow = kNaN, timeHigh = kNaN;
    Widen(ins.scanTimeLow, timeLow, timeHigh);
    Widen(ins.scanTimeHigh, timeLow, timeHigh);
    for (const auto& r : listed) {
        obs += r.scans;
        for (double t : {r.sensorOn, r.sensorOff, r.motionStart, r.motionStop})
            Widen(t, timeLow, timeHigh);
    }

    NetcdfFile nc;
    std::vector<int> obsVars;
    bool verticalPending = false;  // geospatial_vertical_min and _max, put once the scans are written
    if (choice.netcdf) {
        host.Writing(ncPath);
        nc.Create(ncPath, false);
        const std::string station = [&] {
            for (const char* key : {"station_name", "site_code", "platform_code"})
                for (const auto& kv : choice.metadata.attributes)
                    if (kv.first == key && !kv.second.empty())
                        return kv.second;
            return std::string("VXP");
        }();
        const int stationDim = nc.DefineDim("station", 1);
        const int strlenDim = nc.DefineDim("name_strlen", station.size());
        const int profileDim = nc.DefineDim("profile", listed.size());
        const int obsDim = nc.DefineDim("obs", obs);

        const int stationName = nc.DefineVar("station_name", NetcdfType::Char, {stationDim, strlenDim});
        nc.PutAttText(stationName, "cf_role", "timeseries_id");
        nc.PutAttText(stationName, "long_name", "station name");
        const int lat = nc.DefineVar("latitude", NetcdfType::Double, {stationDim});
        nc.PutAttText(lat, "standard_name", "latitude");
        nc.PutAttText(lat, "long_name", "station latitude");
        nc.PutAttText(lat, "units", "degrees_north");
        nc.PutAttText(lat, "axis", "Y");
        const int lon = nc.DefineVar("longitude", NetcdfType::Double, {stationDim});
        nc.PutAttText(lon, "standard_name", "longitude");
        nc.PutAttText(lon, "long_name", "station longitude");
        nc.PutAttText(lon, "units", "degrees_east");
        nc.PutAttText(lon, "axis", "X");

        const int profile = nc.DefineVar("profile", NetcdfType::Int, {profileDim});
        nc.PutAttText(profile, "cf_role", "profile_id");
        nc.PutAttText(profile, "long_name", "the vehicle's profile number");
        const int time = DefineProfileDouble(nc, "time", profileDim,
                                             kind == Instrument::Engineering ? "time the vehicle began profiling"
                                                                             : "time the sensor was switched on");
        nc.PutAttText(time, "standard_name", "time");
        nc.PutAttText(time, "axis", "T");
        const int stationIndex = nc.DefineVar("station_index", NetcdfType::Int, {profileDim});
        nc.PutAttText(stationIndex, "long_name", "the station of the profile");
        nc.PutAttText(stationIndex, "instance_dimension", "station");
        const int rowSize = nc.DefineVar("row_size", NetcdfType::Int, {profileDim});
        nc.PutAttText(rowSize, "long_name", "number of scans of the profile");
        nc.PutAttText(rowSize, "sample_dimension", "obs");
        const int status = nc.DefineVar("data_status", NetcdfType::Byte, {profileDim});
        nc.PutAttText(status, "long_name", "how the profile's data were read");
        nc.PutAttBytes(status, "flag_values", {0, 1, 2, 3, 4, 5});
        nc.PutAttText(status, "flag_meanings", kStatusMeanings);
        nc.PutAttText(status, "comment",
                      "complete: read whole; truncated: the file ended inside the profile; sensor_times_missing: "
                      "the sensor times after the end mark are missing or short; read_error: the file could not "
                      "be read; data_file_missing: its data file is missing; not_read: the profile was not read "
                      "(its kind had stopped or the run was cancelled)");
        const int sensorOn = DefineProfileDouble(nc, "sensor_on_time", profileDim, "time the sensor was switched on");
        const int sensorOff =
            DefineProfileDouble(nc, "sensor_off_time", profileDim, "time the sensor was switched off");
        int motionStart = -1, motionStop = -1, ramp = -1, exit = -1, byOperator = -1, restarts = -1,
            backtracks = -1, incomplete = -1;
        if (kind == Instrument::Engineering) {
            motionStart = DefineProfileDouble(nc, "motion_start_time", profileDim, "time the vehicle began profiling");
            motionStop = DefineProfileDouble(nc, "motion_stop_time", profileDim, "time the vehicle's motion stopped");
            const std::string meanings = StopMeanings();
            ramp = nc.DefineVar("ramp_exit_code", NetcdfType::Short, {profileDim});
            exit = nc.DefineVar("profile_exit_code", NetcdfType::Short, {profileDim});
            for (int v : {ramp, exit}) {
                nc.PutAttText(v, "long_name", v == ramp ? "ramp exit code" : "profile exit code");
                nc.PutAttShorts(v, "_FillValue", {kShortFill});
                nc.PutAttShorts(v, "flag_values", std::span<const int16_t>(kStopCodes));
                nc.PutAttText(v, "flag_meanings", meanings);
            }
            byOperator = nc.DefineVar("ended_by_operator", NetcdfType::Byte, {profileDim});
            nc.PutAttText(byOperator, "long_name", "the operator stopped the deployment with this profile");
            nc.PutAttBytes(byOperator, "_FillValue", {kByteFill});
            nc.PutAttBytes(byOperator, "flag_values", {0, 1});
            nc.PutAttText(byOperator, "flag_meanings", "no yes");
            restarts = nc.DefineVar("restart_count", NetcdfType::Short, {profileDim});
            nc.PutAttText(restarts, "long_name", "number of times the profile was restarted");
            backtracks = nc.DefineVar("backtrack_count", NetcdfType::Short, {profileDim});
            nc.PutAttText(backtracks, "long_name", "number of backtracks (possible obstruction)");
            incomplete = nc.DefineVar("incomplete_count", NetcdfType::Short, {profileDim});
            nc.PutAttText(incomplete, "long_name", "number of restarts after which the profile could not be completed");
        }

        const int deployment = nc.DefineVar("deployment", NetcdfType::Int, std::span<const int>());
        nc.PutAttText(deployment, "long_name", "the deployment's settings (DEPLOY.DAT)");
        nc.PutAttText(deployment, "firmware", layout301 ? "3.01" : "3.04");
        if (hasDeployment) {
            const DeploymentRecord& d = deploymentRecord;
            nc.PutAttShorts(deployment, "version_word", {d.version});
            nc.PutAttInts(deployment, "profiles_per_file", {d.profilesPerFileSet});
            nc.PutAttFloats(deployment, "shallow_pressure_limit_dbar", {d.shallowPressure});
            nc.PutAttFloats(deployment, "deep_pressure_limit_dbar", {d.deepPressure});
            nc.PutAttInts(deployment, "profile_start_interval_s", {d.profileStartInterval});
            nc.PutAttInts(deployment, "profile_time_limit_s", {d.profileTimeLimit});
            nc.PutAttText(deployment, "ctd", !d.fsiEmCtd && d.seaBirdCtd ? "SBE 41CP constants" : "FSI EM constants");
        } else {
            nc.PutAttText(deployment, "comment", "DEPLOY.DAT could not be read");
        }

        const std::string coordinates = CoordinatesOf(kind);
        for (const Column& c : columns) {
            const int v = nc.DefineVar(c.name, c.type, {obsDim});
            obsVars.push_back(v);
            if (c.standardName)
                nc.PutAttText(v, "standard_name", c.standardName);
            nc.PutAttText(v, "long_name", c.longName);
            if (c.units)
                nc.PutAttText(v, "units", c.units);
            if (c.units && std::strcmp(c.units, kTimeUnits) == 0)
                nc.PutAttText(v, "calendar", "standard");
            if (c.type == NetcdfType::Float)
                nc.PutAttFloats(v, "_FillValue", {kNaNf});
            else if (c.type == NetcdfType::Double)
                nc.PutAttDoubles(v, "_FillValue", {kNaN});
            if (c.verticalAxis) {
                nc.PutAttText(v, "axis", "Z");
                nc.PutAttText(v, "positive", "down");
            }
            std::string own = coordinates;
            const std::string self = std::string(" ") + c.name;
            if (own.size() >= self.size() && own.compare(own.size() - self.size(), self.size(), self) == 0)
                own.erase(own.size() - self.size());
            nc.PutAttText(v, "coordinates", own);
            if (c.comment)
                nc.PutAttText(v, "comment", c.comment);
        }

        // Global attributes: the computed ones, then the metadata file's.
        Globals g;
        g.Text("Conventions", "CF-1.11, ACDD-1.3");
        g.Text("featureType", "timeSeriesProfile");
        g.Text("cdm_data_type", "TimeSeriesProfile");
        g.Text("cdm_timeseries_variables", "station_name,latitude,longitude");
        g.Text("cdm_profile_variables",
               kind == Instrument::Engineering
                   ? "profile,time,data_status,sensor_on_time,sensor_off_time,motion_start_time,motion_stop_time,"
                     "ramp_exit_code,profile_exit_code,ended_by_operator"
                   : "profile,time,data_status,sensor_on_time,sensor_off_time");
        g.Text("title", "VXP profiling vehicle deployment: " + std::string(ins.info.title) + " profiles");
        g.Text("summary", "The " + std::string(ins.info.title) +
                              " profiles of a VXP profiling vehicle's deployment, converted from the vehicle's raw "
                              "files to physical units, one profile per vehicle profile.");
        g.Text("keywords", kind == Instrument::Ctd   ? "VXP, profiling vehicle, mooring, CTD, temperature, "
                                                       "conductivity, salinity, pressure"
                           : kind == Instrument::Acm ? "VXP, profiling vehicle, mooring, current meter, ACM, tilt, "
                                                       "compass, velocity"
                                                     : "VXP, profiling vehicle, mooring, engineering, pressure, "
                                                       "motor current, battery voltage");
        g.Text("standard_name_vocabulary", "CF Standard Name Table v84");
        std::vector<std::string> sources;
        if (hasDeployment)
            sources.push_back("DEPLOY.DAT");
        sources.push_back("PROFILES.DAT");
        sources.insert(sources.end(), ins.files.begin(), ins.files.end());
        g.Text("source", Joined(sources, " "));
        std::string created = choice.now;
        for (const auto& kv : choice.metadata.attributes)
            if (kv.first == "date_created")
                created = kv.second;
        g.Text("history", created + " " + choice.program + ": converted from the vehicle's raw files");
        g.Text("date_created", created);
        g.Text("processing_level", "Instrument values in physical units; salinity and depth derived; no quality "
                                   "control");
        g.Number("geospatial_lat_min", latitude);
        g.Number("geospatial_lat_max", latitude);
        g.Number("geospatial_lon_min", longitude);
        g.Number("geospatial_lon_max", longitude);
        g.Text("geospatial_vertical_positive", "down");
        g.Text("geospatial_vertical_units", "m");
        if (!std::isnan(timeLow)) {
            g.Text("time_coverage_start", IsoTimeOf(timeLow));
            g.Text("time_coverage_end", IsoTimeOf(timeHigh));
        }
        for (const auto& kv : choice.metadata.attributes)
            if (!Computed(kv.first))
                g.Text(kv.first, kv.second);
        g.PutAll(nc);
        // Known once the scans are written: put then, in the same place.
        nc.PutAttDoubles(kNetcdfGlobal, "geospatial_vertical_min", {kNaN});
        nc.PutAttDoubles(kNetcdfGlobal, "geospatial_vertical_max", {kNaN});
        verticalPending = true;
        nc.EndDefine();

        nc.PutTextRow(stationName, 0, station);
        nc.PutDoubles(lat, 0, std::vector<double>{latitude});
        nc.PutDoubles(lon, 0, std::vector<double>{longitude});
        nc.PutInts(profile, 0, Gather<int32_t>(listed, [](const ProfileRecord& r) { return r.number; }));
        nc.PutDoubles(time, 0, Gather<double>(listed, [kind](const ProfileRecord& r) { return r.Time(kind); }));
        nc.PutInts(stationIndex, 0, std::vector<int32_t>(listed.size(), 0));
        nc.PutInts(rowSize, 0, Gather<int32_t>(listed, [](const ProfileRecord& r) { return r.scans; }));
        nc.PutBytes(status, 0, Gather<int8_t>(listed, [](const ProfileRecord& r) { return r.status; }));
        nc.PutDoubles(sensorOn, 0, Gather<double>(listed, [](const ProfileRecord& r) { return r.sensorOn; }));
        nc.PutDoubles(sensorOff, 0, Gather<double>(listed, [](const ProfileRecord& r) { return r.sensorOff; }));
        if (kind == Instrument::Engineering) {
            nc.PutDoubles(motionStart, 0,
                          Gather<double>(listed, [](const ProfileRecord& r) { return r.motionStart; }));
            nc.PutDoubles(motionStop, 0, Gather<double>(listed, [](const ProfileRecord& r) { return r.motionStop; }));
            nc.PutShorts(ramp, 0, Gather<int16_t>(listed, [](const ProfileRecord& r) { return r.rampExit; }));
            nc.PutShorts(exit, 0, Gather<int16_t>(listed, [](const ProfileRecord& r) { return r.profileExit; }));
            nc.PutBytes(byOperator, 0,
                        Gather<int8_t>(listed, [](const ProfileRecord& r) { return r.endedByOperator; }));
            nc.PutShorts(restarts, 0, Gather<int16_t>(listed, [](const ProfileRecord& r) { return r.restarts; }));
            nc.PutShorts(backtracks, 0,
                         Gather<int16_t>(listed, [](const ProfileRecord& r) { return r.backtracks; }));
            nc.PutShorts(incomplete, 0,
                         Gather<int16_t>(listed, [](const ProfileRecord& r) { return r.incomplete; }));
        }
        nc.PutInts(deployment, 0, std::vector<int32_t>{0});
        if (!nc.Ok())
            return fail("Error writing export file " + nc.Error());
    }

    TextOutput csv;
    if (choice.csv) {
        host.Writing(csvPath);
        if (!csv.Open(csvPath))
            return fail("Error creating export file " + csvPath);
        std::string header = "profile,time (UTC),scan";
        for (const Column& c : columns) {
            if (!c.csvFormat && !c.csvTime)
                continue;
            header += std::string(",") + c.name;
            if (c.csvTime)
                header += " (UTC)";
            else if (c.units)
                header += std::string(" (") + c.units + ")";
        }
        csv.Write(header + "\r\n");
    }

    // The scans, a chunk at a time, in the order of the listed profiles.
    const std::size_t scanSize = ScanSize(kind);
    const std::size_t width = columns.size();
    std::vector<unsigned char> raw(kChunkScans * scanSize);
    std::vector<double> values(kChunkScans * width);
    std::vector<float> floats(kChunkScans);
    std::vector<double> doubles(kChunkScans);
    std::vector<int16_t> shorts(kChunkScans);
    InstrumentExport* engineering = kind == Instrument::Acm ? Find(KindEngineering) : nullptr;
    std::vector<std::pair<double, float>> track;
    double zLow = kNaN, zHigh = kNaN;
    std::size_t zColumn = width;
    for (std::size_t i = 0; i < width; ++i)
        if (columns[i].verticalAxis)
            zColumn = i;

    std::fseek(ins.scratch.get(), 0, SEEK_SET);
    std::size_t profileAt = 0;  // the listed profile of the next scan
    uint32_t indexInProfile = 0;
    auto skipEmpty = [&] {
        while (profileAt < listed.size() && indexInProfile >= listed[profileAt].scans) {
            ++profileAt;
            indexInProfile = 0;
            if (engineering && profileAt < listed.size() && listed[profileAt].scans != 0)
                track = TrackOf(engineering, listed[profileAt].number);
        }
    };
    if (engineering && !listed.empty())
        track = TrackOf(engineering, listed[0].number);
    for (uint64_t done = 0; done < obs;) {
        if (host.StopRequested()) {
            nc = NetcdfFile();
            csv.Abandon();
            return fail("Operation cancelled by user: the " + std::string(ins.info.title) +
                        " export files were not written");
        }
        const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(kChunkScans, obs - done));
        if (std::fread(raw.data(), scanSize, count, ins.scratch.get()) != count) {
            nc = NetcdfFile();
            csv.Abandon();
            return fail("Error writing export files of the " + std::string(ins.info.title) +
                        ": the scratch file " + ins.scratchPath + " could not be read");
        }
        const std::size_t chunkStart = static_cast<std::size_t>(done);
        for (std::size_t i = 0; i < count; ++i) {
            skipEmpty();
            const ProfileRecord& r = listed[profileAt];
            const ScanContext context{latitude, indexInProfile, r.scans, r.sensorOn, r.sensorOff, &track};
            double* v = &values[i * width];
            const unsigned char* scan = &raw[i * scanSize];
            if (kind == Instrument::Ctd) {
                CtdValues s;
                std::memcpy(&s, scan, sizeof s);
                CtdRow(s, context, v);
            } else if (kind == Instrument::Acm) {
                AcmValues s;
                std::memcpy(&s, scan, sizeof s);
                AcmRow(s, context, v);
            } else {
                EngineeringValues s;
                std::memcpy(&s, scan, sizeof s);
                EngineeringRow(s, context, layout301, v);
            }
            if (zColumn < width)
                Widen(v[zColumn], zLow, zHigh);
            if (choice.csv)
                csv.Commit(PutCsvRow(csv.Room(kMaxCsvRowLength), kind, layout301, r.number, indexInProfile + 1, v));
            ++indexInProfile;
        }
        if (choice.netcdf) {
            for (std::size_t c = 0; c < width; ++c) {
                if (columns[c].type == NetcdfType::Float) {
                    for (std::size_t i = 0; i < count; ++i)
                        floats[i] = static_cast<float>(values[i * width + c]);
                    nc.PutFloats(obsVars[c], chunkStart, std::span<const float>(floats.data(), count));
                } else if (columns[c].type == NetcdfType::Double) {
                    for (std::size_t i = 0; i < count; ++i)
                        doubles[i] = values[i * width + c];
                    nc.PutDoubles(obsVars[c], chunkStart, std::span<const double>(doubles.data(), count));
                } else {
                    for (std::size_t i = 0; i < count; ++i)
                        shorts[i] = static_cast<int16_t>(values[i * width + c]);
                    nc.PutShorts(obsVars[c], chunkStart, std::span<const int16_t>(shorts.data(), count));
                }
            }
            if (!nc.Ok()) {
                csv.Abandon();
                return fail("Error writing export file " + nc.Error());
            }
        }
        done += count;
    }

    bool ok = true;
    if (choice.netcdf) {
        if (verticalPending && !std::isnan(zLow)) {
            // The Z coordinate in metres: depth, or the depth of the estimated pressure.
            const bool pressure = kind == Instrument::Acm;
            const double low = pressure ? (std::isnan(latitude) ? kNaN : DepthFromPressure(zLow, latitude)) : zLow;
            const double high = pressure ? (std::isnan(latitude) ? kNaN : DepthFromPressure(zHigh, latitude)) : zHigh;
            nc.PutAttDoubles(kNetcdfGlobal, "geospatial_vertical_min", {low});
            nc.PutAttDoubles(kNetcdfGlobal, "geospatial_vertical_max", {high});
        }
        if (nc.Close()) {
            host.Progress("Export written to file " + ncPath);
        } else {
            host.Error("Error writing export file " + nc.Error());
            ok = false;
        }
        host.ItemDone();
    }
    if (choice.csv) {
        if (csv.Close()) {
            host.Progress("Export written to file " + csvPath);
        } else {
            host.Error("Error writing export file " + csvPath + ": the file could not be written whole");
            ok = false;
        }
        host.ItemDone();
    }
    return ok;
}

bool DeploymentExport::State::WriteProfilesCsv(ExportHost& host)
{
    const std::string path = PathOf(kProfilesCsvName);
    host.Writing(path);
    TextOutput csv;
    if (!csv.Open(path)) {
        host.Error("Error creating export file " + path);
        host.ItemDone();
        return false;
    }
    // The header: the profile, then each instrument's columns.
    std::string header = "profile";
    for (const auto& ins : instruments) {
        const std::string n = ins->info.name;
        header += "," + n + "_status," + n + "_scans," + n + "_sensor_on_time (UTC)," + n + "_sensor_off_time (UTC)";
        if (ins->info.instrument == Instrument::Engineering)
            header += ",motion_start_time (UTC),motion_stop_time (UTC),ramp_exit_code,profile_exit_code,"
                      "ended_by_operator,restart_count,backtrack_count,incomplete_count";
    }
    csv.Write(header + "\r\n");

    // One row per profile listed by any instrument, in order.
    std::vector<std::size_t> at(instruments.size(), 0);
    for (std::size_t rows = 0;; ++rows) {
        if (rows % kChunkScans == 0 && host.StopRequested()) {
            csv.Abandon();
            host.Error("Operation cancelled by user: " + path + " was not written");
            host.ItemDone();
            return false;
        }
        uint32_t next = 0;
        bool any = false;
        for (std::size_t i = 0; i < instruments.size(); ++i)
            if (at[i] < listings[i].size() && (!any || listings[i][at[i]].number < next)) {
                next = listings[i][at[i]].number;
                any = true;
            }
        if (!any)
            break;
        std::string out = FormatString("%u", next);
        for (std::size_t i = 0; i < instruments.size(); ++i) {
            const bool has = at[i] < listings[i].size() && listings[i][at[i]].number == next;
            const bool engineering = instruments[i]->info.instrument == Instrument::Engineering;
            if (!has) {
                out += engineering ? ",,,,,,,,,,,," : ",,,,";
                continue;
            }
            const ProfileRecord& r = listings[i][at[i]++];
            out += std::string(",") + StatusName(r.status) + FormatString(",%u,", r.scans) + IsoTimeOf(r.sensorOn) +
                   "," + IsoTimeOf(r.sensorOff);
            if (engineering) {
                out += "," + IsoTimeOf(r.motionStart) + "," + IsoTimeOf(r.motionStop) + ",";
                if (r.rampExit != kShortFill)
                    out += FormatString("%d", r.rampExit);
                out += ",";
                if (r.profileExit != kShortFill)
                    out += FormatString("%d", r.profileExit);
                out += ",";
                if (r.endedByOperator != kByteFill)
                    out += FormatString("%d", r.endedByOperator);
                out += FormatString(",%d,%d,%d", r.restarts, r.backtracks, r.incomplete);
            }
        }
        out += "\r\n";
        csv.Write(out);
    }
    const bool ok = csv.Close();
    if (ok)
        host.Progress("Export written to file " + path);
    else
        host.Error("Error writing export file " + path + ": the file could not be written whole");
    host.ItemDone();
    return ok;
}
