#include "wizard/job_observer.h"

void WindowJobObserver::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HWND window = window_.load())
        SendMessageA(window, message, wParam, lParam);
}

void WindowJobObserver::OnJobFinished(bool hadErrors)
{
    Send(kJobFinishedNotice, hadErrors ? 1 : 0, 0);
    finished_.store(true);
}

void WindowJobObserver::OnLogChanged()
{
    Send(kLogChangedNotice, 0, 0);
}

void WindowJobObserver::OnJobProgress(uint32_t done, uint32_t total)
{
    Send(kJobProgressNotice, done, total);
}

void WindowJobObserver::OnJobStatus(const char* inputPath, const char* outputPath)
{
    Send(kJobStatusNotice, reinterpret_cast<WPARAM>(inputPath), reinterpret_cast<LPARAM>(outputPath));
}
