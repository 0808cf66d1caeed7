#include "engine/unpack_job.h"

#include "engine/activity_log.h"
#include "engine/export_feed.h"
#include "engine/file_names.h"
#include "engine/messages.h"
#include "engine/metadata.h"
#include "engine/ordered_steps.h"
#include "engine/step_journal.h"
#include "formats/acm.h"
#include "formats/ctd.h"
#include "formats/deployment.h"
#include "formats/deployment_text.h"
#include "formats/engineering.h"
#include "formats/export_sinks.h"
#include "formats/irq_log.h"
#include "formats/irq_text.h"
#include "formats/profile_text.h"
#include "formats/report.h"
#include "formats/termination_log.h"
#include "formats/text_format.h"
#include "platform/platform.h"

#include <memory>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

// Where the events of a run go, in the run's order: the activity log and the
// job's observer.
class JobEvents final : public RunEvents {
public:
    explicit JobEvents(UnpackJob& job) : job_(job) {}
    void Entry(int category, const std::string& text) override { LogAppend(text.c_str(), category); }
    void LogChanged() override
    {
        if (job_.observer_)
            job_.observer_->OnLogChanged();
    }
    void Progress(uint32_t items) override
    {
        const uint32_t done = job_.done_.fetch_add(items) + items;
        if (job_.observer_)
            job_.observer_->OnJobProgress(done, job_.total_.load());
    }
    void Status(const std::string& input, const std::string& output) override
    {
        if (job_.observer_)
            job_.observer_->OnJobStatus(input.c_str(), output.c_str());
    }
    bool CancelRequested() override { return job_.CancelRequested(); }

private:
    UnpackJob& job_;
};

namespace {

// What a profile data file is read through: large reads of a file read from
// start to end.
constexpr std::size_t kInputBufferSize = 64 * 1024;

// A data file that has ended still answers for each later profile of the
// range: the CTD decoder notes every one as missing, with a file of its own.
// No deployment holds more profiles per file than this, while damaged
// metadata can plan 2^31; past this many profiles after the end of a file the
// notes stop with one line naming the file and the profiles left un-noted.
constexpr uint32_t kMaxProfilesPastEnd = 10000;
constexpr const char* kPastEndNotNoted =
    "Error reading from %s data file %s: %u more profiles past its end were not noted\r\n";

// Hands every call to two sinks: the text and the export hear the same values.
class TeeSink final : public ProfileSink {
public:
    TeeSink(ProfileSink& a, ProfileSink& b) : a_(a), b_(b) {}
    void BeginProfile(uint32_t profile) override
    {
        a_.BeginProfile(profile);
        b_.BeginProfile(profile);
    }
    void ProfileTimes(int32_t sensorOn, int32_t motionStart) override
    {
        a_.ProfileTimes(sensorOn, motionStart);
        b_.ProfileTimes(sensorOn, motionStart);
    }
    void EngineeringScan(const EngineeringValues& scan) override
    {
        a_.EngineeringScan(scan);
        b_.EngineeringScan(scan);
    }
    void Stop(int32_t marker, const StopRecord& stop) override
    {
        a_.Stop(marker, stop);
        b_.Stop(marker, stop);
    }
    void CtdScan(const CtdValues& scan) override
    {
        a_.CtdScan(scan);
        b_.CtdScan(scan);
    }
    void AcmScan(const AcmValues& scan) override
    {
        a_.AcmScan(scan);
        b_.AcmScan(scan);
    }
    void SensorTimes(int32_t on, int32_t off) override
    {
        a_.SensorTimes(on, off);
        b_.SensorTimes(on, off);
    }
    void EndProfile(ProfileEnd end) override
    {
        a_.EndProfile(end);
        b_.EndProfile(end);
    }

private:
    ProfileSink& a_;
    ProfileSink& b_;
};

using DecodeFunction = DecodeResult (*)(std::FILE* in, uint32_t profile, const DecodeOptions& options,
                                        ProfileSink& sink, Reporter& reporter);

// A profile decoded into its text sink and, when there is one, the export's.
DecodeResult DecodeInto(DecodeFunction decode, std::FILE* in, uint32_t profile, const DecodeOptions& options,
                        ProfileSink& text, ProfileSink* exportSink, Reporter& reporter)
{
    if (!exportSink)
        return decode(in, profile, options, text, reporter);
    TeeSink tee(text, *exportSink);
    return decode(in, profile, options, tee, reporter);
}

// The decoder of a kind wired to the kind's text sink and the export's sink.
using ProfileDecoder = DecodeResult (*)(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* auxiliaryLog,
                                        const DecodeOptions& options, ProfileSink* exportSink, Reporter& reporter);

DecodeResult EngineeringProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* terminationLog,
                                const DecodeOptions& options, ProfileSink* exportSink, Reporter& reporter)
{
    EngineeringText text(out, out ? terminationLog : nullptr, options);
    return DecodeInto(DecodeEngineeringProfile, in, profile, options, text, exportSink, reporter);
}

