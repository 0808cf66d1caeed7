#include "cli/export_choice.h"

#include "engine/version.h"
#include "export/export_columns.h"
#include "platform/platform.h"

#include <cstdio>
#include <utility>

bool MakeExportChoice(const CommandLine& cl, const std::string& currentDir, std::time_t now, ExportChoice& choice,
                      std::string& error)
{
    choice = ExportChoice{};
    choice.netcdf = cl.exportNetcdf;
    choice.csv = cl.exportCsv;
    if (!choice.netcdf && !choice.csv)
        return true;
    if (!cl.metadataFile.empty() &&
        !ReadExportMetadata(AbsoluteFolder(cl.metadataFile, currentDir), choice.metadata, error))
        return false;
    ExportMetadata& m = choice.metadata;
    if (!cl.latitude.empty() && !ParseLatitude(cl.latitude, "--latitude", m.latitude, error))
        return false;
    if (!cl.longitude.empty() && !ParseLongitude(cl.longitude, "--longitude", m.longitude, error))
        return false;
    m.hasLatitude = m.hasLatitude || !cl.latitude.empty();
    m.hasLongitude = m.hasLongitude || !cl.longitude.empty();
    if (choice.netcdf && (!m.hasLatitude || !m.hasLongitude)) {
        error = "--export netcdf needs the station's position (CF requires it, and depth needs the latitude): "
                "give --latitude DEG --longitude DEG, or latitude and longitude in the [METADATA] section of a "
                "--metadata file";
        return false;
    }
    choice.qc = !cl.noQc;
    choice.gridStep = cl.gridStep;
    choice.program = std::string("davrolin-unpack ") + kProgramVersion + " Revision " + kProgramRevision;
    choice.now = IsoTimeOf(static_cast<double>(now));
    return true;
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
