#include "export/netcdf_direct.h"

#include "platform/platform.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

// Values are converted and written this many bytes at a time.
constexpr std::size_t kPieceBytes = 1 << 18;

// `count` values of `size` bytes each from `in` to big-endian `out` (whole
// words swapped, which the compiler turns into vector code).
template <typename Word, Word (*Swap)(Word)>
void SwapWords(const uint8_t* in, std::size_t count, uint8_t* out)
{
    for (std::size_t i = 0; i < count; ++i) {
        Word v;
        std::memcpy(&v, in + i * sizeof v, sizeof v);
        if constexpr (std::endian::native == std::endian::little)
            v = Swap(v);
        std::memcpy(out + i * sizeof v, &v, sizeof v);
    }
}
uint16_t Swap16(uint16_t v) { return __builtin_bswap16(v); }
uint32_t Swap32(uint32_t v) { return __builtin_bswap32(v); }
uint64_t Swap64(uint64_t v) { return __builtin_bswap64(v); }

void ToBigEndian(const void* in, std::size_t size, std::size_t count, uint8_t* out)
{
    const auto* p = static_cast<const uint8_t*>(in);
    switch (size) {
    case 1: std::memcpy(out, p, count); break;
    case 2: SwapWords<uint16_t, Swap16>(p, count, out); break;
    case 4: SwapWords<uint32_t, Swap32>(p, count, out); break;
    default: SwapWords<uint64_t, Swap64>(p, count, out); break;
    }
}

std::string Cause()
{
    return errno != 0 ? std::strerror(errno) : "the file refused a write";
}

}  // namespace

bool NetcdfDirectValues::Open(const std::string& path, int dim, std::string& error)
{
    path_ = path;
    dim_ = dim;
    if (!Resume(error) || !ReadNetcdfLayout(file_.get(), layout_, error))
        return false;
    if (dim < 0 || static_cast<std::size_t>(dim) >= layout_.dimLengths.size()) {
        error = "no such dimension";
        return false;
    }
    return true;
}

bool NetcdfDirectValues::Resume(std::string& error)
{
    if (file_)
        return true;
    errno = 0;
    file_ = OpenFile(path_.c_str(), "r+b");
    if (!file_) {
        error = "cannot reopen the file: " + Cause();
        return false;
    }
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);  // the pieces are large already
    return true;
}

bool NetcdfDirectValues::Covers(int var) const
{
    if (var < 0 || static_cast<std::size_t>(var) >= layout_.variables.size())
        return false;
    const auto& dims = layout_.variables[static_cast<std::size_t>(var)].dims;
    return !dims.empty() && dims[0] == static_cast<uint32_t>(dim_);
}

const std::string& NetcdfDirectValues::Name(int var) const
{
    return layout_.variables[static_cast<std::size_t>(var)].name;
}

std::size_t NetcdfDirectValues::RowLength(int var) const
{
    const auto& dims = layout_.variables[static_cast<std::size_t>(var)].dims;
    uint64_t length = 1;
    for (std::size_t i = 1; i < dims.size(); ++i)
        length *= layout_.dimLengths[dims[i]];
    return static_cast<std::size_t>(length);
}

bool NetcdfDirectValues::Put(int var, NetcdfType type, std::size_t first, std::size_t count, const void* values,
                             std::string& error)
{
    const NetcdfLayout::Variable& v = layout_.variables[static_cast<std::size_t>(var)];
    const uint64_t length = layout_.dimLengths[static_cast<std::size_t>(dim_)] * RowLength(var);
    if (v.type != NetcdfTypeCode(type) || first > length || count > length - first) {
        error = "cannot write variable '" + v.name + "': the values are not of its type and shape";
        return false;
    }
    if (count == 0)
        return true;
    if (!Resume(error))
        return false;
    const std::size_t size = NetcdfTypeSize(v.type);
    // (not cleared first: every byte written is converted into it)
    const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(std::min(count * size, kPieceBytes));
    const auto* p = static_cast<const uint8_t*>(values);
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(count - done, kPieceBytes / size);
        ToBigEndian(p + done * size, size, n, buffer.get());
        errno = 0;
        if (!WriteFileAt(file_.get(), v.begin + static_cast<uint64_t>(first + done) * size, buffer.get(), n * size)) {
            error = "cannot write variable '" + v.name + "': " + Cause();
            return false;
        }
        done += n;
    }
    return true;
}

bool NetcdfDirectValues::Suspend(std::string& error)
{
    errno = 0;
    if (CloseOutputFile(std::move(file_)))
        return true;
    error = "cannot write the file: " + Cause();
    return false;
}