DecodeResult CtdProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                        const DecodeOptions& options, ProfileSink* exportSink, Reporter& reporter)
{
    CtdText text(out, sensorTimeLog, options);
    return DecodeInto(DecodeCtdProfile, in, profile, options, text, exportSink, reporter);
}

DecodeResult AcmProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                        const DecodeOptions& options, ProfileSink* exportSink, Reporter& reporter)
{
    AcmText text(out, sensorTimeLog, options);
    return DecodeInto(DecodeAcmProfile, in, profile, options, text, exportSink, reporter);
}

// What tells the three profile kinds apart.
struct ProfileKind {
    FileKind kind;
    const char* name;  // as the kind's messages name its data files
    ProfileDecoder decoder;
    MessageId startMessage;
    MessageId openError;
    MessageId createError;
    std::optional<MessageId> writeError;  // names the profile; none: its create error names the file
};

const ProfileKind kEngineering{KindEngineering,
                               "engineering",
                               EngineeringProfile,
                               MessageId::EngineeringStart,
                               MessageId::EngineeringOpenError,
                               MessageId::EngineeringCreateError,
                               MessageId::EngineeringWriteError};
const ProfileKind kCtd{KindCtd,
                       "CTD",
                       CtdProfile,
                       MessageId::CtdStart,
                       MessageId::CtdOpenError,
                       MessageId::CtdCreateError,
                       std::nullopt};
const ProfileKind kAcm{KindAcm,
                       "ACM",
                       AcmProfile,
                       MessageId::AcmStart,
                       MessageId::AcmOpenError,
                       MessageId::AcmCreateError,
                       MessageId::AcmWriteError};

const ProfileKind& ProfileKindOf(int kind)
{
    return kind == KindEngineering ? kEngineering : kind == KindCtd ? kCtd : kAcm;
}

// Where the steps of a run log: a journal of the step, or, outside a run,
// the activity log itself (passes each event on at once).
class LogOnlyEvents final : public RunEvents {
public:
    void Entry(int category, const std::string& text) override { LogAppend(text.c_str(), category); }
    void LogChanged() override {}
    void Progress(uint32_t) override {}
    void Status(const std::string&, const std::string&) override {}
    bool CancelRequested() override { return IsCancelRequested(); }
};

// Creates a step's text files. A step ahead of its turn creates only files
// that do not exist yet, and notes them: they are deleted when its turn never
// comes. Before writing over a file that exists it waits for its turn.
struct TextFiles {
    StepJournal* journal = nullptr;  // null: outside a run, files are created at once
    std::vector<std::string>* created = nullptr;

    File Create(const std::string& path) const
    {
        if (journal && !journal->IsLive()) {
            if (GetFileInfo(path.c_str()).exists && !journal->WaitUntilLive())
                return File();  // abandoned: nothing it does counts
            if (!journal->IsLive()) {
                File file = OpenFile(path.c_str(), "wb");
                if (file)
                    created->push_back(path);
                return file;
            }
        }
        return OpenFile(path.c_str(), "wb");
    }
};

// The state of one run that its steps share. Everything but the two logs is
// fixed before the first step; the logs are opened, written and closed only
// by the step whose turn it is.
struct RunState {
    JobPaths paths;
    bool writeText = true;
    ExportSinks* exporter = nullptr;    // null: no export in this run
    ProfileSink* exportSinks[3] = {};   // the export's sink of each profile kind, by KindIndex
    DecodeOptions options{};
    uint32_t profilesPerFile = 0;
    uint32_t first = 0;
    uint32_t last = 0;
    File terminationLog;
    File sensorTimeLog;
    bool terminationRowsLost = false;  // rows kept ahead of their turn did not reach the log
    bool sensorTimesLost = false;
    bool ok = true;
    int stoppedKinds = 0;  // FileKind bits: kinds that stopped at a data file or failed to start
    bool stopped = false;  // a cancel stopped the run: no later step counts
};

enum class StepType {
    RangeStart,      // a profile kind's start line (and the termination log)
    ProfileFile,     // one data file of a profile kind
    RangeEnd,        // the termination log closed
    SensorLogOpen,   // the sensor time log of the CTD and ACM kinds
    SensorLogClose,
    WholeFile,       // the deployment file or the exception log
};

