#include "engine/export_feed.h"

#include <utility>

ExportFeed::ExportFeed(ExportSinks& exporter, ProfileSink* sink, StepJournal& journal)
    : exporter_(exporter), sink_(sink), journal_(journal)
{
}

void ExportFeed::DataFile(int kind, const std::string& fileName, uint32_t first, uint32_t last, bool opened)
{
    Add(DataFileNote{kind, fileName, first, last, opened});
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
    Add(scan);
}

void ExportFeed::Stop(int32_t marker, const StopRecord& stop)
{
    Add(StopCall{marker, stop});
}

void ExportFeed::CtdScan(const CtdValues& scan)
{
    Add(scan);
}

void ExportFeed::AcmScan(const AcmValues& scan)
{
    Add(scan);
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
    for (const Call& call : kept_)
        Send(call);
    kept_.clear();
}

void ExportFeed::Add(Call call)
{
    if (dropped_)
        return;
    if (!journal_.IsLive()) {
        if (kept_.size() < kMaxKeptCalls) {
            kept_.push_back(std::move(call));
            return;
        }
        if (!journal_.WaitUntilLive()) {
            dropped_ = true;
            kept_.clear();
            return;
        }
    }
    PassOn();
    Send(call);
}

void ExportFeed::Send(const Call& call)
{
    if (const auto* note = std::get_if<DataFileNote>(&call)) {
        exporter_.DataFile(note->kind, note->fileName, note->first, note->last, note->opened);
        return;
    }
    if (!sink_)
        return;
    ProfileSink& sink = *sink_;
    switch (call.index()) {
    case 1: sink.BeginProfile(std::get<Begin>(call).profile); break;
    case 2: sink.ProfileTimes(std::get<Times>(call).sensorOn, std::get<Times>(call).motionStart); break;
    case 3: sink.EngineeringScan(std::get<EngineeringValues>(call)); break;
    case 4: sink.Stop(std::get<StopCall>(call).marker, std::get<StopCall>(call).stop); break;
    case 5: sink.CtdScan(std::get<CtdValues>(call)); break;
    case 6: sink.AcmScan(std::get<AcmValues>(call)); break;
    case 7: sink.SensorTimes(std::get<Sensor>(call).on, std::get<Sensor>(call).off); break;
    case 8: sink.EndProfile(std::get<ProfileEnd>(call)); break;
    }
}
