#include "formats/stream_lock.h"

#include <cstring>

StreamLock::StreamLock(std::FILE* stream) : stream_(stream)
{
    flockfile(stream_);
}

StreamLock::~StreamLock()
{
    funlockfile(stream_);
}

namespace {

// The records' sizes as constants: a copy of a few moves, not a call.
void CopyRecord(void* to, const char* from, std::size_t size)
{
    switch (size) {
    case 4: std::memcpy(to, from, 4); break;
    case 9: std::memcpy(to, from, 9); break;
    case 12: std::memcpy(to, from, 12); break;
    case 18: std::memcpy(to, from, 18); break;
    case 24: std::memcpy(to, from, 24); break;
    default: std::memcpy(to, from, size); break;
    }
}

}  // namespace

std::size_t StreamLock::Read(void* record, std::size_t size)
{
#ifdef __GLIBC__
    // glibc keeps the unread part of the buffer between these two pointers.
    const std::size_t held = static_cast<std::size_t>(stream_->_IO_read_end - stream_->_IO_read_ptr);
    if (stream_->_IO_read_ptr != nullptr && held >= size) {
        CopyRecord(record, stream_->_IO_read_ptr, size);
        stream_->_IO_read_ptr += size;
        return size;
    }
    return fread_unlocked(record, 1, size, stream_);
#else
    return std::fread(record, 1, size, stream_);
#endif
}