struct JobStep final : Step {
    JobStep(StepType t, int k) : type(t), kind(k) { hasWork = t == StepType::ProfileFile || t == StepType::WholeFile; }

    StepType type;
    int kind;  // FileKind; 0 for the sensor time log steps
    uint32_t base = 0, firstIndex = 0, lastIndex = 0;  // a profile file's base and indexes written

    DecodeResult result = DecodeResult::Done;
    bool read = false;                   // the work succeeded
    File rows;                           // log rows kept ahead of the step's turn
    std::vector<std::string> created;    // text files created ahead of its turn
    std::optional<DeploymentRecord> record;
    std::unique_ptr<ExportFeed> feed;    // the export's calls, kept ahead of the step's turn
};

int KindIndex(int kind)
{
    return kind == KindEngineering ? 0 : kind == KindCtd ? 1 : 2;
}

void LogWriteError(const ProfileKind& k, uint32_t profile, Reporter& reporter)
{
    if (k.writeError)
        reporter.Report(LogError, *k.writeError, profile);
    else
        reporter.Report(LogError, k.createError, PrefixedTextFileName(k.kind, profile).c_str());
}

// The start line of a range kind names the profiles this run unpacks. The
// catalogue text carries {FSTPRO} and {LSTPRO}, which expand from the user's
// range settings; those are stale for a run over the entire deployment
// without UnpackAll, and name an unrelated last profile for a single-profile
// run, so the run's own first and last take their places here.
void LogRangeStart(MessageId id, uint32_t first, uint32_t last, StepJournal& journal)
{
    const char* text = MessageText(id);
    std::string line = text ? text : "";
    auto replace = [&line](const char* name, uint32_t value) {
        const std::string key = name;
        auto at = line.find(key);
        if (at != std::string::npos)
            line.replace(at, key.size(), FormatString("%u", value));
    };
    replace("{FSTPRO}", first);
    replace("{LSTPRO}", last);
    journal.Append(LogProgress, line);
}

// Profiles `index` to `lastIndex` of a file that ended long before them are
// neither read nor noted: one line says how many, and the ones of the range
// count as done, so that progress still reaches its total.
void StopNotesPastEnd(const ProfileKind& k, const std::string& inputPath, uint32_t index, uint32_t firstIndex,
                      uint32_t lastIndex, StepJournal& journal)
{
    journal.Text(LogError, kPastEndNotNoted, k.name, inputPath.c_str(), lastIndex - index + 1);
    const uint32_t from = index > firstIndex ? index : firstIndex;
    journal.Progress(from <= lastIndex ? lastIndex - from + 1 : 0);
}

// Reads the data file `inputPath` through `lastIndex`, writing the profiles
// from `firstIndex` on to their own text files. Done when every profile up to
// lastIndex was read, OpenError when the data file could not be opened or a
// text file created, otherwise the decoder's result or WriteError.
DecodeResult UnpackProfileFile(const ProfileKind& k, const RunState& run, const std::string& inputPath,
                               const JobStep& step, std::FILE* auxiliaryLog, StepJournal& journal,
                               const TextFiles& files)
{
    // A data file is read from start to end in large reads; the buffer
    // outlives the stream.
    std::unique_ptr<char[]> inputBuffer(new char[kInputBufferSize]);
    File in = OpenFile(inputPath.c_str(), "rb");
    ProfileSink* exportSink = nullptr;
    if (step.feed) {
        step.feed->DataFile(k.kind, DataFileName(k.kind, step.base), step.base + step.firstIndex,
                            step.base + step.lastIndex, in != nullptr);
        // A step in its turn from the start hands the export's sink its calls directly.
        exportSink = journal.IsLive() ? run.exportSinks[KindIndex(k.kind)] : step.feed->Sink();
    }
    if (!in) {
        journal.Report(LogError, k.openError, inputPath.c_str());
        return DecodeResult::OpenError;
    }
    std::setvbuf(in.get(), inputBuffer.get(), _IOFBF, kInputBufferSize);
    DecodeResult r = DecodeResult::Done;
    uint32_t pastEnd = 0;  // profiles asked of the file after it had ended
    for (uint32_t index = 0;; ++index) {
        // Only a decoder that reports a profile as done at the end of the
        // file (the CTD decoder, with its note) comes round again here.
        if (std::feof(in.get()) && pastEnd++ == kMaxProfilesPastEnd) {
            StopNotesPastEnd(k, inputPath, index, step.firstIndex, step.lastIndex, journal);
            break;
        }
        const bool write = index >= step.firstIndex;
        const uint32_t profile = step.base + index;
        File out;
        if (write && !run.writeText) {
            journal.Status(inputPath, inputPath);
        } else if (write) {
            const std::string outputPath = run.paths.destination + TextFileName(k.kind, profile);
            journal.Status(inputPath, outputPath);
            out = files.Create(outputPath);
            if (!out) {
                journal.Report(LogError, k.createError, PrefixedTextFileName(k.kind, profile).c_str());
                return DecodeResult::OpenError;
            }
        }
        r = k.decoder(out.get(), in.get(), profile, auxiliaryLog, run.options, write ? exportSink : nullptr,
                      journal);
        if (write) {
            // A partial file stays after a decoder failure; one the disk
            // refused fails the kind.
            if (!CloseOutputFile(std::move(out))) {
                LogWriteError(k, profile, journal);
                r = DecodeResult::WriteError;
            }
            journal.Progress(1);
        }
        if (r != DecodeResult::Done || step.lastIndex == index)
            break;
    }
    return r;
}

