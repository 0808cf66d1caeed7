#pragma once
// What the deployment export knows during a run, shared by its parts: the
// choices and the run, the instruments' sinks and, at the end, their listed
// profiles. Private to export/.

#include "export/deployment_export.h"
#include "export/global_attributes.h"
#include "export/grid_file.h"
#include "export/instrument_export.h"
#include "export/netcdf_attributes.h"
#include "export/netcdf_file.h"
#include "export/ordered_pieces.h"
#include "export/profile_quality.h"
#include "export/qc_settings.h"
#include "formats/deployment.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <vector>

struct DeploymentExport::State {
    ExportChoice choice;
    ExportRun run{};
    bool hasDeployment = false;
    DeploymentRecord deploymentRecord{};
    double latitude = std::numeric_limits<double>::quiet_NaN();
    double longitude = std::numeric_limits<double>::quiet_NaN();
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


// The files of instrument `index` of `state`, from its listed profiles, as
// a job of pieces (export/ordered_pieces.h); its host gets the lines for the
// log and the progress.
class InstrumentFilesJob : public PieceJob {
public:
    // Whether every file was written (false when it failed or never began).
    virtual bool Written() const = 0;
};
std::unique_ptr<InstrumentFilesJob> MakeInstrumentFiles(DeploymentExport::State& state, std::size_t index,
                                                        ExportHost& host);
