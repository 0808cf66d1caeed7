#pragma once
// Reading one packed record from an instrument file.

#include <cstddef>
#include <cstdio>

// Reads exactly `size` bytes with a single read. True only when all of them
// were delivered; a record not read in full must not be decoded.
bool ReadRecord(std::FILE* in, void* record, std::size_t size);

// SensorTimes, the record that closes every CTD and every ACM profile: two
// time fields, sensor switched on (offset 0) and off (offset 4).
constexpr std::size_t kSensorTimesSize = 8;