// The rows a step kept, appended to the run's log (none when the log could
// not be created). False when they could not all be read back or written.
bool CopyRows(std::FILE* rows, std::FILE* log)
{
    if (std::fflush(rows) != 0 || std::ferror(rows))
        return false;
    std::rewind(rows);
    char buffer[16384];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, rows)) > 0)
        if (log && std::fwrite(buffer, 1, n, log) != n)
            return false;
    return !std::ferror(rows);
}

void WorkProfileFile(const RunState& run, JobStep& step, StepJournal& journal)
{
    const ProfileKind& k = ProfileKindOf(step.kind);
    // A step in its turn writes its rows to the run's log; one ahead of it
    // keeps them, or waits for its turn when it has nowhere to keep them.
    std::FILE* rows = nullptr;
    if (run.writeText && !journal.IsLive())
        step.rows = OpenScratchFile();
    if (step.rows)
        rows = step.rows.get();
    else if (!run.writeText)
        rows = nullptr;  // without texts there are no logs
    else if (journal.IsLive() || journal.WaitUntilLive())
        rows = (k.kind == KindEngineering ? run.terminationLog : run.sensorTimeLog).get();
    else
        return;  // abandoned
    if (run.exporter)
        step.feed = std::make_unique<ExportFeed>(*run.exporter, run.exportSinks[KindIndex(k.kind)], journal);
    const std::string inputPath = run.paths.source + DataFileName(k.kind, step.base);
    try {
        const TextFiles files{&journal, &step.created};
        step.result = UnpackProfileFile(k, run, inputPath, step, rows, journal, files);
        step.read = step.result == DecodeResult::Done;
    } catch (...) {
        journal.Report(LogError, MessageId::UnpackException);
        step.read = false;
    }
    journal.LogChanged();
}

// The deployment report; the record read is kept for the run.
class DeploymentForJob final : public DeploymentSink {
public:
    DeploymentForJob(std::FILE* out, bool human, std::optional<DeploymentRecord>& record)
        : text_(out, human), record_(record)
    {
    }
    void Record(const DeploymentRecord& record) override
    {
        record_ = record;
        text_.Record(record);
    }

private:
    DeploymentText text_;
    std::optional<DeploymentRecord>& record_;
};

DecodeResult DeploymentFile(const std::string& inputPath, const std::string& outputPath,
                            const DecodeOptions& options, Reporter& reporter, const TextFiles& files,
                            std::optional<DeploymentRecord>& record)
{
    File in = OpenFile(inputPath.c_str(), "rb");
    if (!in) {
        reporter.Report(LogError, MessageId::DeployOpenError);
        return DecodeResult::OpenError;
    }
    File out = files.Create(outputPath);
    if (!out) {
        reporter.Report(LogError, MessageId::DeployCreateError);
        return DecodeResult::OpenError;
    }
    // The record is read in the layout of the configured firmware.
    DeploymentForJob sink(out.get(), options.human, record);
    const DecodeResult r = DecodeDeploymentFile(in.get(), options.layout301, sink, reporter);
    if (r != DecodeResult::Done)
        return r;  // the report stays, empty
    if (!CloseOutputFile(std::move(out))) {
        reporter.Report(LogError, MessageId::DeployCreateError);  // the report did not reach the disk
        return DecodeResult::WriteError;
    }
    return DecodeResult::Done;
}

