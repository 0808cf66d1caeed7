#include "export/deployment_export.h"

#include "export/export_state.h"
#include "export/instance_variables.h"
#include "export/text_output.h"
#include "formats/text_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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
        auto instrument = std::make_unique<InstrumentExport>(info);
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

void DeploymentExport::ProfileAt(int kind, uint64_t offset)
{
    if (InstrumentExport* instrument = state_->Find(kind))
        instrument->ProfileAt(offset);
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

bool DeploymentExport::Finish(ExportHost& host)
{
    State& s = *state_;
    for (auto& instrument : s.instruments)
        s.listings.push_back(instrument->List(s.run.first, s.run.last));
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
    std::vector<std::unique_ptr<InstrumentFilesJob>> files;
    for (std::size_t i = 0; i < count; ++i)
        files.push_back(MakeInstrumentFiles(s, i, threads > 1 ? hosts[i] : host));
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
    files.clear();
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
