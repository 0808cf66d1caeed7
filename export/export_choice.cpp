#include "export/export_choice.h"

#include "export/export_columns.h"

bool ExportChoiceFor(const ExportRequest& request, const ExportInputNames& names, const std::string& program,
                     std::time_t now, ExportChoice& choice, std::string& error)
{
    choice = ExportChoice{};
    choice.netcdf = request.netcdf;
    choice.csv = request.csv;
    if (!request.Wanted())
        return true;
    if (!request.metadataFile.empty() && !ReadExportMetadata(request.metadataFile, choice.metadata, error))
        return false;
    ExportMetadata& m = choice.metadata;
    if (request.latitude) {
        m.latitude = *request.latitude;
        m.hasLatitude = true;
    }
    if (request.longitude) {
        m.longitude = *request.longitude;
        m.hasLongitude = true;
    }
    if (choice.netcdf && (!m.hasLatitude || !m.hasLongitude)) {
        error = std::string(names.netcdf) +
                " needs the station's position (CF requires it, and depth needs the latitude): give " +
                names.position + ", or latitude and longitude in the [METADATA] section of " + names.metadata;
        return false;
    }
    choice.qc = request.qc;
    choice.gridStep = request.gridStep;
    choice.program = program;
    choice.now = IsoTimeOf(static_cast<double>(now));
    return true;
}
