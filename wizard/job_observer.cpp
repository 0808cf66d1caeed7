#include "wizard/job_observer.h"

void WindowJobObserver::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HWND window = window_.load())
        SendMessageA(window, message, wParam, lParam);
}

void WindowJobObserver::OnJobFinished(bool hadErrors)
{
    Send(JobFinishedNotification, hadErrors ? 1 : 0, 0);
    finished_.store(true);
}

void WindowJobObserver::OnLogChanged()
{
    Send(LogChangedNotification, 0, 0);
}

void WindowJobObserver::OnJobProgress(uint32_t done, uint32_t total)
{
    Send(JobProgressNotification, done, total);
}

void WindowJobObserver::OnJobStatus(const char* inputPath, const char* outputPath)
{
    Send(JobStatusNotification, reinterpret_cast<WPARAM>(inputPath), reinterpret_cast<LPARAM>(outputPath));
}
