// ACM data files. The first byte chooses the form, the write flag, whether
// the sensor time log is open and a cancel request; the rest is the file.
// Profiles are decoded one after another until a call ends the walk: a whole
// profile moves on by at least the end mark and the sensor times; an early
// end of the file stops with message 188 naming the profile.

#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/acm.h"
#include "formats/settings_record.h"
#include "fuzz/fuzz_support.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    ResetFuzzLog();
    const uint8_t mode = data[0];
    Settings.HumanReadible = mode & 1;
    const bool write = (mode & 2) == 0;
    std::FILE* sensorLog = (mode & 4) ? nullptr : NullOutput();
    const bool cancel = (mode & 8) != 0;
    const uint32_t base = (mode & 16) ? 0xFFFFFFF0u : 7u;

    ClearCancelRequest();
    if (cancel)
        RequestCancel();
    std::FILE* in = OpenInput(data + 1, size - 1);
    std::FILE* out = write ? NullOutput() : nullptr;
    const long end = static_cast<long>(size - 1);
    for (uint32_t index = 0;; ++index) {
        const long before = std::ftell(in);
        const int r = UnpackAcmProfile(out, in, base, index, write, sensorLog);
        const long after = std::ftell(in);
        const std::string log = LogTake();
        FUZZ_CHECK(after <= end);
        if (r == 0) {
            FUZZ_CHECK(log.empty() && after - before >= 26);
            continue;
        }
        if (r == 2)
            FUZZ_CHECK(cancel && log == "Operation cancelled by user\r\n");
        else
            FUZZ_CHECK(r == -1 &&
                       log == "Error reading from ACM file for profile " + std::to_string(base + index) + "\r\n");
        break;
    }
    std::fclose(in);
    ClearCancelRequest();
    return 0;
}
