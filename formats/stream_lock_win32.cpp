#include "formats/stream_lock.h"

StreamLock::StreamLock(std::FILE* stream) : stream_(stream)
{
    _lock_file(stream_);
}

StreamLock::~StreamLock()
{
    _unlock_file(stream_);
}

const char* StreamLock::Take(std::size_t size)
{
#ifndef _UCRT
    // msvcrt keeps `_cnt` unread bytes of the buffer at `_ptr`.
    if (stream_->_cnt > 0 && static_cast<std::size_t>(stream_->_cnt) >= size) {
        const char* held = stream_->_ptr;
        stream_->_ptr += size;
        stream_->_cnt -= static_cast<int>(size);
        return held;
    }
#endif
    return nullptr;
}

std::size_t StreamLock::ReadThrough(void* record, std::size_t size)
{
    return std::fread(record, 1, size, stream_);
}
