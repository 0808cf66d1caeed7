#include "cli/run_observer.h"

#include "engine/activity_log.h"
#include "formats/text_format.h"

#include <algorithm>

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string BaseName(const char* path)
{
    std::string p = path;
    auto cut = p.find_last_of("/\\");
    return cut == std::string::npos ? p : p.substr(cut + 1);
}

}  // namespace

RunObserver::RunObserver(std::FILE* bar, std::FILE* errors)
    : bar_(bar), errors_(errors), start_(std::chrono::steady_clock::now()), lastDraw_(start_ - kRedrawInterval)
{
}

std::string RunObserver::Line(uint32_t done, uint32_t total, const std::string& file, double seconds)
{
    const unsigned percent = ProgressPercent(done, total);
    const int filled = static_cast<int>(percent * kBarWidth / 100);
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    const unsigned elapsed = static_cast<unsigned>(seconds);
    line += FormatString("] %3u%%  %u/%u  %02u:%02u  %s", percent, done, total, elapsed / 60, elapsed % 60,
                         file.c_str());
    return line;
}

void RunObserver::Draw(bool force)
{
    if (!bar_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval)
        return;
    lastDraw_ = now;
    std::string line = Line(done_, total_, file_, std::chrono::duration<double>(now - start_).count());
    const std::size_t width = line.size();
    if (width < drawnWidth_)
        line.append(drawnWidth_ - width, ' ');  // wipe the rest of a longer line
    drawnWidth_ = width;
    std::fputs("\r", bar_);
    std::fputs(line.c_str(), bar_);
    std::fflush(bar_);
}

void RunObserver::ClearBar()
{
    if (!bar_ || drawnWidth_ == 0)
        return;
    std::fputs(("\r" + std::string(drawnWidth_, ' ') + "\r").c_str(), bar_);
    drawnWidth_ = 0;
}

RunObserver::~RunObserver() = default;

void RunObserver::Hear(const char* text, int category)
{
    if ((category & LogError) && text)
        EchoError(text);
}

void RunObserver::EchoError(const std::string& text)
{
    bool printed = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            errorLines_.emplace_back(text, start, end - start);
        if (end > start && errors_) {
            if (!printed)
                ClearBar();
            printed = true;
            std::fwrite(text.data() + start, 1, end - start, errors_);
            std::fputs("\n", errors_);
        }
        start = end + 1;
    }
    if (printed) {
        std::fflush(errors_);
        if (!finished_)
            Draw(true);
    }
}

void RunObserver::OnJobFinished(bool hadErrors)
{
    hadErrors_ = hadErrors;
    finished_ = true;
    if (bar_) {
        Draw(true);
        std::fputs("\n", bar_);
        std::fflush(bar_);
        drawnWidth_ = 0;
    }
}

void RunObserver::OnLogChanged()
{
    // Errors are echoed as they are logged.
}

void RunObserver::OnJobProgress(uint32_t done, uint32_t total)
{
    done_ = done;
    total_ = total;
    Draw(false);
}

void RunObserver::OnJobStatus(const char* inputPath, const char* outputPath)
{
    file_ = BaseName(outputPath);
    if (total_ != 0 || done_ != 0)  // the first progress brings the total
        Draw(false);
}
