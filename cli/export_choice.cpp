#include "cli/export_choice.h"

#include "platform/platform.h"

#include <cstdio>
#include <utility>

bool MakeExportRequest(const CommandLine& cl, const std::string& currentDir, ExportRequest& request, std::string& error)
{
    ExportAsked asked;
    asked.netcdf = cl.exportNetcdf;
    asked.csv = cl.exportCsv;
    if (!cl.metadataFile.empty())
        asked.metadataFile = AbsoluteFolder(cl.metadataFile, currentDir);
    asked.latitude = cl.latitude;
    asked.longitude = cl.longitude;
    if (!MakeExportRequest(asked, kCommandLineNames, request, error))
        return false;
    request.qc = !cl.noQc;
    request.gridStep = cl.gridStep;
    return true;
}

bool MakeExportChoice(const CommandLine& cl, const std::string& currentDir, std::time_t now, ExportChoice& choice,
                      std::string& error)
{
    ExportRequest request;
    return MakeExportRequest(cl, currentDir, request, error) &&
           ExportChoiceFor(request, kCommandLineNames, ExportProgramName(), now, choice, error);
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
