#include "formats/record.h"

bool ReadRecord(std::FILE* in, void* record, std::size_t size)
{
    return std::fread(record, 1, size, in) == size;
}
