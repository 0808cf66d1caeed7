#include "export/deployment_export.h"

#include "export/csv_row.h"
#include "export/export_columns.h"
#include "export/global_attributes.h"
#include "export/grid_file.h"
#include "export/instance_variables.h"
#include "export/ordered_pieces.h"
#include "export/netcdf_file.h"
#include "export/profile_quality.h"
#include "export/seawater.h"
#include "formats/deployment.h"
#include "formats/engineering.h"
#include "formats/run_choices.h"
#include "formats/termination_log.h"
#include "formats/text_buffer.h"
#include "formats/text_format.h"
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>
#include <limits>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <type_traits>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// No deployment holds this many profiles: a wider range (damaged metadata)
// lists only the profiles read or missing, and past this many profiles read
// an instrument keeps no more.
constexpr uint32_t kMaxListedProfiles = 100000;
// The scans gathered for a scratch file before they are written to it in
// one call (they come back in chunks of kChunkScans, large reads too).
constexpr std::size_t kScratchBufferSize = 1 << 20;
// Scans read back from a scratch file at a time.
constexpr std::size_t kChunkScans = 8192;


struct InstrumentInfo {
    Instrument instrument;
    int kind;          // FileKind
    const char* name;  // file names: name.nc, name.csv, name.scans.part
    const char* title;
    // What writing a scan costs, relative to the others (measured): its
    // netCDF values (with flags, and the CTD's grid) and its CSV row.
    int netcdfCost;
    int csvCost;
};
constexpr InstrumentInfo kInstruments[] = {
    {Instrument::Engineering, KindEngineering, "engineering", "engineering", 31, 34},
    {Instrument::Ctd, KindCtd, "ctd", "CTD", 61, 18},
    {Instrument::Acm, KindAcm, "acm", "ACM", 38, 55},
};

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
    void Write(std::string_view text) { buffer_->Append(text.data(), text.size()); }
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
        if (!ignoring_ && std::isfinite(scan.pressure)) {
            if (std::isnan(Last().firstPressure))
                Last().firstPressure = scan.pressure;
            Last().lastPressure = scan.pressure;
        }
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
    void CtdScan(const CtdValues& scan) override
    {
        if (!ignoring_)
            Widen(scan.pressure, pressureLow, pressureHigh);
        Keep(&scan, sizeof scan);
    }
    void AcmScan(const AcmValues& scan) override { Keep(&scan, sizeof scan); }
    // The same for scans handed over together: one copy of them all.
    void Scans(std::span<const EngineeringValues> scans) override
    {
        for (const EngineeringValues& scan : scans) {
            Widen(scan.time, scanTimeLow, scanTimeHigh);
            if (!ignoring_ && std::isfinite(scan.pressure)) {
                if (std::isnan(Last().firstPressure))
                    Last().firstPressure = scan.pressure;
                Last().lastPressure = scan.pressure;
            }
        }
        KeepAll(scans.data(), sizeof scans[0], scans.size());
    }
    void Scans(std::span<const CtdValues> scans) override
    {
        if (!ignoring_)
            for (const CtdValues& scan : scans)
                Widen(scan.pressure, pressureLow, pressureHigh);
        KeepAll(scans.data(), sizeof scans[0], scans.size());
    }
    void Scans(std::span<const AcmValues> scans) override { KeepAll(scans.data(), sizeof scans[0], scans.size()); }
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
    File scratch;
    uint64_t scans = 0;
    uint64_t ignored = 0;  // profiles not kept
    std::vector<ProfileRecord> records;
    std::vector<std::pair<uint32_t, uint32_t>> missing;  // profile ranges whose data file was missing
    std::vector<std::string> files;                      // the data files read
    double scanTimeLow = kNaN, scanTimeHigh = kNaN;
    double pressureLow = kNaN, pressureHigh = kNaN;  // CTD: the pressures of its scans

private:
    ProfileRecord& Last() { return records.back(); }
    void Keep(const void* scan, std::size_t size)
    {
        if (ignoring_)
            return;
        if (pendingSize_ + size > kScratchBufferSize)
            Flush();
        std::memcpy(pending_.get() + pendingSize_, scan, size);
        pendingSize_ += size;
        ++scans;
        ++Last().scans;
    }

    void KeepAll(const void* first, std::size_t size, std::size_t count)
    {
        if (ignoring_ || count == 0)
            return;
        const std::size_t bytes = size * count;
        if (pendingSize_ + bytes > kScratchBufferSize || bytes >= kScratchBufferSize / 16)
            Flush();
        if (bytes >= kScratchBufferSize / 16)
            std::fwrite(first, 1, bytes, scratch.get());  // large enough on its own
        else {
            std::memcpy(pending_.get() + pendingSize_, first, bytes);
            pendingSize_ += bytes;
        }
        scans += count;
        Last().scans += static_cast<uint32_t>(count);
    }

