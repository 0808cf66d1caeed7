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
// The job reports through an observer with four callbacks, called on the
// job's threads one at a time and in the run's order: the job waits until each
// returns, so an observer may read the activity log without a lock. The
// cancel flag is the only thing another thread writes during a run.

#include "formats/decoder.h"
#include "formats/settings_record.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

struct DeploymentRecord;
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

struct JobProgress {
    uint32_t done;
    uint32_t total;
};

// A run of the settings in `Settings`, started on a worker thread or run on
// the calling one.
class UnpackJob {
public:
    UnpackJob() = default;
    // A worker nobody waited for must not end the program at its exit.
    ~UnpackJob();
    UnpackJob(const UnpackJob&) = delete;
    UnpackJob& operator=(const UnpackJob&) = delete;

    // Null: notifications are skipped.
    void SetObserver(JobObserver* observer) { observer_ = observer; }
    // Set by the program before a run: the export fed beside the texts (null:
    // none), and whether the text files are written at all (without them the
    // profile kinds are read for the export alone, and the deployment and
    // exception kinds, which have only texts, are skipped).
    void SetExport(ExportSinks* exporter, bool writeText)
    {
        exporter_ = exporter;
        writeText_ = writeText;
    }

    // Starts a run on a worker thread and returns at once: 0, or -1 when no
    // thread could be made (the run then never starts and sends nothing). The
    // caller has emptied the activity log and written the run's header.
    // `jobs` threads decode (1: the worker alone).
    int Start(int jobs = 1);
    // Waits until the worker of the latest run has ended (it has sent its
    // finished notification by then or is about to).
    void Wait();
    // A worker was started and not yet waited for (it may just have ended).
    bool IsRunning() const { return thread_.joinable(); }

    // The run itself, on the calling thread: 0 when every step that ran
    // succeeded, -1 otherwise.
    int Run(int jobs = 1);

    void Cancel() { cancelRequested_.store(1); }
    bool CancelRequested() const { return cancelRequested_.load() != 0; }
    void ClearCancel() { cancelRequested_.store(0); }

    // Items done and expected in the latest run.
    JobProgress Progress() const { return {done_.load(), total_.load()}; }

private:
    friend class JobEvents;
    std::atomic<int> cancelRequested_{0};
    JobObserver* observer_ = nullptr;
    ExportSinks* exporter_ = nullptr;
    bool writeText_ = true;
    std::thread thread_;
    std::atomic<uint32_t> done_{0};
    std::atomic<uint32_t> total_{0};
};

// The one job of the program, reused by every run; the free functions below
// act on it.
UnpackJob& TheUnpackJob();

void SetNotifyWindow(JobObserver* observer);
// A run on one thread, as the wizard runs it (UnpackJob::Start).
int StartUnpackJob();
void WaitForUnpackJob();
void RequestCancel();
bool IsCancelRequested();
void ClearCancelRequest();
// The run on the calling thread, with one thread: 0 or -1 (UnpackJob::Run).
int unpack_thread();

// The kinds and the profile range of a run, taken from the settings.
struct RunChoice {
    int kinds;  // FileKind bits
    uint32_t first;
    uint32_t last;
};

RunChoice ChooseKindsAndRange(const SettingsRecord& settings);

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
JobPaths BuildJobPaths();

// The range drivers, as a run over that kind alone runs them, but without the
// metadata check: every profile from `first` to `last` of one kind.
bool UnpackEngineeringRange(uint32_t first, uint32_t last);
bool UnpackCtdRange(uint32_t first, uint32_t last);
bool UnpackAcmRange(uint32_t first, uint32_t last);

// The decoders' options of a run: the form and the firmware layout of the
// settings, the constants of the CTD the deployment record marks as fitted.
DecodeOptions DecodeOptionsFor(const SettingsRecord& settings, const DeploymentRecord& deployment);

// The job's reporter outside a run's steps: messages go to the activity log,
// the cancel request is the job's (IsCancelRequested).
Reporter& JobReporter();

// One profile of `in` decoded into its text sink, as the job does it: the
// text to `out` (null for a profile read only to reach a later one), the
// termination row to `terminationLog` only with a text file, the sensor time
// entry to `sensorTimeLog` always (either log may be null).
DecodeResult UnpackEngineeringProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* terminationLog,
                                      const DecodeOptions& options);
DecodeResult UnpackCtdProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                              const DecodeOptions& options);
DecodeResult UnpackAcmProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                              const DecodeOptions& options);

// The whole-file kinds: the file at `inputPath` written as text to
// `outputPath`. Done; OpenError (the input could not be opened or the output
// created, logged); ReadError (logged; the output stays, possibly empty);
// WriteError (the output did not reach the disk, logged). The exception log
// also gives Cancelled. A deployment record read in full becomes `Deployment`
// and sets Settings.DeployOk.
DecodeResult UnpackDeploymentFile(const std::string& inputPath, const std::string& outputPath,
                                  const DecodeOptions& options);
DecodeResult UnpackIrqFile(const std::string& inputPath, const std::string& outputPath,
                           const DecodeOptions& options);
