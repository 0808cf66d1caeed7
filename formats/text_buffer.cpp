#include "formats/text_buffer.h"

#include "formats/timestamp.h"

#include <cstdarg>
#include <cstring>
#include <string>

TextBuffer::TextBuffer(std::FILE* out) : out_(out)
{
    if (out_)
        data_.reset(new char[kTextBufferSize]);
}

TextBuffer::~TextBuffer()
{
    Flush();
}

void TextBuffer::Append(const char* text)
{
    Append(text, std::strlen(text));
}

void TextBuffer::Append(const char* text, std::size_t n)
{
    if (!out_ || n == 0)
        return;  // (an empty text may have no address at all)
    if (n > kTextBufferSize) {
        Flush();
        std::fwrite(text, 1, n, out_);
        return;
    }
    char* p = Room(n);
    std::memcpy(p, text, n);
    Commit(p + n);
}

void TextBuffer::AppendFormat(const char* format, ...)
{
    if (!out_)
        return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatStringV(FormatDialect::Printf, format, args);
    va_end(args);
    Append(text.data(), text.size());
}

void TextBuffer::AppendTimeStamp(int32_t seconds, bool human)
{
    if (out_)
        Commit(PutTimeStamp(Room(kTimeStampLength), seconds, human));
}

void TextBuffer::Flush()
{
    if (used_ > 0)
        std::fwrite(data_.get(), 1, used_, out_);
    used_ = 0;
}
