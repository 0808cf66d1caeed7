#pragma once
// Reading one packed record from an instrument file.

#include <cstddef>
#include <cstdio>

// Reads exactly `size` bytes with a single read. True only when all of them
// were delivered; a record not read in full must not be decoded.
bool ReadRecord(std::FILE* in, void* record, std::size_t size);
