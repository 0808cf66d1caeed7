#include "platform/file.h"

#include <cstdio>

bool CloseOutputFile(File out)
{
    if (!out)
        return true;
    const bool written = !std::ferror(out.get());
    return std::fclose(out.release()) == 0 && written;
}

bool SeekFile(std::FILE* file, uint64_t offset)
{
    if (offset > static_cast<uint64_t>(INT64_MAX))
        return false;
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool FilePosition(std::FILE* file, uint64_t& offset)
{
#ifdef _WIN32
    const long long at = _ftelli64(file);
#else
    const off_t at = ftello(file);
#endif
    if (at < 0)
        return false;
    offset = static_cast<uint64_t>(at);
    return true;
}
