#pragma once
// Holds an input stream's lock while a decoder reads one profile. The C
// library takes the lock of a stream for every read once a program runs more
// than one thread; with the lock already held, each of a profile's many small
// reads skips that step.

#include <cstdio>

class StreamLock {
public:
    explicit StreamLock(std::FILE* stream);
    ~StreamLock();
    StreamLock(const StreamLock&) = delete;
    StreamLock& operator=(const StreamLock&) = delete;

private:
    std::FILE* stream_;
};