DecodeResult IrqFile(const std::string& inputPath, const std::string& outputPath, const DecodeOptions& options,
                     Reporter& reporter, const TextFiles& files)
{
    File in = OpenFile(inputPath.c_str(), "rb");
    if (!in) {
        reporter.Report(LogError, MessageId::IrqOpenError);
        return DecodeResult::OpenError;
    }
    File out = files.Create(outputPath);
    if (!out) {
        reporter.Report(LogError, MessageId::IrqCreateError);
        return DecodeResult::OpenError;
    }
    IrqText text(out.get(), options.human);
    DecodeResult r = DecodeIrqLog(in.get(), text, reporter);
    if (r == DecodeResult::Cancelled)
        return r;
    if (!CloseOutputFile(std::move(out))) {
        reporter.Report(LogError, MessageId::IrqWriteError);
        r = DecodeResult::WriteError;
    }
    return r;
}

void ApplyDeploymentRecord(const DeploymentRecord& record)
{
    Deployment = record;
    Settings.DeployOk = 1;
}

void WorkWholeFile(const RunState& run, JobStep& step, StepJournal& journal)
{
    const std::string inputPath = run.paths.source + DataFileName(step.kind, 0);
    const std::string outputPath = run.paths.destination + TextFileName(step.kind, 0);
    journal.Report(LogProgress, step.kind == KindDeployment ? MessageId::DeploymentStart : MessageId::ExceptionStart);
    journal.LogChanged();
    try {
        const TextFiles files{&journal, &step.created};
        // A cancel ends the exception log early without failing it.
        step.result = step.kind == KindDeployment
                          ? DeploymentFile(inputPath, outputPath, run.options, journal, files, step.record)
                          : IrqFile(inputPath, outputPath, run.options, journal, files);
        step.read = step.result == DecodeResult::Done || step.result == DecodeResult::Cancelled;
    } catch (...) {
        journal.Report(LogError, MessageId::UnpackException);
        step.read = false;
    }
    journal.LogChanged();
    journal.Progress(1);
}

bool OpenSensorTimeLog(RunState& run, StepJournal& journal)
{
    try {
        run.sensorTimeLog = OpenFile((run.paths.destination + "SNSRTIME.TXT").c_str(), "wb");
    } catch (...) {
        run.sensorTimeLog.reset();
    }
    if (!run.sensorTimeLog) {
        journal.Report(LogError, MessageId::SensorTimeLogError);
        return false;
    }
    return true;
}

bool CloseSensorTimeLog(RunState& run, StepJournal& journal)
{
    const bool written = CloseOutputFile(std::move(run.sensorTimeLog)) && !run.sensorTimesLost;
    if (!written)
        journal.Report(LogError, MessageId::SensorTimeLogError);
    return written;
}

void OpenTerminationLog(RunState& run, StepJournal& journal)
{
    try {
        run.terminationLog = OpenFile((run.paths.destination + "TIMETAGS.TXT").c_str(), "wb");
        if (run.terminationLog)
            WriteTerminationLogHeader(run.terminationLog.get(), run.options.human);
    } catch (...) {
        run.terminationLog.reset();
    }
    if (!run.terminationLog) {
        journal.Report(LogError, MessageId::TerminationLogError);
        run.ok = false;
        run.stoppedKinds |= KindEngineering;
    }
}

void CloseTerminationLog(RunState& run, StepJournal& journal)
{
    const bool written = CloseOutputFile(std::move(run.terminationLog)) && !run.terminationRowsLost;
    if (!written) {
        journal.Report(LogError, MessageId::TerminationLogError);
        run.ok = false;
    } else {
        journal.Report(LogProgress, MessageId::TerminationLogWritten, (run.paths.destination + "TIMETAGS.TXT").c_str());
    }
    journal.LogChanged();
}

// One planned part of a run: a single step, or the data files of a kind.
struct Planned {
    StepType type;
    int kind;
};

// The run's steps in their order, and what each does in its turn.
class JobSequence final : public StepSequence {
public:
    JobSequence(RunState& run, UnpackJob& job, int kinds) : run_(run), job_(job)
    {
        // A walk over the data files needs their size; with none, the kind
        // fails as it starts.
        const bool files = run.profilesPerFile != 0;
        // Without texts there is neither the termination log nor the sensor time log.
        const bool logs = run.writeText;
        auto range = [&](int kind) {
            plan_.push_back({StepType::RangeStart, kind});
            if (files)
                plan_.push_back({StepType::ProfileFile, kind});
            if (files && logs && kind == KindEngineering)
                plan_.push_back({StepType::RangeEnd, kind});
        };
        if (kinds & KindEngineering)
            range(KindEngineering);
        if (logs && (kinds & (KindCtd | KindAcm)))
            plan_.push_back({StepType::SensorLogOpen, 0});
        if (kinds & KindCtd)
            range(KindCtd);
        if (kinds & KindAcm)
            range(KindAcm);
        if (logs && (kinds & (KindCtd | KindAcm)))
            plan_.push_back({StepType::SensorLogClose, 0});
        if (kinds & KindDeployment)
            plan_.push_back({StepType::WholeFile, KindDeployment});
        if (kinds & KindException)
            plan_.push_back({StepType::WholeFile, KindException});
        if (files) {
            firstBase_ = run.profilesPerFile * (run.first / run.profilesPerFile);
            lastBase_ = run.profilesPerFile * (run.last / run.profilesPerFile);
        }
    }

