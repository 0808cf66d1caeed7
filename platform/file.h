#pragma once
// An open file that closes itself. Every input and output of the program is
// held in one from the moment it is opened (OpenFile, platform/platform.h) to
// its close; code that borrows the stream takes the plain std::FILE*.

#include <cstdint>
#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Closes `out` and tells whether every byte written to it reached the file: a
// full disk shows only as a write error on the stream or as a failing close.
// An empty handle closes nothing and counts as written.
bool CloseOutputFile(File out);

// Moves `file` to byte `offset` from its start, far offsets too (fseek takes
// a long, 32 bits on Windows). False when the stream cannot be moved there.
bool SeekFile(std::FILE* file, uint64_t offset);
// Where `file` stands: the byte from its start the next read or write is at,
// far offsets too. False when the stream cannot tell.
bool FilePosition(std::FILE* file, uint64_t& offset);
