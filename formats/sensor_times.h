#pragma once
// The close of a CTD or ACM profile: its SensorTimes record after the end mark.

#include "formats/decoder.h"
#include "formats/sink.h"

#include <cstdint>
#include <cstdio>

// Reads the SensorTimes record of `profile` from `in` and hands it to `sink`,
// ending the profile: Done, or ReadError (message `readError` naming the
// profile, ProfileEnd::SensorTimesMissing) when the record is short or the
// file reports an error.
DecodeResult CloseSensorProfile(std::FILE* in, uint32_t profile, MessageId readError, ProfileSink& sink,
                                Reporter& reporter);
