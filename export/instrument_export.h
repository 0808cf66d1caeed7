#pragma once
// One instrument's part of the deployment export while a run decodes: the
// sink that collects its profiles, a small record each with where the
// profile starts in its data file, for the files written at the end
// (export/instrument_files.cpp), which decode the scans again from there.

#include "export/export_columns.h"
#include "export/profile_record.h"
#include "formats/engineering.h"
#include "formats/run_choices.h"
#include "formats/sink.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <utility>
#include <vector>

// No deployment holds this many profiles: a wider range (damaged metadata)
// lists only the profiles read or missing, and past this many profiles read
// an instrument keeps no more.
constexpr uint32_t kMaxListedProfiles = 100000;
// Scans decoded again at a time, as the files are written.
constexpr std::size_t kChunkScans = 8192;

struct InstrumentInfo {
    Instrument instrument;
    int kind;          // FileKind
    const char* name;  // file names: name.nc, name.csv
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

// Widens low..high (NaN: empty) to hold `value`; NaN widens nothing.
inline void Widen(double value, double& low, double& high)
{
    if (std::isnan(value))
        return;
    low = std::isnan(low) ? value : std::min(low, value);
    high = std::isnan(high) ? value : std::max(high, value);
}

// One instrument's part of the export: the sink that collects its profiles
// during the run.
class InstrumentExport final : public ProfileSink {
public:
    explicit InstrumentExport(const InstrumentInfo& info) : info(info) {}

    // The data file the next profile comes from (files' last) starts it at `offset`.
    void ProfileAt(uint64_t offset) { nextOffset_ = offset; }

    void BeginProfile(uint32_t profile) override;
    void ProfileTimes(int32_t sensorOn, int32_t motionStart) override;
    void EngineeringScan(const EngineeringValues& scan) override { Scans(std::span(&scan, 1)); }
    void Stop(int32_t marker, const StopRecord& stop) override;
    void CtdScan(const CtdValues& scan) override { Scans(std::span(&scan, 1)); }
    void AcmScan(const AcmValues& scan) override { Scans(std::span(&scan, 1)); }
    // Scans one at a time or handed over together: counted, with what the
    // files need to know of them before they are written (their extent).
    void Scans(std::span<const EngineeringValues> scans) override;
    void Scans(std::span<const CtdValues> scans) override;
    void Scans(std::span<const AcmValues> scans) override { Count(scans.size()); }
    void SensorTimes(int32_t on, int32_t off) override;
    void EndProfile(ProfileEnd end) override;

    // The profiles the files list, in order: the whole range when it is of
    // a sensible width, else those read or missing.
    std::vector<ProfileRecord> List(uint32_t first, uint32_t last) const;

    const InstrumentInfo& info;
    uint64_t scans = 0;
    uint64_t ignored = 0;  // profiles not kept
    std::vector<ProfileRecord> records;
    std::vector<std::pair<uint32_t, uint32_t>> missing;  // profile ranges whose data file was missing
    std::vector<std::string> files;                      // the data files read (no folder)
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    double scanTimeLow = kNone, scanTimeHigh = kNone;
    double pressureLow = kNone, pressureHigh = kNone;  // CTD: the pressures of its scans

private:
    ProfileRecord& Last() { return records.back(); }
    // Counts `count` scans of the profile.
    void Count(std::size_t count)
    {
        if (ignoring_ || count == 0)
            return;
        scans += count;
        Last().scans += static_cast<uint32_t>(count);
    }

    uint64_t nextOffset_ = kUnknownOffset;
    bool ignoring_ = false;
};
