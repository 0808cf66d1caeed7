#include "app/export_choice.h"

#include "app/run_request.h"
#include "engine/unpack_job.h"
#include "engine/version.h"
#include "export/export_columns.h"
#include "export/grid_file.h"

const ExportInputNames kCommandLineNames = {"--export netcdf", "--latitude", "--longitude",
                                            "--latitude DEG --longitude DEG", "a --metadata file"};
const ExportInputNames kWizardNames = {"netCDF", "Latitude", "Longitude", "the Latitude and Longitude fields",
                                       "a metadata file"};

bool MakeExportRequest(const ExportAsked& asked, const ExportInputNames& names, ExportRequest& request,
                       std::string& error)
{
    request = ExportRequest{};
    request.netcdf = asked.netcdf;
    request.csv = asked.csv;
    if (!request.Wanted())
        return true;
    if (!asked.metadataFile.empty()) {
        request.metadataFile = asked.metadataFile;
        ExportMetadata metadata;
        if (!ReadExportMetadata(request.metadataFile, metadata, error))
            return false;
    }
    double value = 0;
    if (!asked.latitude.empty()) {
        if (!ParseLatitude(asked.latitude, names.latitude, value, error))
            return false;
        request.latitude = value;
    }
    if (!asked.longitude.empty()) {
        if (!ParseLongitude(asked.longitude, names.longitude, value, error))
            return false;
        request.longitude = value;
    }
    return true;
}

bool MakeExportChoice(const ExportAsked& asked, const ExportInputNames& names, std::time_t now,
                      ExportChoice& choice, std::string& error)
{
    ExportRequest request;
    return MakeExportRequest(asked, names, request, error) &&
           ExportChoiceFor(request, names, ExportProgramName(), now, choice, error);
}

std::string ExportProgramName()
{
    return std::string("Davrolin ") + kProgramVersion + " Revision " + kProgramRevision;
}

ExportAsked ExportAskedBy(const SettingsRecord& s)
{
    return {s.ExportNetcdf != 0, s.ExportCsv != 0, s.MetadataFile, s.Latitude, s.Longitude};
}

std::vector<std::string> ExportFilesOf(const SettingsRecord& s)
{
    std::vector<std::string> files;
    const bool netcdf = s.ExportNetcdf != 0;
    const bool csv = s.ExportCsv != 0;
    const int kinds = ChooseKindsAndRange(RunRequestFromSettings(s), static_cast<uint32_t>(s.MaxProfile)).kinds;
    for (const char* name : ExportedInstrumentNames(kinds)) {
        if (netcdf)
            files.push_back(std::string(s.Prefix) + name + ".nc");
        if (netcdf && std::string(name) == "ctd")
            files.push_back(std::string(s.Prefix) + kGridFileName);
        if (csv)
            files.push_back(std::string(s.Prefix) + name + ".csv");
    }
    if (csv && !files.empty())
        files.push_back(std::string(s.Prefix) + kProfilesCsvName);
    return files;
}