public:
    // Hands the scans gathered since the last call to the scratch file
    // (a call of fwrite per scan cost more than the export's own work).
    void Flush()
    {
        if (pendingSize_ != 0)
            std::fwrite(pending_.get(), 1, pendingSize_, scratch.get());
        pendingSize_ = 0;
    }

private:
    std::unique_ptr<unsigned char[]> pending_ = std::make_unique<unsigned char[]>(kScratchBufferSize);
    std::size_t pendingSize_ = 0;

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

    InstrumentExport* Find(int kind) const
    {
        for (auto& i : instruments)
            if (i->info.kind == kind)
                return i.get();
        return nullptr;
    }
    std::string PathOf(const char* name) const { return run.destination + name; }

    QcSettings qc;  // the run's quality control settings
    std::string station;

    // The log's line about the profiles instrument `i` did not keep, if any.
    void NoteIgnored(std::size_t i, ExportHost& host) const;
    // The files of instrument `i`, from its listed profiles.
    class InstrumentFiles;
    // The global attributes of the instrument's netCDF file.
    std::vector<Attribute> Globals(const InstrumentExport& instrument, double timeLow, double timeHigh) const;
    // Opens ctd_grid.nc for the CTD's listed profiles. Without a grid (no
    // pressure limits and no scans) it says so and leaves `grid` closed;
    // false (logged) when the file cannot be created.
    bool OpenGrid(GridFile& grid, const InstrumentExport& ctd, const std::vector<ProfileRecord>& listed,
                  double timeLow, double timeHigh, ExportHost& host);
    // Creates the instrument's netCDF file, defines its variables and
    // attributes from the tables and puts every value but the scans'; the
    // obs variables' ids, in the order of `columns`, go to `obsVars`.
    bool DefineAndFill(NetcdfFile& nc, const std::string& path, const InstrumentExport& instrument,
                       const std::vector<ProfileRecord>& listed, uint64_t obs, double timeLow, double timeHigh,
                       const std::vector<Column>& columns, std::vector<int>& obsVars, ProfileQuality& quality);
    bool WriteProfilesCsv(ExportHost& host);
};

namespace {

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
// engineering scratch file through `in` (from any thread); empty when there
// is none or it cannot be read.
PressureTrack TrackOf(const InstrumentExport* engineering, std::FILE* in, uint32_t profile)
{
    PressureTrack track;
    if (!engineering || !in)
        return track;
    const auto& records = engineering->records;
    const auto at = std::lower_bound(records.begin(), records.end(), profile,
                                     [](const ProfileRecord& r, uint32_t p) { return r.number < p; });
    if (at == records.end() || at->number != profile || at->scans == 0)
        return track;
    std::vector<EngineeringValues> scans(at->scans);
    if (!ReadFileAt(in, at->firstScan * sizeof(EngineeringValues), scans.data(), scans.size() * sizeof scans[0]))
        return track;
    auto& points = track.points;
    bool anyNaN = false;
    for (std::size_t i = 0; i < scans.size(); ++i) {
        points.emplace_back(scans[i].time, scans[i].pressure);
        anyNaN = anyNaN || std::isnan(scans[i].time);
    }
    // Times without NaN in order already need no sort (most tracks).
    const auto earlier = [](const std::pair<double, float>& a, const std::pair<double, float>& b) {
        return a.first < b.first;
    };
    if (anyNaN || !std::is_sorted(points.begin(), points.end(), earlier))
        std::stable_sort(points.begin(), points.end(), earlier);
    track.ordered = !anyNaN;
    return track;
}

}  // namespace

std::vector<const char*> ExportedInstrumentNames(int kinds)
{
    std::vector<const char*> names;
    for (const InstrumentInfo& info : kInstruments)
        if (kinds & info.kind)
            names.push_back(info.name);
    return names;
}

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
    s.qc = EffectiveQcSettings(m.qc, run.options.ctd, run.deployment);
    s.station = [&] {
        for (const char* key : {"station_name", "site_code", "platform_code"})
            for (const auto& kv : m.attributes)
                if (kv.first == key && !kv.second.empty())
                    return kv.second;
        return std::string("VXP");
    }();
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
    const uint32_t grid = s.choice.netcdf && s.Find(KindCtd) ? 1 : 0;
    return perInstrument * static_cast<uint32_t>(s.instruments.size()) + (s.choice.csv ? 1 : 0) + grid;
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

