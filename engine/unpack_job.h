#pragma once
// The unpack job: one run converts the selected kinds of instrument files of
// the source folder into text files in the destination folder, on a worker
// thread. It decodes nothing itself: it chooses the profile range, walks the
// data files of each kind in a fixed order (Engineering with the termination
// log, CTD and ACM with the sensor time log, the deployment file, the
// exception log), opens and closes the files, calls the kind's decoder once
// per profile, counts progress and honours the cancel request.
//
// A run may decode on several threads (`jobs`): each data file, and each
// whole-file kind, is a step of the run, and the steps count in the fixed
// order above (engine/ordered_steps.h). Whatever ran ahead, the files, the
// log rows and the activity log come out as a run on one thread writes them:
// a step ahead of its turn creates only text files that did not exist (it
// waits for its turn before writing over one), keeps its log rows and
// activity log entries until its turn, and when its turn never comes (its
// kind stopped at an earlier data file, or the run was cancelled before it)
// the files it created are deleted again.
//
// A run takes everything it reads from its RunRequest (formats/run_request.h)
// and touches no global: each UnpackJob has its own observer, log, cancel flag
// and progress, so runs of different jobs may go side by side on any threads
// of one process (each with a log of its own: the program's activity log,
// the default, is one per process). The job reports through an observer with four callbacks and
// hands its activity log entries to its log, each called on the job's threads
// one at a time and in the run's order: the job waits until each returns, so
// an observer may read the log without a lock. The cancel flag is the only
// thing another thread writes during a run.

#include "formats/decoder.h"
#include "formats/deployment.h"
#include "formats/run_request.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class ExportSinks;

// Receives the job's notifications, on the job's threads, one at a time.
class JobObserver {
public:
    virtual ~JobObserver() = default;
    // The run's last act; `hadErrors` is true when any step that ran failed.
    virtual void OnJobFinished(bool hadErrors) = 0;
    // Something was added to the activity log.
    virtual void OnLogChanged() = 0;
    // An output item is finished: `done` of `total` (total may be 0 after an
    // unsigned wrap of a corrupt profile count; see ProgressPercent).
    virtual void OnJobProgress(uint32_t done, uint32_t total) = 0;
    // A profile text file is about to be created.
    virtual void OnJobStatus(const char* inputPath, const char* outputPath) = 0;
};

// Where a run's activity log entries go, formatted, in the run's order: every
// entry, whatever its category (formats/report.h).
class JobLog {
public:
    virtual ~JobLog() = default;
    virtual void Entry(int category, const std::string& text) = 0;
};

// The program's activity log (engine/activity_log.h): LogAppend.
JobLog& ProgramActivityLog();

struct JobProgress {
    uint32_t done;
    uint32_t total;
};

// Runs requests, one at a time, on a worker thread or on the calling one.
class UnpackJob {
public:
    UnpackJob() = default;
    // A worker nobody waited for must not end the program at its exit.
    ~UnpackJob();
    UnpackJob(const UnpackJob&) = delete;
    UnpackJob& operator=(const UnpackJob&) = delete;

    // Null: notifications are skipped.
    void SetObserver(JobObserver* observer) { observer_ = observer; }
    // Null: the program's activity log.
    void SetLog(JobLog* log) { log_ = log; }

    // Starts a run of `request` on a worker thread and returns at once: 0, or
    // -1 when no thread could be made (the run then never starts and sends
    // nothing). `exporter`: the export fed beside the texts (null: none); it
    // must outlive the run.
    int Start(const RunRequest& request, ExportSinks* exporter = nullptr);
    // Waits until the worker of the latest run has ended (it has sent its
    // finished notification by then or is about to).
    void Wait();
    // A worker was started and not yet waited for (it may just have ended).
    bool IsRunning() const { return thread_.joinable(); }

    // The run itself, on the calling thread: 0 when every step that ran
    // succeeded, -1 otherwise. Without text files (request.writeText false)
    // the profile kinds are read for the export alone, and the deployment and
    // exception kinds, which have only texts, are skipped.
    int Run(const RunRequest& request, ExportSinks* exporter = nullptr);

    void Cancel() { cancelRequested_.store(1); }
    bool CancelRequested() const { return cancelRequested_.load() != 0; }
    void ClearCancel() { cancelRequested_.store(0); }

    // Items done and expected in the latest run.
    JobProgress Progress() const { return {done_.load(), total_.load()}; }

private:
    friend class JobEvents;
    std::atomic<int> cancelRequested_{0};
    JobObserver* observer_ = nullptr;
    JobLog* log_ = nullptr;
    std::thread thread_;
    std::atomic<uint32_t> done_{0};
    std::atomic<uint32_t> total_{0};
};

// The kinds and the profile range of a run.
struct RunChoice {
    int kinds;  // FileKind bits
    uint32_t first;
    uint32_t last;
};

// The kinds and range of `request`, the entire deployment ending at
// `maxProfile`; without text files, no deployment or exception kind.
RunChoice ChooseKindsAndRange(const RunRequest& request, uint32_t maxProfile);

// Output items a run expects: last - first + 1 for each selected profile kind
// and 1 for each selected log kind, in unsigned 32-bit arithmetic.
uint32_t CountItems(const RunChoice& choice);

// done x 100 / total, truncated; 0 when total is 0 and at most 100.
unsigned ProgressPercent(uint32_t done, uint32_t total);

// The folders of a run: the source folder and the destination folder, each
// with one trailing separator, the destination followed by the prefix.
struct JobPaths {
    std::string source;
    std::string destination;
};
JobPaths BuildJobPaths(const RunRequest& request);

// The decoders' options of a run: its form and firmware layout, the constants
// of the CTD the deployment record marks as fitted.
DecodeOptions DecodeOptionsFor(const RunRequest& request, const DeploymentRecord& deployment);
