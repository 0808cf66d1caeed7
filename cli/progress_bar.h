#pragma once
// The command line's observer of the unpack job: remembers the run's result
// and, when drawing is on, keeps one line on stderr up to date with a bar,
// the percentage, items done of total, the file being written and the
// elapsed time.

#include "engine/unpack_job.h"

#include <chrono>
#include <cstdio>
#include <string>

class ProgressBar : public JobObserver {
public:
    // `out` null: nothing is drawn.
    explicit ProgressBar(std::FILE* out);

    void OnJobFinished(bool hadErrors) override;
    void OnLogChanged() override;
    void OnJobProgress(uint32_t done, uint32_t total) override;
    void OnJobStatus(const char* inputPath, const char* outputPath) override;

    bool finished() const { return finished_; }
    bool hadErrors() const { return hadErrors_; }

    // The text of the line for these values (without the leading "\r").
    static std::string Line(uint32_t done, uint32_t total, const std::string& file, double seconds);

private:
    void Draw(bool force);

    std::FILE* out_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    uint32_t done_ = 0;
    uint32_t total_ = 0;
    std::string file_;
    std::size_t drawnWidth_ = 0;
    bool finished_ = false;
    bool hadErrors_ = false;
};
