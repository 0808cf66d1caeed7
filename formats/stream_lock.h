#pragma once
// Holds an input stream's lock while a decoder reads one profile. The C
// library takes the lock of a stream for every read once a program runs more
// than one thread; with the lock already held, each of a profile's many small
// reads skips that step.

#include <cstddef>
#include <cstdio>

class StreamLock {
public:
    explicit StreamLock(std::FILE* stream);
    ~StreamLock();
    StreamLock(const StreamLock&) = delete;
    StreamLock& operator=(const StreamLock&) = delete;

    // std::fread(record, 1, size, stream), the same bytes, count and
    // indicators: a record the stream's buffer holds whole is copied straight
    // out of it (as fread itself does, without its calls), any other goes
    // through fread.
    std::size_t Read(void* record, std::size_t size);

private:
    std::FILE* stream_;
};
