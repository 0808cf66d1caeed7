// CTD data files. The first byte chooses the form, the write flag, the CTD the
// deployment record marks as fitted, whether the sensor time log is open and a
// cancel request; the rest is the file. Profiles are decoded one after another
// as the unpack job does. A call either finishes a profile (moving on by at
// least the end mark and the sensor times), or reaches the end of the file
// among the scans (message 192, result Done, and every later call the same), or
// stops with message 192 when the sensor times are missing.

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/ctd.h"
#include "formats/deployment.h"
#include "fuzz/fuzz_support.h"
#include "tests/fixture/job_support.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const ProfileRun run(data, size, 16, 32, 64);
    TestDeployment = DeploymentRecord{};
    TestDeployment.fsiEmCtd = (run.mode >> 2) & 1;
    TestDeployment.seaBirdCtd = (run.mode >> 3) & 1;
    bool atEnd = false;
    for (uint32_t index = 0; index < 8; ++index) {
        const long before = std::ftell(run.in);
        const DecodeResult r =
            UnpackCtdProfile(run.out, run.in, run.base + index, run.sensorLog, SettingsDecodeOptions());
        const long after = std::ftell(run.in);
        const std::string log = LogTake();
        const std::string readError =
            "Error reading from CTD file for profile " + std::to_string(run.base + index) + "\r\n";
        FUZZ_CHECK(after <= run.end);
        if (r == DecodeResult::Cancelled) {
            FUZZ_CHECK(run.cancel && log == "Operation cancelled by user\r\n");
            break;
        }
        if (r == DecodeResult::ReadError) {
            FUZZ_CHECK(log == readError);
            FUZZ_CHECK(!atEnd);
            break;
        }
        FUZZ_CHECK(r == DecodeResult::Done);
        if (log.empty()) {
            FUZZ_CHECK(!atEnd && after - before >= 17);
        } else {
            // The file ended among the scans; so it does for every later profile.
            FUZZ_CHECK(log == readError);
            FUZZ_CHECK(after == run.end);
            atEnd = true;
        }
        LogReset();
    }
    return 0;
}
