#include "formats/stream_lock.h"

StreamLock::StreamLock(std::FILE* stream) : stream_(stream)
{
    flockfile(stream_);
}

StreamLock::~StreamLock()
{
    funlockfile(stream_);
}
