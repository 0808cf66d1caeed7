// The interrupt and exception log. The first byte chooses the form and a
// cancel request; the rest is IRQ_XCPT.LOG. Every whole 6-byte record becomes
// one line, a trailing partial record is dropped, and the result is Done with
// nothing logged; a cancel gives Cancelled and no line.

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/deployment.h"
#include "formats/irq_log.h"
#include "fuzz/fuzz_support.h"
#include "tests/fixture/job_support.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    ResetFuzzLog();
    const uint8_t mode = data[0];
    Settings.HumanReadible = mode & 1;
    const bool cancel = (mode & 2) != 0;
    TheUnpackJob().ClearCancel();
    if (cancel)
        TheUnpackJob().Cancel();

    const std::string input = WriteScratchFile("IRQ_XCPT.LOG", data + 1, size - 1);
    const std::string output = ScratchDir() + "/IRQ_XCPT.TXT";
    const DecodeResult r = UnpackIrqFile(input, output, SettingsDecodeOptions());
    const std::string text = ReadWholeFile(output);
    const std::string log = LogTake();
    TheUnpackJob().ClearCancel();

    if (cancel) {
        FUZZ_CHECK(r == DecodeResult::Cancelled);
        FUZZ_CHECK(log == "Operation cancelled by user\r\n" && text.empty());
        return 0;
    }
    FUZZ_CHECK(r == DecodeResult::Done && log.empty());
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n "); at != std::string::npos; at = text.find("\r\n ", at + 3))
        ++lines;
    FUZZ_CHECK(lines == (size - 1) / 6);
    FUZZ_CHECK(text.empty() || text.rfind("\r\n ", 0) == 0);
    return 0;
}