    std::unique_ptr<Step> Next() override
    {
        while (at_ < plan_.size() && !run_.stopped) {
            const Planned p = plan_[at_];
            if (p.type != StepType::ProfileFile) {
                ++at_;
                return std::make_unique<JobStep>(p.type, p.kind);
            }
            if (Stopped(p.kind) || filesGiven_) {
                ++at_;
                filesGiven_ = false;
                nextBase_.reset();
                continue;
            }
            // The walk ends after lastBase itself, so it never runs past 2^32
            // when base + ppf would wrap around.
            const uint32_t base = nextBase_ ? *nextBase_ : firstBase_;
            auto step = std::make_unique<JobStep>(p.type, p.kind);
            step->base = base;
            step->firstIndex = base == firstBase_ ? run_.first % run_.profilesPerFile : 0;
            step->lastIndex = run_.last - base < run_.profilesPerFile ? run_.last % run_.profilesPerFile
                                                                      : run_.profilesPerFile - 1;
            if (base == lastBase_)
                filesGiven_ = true;
            else
                nextBase_ = base + run_.profilesPerFile;
            return step;
        }
        return nullptr;
    }

    bool Wanted(const Step& s) override
    {
        const auto& step = static_cast<const JobStep&>(s);
        if (run_.stopped)
            return false;
        return !(Stopped(step.kind) && (step.type == StepType::ProfileFile || step.type == StepType::RangeEnd));
    }

    bool Begin(Step& s, bool started) override
    {
        auto& step = static_cast<JobStep&>(s);
        if (!Wanted(step))
            return false;
        // A cancel stops the run before every step but the close of the
        // termination log; one seen before a data file fails its kind. A step
        // whose work began ahead of its turn counts as one during which the
        // cancel came: it saw the cancel, or ended before it.
        if (step.type != StepType::RangeEnd && !started && job_.CancelRequested()) {
            if (step.type == StepType::ProfileFile)
                run_.ok = false;
            run_.stopped = true;
            return false;
        }
        if (step.type == StepType::RangeStart && run_.profilesPerFile == 0) {
            run_.ok = false;
            run_.stoppedKinds |= step.kind;
            return false;
        }
        return true;
    }

    void Work(Step& s, StepJournal& journal) override
    {
        auto& step = static_cast<JobStep&>(s);
        if (step.type == StepType::ProfileFile)
            WorkProfileFile(run_, step, journal);
        else
            WorkWholeFile(run_, step, journal);
    }

    void Commit(Step& s, StepJournal& journal) override
    {
        auto& step = static_cast<JobStep&>(s);
        if (step.faulted) {
            journal.Report(LogError, MessageId::UnpackException);
            step.read = false;
        }
        switch (step.type) {
        case StepType::RangeStart:
            LogRangeStart(ProfileKindOf(step.kind).startMessage, run_.first, run_.last, journal);
            journal.LogChanged();
            if (step.kind == KindEngineering && run_.writeText)
                OpenTerminationLog(run_, journal);
            break;
        case StepType::ProfileFile:
            if (step.feed)
                step.feed->PassOn();
            if (step.rows) {
                const bool engineering = step.kind == KindEngineering;
                if (!CopyRows(step.rows.get(), (engineering ? run_.terminationLog : run_.sensorTimeLog).get()))
                    (engineering ? run_.terminationRowsLost : run_.sensorTimesLost) = true;
            }
            if (!step.read) {
                run_.ok = false;
                run_.stoppedKinds |= step.kind;
            }
            break;
        case StepType::RangeEnd: CloseTerminationLog(run_, journal); break;
        case StepType::SensorLogOpen: run_.ok = OpenSensorTimeLog(run_, journal) && run_.ok; break;
        case StepType::SensorLogClose: run_.ok = CloseSensorTimeLog(run_, journal) && run_.ok; break;
        case StepType::WholeFile:
            if (step.record)
                ApplyDeploymentRecord(*step.record);
            run_.ok = step.read && run_.ok;
            break;
        }
        // A step that saw the cancel is the last of the run.
        if (step.result == DecodeResult::Cancelled)
            run_.stopped = true;
    }

