#pragma once
// The unpack job: one run converts the selected kinds of instrument files of
// the source folder into text files in the destination folder, on a worker
// thread. It decodes nothing itself: it chooses the profile range, walks the
// data files of each kind in a fixed order (Engineering with the termination
// log, CTD and ACM with the sensor time log, the deployment file, the
// exception log), opens and closes the files, calls the kind's decoder once
// per profile, counts progress and honours the cancel request.
//
// The worker reports through an observer with four callbacks, called
// synchronously on the worker thread: the job waits until each returns, so an
// observer may read the activity log and the job's path texts without a lock.
// The cancel flag is the only thing another thread writes during a run.

#include "formats/decoder.h"
#include "formats/settings_record.h"
#include "platform/file.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

struct DeploymentRecord;
class ExportSinks;

// Receives the job's notifications, on the worker thread.
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

// The one job of the program, reused by every run.
struct UnpackJob {
    // A worker nobody waited for must not end the program at its exit.
    ~UnpackJob()
    {
        if (thread.joinable())
            thread.detach();
    }

    std::atomic<int> cancelRequested{0};
    JobObserver* notifyWindow = nullptr;
    std::thread thread;
    uint32_t totalItems = 0;
    uint32_t doneItems = 0;
    std::string jobSourcePath;       // SrcDir with a trailing separator
    std::string jobDestinationPath;  // DstDir with a trailing separator, then Prefix
    std::string inputPath;           // the data file being read
    std::string outputPath;          // the text file being written
    File terminationLog;
    File sensorTimeLog;
    // Set by the program before a run: the export fed beside the texts (null:
    // none), and whether the text files are written at all (without them the
    // profile kinds are read for the export alone, and the deployment and
    // exception kinds, which have only texts, are skipped).
    ExportSinks* exportSinks = nullptr;
    bool writeText = true;
};

extern UnpackJob unpackJob;

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

// Records the observer (null: notifications are skipped).
void SetNotifyWindow(JobObserver* observer);

// Starts a run on a worker thread and returns at once: 0, or -1 when no
// thread could be made (the run then never starts and sends nothing). The
// caller has emptied the activity log and written the run's header.
int StartUnpackJob();

// Waits until the worker of the latest run has ended (it has sent its
// finished notification by then or is about to).
void WaitForUnpackJob();

void RequestCancel();
bool IsCancelRequested();
void ClearCancelRequest();

// The run itself, on the calling thread: 0 when every step that ran
// succeeded, -1 otherwise. StartUnpackJob runs it on the worker.
int unpack_thread();

// The range drivers: every profile from `first` to `last` of one kind.
bool UnpackEngineeringRange(uint32_t first, uint32_t last);
bool UnpackCtdRange(uint32_t first, uint32_t last);
bool UnpackAcmRange(uint32_t first, uint32_t last);

// The decoders' options of a run: the form and the firmware layout of the
// settings, the constants of the CTD the deployment record marks as fitted.
DecodeOptions DecodeOptionsFor(const SettingsRecord& settings, const DeploymentRecord& deployment);

// The job's reporter: messages go to the activity log, the cancel request is
// the job's (IsCancelRequested).
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

// The per-file loops: reads the data file `inputPath` (file base `base`)
// through index `lastIndex`, writing the profiles from `firstIndex` on to
// their own text files, with the options of DecodeOptionsFor(Settings,
// Deployment). Done when every profile up to lastIndex was read, OpenError
// when the data file could not be opened or a text file created, otherwise
// the decoder's result or WriteError.
DecodeResult UnpackEngineeringFile(const std::string& inputPath, uint32_t base, uint32_t firstIndex,
                                   uint32_t lastIndex, std::FILE* terminationLog);
DecodeResult UnpackCtdFile(const std::string& inputPath, uint32_t base, uint32_t firstIndex, uint32_t lastIndex,
                           std::FILE* sensorTimeLog);
DecodeResult UnpackAcmFile(const std::string& inputPath, uint32_t base, uint32_t firstIndex, uint32_t lastIndex,
                           std::FILE* sensorTimeLog);

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

bool OpenSensorTimeLog();
bool CloseSensorTimeLog();
bool UnpackDeploymentKind();
bool UnpackExceptionKind();

// Sets jobSourcePath and jobDestinationPath from the settings.
void BuildJobPaths();
