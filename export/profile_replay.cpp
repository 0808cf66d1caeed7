#include "export/profile_replay.h"

#include "formats/acm.h"
#include "formats/ctd.h"
#include "formats/engineering.h"
#include "formats/export_sinks.h"
#include "platform/platform.h"

#include <cstring>

namespace {

// A data file is read in large reads, as the run read it.
constexpr std::size_t kInputBufferSize = 64 * 1024;

}  // namespace

std::size_t ScanSize(Instrument instrument)
{
    switch (instrument) {
    case Instrument::Ctd: return sizeof(CtdValues);
    case Instrument::Acm: return sizeof(AcmValues);
    case Instrument::Engineering: break;
    }
    return sizeof(EngineeringValues);
}

ProfileReplay::ProfileReplay(Instrument instrument, const std::vector<std::string>& files, std::string source,
                             const DecodeOptions& options)
    : instrument_(instrument), files_(files), source_(std::move(source)), options_(options)
{
}

ProfileReplay::~ProfileReplay() = default;

void ProfileReplay::Into(unsigned char* raw, std::size_t chunkScans, std::function<bool(std::size_t)> take)
{
    raw_ = raw;
    chunkScans_ = chunkScans;
    used_ = 0;
    take_ = std::move(take);
}

bool ProfileReplay::Flush()
{
    if (used_ != 0 && !stopped_)
        stopped_ = !take_(used_);
    used_ = 0;
    return !stopped_;
}

bool ProfileReplay::ReadTrack(const ProfileRecord& r, std::vector<std::pair<double, float>>& points)
{
    points.clear();
    points.reserve(r.scans);
    track_ = &points;
    const bool ok = Read(r);
    track_ = nullptr;
    return ok;
}

bool ProfileReplay::Open(uint32_t dataFile)
{
    if (open_ == dataFile && in_)
        return true;
    in_.reset();
    open_ = UINT32_MAX;
    if (dataFile >= files_.size())
        return false;
    in_ = OpenFile((source_ + files_[dataFile]).c_str(), "rb");
    if (!in_)
        return false;
    if (!buffer_)
        buffer_ = std::make_unique<char[]>(kInputBufferSize);
    std::setvbuf(in_.get(), buffer_.get(), _IOFBF, kInputBufferSize);
    open_ = dataFile;
    return true;
}

bool ProfileReplay::Read(const ProfileRecord& r)
{
    error_.clear();
    if (stopped_)
        return false;
    if (r.scans == 0)
        return true;
    if (!Open(r.dataFile) || r.offset == kUnknownOffset || !SeekFile(in_.get(), r.offset))
        return Fail(r, "could not be read again");
    left_ = r.scans;
    overrun_ = false;
    // How the reading ends does not matter (the run's may have ended in an
    // error too): what counts is that the same scans came again.
    switch (instrument_) {
    case Instrument::Engineering: DecodeEngineeringProfile(in_.get(), r.number, options_, *this, *this); break;
    case Instrument::Ctd: DecodeCtdProfile(in_.get(), r.number, options_, *this, *this); break;
    case Instrument::Acm: DecodeAcmProfile(in_.get(), r.number, options_, *this, *this); break;
    }
    if (stopped_)
        return false;
    // More scans than the run read: the file changed, unless the run's
    // reading stopped inside the profile (a cancel, a read error), which
    // took only the first of them.
    const bool readToItsEnd =
        r.status == kStatusComplete || r.status == kStatusTruncated || r.status == kStatusSensorTimesMissing;
    if (left_ != 0 || (overrun_ && readToItsEnd))
        return Fail(r, "no longer holds the scans of profile " + std::to_string(r.number) + " the run read from it");
    return true;
}

bool ProfileReplay::Fail(const ProfileRecord& r, const std::string& what)
{
    const std::string name = r.dataFile < files_.size() ? source_ + files_[r.dataFile] : std::string("(none)");
    error_ = "the data file " + name + " " + what;
    return false;
}

template <typename Values>
void ProfileReplay::Add(const Values& scan)
{
    if (left_ == 0) {
        overrun_ = true;
        return;
    }
    --left_;
    std::memcpy(raw_ + used_ * sizeof scan, &scan, sizeof scan);  // (of a known size: no call)
    if (++used_ == chunkScans_) {
        used_ = 0;
        if (!take_(chunkScans_))
            stopped_ = true;
    }
}

void ProfileReplay::EngineeringScan(const EngineeringValues& scan)
{
    if (!track_) {
        Add(scan);
        return;
    }
    if (left_ == 0) {
        overrun_ = true;
        return;
    }
    --left_;
    track_->emplace_back(scan.time, scan.pressure);
}

void ProfileReplay::CtdScan(const CtdValues& scan)
{
    Add(scan);
}

void ProfileReplay::AcmScan(const AcmValues& scan)
{
    Add(scan);
}
