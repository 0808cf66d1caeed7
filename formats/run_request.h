#pragma once
// What one run is asked to do, as a plain value: the programs make it from
// their settings and options (app/run_request.h), the job (engine/) runs it,
// the export (export/) takes its export choices. Nothing a run reads comes
// from anywhere else, so runs of different requests may go side by side in
// one process.

#include "formats/run_choices.h"

#include <cstdint>
#include <optional>
#include <string>

// The export asked for beside the text files (none by default).
struct ExportRequest {
    bool netcdf = false;
    bool csv = false;
    std::string metadataFile;        // the deployment's metadata (an INI file); empty: none
    std::optional<double> latitude;  // the station's position; wins over the metadata file's
    std::optional<double> longitude;
    bool qc = true;         // the quality flags, grades and the grid's selection by them
    double gridStep = 1.0;  // the pressure step of ctd_grid.nc [dbar]

    bool Wanted() const { return netcdf || csv; }
};

struct RunRequest {
    int kinds = KindAll;                      // FileKind bits
    RangeMode range = RangeEntireDeployment;  // the entire deployment: every profile PROFILES.DAT counts
    uint32_t first = 0;                       // the single profile, or the first of the range
    uint32_t last = 0;                        // the last of the range
    std::string source;                       // the folder of the instrument's files
    std::string destination;                  // where the files are written
    std::string prefix;                       // in front of every output file name
    FirmwareCode firmware = Firmware304;
    bool human = false;     // the human-readable form, else the machine form
    bool writeText = true;  // false: no text files, the export alone
    ExportRequest exportFiles;
    int jobs = 1;  // threads that decode and write the export (1: the run's own alone)
};
