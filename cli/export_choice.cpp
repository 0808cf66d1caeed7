#include "cli/export_choice.h"

#include "engine/version.h"
#include "export/export_choice.h"
#include "platform/platform.h"

#include <cstdio>
#include <utility>

bool MakeExportRequest(const CommandLine& cl, const std::string& currentDir, ExportRequest& request, std::string& error)
{
    request = ExportRequest{};
    request.netcdf = cl.exportNetcdf;
    request.csv = cl.exportCsv;
    request.qc = !cl.noQc;
    request.gridStep = cl.gridStep;
    if (!request.Wanted())
        return true;
    if (!cl.metadataFile.empty()) {
        // The file is checked first, so that its faults are named before the options'.
        request.metadataFile = AbsoluteFolder(cl.metadataFile, currentDir);
        ExportMetadata metadata;
        if (!ReadExportMetadata(request.metadataFile, metadata, error))
            return false;
    }
    double value = 0;
    if (!cl.latitude.empty()) {
        if (!ParseLatitude(cl.latitude, "--latitude", value, error))
            return false;
        request.latitude = value;
    }
    if (!cl.longitude.empty()) {
        if (!ParseLongitude(cl.longitude, "--longitude", value, error))
            return false;
        request.longitude = value;
    }
    return true;
}

std::string ExportProgramName()
{
    return std::string("davrolin-unpack ") + kProgramVersion + " Revision " + kProgramRevision;
}

bool MakeExportChoice(const CommandLine& cl, const std::string& currentDir, std::time_t now, ExportChoice& choice,
                      std::string& error)
{
    ExportRequest request;
    return MakeExportRequest(cl, currentDir, request, error) &&
           ExportChoiceFor(request, ExportProgramName(), now, choice, error);
}

bool FolderIsWritable(const std::string& folder)
{
    const std::string probe = WithSeparator(folder) + "davrolin-write-check.part";
    File f = OpenFile(probe.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fputs("x", f.get()) >= 0 && CloseOutputFile(std::move(f));
    RemoveFile(probe.c_str());
    return written;
}
