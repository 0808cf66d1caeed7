// ACM data files. The first byte chooses the form, the write flag, whether
// the sensor time log is open and a cancel request; the rest is the file.
// Profiles are decoded one after another until a call ends the walk: a whole
// profile moves on by at least the end mark and the sensor times; an early
// end of the file stops with message 188 naming the profile.

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/acm.h"
#include "formats/deployment.h"
#include "fuzz/fuzz_support.h"
#include "tests/fixture/job_support.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const ProfileRun run(data, size, 4, 8, 16);
    for (uint32_t index = 0;; ++index) {
        const long before = std::ftell(run.in);
        const DecodeResult r =
            UnpackAcmProfile(run.out, run.in, run.base + index, run.sensorLog, SettingsDecodeOptions());
        const long after = std::ftell(run.in);
        const std::string log = LogTake();
        FUZZ_CHECK(after <= run.end);
        if (r == DecodeResult::Done) {
            FUZZ_CHECK(log.empty() && after - before >= 26);
            continue;
        }
        if (r == DecodeResult::Cancelled)
            FUZZ_CHECK(run.cancel && log == "Operation cancelled by user\r\n");
        else
            FUZZ_CHECK(r == DecodeResult::ReadError && log == "Error reading from ACM file for profile " +
                                             std::to_string(run.base + index) + "\r\n");
        break;
    }
    return 0;
}
