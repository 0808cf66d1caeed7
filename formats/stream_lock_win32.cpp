#include "formats/stream_lock.h"

StreamLock::StreamLock(std::FILE* stream) : stream_(stream)
{
    _lock_file(stream_);
}

StreamLock::~StreamLock()
{
    _unlock_file(stream_);
}
