#include "cli/run_observer.h"

#include "app/messages.h"
#include "engine/activity_log.h"
#include "formats/text_format.h"

#include <algorithm>

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr std::size_t kTailSize = 64;

std::string BaseName(const char* path)
{
    std::string p = path;
    auto cut = p.find_last_of("/\\");
    return cut == std::string::npos ? p : p.substr(cut + 1);
}

// The fixed start of a catalogue text: up to its first placeholder, conversion
// or line break.
std::string FixedStart(int id)
{
    const char* text = MessageText(id);
    std::string s = text ? text : "";
    return s.substr(0, s.find_first_of("{%\r\n"));
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

bool RunObserver::IsProgressLine(const std::string& line)
{
    // Message 156, 160, 164: a kind starts; 195, 196: a log kind starts;
    // 209: the termination log is written; 210: the log is saved.
    for (int id : {156, 160, 164, 195, 196, 209, 210}) {
        const std::string start = FixedStart(id);
        if (!start.empty() && line.compare(0, start.size(), start) == 0)
            return true;
    }
    return false;
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

std::string RunObserver::NewLogText()
{
    const std::string text = LogTake();
    std::string fresh;
    if (text.size() >= seen_ && text.compare(seen_ - tail_.size(), tail_.size(), tail_) == 0) {
        fresh = text.substr(seen_);
    } else {
        // The oldest text was trimmed away: find where the last look ended.
        const auto at = tail_.empty() ? std::string::npos : text.rfind(tail_);
        fresh = at == std::string::npos ? text : text.substr(at + tail_.size());
    }
    seen_ = text.size();
    tail_ = text.substr(text.size() - std::min(kTailSize, text.size()));
    return fresh;
}

void RunObserver::SkipLogSoFar()
{
    NewLogText();
}

void RunObserver::EchoNewErrors()
{
    const std::string fresh = NewLogText();
    if (!errors_)
        return;
    bool printed = false;
    std::size_t start = 0;
    while (start < fresh.size()) {
        std::size_t end = fresh.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = fresh.size();
        const std::string line = fresh.substr(start, end - start);
        if (!line.empty() && !IsProgressLine(line)) {
            if (!printed)
                ClearBar();
            printed = true;
            std::fputs(line.c_str(), errors_);
            std::fputs("\n", errors_);
        }
        start = end + 1;
    }
    if (printed) {
        std::fflush(errors_);
        Draw(true);
    }
}

void RunObserver::OnJobFinished(bool hadErrors)
{
    hadErrors_ = hadErrors;
    EchoNewErrors();
    if (bar_) {
        Draw(true);
        std::fputs("\n", bar_);
        std::fflush(bar_);
        drawnWidth_ = 0;
    }
}

void RunObserver::OnLogChanged()
{
    EchoNewErrors();
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
