// Engineering data files of both layouts. The first byte chooses the layout,
// the form, the write flag, the file base and a cancel request; the rest is
// the file. Profiles are decoded one after another until a call ends the file
// (as the unpack job does), and every call must either finish a profile and
// move on, or stop with one message naming that profile.

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/deployment.h"
#include "formats/engineering.h"
#include "fuzz/fuzz_support.h"
#include "tests/fixture/job_support.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    ResetFuzzLog();
    const uint8_t mode = data[0];
    Settings.FirmwareVers = (mode & 1) ? Firmware304 : Firmware301;
    Settings.HumanReadible = (mode >> 1) & 1;
    const bool write = ((mode >> 2) & 1) == 0;
    const uint32_t base = (mode & 8) ? 0xFFFFFFFEu : 0u;
    const bool cancel = (mode & 16) != 0;

    TheUnpackJob().ClearCancel();
    if (cancel)
        TheUnpackJob().Cancel();

    std::FILE* in = OpenInput(data + 1, size - 1);
    std::FILE* out = write ? NullOutput() : nullptr;
    const long end = static_cast<long>(size - 1);
    for (uint32_t index = 0;; ++index) {
        long before = std::ftell(in);
        const DecodeResult r = UnpackEngineeringProfile(out, in, base + index, NullOutput(), SettingsDecodeOptions());
        long after = std::ftell(in);
        FUZZ_CHECK(after <= end);
        if (r == DecodeResult::Done) {
            // A whole profile is at least a header, a closing marker and its record.
            FUZZ_CHECK(after - before >= 24);
            FUZZ_CHECK(std::strcmp(LogTake(), "") == 0);
            continue;
        }
        const std::string log = LogTake();
        if (r == DecodeResult::Cancelled) {
            FUZZ_CHECK(cancel);
            FUZZ_CHECK(log == "Operation cancelled by user\r\n");
        } else {
            FUZZ_CHECK(r == DecodeResult::ReadError);
            const std::string expected =
                "Error reading from engineering file for profile " + std::to_string(base + index) + "\r\n";
            FUZZ_CHECK(log == expected);
        }
        break;
    }
    std::fclose(in);
    TheUnpackJob().ClearCancel();
    LogReset();
    return 0;
}
