#pragma once
// The export a run request asks for, checked before anything is written: the
// metadata file read and checked, the request's position over the file's, a
// position present when netCDF is asked for.

#include "export/deployment_export.h"
#include "formats/run_request.h"

#include <ctime>
#include <string>

// How a front end names the export's inputs in its messages.
struct ExportInputNames {
    const char* netcdf;     // "--export netcdf"
    const char* latitude;   // "--latitude"
    const char* longitude;  // "--longitude"
    const char* position;   // how to give both: "--latitude DEG --longitude DEG"
    const char* metadata;   // "a --metadata file"
};

// Fills `choice` from `request`, its faults told in `names`; `program` names the program and its version
// for `history`, `now` is the time of the run, date_created unless the
// metadata file pins it. False with `error` set when the export cannot be
// made as asked. When no export is asked for: true and `choice` asks for
// nothing.
bool ExportChoiceFor(const ExportRequest& request, const ExportInputNames& names, const std::string& program,
                     std::time_t now, ExportChoice& choice, std::string& error);
