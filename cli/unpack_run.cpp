#include "cli/unpack_run.h"

#include "app/expanded_text.h"
#include "app/folder_checks.h"
#include "app/options_summary.h"
#include "app/profile_range.h"
#include "app/program_log.h"
#include "app/run_request.h"
#include "app/settings.h"
#include "app/settings_record.h"
#include "cli/command_line.h"
#include "cli/export_choice.h"
#include "cli/run_observer.h"
#include "engine/activity_log.h"
#include "engine/messages.h"
#include "engine/unpack_job.h"
#include "export/export_choice.h"
#include "platform/platform.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <utility>

namespace {

constexpr int kExitRunErrors = 1;
constexpr int kExitRefused = 2;

// The program's settings record and activity log are the process's own: a
// run uses them before its job starts (the checks, the header of its log) and
// after it ends (its log saved), one run at a time. No run changes the
// current folder (the checks look the folders up in place).
std::mutex programLock;

// The job Ctrl-C cancels.
std::atomic<UnpackJob*> interruptible{nullptr};

// Ctrl-C asks the run to stop, as the wizard's Cancel button does: the worker
// winds down through its normal exits and the log is still saved. A second
// Ctrl-C ends the program at once.
extern "C" void OnInterrupt(int)
{
    if (UnpackJob* job = interruptible.load())
        job->Cancel();
    std::signal(SIGINT, SIG_DFL);
}

bool AnswerYes(const char*, const char*)
{
    return true;  // without storage for the log the run goes on unlogged
}

// A run's activity log entries, in the run's order, as the program's log
// would be offered them; error entries go to the observer as they come.
class RunLog final : public JobLog {
public:
    explicit RunLog(RunObserver* observer = nullptr) : observer_(observer) {}
    void Entry(int category, const std::string& text) override
    {
        entries.emplace_back(category, text);
        if (observer_)
            observer_->Hear(text.c_str(), category);
    }
    static void Record(void* context, const char* text, int category)
    {
        static_cast<RunLog*>(context)->entries.emplace_back(category, text ? text : "");
    }
    static void Echo(void* context, const char* text, int category)
    {
        static_cast<RunLog*>(context)->observer_->Hear(text, category);
    }

    std::vector<std::pair<int, std::string>> entries;

private:
    RunObserver* observer_;
};

UnpackOutcome& Refuse(UnpackOutcome& outcome, UnpackRefusal why, std::string message, bool usage = false)
{
    outcome.exitCode = why == UnpackRefusal::Start ? kExitRunErrors : kExitRefused;
    outcome.refusal = why;
    outcome.message = std::move(message);
    outcome.showUsage = usage;
    return outcome;
}

// The checks of the wizard's source step; a refusal's message is the
// catalogue's, its placeholders filled, as a message box shows it.
bool SourceAccepted(std::string& message)
{
    const int r = SourceCheckInPlace(Settings.SrcDir);
    if (r == 1)
        message = ExpandedMessage(MessageId::SourceMissing);
    else if (r == 2)
        message = ExpandedMessage(Settings.WrongVersion ? MessageId::SourceWrongVersion : MessageId::NoData);
    return r == 0;
}

// The profile numbers, as the file types step checks them.
bool ProfilesAccepted(std::string& message)
{
    const ProfileChoice choice = {Settings.UnpackAll != 0, Settings.Options, Settings.ProfileRange,
                                  static_cast<uint32_t>(Settings.FirstProfile),
                                  static_cast<uint32_t>(Settings.LastProfile)};
    if (ProfileRangeAccepted(choice, static_cast<uint32_t>(Settings.MaxProfile)))
        return true;
    message = ExpandedMessage(MessageId::BadRange);
    return false;
}

// Creates the folder `path` and its missing parents, as mkdir -p does; true
// when it is there afterwards.
bool CreateDirAndParents(const char* path)
{
    const std::string folder = path;
    for (std::size_t at = 1; at < folder.size(); ++at)
        if (folder[at] == '/' || folder[at] == '\\')
            CreateDir(folder.substr(0, at).c_str());  // one that is there already refuses; no matter
    CreateDir(folder.c_str());
    return DestinationCheckInPlace(path) == 0;
}

// The destination, created with its missing parents when missing.
bool DestinationAccepted(std::string& message)
{
    if (DestinationCheckInPlace(Settings.DstDir) == 0)
        return true;
    if (!CreateDirAndParents(Settings.DstDir)) {
        message = ExpandedMessage(MessageId::FolderNotCreated);
        return false;
    }
    Settings.DestinationExists = 1;
    return true;
}

// What a run needs once its options are accepted.
struct Prepared {
    SettingsRecord settings;
    RunRequest request;
    std::unique_ptr<DeploymentExport> exporter;
};

// Reads the options into the program's settings, checks them as the
// program does, and records the header of the run's log; the caller holds
// programLock. False with `outcome` refused.
bool Prepare(const UnpackCall& call, const CommandLine& cl, RunLog& log, Prepared& run, UnpackOutcome& outcome)
{
    // The settings defaults, or a settings file in the wizard's format; never
    // the machine's own settings file, and nothing is written back.
    const std::string currentDir = GetCurrentDir();
    std::string error;
    SetDefaultSettings(Settings);
    SetSettingsFilePath("");
    if (!cl.settingsFile.empty()) {
        const std::string path = AbsoluteFolder(cl.settingsFile, currentDir);
        const FileInfo info = GetFileInfo(path.c_str());
        if (!info.exists || info.isDirectory) {
            Refuse(outcome, UnpackRefusal::Folder, "davrolin-unpack: cannot read the settings file " + cl.settingsFile,
                   true);
            return false;
        }
        SetSettingsFilePath(path.c_str());
        LoadSettings();
    }
    if (!ApplyCommandLine(cl, currentDir, Settings, error)) {
        Refuse(outcome, UnpackRefusal::Usage, "davrolin-unpack: " + error, true);
        return false;
    }
    ExportRequest exportRequest;
    ExportChoice exportChoice;
    if (!MakeExportRequest(cl, currentDir, exportRequest, error) ||
        !ExportChoiceFor(exportRequest, kCommandLineNames, ExportProgramName(), std::time(nullptr), exportChoice, error)) {
        Refuse(outcome, UnpackRefusal::Usage, "davrolin-unpack: " + error);
        return false;
    }
    exportChoice.memory = call.netcdfMemory;
    if (!ApplyAutoFirmware(cl, Settings, error)) {
        const bool unreadable = error.find("cannot read") != std::string::npos;
        Refuse(outcome, unreadable ? UnpackRefusal::Folder : UnpackRefusal::Usage, "davrolin-unpack: " + error);
        return false;
    }

    SetLogQuestion(AnswerYes);
    CreateActivityLog(CurrentModule());
    std::string message;
    const bool accepted = SourceAccepted(message) && ProfilesAccepted(message) && DestinationAccepted(message);
    if (!accepted) {
        LogDestroy();
        const bool range = message == ExpandedMessage(MessageId::BadRange);
        Refuse(outcome, range ? UnpackRefusal::Usage : UnpackRefusal::Folder, message);
        return false;
    }
    if (exportRequest.Wanted() && !FolderIsWritable(Settings.DstDir)) {
        LogDestroy();
        Refuse(outcome, UnpackRefusal::Folder,
               std::string("davrolin-unpack: cannot write the export into ") + Settings.DstDir);
        return false;
    }
    if (exportRequest.Wanted())
        run.exporter = std::make_unique<DeploymentExport>(std::move(exportChoice));
    run.request = RunRequestFromSettings(Settings);
    run.request.writeText = !cl.noText;
    run.request.exportFiles = exportRequest;
    run.request.jobs = JobCount(cl);
    run.settings = Settings;

    // The header and the settings of the run, as the log is offered them.
    SetLogListener(&RunLog::Record, &log);
    LogReset();
    LogMessage(LogInfo, MessageId::LogHeaderVersion);
    LogMessage(LogInfo, MessageId::LogCreated);
    LogOptionsSummary();
    SetLogListener(nullptr, nullptr);
    LogDestroy();
    return true;
}

// The run's log, kept by the program's log rules (its size, its level) and
// saved where the settings say; the caller holds programLock.
std::string SaveLog(const SettingsRecord& settings, const RunLog& log, RunLog& echo)
{
    Settings = settings;
    CreateActivityLog(CurrentModule());
    for (const auto& [category, text] : log.entries)
        LogAppend(text.c_str(), category);
    SetLogListener(&RunLog::Echo, &echo);  // an error saving the log is the run's
    SaveActivityLog();
    SetLogListener(nullptr, nullptr);
    std::string text = LogTake();
    LogDestroy();
    return text;
}

}  // namespace

