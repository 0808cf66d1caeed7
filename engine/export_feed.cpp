#include "engine/export_feed.h"

#include <span>
#include <utility>

KeptScans KeptScanBuffers::Take()
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (spare_.empty())
        return {};
    KeptScans scans = std::move(spare_.back());
    spare_.pop_back();
    return scans;
}

void KeptScanBuffers::Give(KeptScans scans)
{
    scans.Clear();
    const std::lock_guard<std::mutex> hold(lock_);
    spare_.push_back(std::move(scans));
}

ExportFeed::ExportFeed(ExportSinks& exporter, ProfileSink* sink, StepJournal& journal, KeptScanBuffers& buffers)
    : exporter_(exporter), sink_(sink), journal_(journal), buffers_(buffers), scans_(buffers.Take())
{
}

ExportFeed::~ExportFeed()
{
    buffers_.Give(std::move(scans_));
}

void ExportFeed::DataFile(int kind, const std::string& fileName, uint32_t first, uint32_t last, bool opened)
{
    Add(DataFileNote{kind, fileName, first, last, opened});
}

void ExportFeed::ProfileAt(int kind, uint64_t offset)
{
    Add(ProfileStart{kind, offset});
}

void ExportFeed::BeginProfile(uint32_t profile)
{
    Add(Begin{profile});
}

void ExportFeed::ProfileTimes(int32_t sensorOn, int32_t motionStart)
{
    Add(Times{sensorOn, motionStart});
}

void ExportFeed::EngineeringScan(const EngineeringValues& scan)
{
    AddScan(scan, 0, scans_.engineering);
}

void ExportFeed::Stop(int32_t marker, const StopRecord& stop)
{
    Add(StopCall{marker, stop});
}

void ExportFeed::CtdScan(const CtdValues& scan)
{
    AddScan(scan, 1, scans_.ctd);
}

void ExportFeed::AcmScan(const AcmValues& scan)
{
    AddScan(scan, 2, scans_.acm);
}

void ExportFeed::SensorTimes(int32_t on, int32_t off)
{
    Add(Sensor{on, off});
}

void ExportFeed::EndProfile(ProfileEnd end)
{
    Add(end);
}

void ExportFeed::PassOn()
{
    std::size_t at[3] = {0, 0, 0};
    for (const Call& call : kept_) {
        const auto* run = std::get_if<ScanRun>(&call);
        if (!run) {
            Send(call);
            continue;
        }
        std::size_t& first = at[run->kind];
        if (sink_) {
            if (run->kind == 0)
                sink_->Scans(std::span<const EngineeringValues>(scans_.engineering).subspan(first, run->count));
            else if (run->kind == 1)
                sink_->Scans(std::span<const CtdValues>(scans_.ctd).subspan(first, run->count));
            else
                sink_->Scans(std::span<const AcmValues>(scans_.acm).subspan(first, run->count));
        }
        first += run->count;
    }
    Forget();
}

void ExportFeed::Forget()
{
    kept_.clear();
    scans_.Clear();
    keptScans_ = 0;
}

bool ExportFeed::Keeping()
{
    if (dropped_)
        return false;
    if (!journal_.IsLive() && kept_.size() + keptScans_ < kMaxKeptCalls)
        return true;
    if (journal_.IsLive()) {
        PassOn();
        return false;
    }
    if (!journal_.WaitUntilLive()) {
        dropped_ = true;
        Forget();
        return false;
    }
    PassOn();
    return false;
}

void ExportFeed::Add(Call call)
{
    if (Keeping())
        kept_.push_back(std::move(call));
    else if (!dropped_)
        Send(call);
}

template <typename Values>
void ExportFeed::AddScan(const Values& scan, int kind, std::vector<Values>& kept)
{
    // Most scans are kept, and found so here without a call.
    const bool keep = !dropped_ && !journal_.IsLive() && kept_.size() + keptScans_ < kMaxKeptCalls;
    if (!keep && !Keeping()) {
        if (!dropped_ && sink_)
            sink_->Scans(std::span<const Values>(&scan, 1));
        return;
    }
    auto* run = kept_.empty() ? nullptr : std::get_if<ScanRun>(&kept_.back());
    if (run && run->kind == kind)
        ++run->count;
    else
        kept_.push_back(ScanRun{kind, 1});
    kept.push_back(scan);
    ++keptScans_;
}

void ExportFeed::Send(const Call& call)
{
    if (const auto* note = std::get_if<DataFileNote>(&call)) {
        exporter_.DataFile(note->kind, note->fileName, note->first, note->last, note->opened);
        return;
    }
    if (const auto* start = std::get_if<ProfileStart>(&call)) {
        exporter_.ProfileAt(start->kind, start->offset);
        return;
    }
    if (!sink_)
        return;
    ProfileSink& sink = *sink_;
    if (const auto* begin = std::get_if<Begin>(&call))
        sink.BeginProfile(begin->profile);
    else if (const auto* times = std::get_if<Times>(&call))
        sink.ProfileTimes(times->sensorOn, times->motionStart);
    else if (const auto* stop = std::get_if<StopCall>(&call))
        sink.Stop(stop->marker, stop->stop);
    else if (const auto* sensor = std::get_if<Sensor>(&call))
        sink.SensorTimes(sensor->on, sensor->off);
    else if (const auto* end = std::get_if<ProfileEnd>(&call))
        sink.EndProfile(*end);
}