namespace {

// The export's host as one instrument's files are written on a thread of
// their own: the status line, progress and the cancel request reach the
// job's host at once, one call at a time; the lines for the log wait for
// Replay, so that the log reads as if the instruments had been written one
// after the other.
class InstrumentHost final : public ExportHost {
public:
    InstrumentHost(ExportHost& host, std::mutex& lock) : host_(host), lock_(lock) {}
    void Writing(const std::string& path) override
    {
        const std::lock_guard<std::mutex> hold(lock_);
        host_.Writing(path);
    }
    void ItemDone() override
    {
        const std::lock_guard<std::mutex> hold(lock_);
        host_.ItemDone();
    }
    bool StopRequested() override
    {
        const std::lock_guard<std::mutex> hold(lock_);
        return host_.StopRequested();
    }
    void Error(const std::string& line) override { lines_.emplace_back(true, line); }
    void Progress(const std::string& line) override { lines_.emplace_back(false, line); }
    void Replay()
    {
        for (const auto& [error, line] : lines_)
            error ? host_.Error(line) : host_.Progress(line);
        lines_.clear();
    }

private:
    ExportHost& host_;
    std::mutex& lock_;
    std::vector<std::pair<bool, std::string>> lines_;
};

}  // namespace

// One instrument's files, written a piece at a time: the pieces (whole
// profiles) are worked out on any thread, each from its own part of the
// scratch file, and their CSV text and grid rows go to the files in order.
class DeploymentExport::State::InstrumentFiles final : public PieceJob {
public:
    InstrumentFiles(State& state, std::size_t index, ExportHost& host)
        : s_(state), index_(index), ins_(*state.instruments[index]), host_(host)
    {
        // A profile with no time and no scans has no place in the files of
        // scans, unless no profile has one (a netCDF file of no profiles
        // and no scans cannot be written: both its dimensions would be empty).
        for (const ProfileRecord& r : s_.listings[index])
            if (!std::isnan(r.time) || r.scans != 0)
                listed_.push_back(r);
        if (listed_.empty())
            listed_ = s_.listings[index];
        // The pieces: whole profiles, about kPieceScans scans each.
        Piece piece;
        for (std::size_t p = 0; p < listed_.size(); ++p) {
            piece.scans += listed_[p].scans;
            if (piece.scans >= kPieceScans || p + 1 == listed_.size()) {
                piece.endProfile = p + 1;
                pieces_.push_back(piece);
                piece = Piece{p + 1, p + 1, piece.firstObs + piece.scans, 0};
            }
        }
        if (pieces_.empty())
            pieces_.push_back(Piece{});
        results_.resize(pieces_.size());
    }

    bool Written() const { return written_; }

    std::size_t Pieces() const override { return pieces_.size(); }

    void Start() override
    {
        s_.NoteIgnored(index_, host_);
        if (host_.StopRequested())
            return;  // not begun: no file, no line
        started_ = true;
        const Instrument kind = ins_.info.instrument;
        columns_ = ColumnsOf(kind, s_.run.options.layout301);
        ncPath_ = s_.PathOf(ins_.info.name) + ".nc";
        csvPath_ = s_.PathOf(ins_.info.name) + ".csv";
        gridded_ = s_.choice.netcdf && kind == Instrument::Ctd;
        items_ = (s_.choice.netcdf ? 1 : 0) + (s_.choice.csv ? 1 : 0) + (gridded_ ? 1 : 0);
        if (std::ferror(ins_.scratch.get())) {  // flushed by Finish
            Fail("Error writing export files of the " + std::string(ins_.info.title) + ": the scratch file " +
                 ins_.scratchPath + " could not be written whole");
            return;
        }

        // The profiles' variables and the deployment's times.
        uint64_t obs = 0;
        double timeLow = kNaN, timeHigh = kNaN;
        Widen(ins_.scanTimeLow, timeLow, timeHigh);
        Widen(ins_.scanTimeHigh, timeLow, timeHigh);
        for (const auto& r : listed_) {
            obs += r.scans;
            for (double t : {r.time, r.sensorOn, r.sensorOff, r.motionStart, r.motionStop})
                Widen(t, timeLow, timeHigh);
        }

        // Which way each CTD profile went, from the engineering profile of its number.
        if (kind == Instrument::Ctd)
            if (const InstrumentExport* engineering = s_.Find(KindEngineering))
                for (ProfileRecord& r : listed_) {
                    const auto& e = engineering->records;
                    const auto at = std::lower_bound(e.begin(), e.end(), r.number,
                                                     [](const ProfileRecord& a, uint32_t n) { return a.number < n; });
                    if (at != e.end() && at->number == r.number)
                        r.direction = DirectionOf(at->firstPressure, at->lastPressure);
                }

        quality_ = std::make_unique<ProfileQuality>(QcColumnsOf(kind, columns_), s_.qc, s_.choice.qc);
        timeColumn_ = columns_.size();  // the scans' own times; none: estimated
        zColumn_ = columns_.size();
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (std::strcmp(columns_[i].name, "scan_time") == 0)
                timeColumn_ = i;
            if (columns_[i].verticalAxis)
                zColumn_ = i;
        }

