#include "export/instrument_export.h"

#include <algorithm>
#include <cmath>

void InstrumentExport::BeginProfile(uint32_t profile)
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
    r.dataFile = files.empty() ? UINT32_MAX : static_cast<uint32_t>(files.size() - 1);
    r.offset = nextOffset_;
    nextOffset_ = kUnknownOffset;
    records.push_back(r);
}

void InstrumentExport::ProfileTimes(int32_t sensorOn, int32_t motionStart)
{
    if (ignoring_)
        return;
    Last().sensorOn = sensorOn;
    Last().motionStart = motionStart;
}

void InstrumentExport::Stop(int32_t marker, const StopRecord& stop)
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

void InstrumentExport::Scans(std::span<const EngineeringValues> scans)
{
    for (const EngineeringValues& scan : scans) {
        Widen(scan.time, scanTimeLow, scanTimeHigh);
        if (!ignoring_ && std::isfinite(scan.pressure)) {
            if (std::isnan(Last().firstPressure))
                Last().firstPressure = scan.pressure;
            Last().lastPressure = scan.pressure;
        }
    }
    Count(scans.size());
}

void InstrumentExport::Scans(std::span<const CtdValues> scans)
{
    if (!ignoring_)
        for (const CtdValues& scan : scans)
            Widen(scan.pressure, pressureLow, pressureHigh);
    Count(scans.size());
}

void InstrumentExport::SensorTimes(int32_t on, int32_t off)
{
    if (ignoring_)
        return;
    Last().sensorOn = on;
    Last().sensorOff = off;
}

void InstrumentExport::EndProfile(ProfileEnd end)
{
    if (!ignoring_)
        Last().status = StatusOf(end);
}

std::vector<ProfileRecord> InstrumentExport::List(uint32_t first, uint32_t last) const
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