    void Discard(Step& s) override
    {
        auto& step = static_cast<JobStep&>(s);
        for (const std::string& path : step.created)
            RemoveFile(path.c_str());
    }

private:
    bool Stopped(int kind) const { return (run_.stoppedKinds & kind) != 0; }

    RunState& run_;
    UnpackJob& job_;
    std::vector<Planned> plan_;
    std::size_t at_ = 0;
    uint32_t firstBase_ = 0;
    uint32_t lastBase_ = 0;
    std::optional<uint32_t> nextBase_;  // the next data file of the walk under way
    bool filesGiven_ = false;           // the walk under way gave out its last data file
};

RunState StartRunState(uint32_t first, uint32_t last)
{
    RunState run;
    run.paths = BuildJobPaths();
    run.options = DecodeOptionsFor(Settings, Deployment);
    run.profilesPerFile = static_cast<uint32_t>(Settings.ProfilesPerFile);
    run.first = first;
    run.last = last;
    return run;
}

// The steps of `kinds`, run with `jobs` threads; a cancel can leave either log
// open, and it is closed here.
bool RunKinds(UnpackJob& job, RunState& run, int kinds, int jobs)
{
    JobEvents events(job);
    JobSequence sequence(run, job, kinds);
    RunOrderedSteps(sequence, events, jobs);
    run.terminationLog.reset();
    run.sensorTimeLog.reset();
    return run.ok;
}

// The export's view of the job while it begins and writes its files, on the
// job's own thread, outside the steps. A cancel asked for before the export
// began writing has already stopped the reading, and the export then records
// what was read; one asked for while it writes stops it.
class JobExportHost final : public ExportHost {
public:
    JobExportHost(JobEvents& events, bool cancelledBefore) : events_(events), cancelledBefore_(cancelledBefore) {}
    void Writing(const std::string& path) override { events_.Status(path, path); }
    void ItemDone() override { events_.Progress(1); }
    bool StopRequested() override { return !cancelledBefore_ && events_.CancelRequested(); }
    void Error(const std::string& line) override { Log(LogError, line); }
    void Progress(const std::string& line) override { Log(LogProgress, line); }

private:
    void Log(int category, const std::string& line)
    {
        LogText(category, "%s\r\n", line.c_str());
        events_.LogChanged();
    }

    JobEvents& events_;
    bool cancelledBefore_;
};

UnpackJob theJob;

}  // namespace

UnpackJob::~UnpackJob()
{
    if (thread_.joinable())
        thread_.detach();
}

int UnpackJob::Start(int jobs)
{
    Wait();  // the previous run has sent its finished notification
    try {
        thread_ = std::thread([this, jobs] { Run(jobs); });
    } catch (const std::system_error&) {
        return -1;
    }
    return 0;
}

void UnpackJob::Wait()
{
    if (thread_.joinable())
        thread_.join();
}

int UnpackJob::Run(int jobs)
{
    DebugTrace("unpack_thread starting!\r\n");
    ClearCancel();
    RunChoice choice = ChooseKindsAndRange(Settings);
    if (!writeText_)
        choice.kinds &= ~(KindDeployment | KindException);  // they have only texts
    const JobPaths paths = BuildJobPaths();
    total_.store(CountItems(choice));
    done_.store(0);

    // The metadata check reads DEPLOY.DAT and PROFILES.DAT by bare name in the
    // source folder; it logs its own errors, and first and last stay as chosen.
    // A source folder that cannot be entered is checked by its path instead,
    // so that the check never reads the files of whatever folder is current.
    // Everything the steps read of the settings and the deployment record is
    // fixed from here on.
    if (SetCurrentDir(paths.source.c_str()))
        VerifyMetaData();
    else
        VerifyMetaDataIn(paths.source);

    RunState run = StartRunState(choice.first, choice.last);
    run.writeText = writeText_;
    JobEvents events(*this);
    bool ok = true;
    if (exporter_) {
        // The export starts with the metadata read; one that cannot be made
        // leaves the run without it, with errors.
        const ExportRun what{choice.kinds,
                             choice.first,
                             choice.last,
                             run.options,
                             Settings.DeployOk ? &Deployment : nullptr,
                             run.paths.destination};
        JobExportHost host(events, false);
        if (exporter_->Begin(what, host)) {
            total_ += exporter_->FinishItems();
            run.exporter = exporter_;
            for (int kind : {KindEngineering, KindCtd, KindAcm})
                run.exportSinks[KindIndex(kind)] = exporter_->ProfileSinkFor(kind);
        } else {
            ok = false;
        }
    }
    ok = RunKinds(*this, run, choice.kinds, jobs) && ok;
    if (run.exporter) {
        JobExportHost host(events, CancelRequested());
        try {
            ok = run.exporter->Finish(host) && ok;
        } catch (...) {
            LogMessage(LogError, MessageId::UnpackException);
            events.LogChanged();
            ok = false;
        }
    }

    if (observer_)
        observer_->OnJobFinished(!ok);
    DebugTrace("unpack_thread exiting!\r\n");
    return ok ? 0 : -1;
}

