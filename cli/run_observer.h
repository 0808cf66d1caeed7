#pragma once
// The command line's observer of the unpack job. It remembers the run's
// result, echoes the run's error lines from the activity log to stderr, and,
// when drawing is on, keeps one line on stderr up to date with a bar, the
// percentage, items done of total, the file being written and the elapsed
// time.

#include "engine/unpack_job.h"

#include <chrono>
#include <cstdio>
#include <string>

class RunObserver : public JobObserver {
public:
    // `bar` null: no progress bar. `errors` null: no error lines.
    RunObserver(std::FILE* bar, std::FILE* errors);

    void OnJobFinished(bool hadErrors) override;
    void OnLogChanged() override;
    void OnJobProgress(uint32_t done, uint32_t total) override;
    void OnJobStatus(const char* inputPath, const char* outputPath) override;

    // What the log holds now is not echoed (the header and the settings of
    // the run); call it right before the run starts.
    void SkipLogSoFar();
    // Echoes the error lines added to the log since the last look.
    void EchoNewErrors();

    bool hadErrors() const { return hadErrors_; }

    // The text of the progress line for these values.
    static std::string Line(uint32_t done, uint32_t total, const std::string& file, double seconds);
    // True for the lines a run logs that are not errors: the start of a kind,
    // the termination log written, the saving of the log. The decoders and the
    // metadata check log errors only, so during a run every other line is one.
    static bool IsProgressLine(const std::string& line);

private:
    void Draw(bool force);
    void ClearBar();
    std::string NewLogText();

    std::FILE* bar_;
    std::FILE* errors_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    uint32_t done_ = 0;
    uint32_t total_ = 0;
    std::string file_;
    std::size_t drawnWidth_ = 0;
    std::size_t seen_ = 0;  // length of the log text already looked at
    std::string tail_;      // its last bytes, to find the place again after a trim
    bool hadErrors_ = false;
};