        if (s_.choice.netcdf) {
            host_.Writing(ncPath_);
            if (!s_.DefineAndFill(nc_, ncPath_, ins_, listed_, obs, timeLow, timeHigh, columns_, obsVars_,
                                  *quality_)) {
                Fail("Error writing export file " + nc_.Error());
                return;
            }
        }
        if (gridded_)
            gridOk_ = s_.OpenGrid(grid_, ins_, listed_, timeLow, timeHigh, host_);
        gridOpen_ = grid_.IsOpen();

        if (s_.choice.csv) {
            host_.Writing(csvPath_);
            if (!csv_.Open(csvPath_)) {
                Fail("Error creating export file " + csvPath_);
                return;
            }
            std::string header = "profile,time (UTC),scan";
            for (const Column& c : columns_) {
                if (!c.csvFormat && !c.csvTime)
                    continue;
                header += std::string(",") + c.name;
                if (c.csvTime)
                    header += " (UTC)";
                else if (c.units)
                    header += std::string(" (") + c.units + ")";
            }
            csv_.Write(header + "\r\n");
        }

        // The ACM's pressures come from the engineering scans, read through a
        // handle of its own (the engineering files may be written meanwhile).
        engineering_ = kind == Instrument::Acm ? s_.Find(KindEngineering) : nullptr;
        if (engineering_) {
            engineeringScans_ = OpenFile(engineering_->scratchPath.c_str(), "rb");
            if (!engineeringScans_)
                Fail("Error writing export files of the " + std::string(ins_.info.title) + ": the scratch file " +
                     engineering_->scratchPath + " could not be read");
        }
    }

    void Work(std::size_t index) override
    {
        if (!started_ || failed_)
            return;
        const Piece& piece = pieces_[index];
        const Instrument kind = ins_.info.instrument;
        const bool layout301 = s_.run.options.layout301;
        const std::size_t scanSize = ScanSize(kind);
        const std::size_t width = columns_.size();
        std::unique_ptr<PieceResult> result = Spare(spareResults_);
        std::unique_ptr<Workspace> space = Spare(spareSpaces_);
        Workspace& work = *space;
        const std::size_t chunk = static_cast<std::size_t>(std::min<uint64_t>(kChunkScans, piece.scans));
        work.raw.resize(chunk * scanSize);
        work.values.resize(chunk * width);
        work.floats.resize(chunk * width);
        work.doubles.resize(chunk * width);
        work.shorts.resize(chunk * width);
        work.profileOf.resize(chunk);
        work.indexInProfile.resize(chunk);
        auto& raw = work.raw;
        auto& values = work.values;
        auto& floats = work.floats;
        auto& doubles = work.doubles;
        auto& shorts = work.shorts;
        // The workspace is kept for the next piece, however this one ends.
        struct GiveBack {
            InstrumentFiles& files;
            std::unique_ptr<Workspace>& space;
            ~GiveBack() { files.Keep(files.spareSpaces_, std::move(space)); }
        } giveBack{*this, space};
        ProfileQuality quality = *quality_;
        quality.StartAt(piece.firstObs);
        NetcdfFile* nc = s_.choice.netcdf ? &nc_ : nullptr;

        PressureTrack track;
        std::size_t profileAt = piece.firstProfile;  // the listed profile of the next scan
        uint32_t indexInProfile = 0;
        auto skipEmpty = [&] {
            while (profileAt < piece.endProfile && indexInProfile >= listed_[profileAt].scans) {
                ++profileAt;
                indexInProfile = 0;
                if (engineering_ && profileAt < piece.endProfile && listed_[profileAt].scans != 0)
                    track = TrackOf(engineering_, engineeringScans_.get(), listed_[profileAt].number);
            }
        };
        if (engineering_ && profileAt < piece.endProfile)
            track = TrackOf(engineering_, engineeringScans_.get(), listed_[profileAt].number);
        for (uint64_t done = 0; done < piece.scans;) {
            if (host_.StopRequested()) {
                Fail("Operation cancelled by user: the " + std::string(ins_.info.title) +
                     " export files were not written");
                return;
            }
            if (failed_)
                return;
            const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(kChunkScans, piece.scans - done));
            const uint64_t chunkStart = piece.firstObs + done;
            if (!ReadFileAt(ins_.scratch.get(), chunkStart * scanSize, raw.data(), count * scanSize)) {
                Fail("Error writing export files of the " + std::string(ins_.info.title) + ": the scratch file " +
                     ins_.scratchPath + " could not be read");
                return;
            }
            // The chunk's rows, then their depths, then what each row gives.
            for (std::size_t i = 0; i < count; ++i) {
                skipEmpty();
                const ProfileRecord& r = listed_[profileAt];
                const ScanContext context{s_.latitude, indexInProfile, r.scans, r.sensorOn,
                                          r.sensorOff, r.time,         &track};
                double* v = &values[i * width];
                const unsigned char* scan = &raw[i * scanSize];
                if (kind == Instrument::Ctd) {
                    CtdValues c;
                    std::memcpy(&c, scan, sizeof c);
                    CtdRow(c, context, v);
                } else if (kind == Instrument::Acm) {
                    AcmValues a;
                    std::memcpy(&a, scan, sizeof a);
                    AcmRow(a, context, v);
                } else {
                    EngineeringValues e;
                    std::memcpy(&e, scan, sizeof e);
                    EngineeringRow(e, context, layout301, v);
                }
                work.profileOf[i] = profileAt;
                work.indexInProfile[i] = indexInProfile++;
            }
            PutDerivedValues(kind, values.data(), count, width, s_.latitude);
            for (std::size_t i = 0; i < count; ++i) {
                ProfileRecord& r = listed_[work.profileOf[i]];
                const uint32_t at = work.indexInProfile[i];
                const double* v = &values[i * width];
                if (zColumn_ < width)
                    Widen(v[zColumn_], result->zLow, result->zHigh);
                if (s_.choice.csv)
                    result->csv.Put(kind, layout301, r.number, at + 1, v);
                if (!quality.Tested().empty()) {
                    // The CTD's own spread times: a scan without them is not placed
                    // at its profile's time here, which would make its rate infinite.
                    const ScanContext context{s_.latitude, at, r.scans, r.sensorOn, r.sensorOff, r.time, nullptr};
                    quality.Add(v, timeColumn_ < width ? v[timeColumn_] : SpreadTime(context));
                    if (at + 1 == r.scans) {
                        quality.EndProfile(r, nc);
                        if (gridOpen_)
                            result->gridRows.push_back(grid_.RowOf(work.profileOf[i], quality));
                    }
                }
            }
            if (nc) {
                // The columns in their files' types, a block of rows at a time
                // (a pass of each column over the whole chunk would read it
                // from memory again and again).
                constexpr std::size_t kBlock = 256;
                for (std::size_t first = 0; first < count; first += kBlock) {
                    const std::size_t end = std::min(count, first + kBlock);
                    for (std::size_t c = 0; c < width; ++c) {
                        const double* v = &values[c];
                        const std::size_t at = c * chunk;
                        if (columns_[c].type == NetcdfType::Float)
                            for (std::size_t i = first; i < end; ++i)
                                floats[at + i] = static_cast<float>(v[i * width]);
                        else if (columns_[c].type == NetcdfType::Double)
                            for (std::size_t i = first; i < end; ++i)
                                doubles[at + i] = v[i * width];
                        else
                            for (std::size_t i = first; i < end; ++i)
                                shorts[at + i] = static_cast<int16_t>(v[i * width]);
                    }
                }
                for (std::size_t c = 0; c < width; ++c) {
                    const std::size_t at = c * chunk;
                    if (columns_[c].type == NetcdfType::Float)
                        nc->PutFloats(obsVars_[c], chunkStart, std::span<const float>(&floats[at], count));
                    else if (columns_[c].type == NetcdfType::Double)
                        nc->PutDoubles(obsVars_[c], chunkStart, std::span<const double>(&doubles[at], count));
                    else
                        nc->PutShorts(obsVars_[c], chunkStart, std::span<const int16_t>(&shorts[at], count));
                }
                if (!nc->Ok()) {
                    FailOfFile();
                    return;
                }
            }
            done += count;
        }
        if (nc && !quality.Flush(*nc)) {
            FailOfFile();
            return;
        }
        results_[index] = std::move(result);
    }

    void Commit(std::size_t index) override
    {
        std::unique_ptr<PieceResult> result = std::move(results_[index]);
        if (!result || failed_)
            return;
        Widen(result->zLow, zLow_, zHigh_);
        Widen(result->zHigh, zLow_, zHigh_);
        if (s_.choice.csv)
            csv_.Write(result->csv.Text());
        for (const GridRow& row : result->gridRows)
            gridOk_ = grid_.PutRow(row) && gridOk_;
        Keep(spareResults_, std::move(result));
    }

    void Finish() override
    {
        spareResults_.clear();
        spareSpaces_.clear();
        if (!started_)
            return;
        if (failed_) {
            const std::string line = fileFailure_ ? "Error writing export file " + nc_.Error() : failure_;
            nc_ = NetcdfFile();
            grid_ = GridFile();
            csv_.Abandon();
            host_.Error(line);
            for (uint32_t i = 0; i < items_; ++i)
                host_.ItemDone();
            return;
        }
        bool ok = true;
        if (s_.choice.netcdf) {
            quality_->PutGrades(nc_, listed_);
            if (!std::isnan(zLow_)) {
                nc_.PutAttDoubles(kNetcdfGlobal, kVerticalMin, {zLow_});
                nc_.PutAttDoubles(kNetcdfGlobal, kVerticalMax, {zHigh_});
            }
            if (nc_.Close()) {
                host_.Progress("Export written to file " + ncPath_);
            } else {
                host_.Error("Error writing export file " + nc_.Error());
                ok = false;
            }
            host_.ItemDone();
        }
        if (gridded_) {
            if (grid_.IsOpen()) {
                if (grid_.Close() && gridOk_) {
                    host_.Progress("Export written to file " + s_.PathOf(kGridFileName));
                } else {
                    host_.Error("Error writing export file " + grid_.Error());
                    ok = false;
                }
            } else if (!gridOk_) {
                ok = false;
            }
            host_.ItemDone();
        }
        if (s_.choice.csv) {
            if (csv_.Close()) {
                host_.Progress("Export written to file " + csvPath_);
            } else {
                host_.Error("Error writing export file " + csvPath_ + ": the file could not be written whole");
                ok = false;
            }
            host_.ItemDone();
        }
        written_ = ok;
        // What the writing found out of each profile (its grades) goes to profiles.csv too.
        std::vector<ProfileRecord>& all = s_.listings[index_];
        std::size_t at = 0;
        for (const ProfileRecord& r : listed_) {
            while (all[at].number != r.number)
                ++at;
            all[at] = r;
        }
    }

