#include "export/netcdf_attributes.h"

#include "export/profile_record.h"

#include <limits>
#include <utility>

Attribute TextAttribute(std::string name, std::string text)
{
    Attribute a;
    a.name = std::move(name);
    a.text = std::move(text);
    return a;
}

Attribute NumbersAttribute(std::string name, NetcdfType type, std::vector<double> numbers)
{
    Attribute a;
    a.name = std::move(name);
    a.kind = Attribute::Kind::Numbers;
    a.type = type;
    a.numbers = std::move(numbers);
    return a;
}

Attribute FillAttribute()
{
    Attribute a;
    a.name = "_FillValue";
    a.kind = Attribute::Kind::Fill;
    return a;
}

double FillValueOf(NetcdfType type)
{
    switch (type) {
    case NetcdfType::Byte: return kByteFill;
    case NetcdfType::Short: return kShortFill;
    case NetcdfType::Int: return -2147483647;
    default: break;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

namespace {

bool PutNumbers(NetcdfFile& f, int var, const char* name, NetcdfType type, const std::vector<double>& numbers)
{
    switch (type) {
    case NetcdfType::Byte: return f.PutAttBytes(var, name, ConvertedNumbers<int8_t>(numbers));
    case NetcdfType::Short: return f.PutAttShorts(var, name, ConvertedNumbers<int16_t>(numbers));
    case NetcdfType::Int: return f.PutAttInts(var, name, ConvertedNumbers<int32_t>(numbers));
    case NetcdfType::Float: return f.PutAttFloats(var, name, ConvertedNumbers<float>(numbers));
    case NetcdfType::Double: return f.PutAttDoubles(var, name, numbers);
    case NetcdfType::Char: break;
    }
    return false;
}

}  // namespace

bool PutAttributes(NetcdfFile& f, int var, NetcdfType type, const std::vector<Attribute>& attributes)
{
    for (const Attribute& a : attributes) {
        switch (a.kind) {
        case Attribute::Kind::Text: f.PutAttText(var, a.name.c_str(), a.text); break;
        case Attribute::Kind::Numbers: PutNumbers(f, var, a.name.c_str(), a.type, a.numbers); break;
        case Attribute::Kind::Fill: PutNumbers(f, var, a.name.c_str(), type, {FillValueOf(type)}); break;
        }
    }
    return f.Ok();
}
