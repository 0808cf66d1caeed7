#pragma once
// The command line's observer of the unpack job. It remembers the run's
// result and its error lines, echoes the run's error entries of the activity
// log to stderr, and,
// when drawing is on, keeps one line on stderr up to date with a bar, the
// percentage, items done of total, the file being written and the elapsed
// time.

#include "engine/unpack_job.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

class RunObserver : public JobObserver {
public:
    // `bar` null: no progress bar. `errors` null: no error lines.
    RunObserver(std::FILE* bar, std::FILE* errors);
    ~RunObserver() override;
    RunObserver(const RunObserver&) = delete;
    RunObserver& operator=(const RunObserver&) = delete;

    void OnJobFinished(bool hadErrors) override;
    void OnLogChanged() override;
    void OnJobProgress(uint32_t done, uint32_t total) override;
    void OnJobStatus(const char* inputPath, const char* outputPath) override;

    // An entry of the run's activity log, as it is logged and whether or not
    // the log keeps it: an error is echoed to `errors` line by line.
    void Hear(const char* text, int category);

    bool hadErrors() const { return hadErrors_; }
    // The error lines heard, echoed or not.
    const std::vector<std::string>& errorLines() const { return errorLines_; }

    // The text of the progress line for these values.
    static std::string Line(uint32_t done, uint32_t total, const std::string& file, double seconds);

private:
    void Draw(bool force);
    void ClearBar();
    void EchoError(const std::string& text);

    std::FILE* bar_;
    std::FILE* errors_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    uint32_t done_ = 0;
    uint32_t total_ = 0;
    std::string file_;
    std::vector<std::string> errorLines_;
    std::size_t drawnWidth_ = 0;
    bool hadErrors_ = false;
    bool finished_ = false;  // the bar's last line is drawn and ended
};