private:
    // Scans a piece holds at least, but for the last (whole profiles each).
    static constexpr uint64_t kPieceScans = 1 << 14;

    struct Piece {
        std::size_t firstProfile = 0, endProfile = 0;  // listed profiles
        uint64_t firstObs = 0;                         // its first scan's index in the files
        uint64_t scans = 0;
    };
    // The CSV rows of a piece, as they will stand in the file.
    class CsvText {
    public:
        void Put(Instrument kind, bool layout301, uint32_t profile, uint32_t scan, const double* v)
        {
            if (text_.size() - used_ < kMaxCsvRowLength)
                text_.resize(std::max(2 * text_.size(), used_ + kMaxCsvRowLength));
            used_ = static_cast<std::size_t>(PutCsvRow(text_.data() + used_, kind, layout301, profile, scan, v) -
                                             text_.data());
        }
        std::string_view Text() const { return {text_.data(), used_}; }
        void Clear() { used_ = 0; }

    private:
        std::vector<char> text_;
        std::size_t used_ = 0;
    };
    struct PieceResult {
        CsvText csv;
        std::vector<GridRow> gridRows;
        double zLow = kNaN, zHigh = kNaN;
        void Clear()
        {
            csv.Clear();
            gridRows.clear();
            zLow = zHigh = kNaN;
        }
    };
    // What a piece's work needs for a chunk of its scans.
    struct Workspace {
        std::vector<unsigned char> raw;
        std::vector<double> values;
        std::vector<float> floats;  // the netCDF columns, a chunk's length each, in their types
        std::vector<double> doubles;
        std::vector<int16_t> shorts;
        std::vector<std::size_t> profileOf;     // per row: its listed profile
        std::vector<uint32_t> indexInProfile;  // and its index there
    };

    // The spare results and workspaces are used again: large buffers made
    // anew for each piece cost more in page faults than their piece's work.
    template <typename T>
    std::unique_ptr<T> Spare(std::vector<std::unique_ptr<T>>& spares)
    {
        {
            const std::lock_guard<std::mutex> hold(failureLock_);
            if (!spares.empty()) {
                std::unique_ptr<T> spare = std::move(spares.back());
                spares.pop_back();
                return spare;
            }
        }
        return std::make_unique<T>();
    }
    template <typename T>
    void Keep(std::vector<std::unique_ptr<T>>& spares, std::unique_ptr<T> spare)
    {
        if (!spare)
            return;
        if constexpr (std::is_same_v<T, PieceResult>)
            spare->Clear();
        const std::lock_guard<std::mutex> hold(failureLock_);
        spares.push_back(std::move(spare));
    }

    // The first failure of the files, from any thread: the line for the log.
    void Fail(const std::string& line)
    {
        const std::lock_guard<std::mutex> hold(failureLock_);
        if (!failed_) {
            failure_ = line;
            failed_ = true;
        }
    }
    // A failure of the netCDF file: its line is made from the file's error
    // once every piece is over.
    void FailOfFile()
    {
        const std::lock_guard<std::mutex> hold(failureLock_);
        if (!failed_) {
            fileFailure_ = true;
            failed_ = true;
        }
    }

    State& s_;
    const std::size_t index_;
    InstrumentExport& ins_;
    ExportHost& host_;
    std::vector<ProfileRecord> listed_;
    std::vector<Piece> pieces_;
    std::vector<std::unique_ptr<PieceResult>> results_;

    bool started_ = false;
    bool written_ = false;
    std::vector<Column> columns_;
    std::string ncPath_, csvPath_;
    bool gridded_ = false;
    uint32_t items_ = 0;
    std::unique_ptr<ProfileQuality> quality_;  // defined in the file; each piece tests with a copy
    std::size_t timeColumn_ = 0, zColumn_ = 0;
    NetcdfFile nc_;
    std::vector<int> obsVars_;
    GridFile grid_;
    bool gridOk_ = true;
    bool gridOpen_ = false;
    TextOutput csv_;
    const InstrumentExport* engineering_ = nullptr;
    File engineeringScans_;
    double zLow_ = kNaN, zHigh_ = kNaN;

    std::vector<std::unique_ptr<PieceResult>> spareResults_;
    std::vector<std::unique_ptr<Workspace>> spareSpaces_;
    std::mutex failureLock_;  // the failure and the spares
    std::atomic<bool> failed_{false};
    bool fileFailure_ = false;
    std::string failure_;
};