UnpackJob& TheUnpackJob()
{
    return theJob;
}

void SetNotifyWindow(JobObserver* observer)
{
    theJob.SetObserver(observer);
}

int StartUnpackJob()
{
    return theJob.Start(1);
}

void WaitForUnpackJob()
{
    theJob.Wait();
}

void RequestCancel()
{
    theJob.Cancel();
}

bool IsCancelRequested()
{
    return theJob.CancelRequested();
}

void ClearCancelRequest()
{
    theJob.ClearCancel();
}

int unpack_thread()
{
    return theJob.Run(1);
}

RunChoice ChooseKindsAndRange(const SettingsRecord& s)
{
    RunChoice c{s.Options, 0, 0};
    int mode = s.ProfileRange;
    if (s.UnpackAll != 0) {
        c.kinds = KindAll;
        mode = RangeEntireDeployment;
    }
    if (mode == RangeSingleProfile) {
        c.first = c.last = static_cast<uint32_t>(s.FirstProfile);
    } else if (mode == RangeProfiles) {
        c.first = static_cast<uint32_t>(s.FirstProfile);
        c.last = static_cast<uint32_t>(s.LastProfile);
    } else {
        c.first = 0;
        c.last = static_cast<uint32_t>(s.MaxProfile);
    }
    return c;
}

uint32_t CountItems(const RunChoice& c)
{
    uint32_t total = 0;
    const uint32_t span = c.last - c.first + 1;
    for (int kind : {KindEngineering, KindCtd, KindAcm})
        if (c.kinds & kind)
            total += span;
    for (int kind : {KindDeployment, KindException})
        if (c.kinds & kind)
            total += 1;
    return total;
}

unsigned ProgressPercent(uint32_t done, uint32_t total)
{
    if (total == 0)
        return 0;
    uint64_t percent = uint64_t{done} * 100 / total;
    return percent > 100 ? 100 : static_cast<unsigned>(percent);
}

JobPaths BuildJobPaths()
{
    return JobPaths{WithSeparator(Settings.SrcDir), WithSeparator(Settings.DstDir) + Settings.Prefix};
}

bool UnpackEngineeringRange(uint32_t first, uint32_t last)
{
    RunState run = StartRunState(first, last);
    return RunKinds(theJob, run, KindEngineering, 1);
}

bool UnpackCtdRange(uint32_t first, uint32_t last)
{
    RunState run = StartRunState(first, last);
    return RunKinds(theJob, run, KindCtd, 1);
}

bool UnpackAcmRange(uint32_t first, uint32_t last)
{
    RunState run = StartRunState(first, last);
    return RunKinds(theJob, run, KindAcm, 1);
}

DecodeOptions DecodeOptionsFor(const SettingsRecord& settings, const DeploymentRecord& deployment)
{
    return DecodeOptions{settings.HumanReadible != 0, settings.FirmwareVers == Firmware301,
                         CtdConstantsFor(deployment)};
}

Reporter& JobReporter()
{
    static LogOnlyEvents events;
    static StepJournal reporter(events, true);
    return reporter;
}

DecodeResult UnpackEngineeringProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* terminationLog,
                                      const DecodeOptions& options)
{
    return EngineeringProfile(out, in, profile, terminationLog, options, nullptr, JobReporter());
}

DecodeResult UnpackCtdProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                              const DecodeOptions& options)
{
    return CtdProfile(out, in, profile, sensorTimeLog, options, nullptr, JobReporter());
}

DecodeResult UnpackAcmProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                              const DecodeOptions& options)
{
    return AcmProfile(out, in, profile, sensorTimeLog, options, nullptr, JobReporter());
}

DecodeResult UnpackDeploymentFile(const std::string& inputPath, const std::string& outputPath,
                                  const DecodeOptions& options)
{
    std::optional<DeploymentRecord> record;
    const DecodeResult r = DeploymentFile(inputPath, outputPath, options, JobReporter(), TextFiles{}, record);
    if (record)
        ApplyDeploymentRecord(*record);
    return r;
}

DecodeResult UnpackIrqFile(const std::string& inputPath, const std::string& outputPath,
                           const DecodeOptions& options)
{
    return IrqFile(inputPath, outputPath, options, JobReporter(), TextFiles{});
}