UnpackOutcome RunUnpack(const UnpackCall& call)
{
    UnpackOutcome outcome;
    std::vector<const char*> argv{"davrolin-unpack"};
    for (const std::string& a : call.args)
        argv.push_back(a.c_str());
    CommandLine cl;
    std::string error;
    switch (ParseCommandLine(static_cast<int>(argv.size()), argv.data(), cl, error)) {
    case ParseResult::Help:
    case ParseResult::Version:
        outcome.standardOutput = error;
        return outcome;
    case ParseResult::BadUsage:
        return Refuse(outcome, UnpackRefusal::Usage, "davrolin-unpack: " + error, true);
    case ParseResult::Run:
        break;
    }

    const bool draw = call.drawBar && !cl.quiet;
    RunObserver observer(draw ? stderr : nullptr, call.echoErrors ? stderr : nullptr);
    RunLog header;
    Prepared run;
    {
        std::lock_guard<std::mutex> lock(programLock);
        if (!Prepare(call, cl, header, run, outcome))
            return outcome;
    }

    // The run itself touches nothing of the program's: runs go side by side.
    RunLog log(&observer);
    log.entries = std::move(header.entries);
    ProfileCounter counter(run.exporter.get());
    UnpackJob job;
    job.SetObserver(&observer);
    job.SetLog(&log);
    if (call.catchInterrupt) {
        interruptible.store(&job);
        std::signal(SIGINT, OnInterrupt);
    }
    if (job.Start(run.request, &counter) != 0)
        return Refuse(outcome, UnpackRefusal::Start, "davrolin-unpack: the unpack job could not be started");
    job.Wait();
    if (call.catchInterrupt) {
        std::signal(SIGINT, SIG_DFL);
        interruptible.store(nullptr);
    }

    RunLog echo(&observer);
    {
        std::lock_guard<std::mutex> lock(programLock);
        outcome.log = SaveLog(run.settings, log, echo);
    }
    outcome.errors = observer.errorLines();
    for (int i = 0; i < 3; ++i)
        outcome.counts[i] = counter.Counts(i);
    // A cancelled run did not convert everything, even when no step failed.
    outcome.exitCode = observer.hadErrors() || job.CancelRequested() ? kExitRunErrors : 0;
    return outcome;
}
