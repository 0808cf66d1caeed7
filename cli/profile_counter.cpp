#include "cli/profile_counter.h"

#include "formats/run_choices.h"

class ProfileCounter::Tee final : public ProfileSink {
public:
    ProfileSink* inner = nullptr;
    InstrumentCounts counts;

    void BeginProfile(uint32_t profile) override
    {
        ++counts.profiles;
        if (inner)
            inner->BeginProfile(profile);
    }
    void ProfileTimes(int32_t sensorOn, int32_t motionStart) override
    {
        if (inner)
            inner->ProfileTimes(sensorOn, motionStart);
    }
    void EngineeringScan(const EngineeringValues& scan) override
    {
        if (inner)
            inner->EngineeringScan(scan);
    }
    void Stop(int32_t marker, const StopRecord& stop) override
    {
        if (inner)
            inner->Stop(marker, stop);
    }
    void CtdScan(const CtdValues& scan) override
    {
        if (inner)
            inner->CtdScan(scan);
    }
    void AcmScan(const AcmValues& scan) override
    {
        if (inner)
            inner->AcmScan(scan);
    }
    void Scans(std::span<const EngineeringValues> scans) override
    {
        if (inner)
            inner->Scans(scans);
    }
    void Scans(std::span<const CtdValues> scans) override
    {
        if (inner)
            inner->Scans(scans);
    }
    void Scans(std::span<const AcmValues> scans) override
    {
        if (inner)
            inner->Scans(scans);
    }
    void SensorTimes(int32_t on, int32_t off) override
    {
        if (inner)
            inner->SensorTimes(on, off);
    }
    void EndProfile(ProfileEnd end) override
    {
        if (end != ProfileEnd::Complete)
            ++counts.incomplete;
        if (inner)
            inner->EndProfile(end);
    }
};

namespace {

int IndexOf(int kind)
{
    return kind == KindEngineering ? 0 : kind == KindCtd ? 1 : kind == KindAcm ? 2 : -1;
}

}  // namespace

ProfileCounter::ProfileCounter(ExportSinks* inner) : inner_(inner)
{
    for (auto& tee : tees_)
        tee = std::make_unique<Tee>();
}

ProfileCounter::~ProfileCounter() = default;

bool ProfileCounter::Begin(const ExportRun& run, ExportHost& host)
{
    return !inner_ || inner_->Begin(run, host);
}

uint32_t ProfileCounter::FinishItems() const
{
    return inner_ ? inner_->FinishItems() : 0;
}

ProfileSink* ProfileCounter::ProfileSinkFor(int kind)
{
    const int index = IndexOf(kind);
    if (index < 0)
        return inner_ ? inner_->ProfileSinkFor(kind) : nullptr;
    tees_[index]->inner = inner_ ? inner_->ProfileSinkFor(kind) : nullptr;
    return tees_[index].get();
}

void ProfileCounter::DataFile(int kind, const std::string& fileName, uint32_t first, uint32_t last, bool opened)
{
    if (inner_)
        inner_->DataFile(kind, fileName, first, last, opened);
}

void ProfileCounter::ProfileAt(int kind, uint64_t offset)
{
    if (inner_)
        inner_->ProfileAt(kind, offset);
}

bool ProfileCounter::Finish(ExportHost& host)
{
    return !inner_ || inner_->Finish(host);
}

InstrumentCounts ProfileCounter::Counts(int index) const
{
    return tees_[index]->counts;
}