bool DeploymentExport::Finish(ExportHost& host)
{
    State& s = *state_;
    // Every scan reaches its scratch file before any is read back (the ACM
    // reads the engineering one while that is written from).
    for (auto& instrument : s.instruments) {
        instrument->Flush();
        std::fflush(instrument->scratch.get());
        s.listings.push_back(instrument->List(s.run.first, s.run.last));
    }
    // The profiles' times: the engineering file's comes first, the others fall back on it.
    static const std::vector<ProfileRecord> kNoProfiles;
    const InstrumentExport* engineering = s.Find(KindEngineering);
    const std::vector<ProfileRecord>& engineeringListing = engineering ? s.listings[0] : kNoProfiles;
    for (std::size_t i = 0; i < s.instruments.size(); ++i)
        SetProfileTimes(s.listings[i], s.instruments[i]->info.instrument, engineeringListing,
                        s.hasDeployment ? s.deploymentRecord.profileStartInterval : 0);

    // Each instrument's files, a piece at a time; with several threads, the
    // pieces side by side, the costliest instrument's first. Once the run
    // is asked to stop, no further instrument starts.
    const std::size_t count = s.instruments.size();
    const int threads = std::max(s.run.threads, 1);
    std::mutex lock;
    std::vector<InstrumentHost> hosts(count, InstrumentHost(host, lock));
    std::vector<std::unique_ptr<State::InstrumentFiles>> files;
    for (std::size_t i = 0; i < count; ++i)
        files.push_back(std::make_unique<State::InstrumentFiles>(s, i, threads > 1 ? hosts[i] : host));
    auto cost = [&](std::size_t i) {
        const InstrumentInfo& info = s.instruments[i]->info;
        return s.instruments[i]->scans *
               static_cast<uint64_t>((s.choice.netcdf ? info.netcdfCost : 0) + (s.choice.csv ? info.csvCost : 0));
    };
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = i;
    if (threads > 1)
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return cost(a) > cost(b); });
    std::vector<PieceJob*> jobs;
    for (std::size_t i : order)
        jobs.push_back(files[i].get());
    std::exception_ptr failure;
    try {
        RunPieceJobs(jobs, threads);
    } catch (...) {
        failure = std::current_exception();
    }
    for (auto& h : hosts)
        h.Replay();
    if (failure)
        std::rethrow_exception(failure);
    std::vector<char> written(count, 0);
    for (std::size_t i = 0; i < count; ++i)
        written[i] = files[i]->Written();
    bool ok = std::all_of(written.begin(), written.end(), [](char w) { return w != 0; });
    const bool stopped = host.StopRequested();

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

