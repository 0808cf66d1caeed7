#include "formats/output_file.h"

bool CloseOutputFile(std::FILE* out)
{
    if (!out)
        return true;
    const bool written = !std::ferror(out);
    return std::fclose(out) == 0 && written;
}
