// The activity log with any size and level mask: entries of any length, with
// and without line breaks, in any category, trimmed as the log fills. The text
// always ends within the storage, its length is what the log says, and an
// entry the log keeps is its newest text.

#include "app/program_log.h"
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fdp(data, size);
    ResetFuzzLog();  // the default settings, once
    Settings.LogSize = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange(-4, 300) : fdp.ConsumeIntegral<int32_t>() % 70000;
    Settings.LogLevel = fdp.ConsumeIntegral<int32_t>();
    SetLogQuestion([](const char*, const char*) { return true; });
    FUZZ_CHECK(CreateActivityLog(CurrentModule()) == 0);
    const uint32_t capacity = LogCapacity();
    FUZZ_CHECK(capacity == (Settings.LogSize > 0 ? static_cast<uint32_t>(Settings.LogSize) : 0u));

    while (fdp.remaining_bytes() > 0) {
        const int category = fdp.PickValueInArray({1, 2, 4, 8, 3, 16});
        const std::string text = fdp.ConsumeRandomLengthString(600);
        const char* entry = text.c_str();
        const uint32_t before = LogUsed();
        const int action = fdp.ConsumeIntegralInRange(0, 3);
        switch (action) {
        case 0: LogAppend(entry, category); break;
        case 1: LogText(category, "%s\r\n", entry); break;
        case 2:
            // Messages whose conversions are all %s (at most two), or none.
            LogMessage(category,
                       fdp.PickValueInArray({MessageId::UnpackException, MessageId::SummaryInputFile,
                                             MessageId::SummaryInputFiles, MessageId::EngineeringOpenError,
                                             MessageId::Cancelled, MessageId::TerminationLogError,
                                             MessageId::SavingLog, MessageId::LogNotSaved,
                                             MessageId::DeployWrongVersion}),
                       entry, entry);
            break;
        default: LogTrim(); break;
        }
        const char* log = LogTake();
        const uint32_t used = LogUsed();
        FUZZ_CHECK(std::strlen(log) == used);
        if (capacity == 0) {
            FUZZ_CHECK(used == 0);
            continue;
        }
        FUZZ_CHECK(used < capacity);
        // An appended entry is either the newest text or dropped (the log can
        // only have shrunk then, by a trim).
        const std::size_t length = std::strlen(entry);
        if (action == 0 && (category & Settings.LogLevel) != 0 && length > 0) {
            const bool kept = used >= length && std::strcmp(log + used - length, entry) == 0;
            FUZZ_CHECK(kept || used <= before);
        }
    }
    LogDestroy();
    SetLogQuestion(nullptr);
    return 0;
}