void DeploymentExport::State::NoteIgnored(std::size_t i, ExportHost& host) const
{
    const InstrumentExport& instrument = *instruments[i];
    if (instrument.ignored != 0)
        host.Error(FormatString("The %s export keeps the first %u profiles read; %llu more were not exported",
                                instrument.info.title, static_cast<unsigned>(instrument.records.size()),
                                static_cast<unsigned long long>(instrument.ignored)));
}

std::vector<Attribute> DeploymentExport::State::Globals(const InstrumentExport& ins, double timeLow,
                                                      double timeHigh) const
{
    std::vector<std::string> sources;
    if (hasDeployment)
        sources.push_back("DEPLOY.DAT");
    sources.push_back("PROFILES.DAT");
    sources.insert(sources.end(), ins.files.begin(), ins.files.end());
    const FileFacts facts{ins.info.instrument, ins.info.title, sources,  choice.program,
                          choice.now,          latitude,       longitude, timeLow,
                          timeHigh,            &choice.metadata.attributes, choice.qc};
    return GlobalAttributes(facts);
}

bool DeploymentExport::State::OpenGrid(GridFile& grid, const InstrumentExport& ctd,
                                       const std::vector<ProfileRecord>& listed, double timeLow, double timeHigh,
                                       ExportHost& host)
{
    const std::string path = PathOf(kGridFileName);
    PressureGrid bins;
    const bool limits = hasDeployment && bins.Make(deploymentRecord.shallowPressure, deploymentRecord.deepPressure,
                                                   choice.gridStep);
    if (!limits && !bins.Make(ctd.pressureLow, ctd.pressureHigh, choice.gridStep)) {
        host.Progress("No export file " + path + ": no pressure limits and no CTD pressures to make its grid of");
        return true;
    }
    host.Writing(path);
    if (grid.Create(path, bins, listed, station, latitude, longitude, Globals(ctd, timeLow, timeHigh), choice.qc,
                    choice.memory))
        return true;
    host.Error("Error writing export file " + grid.Error());
    return false;
}

