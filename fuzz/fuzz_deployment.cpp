// The deployment file, both layouts. The first byte chooses the layout and the
// form; the rest is DEPLOY.DAT. A file shorter than the record gives message
// 180, result ReadError and an empty report; a longer one a report that is exactly the
// report of the record decoded from its first bytes.

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/deployment.h"
#include "formats/deployment_text.h"
#include "fuzz/fuzz_support.h"
#include "tests/fixture/job_support.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    ResetFuzzLog();
    const uint8_t mode = data[0];
    Settings.FirmwareVers = (mode & 1) ? Firmware304 : Firmware301;
    Settings.HumanReadible = (mode >> 1) & 1;
    ++data;
    --size;

    const std::string input = WriteScratchFile("DEPLOY.DAT", data, size);
    const std::string output = ScratchDir() + "/DEPLOY.TXT";
    const DecodeResult r = UnpackDeploymentFile(input, output, SettingsDecodeOptions());
    const std::string report = ReadWholeFile(output);
    const std::string log = LogTake();

    const bool layout301 = Settings.FirmwareVers == Firmware301;
    if (size < DeployRecordSize(layout301)) {
        FUZZ_CHECK(r == DecodeResult::ReadError);
        FUZZ_CHECK(log == "Error reading from deployment file DEPLOY.DAT\r\n");
        FUZZ_CHECK(report.empty());
        return 0;
    }
    FUZZ_CHECK(r == DecodeResult::Done && log.empty());
    char* text = nullptr;
    std::size_t length = 0;
    std::FILE* expected = open_memstream(&text, &length);
    FUZZ_CHECK(expected != nullptr);
    WriteDeploymentReport(expected, DecodeDeployment(data, layout301), Settings.HumanReadible != 0);
    std::fclose(expected);
    FUZZ_CHECK(report == std::string(text, length));
    std::free(text);
    FUZZ_CHECK(report.rfind("\r\n\r\n\r\n\r\n DEPLOYMENT PARAMETERS\r\n", 0) == 0);

    char hms[9], dhms[32];
    DurationHms(static_cast<int32_t>(size * 2654435761u), hms);
    DurationDhms(static_cast<int32_t>(size * 2654435761u), dhms);
    return 0;
}
