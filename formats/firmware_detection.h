#pragma once
// Which firmware wrote a deployment, told by DEPLOY.DAT itself: its version
// word (the i16 at offset 0) is 301 under firmware 3.01 and 304 or 303 under
// 3.04 (VersionAccepted, formats/deployment.h). A layout counts as found only
// when the file also holds a whole record of that layout, so that the
// metadata check can read it afterwards.

#include <cstddef>
#include <cstdint>
#include <string>

enum class FirmwareVerdict {
    Found,        // `firmware` wrote the file
    Unreadable,   // the file is missing or cannot be read
    Short,        // fewer than two bytes, or fewer than the record the word names
    UnknownWord,  // the word is none of 301, 303 and 304
};

struct FirmwareDetection {
    FirmwareVerdict verdict = FirmwareVerdict::Unreadable;
    int firmware = -1;      // Firmware301 or Firmware304 (formats/run_choices.h): found,
                            // or named by the word of a short file; else -1
    int16_t word = 0;       // the version word, when at least two bytes were read
    std::size_t size = 0;   // bytes read, up to the 3.04 record's size
};

// The verdict on the first `size` bytes of a DEPLOY.DAT (a whole file, or at
// least its first kDeployRecord304Size bytes).
FirmwareDetection DetectFirmware(const uint8_t* bytes, std::size_t size);

// The verdict on the file at `path`.
FirmwareDetection DetectFirmwareOfFile(const std::string& path);
