#include "platform/private_profile.h"

#include "platform/file.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <utility>
#include <vector>

namespace {

struct Line {
    std::string text;    // without its line end
    std::string ending;  // "\r\n", "\n" or "" for a last line without one
};

bool ReadLines(const char* file, std::vector<Line>& lines)
{
    lines.clear();
    // The settings file is named exactly, as the Win32 profile API takes it.
    const File f(std::fopen(file, "rb"));
    if (!f)
        return false;
    std::string all;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0)
        all.append(buffer, n);
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t lf = all.find('\n', start);
        Line line;
        if (lf == std::string::npos) {
            line.text = all.substr(start);
            start = all.size();
        } else {
            line.text = all.substr(start, lf - start);
            line.ending = "\n";
            start = lf + 1;
        }
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.ending.insert(0, "\r");
        }
        lines.push_back(line);
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string Trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// The section name of a "[name]" line, trimmed; false for any other line.
bool SectionName(const std::string& text, std::string& name)
{
    std::string t = Trim(text);
    if (t.empty() || t[0] != '[')
        return false;
    std::size_t close = t.find(']');
    name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// The key and value of a "key=value" line, each trimmed; false for other lines.
bool KeyValue(const std::string& text, std::string& key, std::string& value)
{
    std::string t = Trim(text);
    if (t.empty() || t[0] == ';')
        return false;
    std::size_t eq = t.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return !key.empty();
}

bool SameName(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

// Finds the section's header line and the key's line in it (npos when absent).
void Locate(const std::vector<Line>& lines, const char* section, const char* key, std::size_t& header,
            std::size_t& sectionEnd, std::size_t& keyLine)
{
    header = sectionEnd = keyLine = std::string::npos;
    std::string name, k, v;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (SectionName(lines[i].text, name)) {
            if (header != std::string::npos) {
                sectionEnd = i;
                return;
            }
            if (SameName(name, section))
                header = i;
            continue;
        }
        if (header != std::string::npos && key && keyLine == std::string::npos && KeyValue(lines[i].text, k, v) &&
            SameName(k, key))
            keyLine = i;
    }
    if (header != std::string::npos)
        sectionEnd = lines.size();
}

bool FindValue(const char* section, const char* key, const char* file, std::string& value)
{
    if (!section || !key || !file)
        return false;
    std::vector<Line> lines;
    if (!ReadLines(file, lines))
        return false;
    std::size_t header, end, keyLine;
    Locate(lines, section, key, header, end, keyLine);
    if (keyLine == std::string::npos)
        return false;
    std::string k;
    KeyValue(lines[keyLine].text, k, value);
    return true;
}

int CopyOut(const std::string& text, char* out, int size)
{
    std::size_t n = text.size() < static_cast<std::size_t>(size - 1) ? text.size() : static_cast<std::size_t>(size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<int>(n);
}

}  // namespace

int ProfileReadString(const char* section, const char* key, const char* defaultValue, char* out, int size,
                      const char* file)
{
    if (!out || size <= 0)
        return 0;
    std::string value;
    if (FindValue(section, key, file, value)) {
        // One pair of enclosing quotes is not part of the value.
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        return CopyOut(value, out, size);
    }
    std::string fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.pop_back();
    return CopyOut(fallback, out, size);
}

unsigned ProfileReadInt(const char* section, const char* key, int defaultValue, const char* file)
{
    char text[30];
    if (ProfileReadString(section, key, "", text, sizeof text, file) == 0)
        return static_cast<unsigned>(defaultValue);
    const char* p = text;
    while (*p && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    } else if (p[0] == '0' && (p[1] == 'o' || p[1] == 'O')) {
        base = 8;
        p += 2;
    } else if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) {
        base = 2;
        p += 2;
    }
    unsigned value = 0;
    for (;; ++p) {
        unsigned digit;
        if (*p >= '0' && *p <= '9')
            digit = static_cast<unsigned>(*p - '0');
        else if (*p >= 'a' && *p <= 'f')
            digit = static_cast<unsigned>(*p - 'a' + 10);
        else if (*p >= 'A' && *p <= 'F')
            digit = static_cast<unsigned>(*p - 'A' + 10);
        else
            break;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file)
{
    if (!section || !file || !*file)
        return false;
    std::vector<Line> lines;
    ReadLines(file, lines);
    std::size_t header, end, keyLine;
    Locate(lines, section, key, header, end, keyLine);

    if (!key) {
        // Remove the whole section.
        if (header == std::string::npos)
            return true;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header), lines.begin() + static_cast<std::ptrdiff_t>(end));
    } else if (!value) {
        if (keyLine == std::string::npos)
            return true;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(keyLine));
    } else if (keyLine != std::string::npos) {
        // Rewritten in place, under the name it has in the file.
        std::string k, v;
        KeyValue(lines[keyLine].text, k, v);
        lines[keyLine].text = k + "=" + value;
    } else {
        Line entry{std::string(key) + "=" + value, "\r\n"};
        if (header == std::string::npos) {
            if (!lines.empty() && lines.back().ending.find('\n') == std::string::npos)
                lines.back().ending = "\r\n";
            lines.push_back(Line{"[" + std::string(section) + "]", "\r\n"});
            lines.push_back(entry);
        } else {
            // After the section's last line that is not blank.
            std::size_t at = end;
            while (at > header + 1 && Trim(lines[at - 1].text).empty())
                --at;
            if (at > 0 && lines[at - 1].ending.find('\n') == std::string::npos)
                lines[at - 1].ending = "\r\n";
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
        }
    }

    // Written beside the file and renamed over it, so a failed write never
    // leaves half a settings file.
    std::string temporary = std::string(file) + ".new";
    File f(std::fopen(temporary.c_str(), "wb"));
    if (!f)
        return false;
    bool ok = true;
    for (const Line& line : lines) {
        ok = ok && std::fwrite(line.text.data(), 1, line.text.size(), f.get()) == line.text.size();
        ok = ok && std::fwrite(line.ending.data(), 1, line.ending.size(), f.get()) == line.ending.size();
    }
    ok = CloseOutputFile(std::move(f)) && ok;
    if (!ok || std::rename(temporary.c_str(), file) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
