#include "formats/firmware_detection.h"

#include "formats/bytes.h"
#include "formats/deployment.h"
#include "formats/run_choices.h"
#include "platform/platform.h"

#include <cstdio>

FirmwareDetection DetectFirmware(const uint8_t* bytes, std::size_t size)
{
    FirmwareDetection d;
    d.size = size;
    if (size < 2) {
        d.verdict = FirmwareVerdict::Short;
        return d;
    }
    d.word = GetI16(bytes);
    if (VersionAccepted(d.word, true))
        d.firmware = Firmware301;
    else if (VersionAccepted(d.word, false))
        d.firmware = Firmware304;
    else {
        d.verdict = FirmwareVerdict::UnknownWord;
        return d;
    }
    d.verdict = size >= DeployRecordSize(d.firmware == Firmware301) ? FirmwareVerdict::Found : FirmwareVerdict::Short;
    return d;
}

FirmwareDetection DetectFirmwareOfFile(const std::string& path)
{
    const File in = OpenFile(path.c_str(), "rb");
    if (!in)
        return FirmwareDetection{};
    uint8_t bytes[kDeployRecord304Size];
    const std::size_t size = std::fread(bytes, 1, sizeof bytes, in.get());
    if (std::ferror(in.get()))  // a folder of that name, a read error
        return FirmwareDetection{};
    return DetectFirmware(bytes, size);
}
