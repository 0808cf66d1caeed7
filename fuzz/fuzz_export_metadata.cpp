// The export's metadata file, [METADATA] and [QC] sections: the bytes are the
// file. Whatever it holds, the reader either refuses it with a message that
// names the file or gives values the export can use: a position in range,
// attribute names netCDF takes, dates in ISO 8601 and quality control
// settings that pass their own check.

#include "export/export_metadata.h"
#include "export/qc_settings.h"
#include "fuzz/fuzz_support.h"

#include <cmath>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string path = WriteScratchFile("metadata.ini", data, size);
    ExportMetadata m;
    std::string error;
    if (!ReadExportMetadata(path, m, error)) {
        FUZZ_CHECK(error.find(path) != std::string::npos);
        return 0;
    }
    FUZZ_CHECK(!m.hasLatitude || (m.latitude >= -90 && m.latitude <= 90));
    FUZZ_CHECK(!m.hasLongitude || (m.longitude >= -180 && m.longitude <= 360));
    for (const auto& kv : m.attributes) {
        FUZZ_CHECK(IsAttributeName(kv.first));
        if (kv.first == "date_created")
            FUZZ_CHECK(IsIsoDateTime(kv.second));
    }
    std::string again;
    FUZZ_CHECK(CheckQcSettings(m.qc, path, again));
    for (const QcThresholds& t : m.qc.variables) {
        FUZZ_CHECK(std::isnan(t.failLow) || t.failLow < t.failHigh);
        FUZZ_CHECK(std::isnan(t.suspectLow) || t.suspectLow < t.suspectHigh);
        for (double v : {t.spikeSuspect, t.spikeFail, t.rateSuspect, t.rateFail, t.flatSuspect, t.flatFail})
            FUZZ_CHECK(std::isnan(v) || v > 0);
        FUZZ_CHECK(std::isnan(t.flatTolerance) || t.flatTolerance >= 0);
    }
    return 0;
}
