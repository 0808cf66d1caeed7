#pragma once
// One output file's text, gathered in memory and handed to the file in large
// writes. The text sinks put their rows straight into it. A write the file
// refuses sets the stream's error indicator as any other write does, so
// CloseOutputFile (platform/file.h) still tells whether every byte
// arrived, once the buffer is flushed.

#include "formats/text_format.h"

#include <cstddef>
#include <cstdio>
#include <memory>

constexpr std::size_t kTextBufferSize = 256 * 1024;

class TextBuffer {
public:
    // A null stream: nothing is kept, nothing written.
    explicit TextBuffer(std::FILE* out);
    // Flushes what is left.
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    bool Writing() const { return out_ != nullptr; }

    // A place for `n` bytes (n <= kTextBufferSize): the caller writes there
    // and hands the end of what it wrote to Commit.
    char* Room(std::size_t n)
    {
        if (kTextBufferSize - used_ < n)
            Flush();
        return data_.get() + used_;
    }
    void Commit(char* end) { used_ = static_cast<std::size_t>(end - data_.get()); }

    void Append(const char* text);
    void Append(const char* text, std::size_t n);
    void AppendFormat(const char* format, ...) DAVROLIN_PRINTF(2, 3);
    void AppendTimeStamp(int32_t seconds, bool human);

    // Hands everything kept to the stream.
    void Flush();

private:
    std::FILE* out_;
    std::unique_ptr<char[]> data_;
    std::size_t used_ = 0;
};
