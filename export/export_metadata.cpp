#include "export/export_metadata.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* kDateKeys[] = {"date_created", "date_modified", "date_issued", "date_metadata_modified"};

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// `count` digits at `at`, as a number in first..last.
bool Digits(std::string_view text, std::size_t at, std::size_t count, int first, int last)
{
    if (at + count > text.size())
        return false;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return value >= first && value <= last;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool ParseInRange(std::string_view text, const std::string& what, double low, double high, double& value,
                  std::string& error)
{
    double v = 0.0;
    if (!ParseNumber(text, v)) {
        error = what + ": \"" + std::string(text) + "\" is not a number";
        return false;
    }
    if (v < low || v > high) {
        std::ostringstream range;
        range << low << ".." << high;
        error = what + ": " + std::string(text) + " is outside " + range.str();
        return false;
    }
    value = v;
    return true;
}

// Whether `text` is UTF-8: well-formed sequences of the shortest form, no
// surrogates, nothing past U+10FFFF.
bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                                                             : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        const unsigned char next = length > 1 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if ((c == 0xE0 && next < 0xA0) || (c == 0xED && next > 0x9F) || (c == 0xF0 && next < 0x90) ||
            (c == 0xF4 && next > 0x8F))
            return false;
        i += length;
    }
    return true;
}

void AppendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The UTF-8 of text in Windows-1252 (the ANSI code page of western Windows);
// its five unassigned bytes become the C1 controls of their values.
std::string Utf8FromWindows1252(std::string_view text)
{
    static const unsigned short k80To9F[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    for (char ch : text) {
        const unsigned c = static_cast<unsigned char>(ch);
        AppendUtf8(out, c >= 0x80 && c <= 0x9F ? k80To9F[c - 0x80] : c);
    }
    return out;
}

// The first control character of UTF-8 text (C0, DEL or C1), or -1.
int FirstControl(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F)
            return c;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            return static_cast<unsigned char>(text[i + 1]);  // U+0080..U+009F
    }
    return -1;
}

}  // namespace

std::string MetadataText(std::string_view text)
{
    return IsUtf8(text) ? std::string(text) : Utf8FromWindows1252(text);
}

bool ParseNumber(std::string_view text, double& value)
{
    if (text.empty())
        return false;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (*begin == '+')
        ++begin;  // from_chars takes no plus sign
    if (begin == end || !(std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '-' || *begin == '.'))
        return false;  // no "inf", "nan" or a second sign
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(begin, end, v, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool ParseLatitude(std::string_view text, const std::string& what, double& value, std::string& error)
{
    return ParseInRange(text, what, -90.0, 90.0, value, error);
}

bool ParseLongitude(std::string_view text, const std::string& what, double& value, std::string& error)
{
    return ParseInRange(text, what, -180.0, 360.0, value, error);
}

bool IsIsoDateTime(std::string_view t)
{
    // YYYY-MM-DD
    if (!Digits(t, 0, 4, 0, 9999) || t.size() < 10 || t[4] != '-' || !Digits(t, 5, 2, 1, 12) || t[7] != '-')
        return false;
    const int year = std::stoi(std::string(t.substr(0, 4)));
    const int month = std::stoi(std::string(t.substr(5, 2)));
    if (!Digits(t, 8, 2, 1, DaysInMonth(year, month)))
        return false;
    if (t.size() == 10)
        return true;
    // Thh:mm[:ss[.f...]]
    if (t[10] != 'T' || !Digits(t, 11, 2, 0, 23) || t.size() < 16 || t[13] != ':' || !Digits(t, 14, 2, 0, 59))
        return false;
    std::size_t at = 16;
    if (at < t.size() && t[at] == ':') {
        if (!Digits(t, at + 1, 2, 0, 60))
            return false;
        at += 3;
        if (at < t.size() && (t[at] == '.' || t[at] == ',')) {
            std::size_t digits = 0;
            for (++at; at < t.size() && t[at] >= '0' && t[at] <= '9'; ++at)
                ++digits;
            if (digits == 0)
                return false;
        }
    }
    // the zone: none, Z, or +hh:mm / -hh:mm
    if (at == t.size())
        return true;
    if (t[at] == 'Z')
        return at + 1 == t.size();
    if (t[at] != '+' && t[at] != '-')
        return false;
    return t.size() == at + 6 && Digits(t, at + 1, 2, 0, 23) && t[at + 3] == ':' && Digits(t, at + 4, 2, 0, 59);
}

bool IsAttributeName(std::string_view name)
{
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '@' || c == '+' ||
              c == '-'))
            return false;
    return name.size() <= 256;
}

