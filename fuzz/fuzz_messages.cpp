// ExpandMessage and ExpandMessageAsFormat with hostile Settings: folders and
// prefixes of any bytes up to 255 characters (%, \, braces, non-ASCII), any
// numbers, any id, any buffer size. Never past `size`, always NUL-terminated;
// and a text expanded for use as a format, formatted with no arguments, is the
// plain expansion whenever the message itself holds no conversion: nothing a
// placeholder puts in is ever taken for a conversion.

#include "app/expanded_text.h"
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/messages.h"
#include "formats/text_format.h"
#include "fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdarg>
#include <cstring>
#include <memory>
#include <string>

namespace {

void FillText(FuzzedDataProvider& fdp, char (&field)[kTextFieldSize])
{
    std::string text = fdp.ConsumeRandomLengthString(kTextFieldSize - 1);
    std::memcpy(field, text.c_str(), text.size() + 1);  // stops at an inner NUL as C does
}

std::string FormatWithoutArguments(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatStringV(FormatDialect::Wsprintf, format, args);
    va_end(args);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    ResetFuzzLog();
    FuzzedDataProvider fdp(data, size);
    const int number = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange(95, 245) : fdp.ConsumeIntegral<int>();
    const MessageId id = static_cast<MessageId>(number);
    const std::size_t room = fdp.ConsumeBool() ? kMessageBufferSize : fdp.ConsumeIntegralInRange<std::size_t>(0, 600);
    Settings.UnpackAll = fdp.ConsumeIntegral<int32_t>();
    Settings.FirstProfile = fdp.ConsumeIntegral<int32_t>();
    Settings.LastProfile = fdp.ConsumeIntegral<int32_t>();
    Settings.MaxProfile = fdp.ConsumeIntegral<int32_t>();
    Settings.ProfilesPerFile = fdp.ConsumeIntegral<int32_t>();
    Settings.FileCount = fdp.ConsumeIntegral<int32_t>();
    Settings.ProfileRange = fdp.ConsumeIntegral<int32_t>();
    Settings.HumanReadible = fdp.ConsumeIntegral<int32_t>();
    Settings.FirmwareVers = fdp.ConsumeBool() ? Firmware301 : Firmware304;
    FillText(fdp, Settings.SrcDir);
    FillText(fdp, Settings.DstDir);
    FillText(fdp, Settings.Prefix);

    std::unique_ptr<char[]> plain(new char[room]);
    std::unique_ptr<char[]> format(new char[room]);
    std::memset(plain.get(), 'x', room);
    std::memset(format.get(), 'x', room);
    const int n = ExpandMessage(CurrentModule(), id, plain.get(), room);
    const int m = ExpandMessageAsFormat(CurrentModule(), id, format.get(), room);
    const char* raw = MessageText(id);
    FUZZ_CHECK(n == m);
    FUZZ_CHECK(n == (raw && room > 0 ? static_cast<int>(std::strlen(raw)) : 0));
    if (room == 0)
        return 0;
    FUZZ_CHECK(std::memchr(plain.get(), '\0', room) != nullptr);
    FUZZ_CHECK(std::memchr(format.get(), '\0', room) != nullptr);

    // The date and time of LogCreated may tick between the two expansions.
    // (A doubled percent sign is cut whole, so it may leave one byte unused.)
    const bool cut = std::strlen(plain.get()) + 1 >= room || std::strlen(format.get()) + 2 >= room;
    if (raw && !std::strchr(raw, '%') && id != MessageId::LogCreated && !cut) {
        const std::string formatted = FormatWithoutArguments(format.get());
        if (formatted != plain.get()) {
            std::fprintf(stderr, "message %d: %zu bytes as format give %zu bytes, not the %zu of the text\n", number,
                         std::strlen(format.get()), formatted.size(), std::strlen(plain.get()));
            for (std::size_t i = 0; i < formatted.size(); ++i)
                if (formatted[i] != plain[i]) {
                    std::fprintf(stderr, " first difference at %zu: %02x, not %02x\n", i,
                                 static_cast<unsigned char>(formatted[i]), static_cast<unsigned char>(plain[i]));
                    break;
                }
            FUZZ_CHECK(!"a placeholder's text was taken for a conversion");
        }
    }
    return 0;
}
