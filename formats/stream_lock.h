#pragma once
// Holds an input stream's lock while a decoder reads one profile. The C
// library takes the lock of a stream for every read once a program runs more
// than one thread; with the lock already held, each of a profile's many small
// reads skips that step.

#include <cstddef>
#include <cstdio>
#include <cstring>

class StreamLock {
public:
    explicit StreamLock(std::FILE* stream);
    ~StreamLock();
    StreamLock(const StreamLock&) = delete;
    StreamLock& operator=(const StreamLock&) = delete;

    // std::fread(record, 1, size, stream), the same bytes, count and
    // indicators: a record the stream's buffer holds whole is copied straight
    // out of it (as fread itself does, without its calls), any other goes
    // through fread. Inline, so that a record of a constant size is copied
    // by a few moves.
    std::size_t Read(void* record, std::size_t size)
    {
        if (const char* held = Take(size)) {
            std::memcpy(record, held, size);
            return size;
        }
        return ReadThrough(record, size);
    }

private:
    // The next `size` bytes of the stream's buffer, taken from it, when it
    // holds them all; else null, and nothing is taken.
    const char* Take(std::size_t size);
    // fread with the lock held.
    std::size_t ReadThrough(void* record, std::size_t size);

    std::FILE* stream_;
};