bool ReadExportMetadata(const std::string& path, ExportMetadata& metadata, std::string& error)
{
    metadata = ExportMetadata{};
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the metadata file " + path;
        return false;
    }
    enum { kOther, kMetadata, kQc } section = kOther;
    bool sawSection = false;
    std::string line;
    while (std::getline(in, line)) {
        std::string_view text = Trim(line);
        if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
            static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
            text = Trim(text.substr(3));  // a UTF-8 byte order mark
        if (text.empty() || text[0] == ';' || text[0] == '#')
            continue;
        if (text.front() == '[') {
            const auto close = text.find(']');
            const std::string_view name =
                close == std::string_view::npos ? std::string_view() : Trim(text.substr(1, close - 1));
            section = EqualNoCase(name, "METADATA") ? kMetadata : EqualNoCase(name, "QC") ? kQc : kOther;
            sawSection = sawSection || section != kOther;
            continue;
        }
        if (section == kOther)
            continue;
        const auto equals = text.find('=');
        const std::string key(Trim(text.substr(0, equals)));
        std::string_view value = equals == std::string_view::npos ? std::string_view() : Trim(text.substr(equals + 1));
        if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                                  (value.front() == '\'' && value.back() == '\'')))
            value = value.substr(1, value.size() - 2);
        const std::string where = path + ": key " + key;
        if (section == kQc) {
            if (equals == std::string_view::npos) {
                error = path + ": \"" + std::string(text) + "\" is not a key = value line";
                return false;
            }
            if (!SetQcKey(key, value, where, metadata.qc, error))
                return false;
            continue;
        }
        if (equals == std::string_view::npos || !IsAttributeName(key)) {
            error = path + ": \"" + MetadataText(text) + "\" is not a key = value line with an attribute name";
            return false;
        }
        // Text saved by an older Windows editor is in its ANSI code page:
        // read as Windows-1252, written as UTF-8.
        const std::string utf8 = MetadataText(value);
        value = utf8;
        if (const int control = FirstControl(value); control >= 0) {
            const char* hex = "0123456789ABCDEF";
            error = where + ": the value holds the control character 0x" + hex[control >> 4] + hex[control & 15];
            return false;
        }
        if (key == "latitude") {
            if (!ParseLatitude(value, where, metadata.latitude, error))
                return false;
            metadata.hasLatitude = true;
            continue;
        }
        if (key == "longitude") {
            if (!ParseLongitude(value, where, metadata.longitude, error))
                return false;
            metadata.hasLongitude = true;
            continue;
        }
        for (const char* date : kDateKeys)
            if (key == date && !IsIsoDateTime(value)) {
                error = where + ": \"" + std::string(value) + "\" is not an ISO 8601 date (YYYY-MM-DDThh:mm:ssZ)";
                return false;
            }
        bool replaced = false;
        for (auto& kv : metadata.attributes)
            if (kv.first == key) {
                kv.second = std::string(value);
                replaced = true;
            }
        if (!replaced)
            metadata.attributes.emplace_back(key, std::string(value));
    }
    if (!sawSection) {
        error = path + ": no [METADATA] section";
        return false;
    }
    return CheckQcSettings(metadata.qc, path, error);
}
