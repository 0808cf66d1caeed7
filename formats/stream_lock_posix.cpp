#include "formats/stream_lock.h"

StreamLock::StreamLock(std::FILE* stream) : stream_(stream)
{
    flockfile(stream_);
}

StreamLock::~StreamLock()
{
    funlockfile(stream_);
}

const char* StreamLock::Take(std::size_t size)
{
#ifdef __GLIBC__
    // glibc keeps the unread part of the buffer between these two pointers.
    if (static_cast<std::size_t>(stream_->_IO_read_end - stream_->_IO_read_ptr) >= size) {
        const char* held = stream_->_IO_read_ptr;
        stream_->_IO_read_ptr += size;
        return held;
    }
#endif
    return nullptr;
}

std::size_t StreamLock::ReadThrough(void* record, std::size_t size)
{
#ifdef __GLIBC__
    return fread_unlocked(record, 1, size, stream_);
#else
    return std::fread(record, 1, size, stream_);
#endif
}
