#pragma once
// The wizard's observer of the unpack job. The worker calls it on its own
// thread; it turns every callback into the Unpacking page's window message and
// sends it synchronously, so the worker waits while the page reads the log and
// the job's path texts. Without a window the callbacks are dropped.

#include "engine/unpack_job.h"

#include <windows.h>

#include <atomic>

// The window messages of the four callbacks. They lie in the application's
// own range above WM_APP, clear of the dialog manager's messages above
// WM_USER (DM_GETDEFID, DM_SETDEFID, DM_REPOSITION).
constexpr UINT kJobFinishedNotice = WM_APP + 1;  // wParam 1 if the run had errors
constexpr UINT kLogChangedNotice = WM_APP + 2;
constexpr UINT kJobProgressNotice = WM_APP + 3;  // wParam done, lParam total
constexpr UINT kJobStatusNotice = WM_APP + 4;    // wParam input path, lParam output path

class WindowJobObserver : public JobObserver {
public:
    // The page that receives the messages (null: none).
    void SetWindow(HWND window) { window_.store(window); }
    HWND window() const { return window_.load(); }

    // Forgets that a run has finished; the page calls it before each start.
    void ExpectRun() { finished_.store(false); }
    // True once the latest run made its last callback (also when no window
    // took it).
    bool RunFinished() const { return finished_.load(); }

    void OnJobFinished(bool hadErrors) override;
    void OnLogChanged() override;
    void OnJobProgress(uint32_t done, uint32_t total) override;
    void OnJobStatus(const char* inputPath, const char* outputPath) override;

private:
    void Send(UINT message, WPARAM wParam, LPARAM lParam);

    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> finished_{true};
};