bool DeploymentExport::State::DefineAndFill(NetcdfFile& nc, const std::string& path, const InstrumentExport& ins,
                                            const std::vector<ProfileRecord>& listed, uint64_t obs, double timeLow,
                                            double timeHigh, const std::vector<Column>& columns,
                                            std::vector<int>& obsVars, ProfileQuality& quality)
{
    const Instrument kind = ins.info.instrument;
    nc.Create(path, false, choice.memory);
    const int stationDim = nc.DefineDim("station", 1);
    const int strlenDim = nc.DefineDim("name_strlen", station.size());
    const int profileDim = nc.DefineDim("profile", listed.size());
    const int obsDim = nc.DefineDim("obs", obs);

    const std::vector<int> stationVars = DefineStationVariables(nc, stationDim, strlenDim);
    const std::vector<const ProfileVariable*> profileRows = ProfileVariablesOf(kind);
    std::vector<int> profileVars;
    for (const ProfileVariable* v : profileRows) {
        const int id = nc.DefineVar(v->name, v->type, {profileDim});
        PutAttributes(nc, id, v->type, v->attributes);
        profileVars.push_back(id);
    }
    const int deployment = nc.DefineVar("deployment", NetcdfType::Int, std::span<const int>());
    PutAttributes(nc, deployment, NetcdfType::Int,
                  DeploymentAttributes(hasDeployment ? &deploymentRecord : nullptr, run.options.layout301));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        const int id = nc.DefineVar(c.name, c.type, {obsDim});
        std::vector<Attribute> attributes = ColumnAttributes(c, kind);
        if (quality.Runs())
            for (const QcColumn& t : quality.Tested())
                if (t.column == i)
                    attributes.push_back(AncillaryVariables(c.name));
        PutAttributes(nc, id, c.type, attributes);
        obsVars.push_back(id);
    }
    quality.Define(nc, obsDim, profileDim, columns, CoordinatesOf(kind));

    PutAttributes(nc, kNetcdfGlobal, NetcdfType::Double, Globals(ins, timeLow, timeHigh));
    nc.EndDefine();

    // The station's and the profiles' values.
    PutStationValues(nc, stationVars, station, latitude, longitude);
    PutProfileValues(nc, profileVars, profileRows, listed, kind);
    nc.PutInts(deployment, 0, std::vector<int32_t>{0});
    // The scans' values and flags, the bulk of the file, go straight to their places.
    nc.WriteDirectly(obsDim);
    return nc.Ok();
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
    // Then the grades of each instrument's tested columns, as letters.
    std::vector<std::vector<QcColumn>> graded(instruments.size());
    for (std::size_t i = 0; i < instruments.size() && choice.qc; ++i) {
        const Instrument kind = instruments[i]->info.instrument;
        graded[i] = QcColumnsOf(kind, ColumnsOf(kind, run.options.layout301));
        for (const QcColumn& t : graded[i])
            header += "," + std::string(instruments[i]->info.name) + "_" + kQcVariableNames[t.variable] + "_grade";
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
        std::string grades;
        for (std::size_t i = 0; i < instruments.size(); ++i) {
            const bool has = at[i] < listings[i].size() && listings[i][at[i]].number == next;
            const bool engineering = instruments[i]->info.instrument == Instrument::Engineering;
            for (const QcColumn& t : graded[i])
                grades += std::string(",") + (has ? GradeLetter(listings[i][at[i]].grades[t.variable]) : "");
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
        out += grades + "\r\n";
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
