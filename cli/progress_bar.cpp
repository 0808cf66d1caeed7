#include "cli/progress_bar.h"

#include "formats/text_format.h"

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

ProgressBar::ProgressBar(std::FILE* out)
    : out_(out), start_(std::chrono::steady_clock::now()), lastDraw_(start_ - kRedrawInterval)
{
}

std::string ProgressBar::Line(uint32_t done, uint32_t total, const std::string& file, double seconds)
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

void ProgressBar::Draw(bool force)
{
    if (!out_)
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
    std::fputs("\r", out_);
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
}

void ProgressBar::OnJobFinished(bool hadErrors)
{
    finished_ = true;
    hadErrors_ = hadErrors;
    if (out_) {
        Draw(true);
        std::fputs("\n", out_);
        std::fflush(out_);
    }
}

void ProgressBar::OnLogChanged()
{
}

void ProgressBar::OnJobProgress(uint32_t done, uint32_t total)
{
    done_ = done;
    total_ = total;
    Draw(false);
}

void ProgressBar::OnJobStatus(const char* inputPath, const char* outputPath)
{
    file_ = BaseName(outputPath);
    Draw(false);
}
