// davrolin-unpack: the headless converter. Runs the same unpack job as the
// wizard, on the request made from the same settings record, with the same
// activity log, and saves that log beside the output; with --export the
// request asks for the export and the deployment export (export/) is handed
// to the job. Exit codes: 0 the run had no errors, 1 it had
// errors, 2 bad usage, a DEPLOY.DAT from which --firmware auto cannot tell
// the firmware, or a source, profile or destination that the wizard would not
// have accepted either.

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
#include "engine/messages.h"
#include "export/export_choice.h"
#include "platform/platform.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRunErrors = 1;
constexpr int kExitRefused = 2;

// A catalogue message with its placeholders filled, as a message box shows it.
void PrintMessage(MessageId id)
{
    std::string text = ExpandedMessage(id);
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n')
        std::fputs("\n", stderr);
}

// Ctrl-C asks the run to stop, as the wizard's Cancel button does: the worker
// winds down through its normal exits and the log is still saved. A second
// Ctrl-C ends the program at once.
extern "C" void OnInterrupt(int)
{
    TheUnpackJob().Cancel();
    std::signal(SIGINT, SIG_DFL);
}

bool AnswerYes(const char*, const char*)
{
    return true;  // without storage for the log the run goes on unlogged
}

// The checks of the wizard's source step.
bool SourceAccepted()
{
    const int r = SourceCheck(Settings.SrcDir);
    if (r == 1)
        PrintMessage(MessageId::SourceMissing);
    else if (r == 2)
        PrintMessage(Settings.WrongVersion ? MessageId::SourceWrongVersion : MessageId::NoData);
    return r == 0;
}

// The profile numbers, as the file types step checks them.
bool ProfilesAccepted()
{
    const ProfileChoice choice = {Settings.UnpackAll != 0, Settings.Options, Settings.ProfileRange,
                                  static_cast<uint32_t>(Settings.FirstProfile),
                                  static_cast<uint32_t>(Settings.LastProfile)};
    if (ProfileRangeAccepted(choice, static_cast<uint32_t>(Settings.MaxProfile)))
        return true;
    PrintMessage(MessageId::BadRange);
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
    return DestinationCheck(path) == 0;
}

// The destination, created with its missing parents when missing.
bool DestinationAccepted()
{
    if (DestinationCheck(Settings.DstDir) == 0)
        return true;
    if (!CreateDirAndParents(Settings.DstDir)) {
        PrintMessage(MessageId::FolderNotCreated);
        return false;
    }
    Settings.DestinationExists = 1;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    CommandLine cl;
    std::string error;
    switch (ParseCommandLine(argc, argv, cl, error)) {
    case ParseResult::Help:
    case ParseResult::Version:
        std::fputs(error.c_str(), stdout);
        return kExitOk;
    case ParseResult::BadUsage:
        std::fprintf(stderr, "davrolin-unpack: %s\n%s", error.c_str(), UsageText());
        return kExitRefused;
    case ParseResult::Run:
        break;
    }

    // The settings defaults, or a settings file in the wizard's format; never
    // the machine's own settings file, and nothing is written back.
    const std::string currentDir = GetCurrentDir();
    SetDefaultSettings(Settings);
    if (!cl.settingsFile.empty()) {
        const std::string path = AbsoluteFolder(cl.settingsFile, currentDir);
        const FileInfo info = GetFileInfo(path.c_str());
        if (!info.exists || info.isDirectory) {
            std::fprintf(stderr, "davrolin-unpack: cannot read the settings file %s\n%s", cl.settingsFile.c_str(),
                         UsageText());
            return kExitRefused;
        }
        SetSettingsFilePath(path.c_str());
        LoadSettings();
    }
    if (!ApplyCommandLine(cl, currentDir, Settings, error)) {
        std::fprintf(stderr, "davrolin-unpack: %s\n%s", error.c_str(), UsageText());
        return kExitRefused;
    }
    ExportRequest exportRequest;
    ExportChoice exportChoice;
    if (!MakeExportRequest(cl, currentDir, exportRequest, error) ||
        !ExportChoiceFor(exportRequest, kCommandLineNames, ExportProgramName(), std::time(nullptr), exportChoice, error)) {
        std::fprintf(stderr, "davrolin-unpack: %s\n", error.c_str());
        return kExitRefused;
    }
    const bool exporting = exportRequest.Wanted();
    if (!ApplyAutoFirmware(cl, Settings, error)) {
        std::fprintf(stderr, "davrolin-unpack: %s\n", error.c_str());
        return kExitRefused;
    }

    SetLogQuestion(AnswerYes);
    CreateActivityLog(CurrentModule());

    if (!SourceAccepted() || !ProfilesAccepted() || !DestinationAccepted())
        return kExitRefused;
    if (exporting && !FolderIsWritable(Settings.DstDir)) {
        std::fprintf(stderr, "davrolin-unpack: cannot write the export into %s\n", Settings.DstDir);
        return kExitRefused;
    }
    std::unique_ptr<DeploymentExport> exporter;
    if (exporting)
        exporter = std::make_unique<DeploymentExport>(std::move(exportChoice));
    RunRequest request = RunRequestFromSettings(Settings);
    request.writeText = !cl.noText;
    request.exportFiles = exportRequest;
    request.jobs = JobCount(cl);

    UnpackJob& job = TheUnpackJob();
    const bool draw = !cl.quiet && isatty(fileno(stderr));
    RunObserver observer(draw ? stderr : nullptr, stderr);
    job.SetObserver(&observer);

    LogReset();
    LogMessage(LogInfo, MessageId::LogHeaderVersion);
    LogMessage(LogInfo, MessageId::LogCreated);
    LogOptionsSummary();
    observer.StartEchoingErrors();
    std::signal(SIGINT, OnInterrupt);
    if (job.Start(request, exporter.get()) != 0) {
        std::fputs("davrolin-unpack: the unpack job could not be started\n", stderr);
        return kExitRunErrors;
    }
    job.Wait();
    std::signal(SIGINT, SIG_DFL);
    job.SetObserver(nullptr);
    SaveActivityLog();
    LogDestroy();
    // A cancelled run did not convert everything, even when no step failed.
    return observer.hadErrors() || job.CancelRequested() ? kExitRunErrors : kExitOk;
}
