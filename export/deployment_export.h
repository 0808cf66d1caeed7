#pragma once
// The deployment export: one netCDF file (CF 1.11 timeSeriesProfile, a
// contiguous ragged array, classic 64-bit offset format) and one CSV file
// per instrument, and a table of the profiles, written from the values the
// decoders hand the texts during the same run.
//
// Memory stays bounded whatever the deployment's length: only a small record
// per profile stays in memory during the run, with where the profile starts
// in its data file. At the end of the run each file is written from the
// scans decoded again from the data files (export/profile_replay.h), in
// chunks, under a temporary name, and renamed when whole.

#include "export/export_metadata.h"
#include "export/netcdf_file.h"
#include "formats/export_sinks.h"

#include <memory>
#include <string>
#include <vector>

struct ExportChoice {
    bool netcdf = false;
    bool csv = false;
    ExportMetadata metadata;  // the position (needed for netCDF) and the global attributes
    std::string program;      // the program and its version, for `history`
    std::string now;          // date_created unless the metadata pins it (ISO 8601)
    bool qc = true;           // the quality flags, grades and the grid's selection by them
    double gridStep = 1.0;    // the pressure step of ctd_grid.nc [dbar]
    NetcdfMemory* memory = nullptr;  // not null: the netCDF files are made in memory, there
};

class DeploymentExport final : public ExportSinks {
public:
    explicit DeploymentExport(ExportChoice choice);
    ~DeploymentExport() override;

    bool Begin(const ExportRun& run, ExportHost& host) override;
    uint32_t FinishItems() const override;
    ProfileSink* ProfileSinkFor(int kind) override;
    void DataFile(int kind, const std::string& fileName, uint32_t first, uint32_t last, bool opened) override;
    void ProfileAt(int kind, uint64_t offset) override;
    bool Finish(ExportHost& host) override;

    struct State;

private:
    std::unique_ptr<State> state_;
};

// The names of the export's files, without folder or prefix.
constexpr const char* kProfilesCsvName = "profiles.csv";

// The instruments a run of `kinds` (FileKind bits) exports, in the order
// their files are written: each gives name.nc and name.csv.
std::vector<const char*> ExportedInstrumentNames(int kinds);
