#pragma once
// A text file of the export written under a temporary name (the name and
// ".part") and renamed when whole, so that no part of a file is ever left
// under its name.

#include "formats/text_buffer.h"
#include "platform/file.h"
#include "platform/platform.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class TextOutput {
public:
    ~TextOutput() { Abandon(); }
    bool Open(const std::string& path)
    {
        path_ = path;
        temporary_ = path + ".part";
        file_ = OpenFile(temporary_.c_str(), "wb");
        if (file_)
            buffer_ = std::make_unique<TextBuffer>(file_.get());
        return file_ != nullptr;
    }
    void Write(std::string_view text) { buffer_->Append(text.data(), text.size()); }
    // A place for `n` bytes (at most kTextBufferSize); the end of what was
    // written there goes to Commit.
    char* Room(std::size_t n) { return buffer_->Room(n); }
    void Commit(char* end) { buffer_->Commit(end); }
    // False when a byte did not reach the file or the rename failed; the
    // temporary file is gone then.
    bool Close()
    {
        buffer_.reset();  // flushed
        if (CloseOutputFile(std::move(file_)) && RenameFile(temporary_.c_str(), path_.c_str()))
            return true;
        RemoveFile(temporary_.c_str());
        return false;
    }
    void Abandon()
    {
        if (!file_)
            return;
        buffer_.reset();
        file_.reset();
        RemoveFile(temporary_.c_str());
    }

private:
    File file_;
    std::unique_ptr<TextBuffer> buffer_;
    std::string path_;
    std::string temporary_;
};

