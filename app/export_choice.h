#pragma once
// The export a front end is asked for, checked before anything is written, by
// the same rules and in the same words for every front end: the metadata file
// read and checked, the position given beside it a number in range, then
// ExportChoiceFor's rules (export/export_choice.h).

#include "app/settings_record.h"
#include "export/deployment_export.h"
#include "export/export_choice.h"
#include "formats/run_request.h"

#include <ctime>
#include <string>
#include <vector>

// The choices as given, not yet checked.
struct ExportAsked {
    bool netcdf = false;
    bool csv = false;
    std::string metadataFile;  // an absolute path; empty: none
    std::string latitude;      // as given; empty: not given
    std::string longitude;
};

extern const ExportInputNames kCommandLineNames;
extern const ExportInputNames kWizardNames;

// The export request of `asked`, with the quality control's defaults: false
// with `error` set when the metadata file cannot be read or holds a bad value
// (checked first, so that its faults are named before the position's), or a
// position is not a number in range. Neither netCDF nor CSV: true, and the
// request asks for nothing.
bool MakeExportRequest(const ExportAsked& asked, const ExportInputNames& names, ExportRequest& request,
                       std::string& error);

// MakeExportRequest, then ExportChoiceFor with ExportProgramName(): `now` is
// the time of the run, date_created unless the metadata file pins it.
bool MakeExportChoice(const ExportAsked& asked, const ExportInputNames& names, std::time_t now,
                      ExportChoice& choice, std::string& error);

// The program named in the files' `history`, whichever front end ran: the
// files are the engine's, the same bytes from either.
std::string ExportProgramName();

// The export asked for by the settings (ExportNetcdf, ExportCsv, MetadataFile,
// Latitude, Longitude); a file without these keys asks for none.
ExportAsked ExportAskedBy(const SettingsRecord& settings);

// The export's files a run of the settings writes, in the order it writes
// them, with the prefix: none without netCDF or CSV or without a profile kind.
std::vector<std::string> ExportFilesOf(const SettingsRecord& settings);
