#include "platform/file.h"

bool CloseOutputFile(File out)
{
    if (!out)
        return true;
    const bool written = !std::ferror(out.get());
    return std::fclose(out.release()) == 0 && written;
}
