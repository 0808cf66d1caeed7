#include "export/netcdf_layout.h"

#include "formats/bytes.h"
#include "platform/file.h"

#include <vector>

namespace {

constexpr uint32_t kTagDimensions = 0x0A;
constexpr uint32_t kTagVariables = 0x0B;
constexpr uint32_t kTagAttributes = 0x0C;
// No header of ours comes near this; a larger claim is a damaged file.
constexpr std::size_t kMaxHeader = std::size_t{1} << 26;

// A header held in memory, read field by field; running past its end sets
// `short_` (more of the file is needed), a field that makes no sense `bad_`.
class HeaderReader {
public:
    HeaderReader(const std::vector<uint8_t>& bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    uint32_t U32()
    {
        if (!Has(4))
            return 0;
        const uint32_t v = GetU32(&bytes_[at_]);
        at_ += 4;
        return v;
    }
    uint64_t U64()
    {
        const uint64_t high = U32();
        return (high << 32) | U32();
    }
    void Skip(uint64_t n)
    {
        if (Has(n))
            at_ += static_cast<std::size_t>(n);
    }
    void SkipName() { Skip(Padded(U32(), 1)); }
    std::string Name()
    {
        const uint32_t length = U32();
        if (!Has(Padded(length, 1)))
            return std::string();
        std::string name(reinterpret_cast<const char*>(&bytes_[at_]), length);
        at_ += static_cast<std::size_t>(Padded(length, 1));
        return name;
    }
    // The attributes of a list: skipped, only their sizes matter here.
    void SkipAttributes()
    {
        const uint32_t tag = U32();
        const uint32_t count = U32();
        if (tag != kTagAttributes && !(tag == 0 && count == 0))
            bad_ = true;
        for (uint32_t i = 0; i < count && Fine(); ++i) {
            SkipName();
            const std::size_t size = NetcdfTypeSize(static_cast<int>(U32()));
            const uint32_t values = U32();
            if (size == 0)
                bad_ = true;
            else
                Skip(Padded(values, size));
        }
    }
    bool Fine() const { return !short_ && !bad_; }
    bool Short() const { return short_; }
    bool Bad() const { return bad_; }
    void SetBad() { bad_ = true; }

private:
    static uint64_t Padded(uint64_t count, std::size_t size) { return (count * size + 3) / 4 * 4; }
    bool Has(uint64_t n)
    {
        if (!Fine())
            return false;
        if (n > size_ - at_) {
            short_ = true;
            return false;
        }
        return true;
    }
    const std::vector<uint8_t>& bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool short_ = false;
    bool bad_ = false;
};

// Parses the header from the first `size` bytes; false when they end first.
bool Parse(const std::vector<uint8_t>& bytes, std::size_t size, NetcdfLayout& layout, bool& bad)
{
    layout = NetcdfLayout();
    HeaderReader r(bytes, size);
    const uint32_t magic = r.U32();
    const int version = static_cast<int>(magic & 0xFF);
    if (r.Fine() && ((magic >> 8) != 0x434446 || (version != 1 && version != 2)))
        r.SetBad();  // "CDF" then 1 (32-bit offsets) or 2 (64-bit offsets)
    r.U32();         // the record count
    uint32_t tag = r.U32();
    uint32_t count = r.U32();
    if (r.Fine() && tag != kTagDimensions && !(tag == 0 && count == 0))
        r.SetBad();
    for (uint32_t i = 0; i < count && r.Fine(); ++i) {
        r.SkipName();
        layout.dimLengths.push_back(r.U32());
    }
    r.SkipAttributes();
    tag = r.U32();
    count = r.U32();
    if (r.Fine() && tag != kTagVariables && !(tag == 0 && count == 0))
        r.SetBad();
    for (uint32_t i = 0; i < count && r.Fine(); ++i) {
        NetcdfLayout::Variable v;
        v.name = r.Name();
        const uint32_t dims = r.U32();
        for (uint32_t d = 0; d < dims && r.Fine(); ++d) {
            v.dims.push_back(r.U32());
            if (v.dims.back() >= layout.dimLengths.size())
                r.SetBad();
        }
        r.SkipAttributes();
        v.type = static_cast<int>(r.U32());
        r.U32();  // the size, which a variable over 4 GiB cannot tell
        v.begin = version == 2 ? r.U64() : r.U32();
        if (r.Fine() && NetcdfTypeSize(v.type) == 0)
            r.SetBad();
        layout.variables.push_back(std::move(v));
    }
    bad = r.Bad();
    return r.Fine();
}

}  // namespace

int NetcdfTypeCode(NetcdfType type)
{
    switch (type) {
    case NetcdfType::Byte: return 1;
    case NetcdfType::Char: return 2;
    case NetcdfType::Short: return 3;
    case NetcdfType::Int: return 4;
    case NetcdfType::Float: return 5;
    case NetcdfType::Double: return 6;
    }
    return 0;
}

std::size_t NetcdfTypeSize(int type)
{
    switch (type) {
    case 1:
    case 2: return 1;
    case 3: return 2;
    case 4:
    case 5: return 4;
    case 6: return 8;
    default: return 0;
    }
}

bool ReadNetcdfLayout(std::FILE* file, NetcdfLayout& layout, std::string& error)
{
    std::vector<uint8_t> bytes;
    std::size_t size = 0;
    for (std::size_t want = 1 << 16;; want *= 2) {
        bytes.resize(want);
        if (!SeekFile(file, size)) {
            error = "cannot read its header";
            return false;
        }
        size += std::fread(bytes.data() + size, 1, want - size, file);
        bool bad = false;
        if (Parse(bytes, size, layout, bad))
            return true;
        if (bad || size < want || want >= kMaxHeader) {
            error = "its header is not that of a classic netCDF file";
            return false;
        }
    }
}
