#include "engine/unpack_job.h"

#include "engine/activity_log.h"
#include "engine/file_names.h"
#include "engine/messages.h"
#include "engine/metadata.h"
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

#include <optional>
#include <system_error>
#include <utility>

UnpackJob unpackJob;

namespace {

// A data file that has ended still answers for each later profile of the
// range: the CTD decoder notes every one as missing, with a file of its own.
// No deployment holds more profiles per file than this, while damaged
// metadata can plan 2^31; past this many profiles after the end of a file the
// notes stop with one line naming the file and the profiles left un-noted.
constexpr uint32_t kMaxProfilesPastEnd = 10000;

constexpr std::size_t kInputBufferSize = 64 * 1024;
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
                        ProfileSink& text, ProfileSink* exportSink)
{
    if (!exportSink)
        return decode(in, profile, options, text, JobReporter());
    TeeSink tee(text, *exportSink);
    return decode(in, profile, options, tee, JobReporter());
}

DecodeResult DecodeEngineering(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* terminationLog,
                               const DecodeOptions& options, ProfileSink* exportSink)
{
    EngineeringText text(out, out ? terminationLog : nullptr, options);
    return DecodeInto(DecodeEngineeringProfile, in, profile, options, text, exportSink);
}

DecodeResult DecodeCtd(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                       const DecodeOptions& options, ProfileSink* exportSink)
{
    CtdText text(out, sensorTimeLog, options);
    return DecodeInto(DecodeCtdProfile, in, profile, options, text, exportSink);
}

DecodeResult DecodeAcm(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                       const DecodeOptions& options, ProfileSink* exportSink)
{
    AcmText text(out, sensorTimeLog, options);
    return DecodeInto(DecodeAcmProfile, in, profile, options, text, exportSink);
}

// The decoder of a kind wired to the kind's text sink and the export's sink.
using ProfileDecoder = DecodeResult (*)(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* auxiliaryLog,
                                        const DecodeOptions& options, ProfileSink* exportSink);

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
                               DecodeEngineering,
                               MessageId::EngineeringStart,
                               MessageId::EngineeringOpenError,
                               MessageId::EngineeringCreateError,
                               MessageId::EngineeringWriteError};
const ProfileKind kCtd{KindCtd,
                       "CTD",
                       DecodeCtd,
                       MessageId::CtdStart,
                       MessageId::CtdOpenError,
                       MessageId::CtdCreateError,
                       std::nullopt};
const ProfileKind kAcm{KindAcm,
                       "ACM",
                       DecodeAcm,
                       MessageId::AcmStart,
                       MessageId::AcmOpenError,
                       MessageId::AcmCreateError,
                       MessageId::AcmWriteError};

void LogWriteError(const ProfileKind& k, uint32_t profile)
{
    if (k.writeError)
        LogMessage(LogError, *k.writeError, profile);
    else
        LogMessage(LogError, k.createError, PrefixedTextFileName(k.kind, profile).c_str());
}

void NotifyLogChanged()
{
    if (unpackJob.notifyWindow)
        unpackJob.notifyWindow->OnLogChanged();
}

void NotifyProgress()
{
    if (unpackJob.notifyWindow)
        unpackJob.notifyWindow->OnJobProgress(unpackJob.doneItems, unpackJob.totalItems);
}

void NotifyStatus()
{
    if (unpackJob.notifyWindow)
        unpackJob.notifyWindow->OnJobStatus(unpackJob.inputPath.c_str(), unpackJob.outputPath.c_str());
}

// The start line of a range kind names the profiles this run unpacks. The
// catalogue text carries {FSTPRO} and {LSTPRO}, which expand from the user's
// range settings; those are stale for a run over the entire deployment
// without UnpackAll, and name an unrelated last profile for a single-profile
// run, so the run's own first and last take their places here.
void LogRangeStart(MessageId id, uint32_t first, uint32_t last)
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
    LogAppend(line.c_str(), LogProgress);
}

// Profiles `index` to `lastIndex` of a file that ended long before them are
// neither read nor noted: one line says how many, and the ones of the range
// count as done, so that progress still reaches its total.
void StopNotesPastEnd(const ProfileKind& k, const std::string& inputPath, uint32_t index, uint32_t firstIndex,
                      uint32_t lastIndex)
{
    LogText(LogError, kPastEndNotNoted, k.name, inputPath.c_str(), lastIndex - index + 1);
    const uint32_t from = index > firstIndex ? index : firstIndex;
    if (from <= lastIndex)
        unpackJob.doneItems += lastIndex - from + 1;
    NotifyProgress();
}

DecodeResult UnpackProfileFile(const ProfileKind& k, const std::string& inputPath, uint32_t base,
                               uint32_t firstIndex, uint32_t lastIndex, std::FILE* auxiliaryLog,
                               const DecodeOptions& options)
{
    ExportSinks* exporter = unpackJob.exportSinks;
    // A data file is read from start to end in large reads; the buffer
    // outlives the stream.
    std::unique_ptr<char[]> inputBuffer(new char[kInputBufferSize]);
    File in = OpenFile(inputPath.c_str(), "rb");
    if (exporter)
        exporter->DataFile(k.kind, DataFileName(k.kind, base), base + firstIndex, base + lastIndex, in != nullptr);
    if (!in) {
        LogMessage(LogError, k.openError, inputPath.c_str());
        return DecodeResult::OpenError;
    }
    std::setvbuf(in.get(), inputBuffer.get(), _IOFBF, kInputBufferSize);
    ProfileSink* exportSink = exporter ? exporter->ProfileSinkFor(k.kind) : nullptr;
    DecodeResult r = DecodeResult::Done;
    uint32_t pastEnd = 0;  // profiles asked of the file after it had ended
    for (uint32_t index = 0;; ++index) {
        // Only a decoder that reports a profile as done at the end of the
        // file (the CTD decoder, with its note) comes round again here.
        if (std::feof(in.get()) && pastEnd++ == kMaxProfilesPastEnd) {
            StopNotesPastEnd(k, inputPath, index, firstIndex, lastIndex);
            break;
        }
        const bool write = index >= firstIndex;
        const uint32_t profile = base + index;
        File out;
        if (write && !unpackJob.writeText) {
            unpackJob.outputPath = inputPath;
            NotifyStatus();
        } else if (write) {
            unpackJob.outputPath = unpackJob.jobDestinationPath + TextFileName(k.kind, profile);
            NotifyStatus();
            out = OpenFile(unpackJob.outputPath.c_str(), "wb");
            if (!out) {
                LogMessage(LogError, k.createError, PrefixedTextFileName(k.kind, profile).c_str());
                return DecodeResult::OpenError;
            }
        }
        r = k.decoder(out.get(), in.get(), profile, auxiliaryLog, options, write ? exportSink : nullptr);
        if (write) {
            // A partial file stays after a decoder failure; one the disk
            // refused fails the kind.
            if (!CloseOutputFile(std::move(out))) {
                LogWriteError(k, profile);
                r = DecodeResult::WriteError;
            }
            ++unpackJob.doneItems;
            NotifyProgress();
        }
        if (r != DecodeResult::Done || index == lastIndex)
            break;
    }
    return r;
}

bool UnpackProfileRange(const ProfileKind& k, uint32_t first, uint32_t last)
{
    const uint32_t ppf = static_cast<uint32_t>(Settings.ProfilesPerFile);
    if (ppf == 0)
        return false;
    const uint32_t firstBase = ppf * (first / ppf);
    const uint32_t lastBase = ppf * (last / ppf);

    LogRangeStart(k.startMessage, first, last);
    NotifyLogChanged();
    const DecodeOptions options = DecodeOptionsFor(Settings, Deployment);

    std::FILE* auxiliaryLog = nullptr;
    std::string terminationLogPath;
    const bool termination = k.kind == KindEngineering && unpackJob.writeText;
    if (termination) {
        terminationLogPath = unpackJob.jobDestinationPath + "TIMETAGS.TXT";
        try {
            unpackJob.terminationLog = OpenFile(terminationLogPath.c_str(), "wb");
            if (unpackJob.terminationLog)
                WriteTerminationLogHeader(unpackJob.terminationLog.get(), options.human);
        } catch (...) {
            unpackJob.terminationLog.reset();
        }
        if (!unpackJob.terminationLog) {
            LogMessage(LogError, MessageId::TerminationLogError);
            return false;
        }
        auxiliaryLog = unpackJob.terminationLog.get();
    } else if (k.kind != KindEngineering) {
        auxiliaryLog = unpackJob.sensorTimeLog.get();
    }

    // The walk ends after lastBase itself, so it never runs past 2^32 when
    // base + ppf would wrap around.
    for (uint32_t base = firstBase; base <= lastBase; base += ppf) {
        if (IsCancelRequested())
            return false;
        const uint32_t firstIndex = base == firstBase ? first % ppf : 0;
        const uint32_t lastIndex = last - base < ppf ? last % ppf : ppf - 1;
        unpackJob.inputPath = unpackJob.jobSourcePath + DataFileName(k.kind, base);
        bool read;
        try {
            read = UnpackProfileFile(k, unpackJob.inputPath, base, firstIndex, lastIndex, auxiliaryLog, options) ==
                   DecodeResult::Done;
        } catch (...) {
            LogMessage(LogError, MessageId::UnpackException);
            read = false;
        }
        NotifyLogChanged();
        if (!read)
            return false;
        if (base == lastBase)
            break;
    }

    if (termination) {
        const bool written = CloseOutputFile(std::move(unpackJob.terminationLog));
        if (!written) {
            LogMessage(LogError, MessageId::TerminationLogError);
            NotifyLogChanged();
            return false;
        }
        LogMessage(LogProgress, MessageId::TerminationLogWritten, terminationLogPath.c_str());
        NotifyLogChanged();
    }
    return true;
}

using WholeFileDecoder = DecodeResult (*)(const std::string& inputPath, const std::string& outputPath,
                                           const DecodeOptions& options);

bool UnpackWholeFile(MessageId startMessage, FileKind kind, WholeFileDecoder decoder)
{
    const std::string inputPath = unpackJob.jobSourcePath + DataFileName(kind, 0);
    const std::string outputPath = unpackJob.jobDestinationPath + TextFileName(kind, 0);
    LogMessage(LogProgress, startMessage);
    NotifyLogChanged();
    bool ok;
    try {
        // A cancel ends the exception log early without failing it.
        const DecodeResult r = decoder(inputPath, outputPath, DecodeOptionsFor(Settings, Deployment));
        ok = r == DecodeResult::Done || r == DecodeResult::Cancelled;
    } catch (...) {
        LogMessage(LogError, MessageId::UnpackException);
        ok = false;
    }
    NotifyLogChanged();
    ++unpackJob.doneItems;
    NotifyProgress();
    return ok;
}

// Where the decoders of a run log and learn of a cancel.
class ActivityLogReporter final : public Reporter {
public:
    void Message(int category, MessageId id, va_list args) override { LogMessageV(category, id, args); }
    bool CancelRequested() override { return IsCancelRequested(); }
};

// The deployment report, and the record read kept as the run's deployment record.
class DeploymentForJob final : public DeploymentSink {
public:
    DeploymentForJob(std::FILE* out, bool human) : text_(out, human) {}
    void Record(const DeploymentRecord& record) override
    {
        Deployment = record;
        Settings.DeployOk = 1;
        text_.Record(record);
    }

private:
    DeploymentText text_;
};

// The export's view of the job while it writes its files. A cancel asked for
// before the export began has already stopped the reading, and the export
// then records what was read; one asked for while it writes stops it.
class JobExportHost final : public ExportHost {
public:
    explicit JobExportHost(bool cancelledBefore) : cancelledBefore_(cancelledBefore) {}
    void Writing(const std::string& path) override
    {
        unpackJob.outputPath = path;
        NotifyStatus();
    }
    void ItemDone() override
    {
        ++unpackJob.doneItems;
        NotifyProgress();
    }
    bool StopRequested() override { return !cancelledBefore_ && IsCancelRequested(); }
    void Error(const std::string& line) override
    {
        LogText(LogError, "%s\r\n", line.c_str());
        NotifyLogChanged();
    }
    void Progress(const std::string& line) override
    {
        LogText(LogProgress, "%s\r\n", line.c_str());
        NotifyLogChanged();
    }

private:
    bool cancelledBefore_;
};

// The export's start: false when it was asked for and cannot be made (the
// run goes on without it).
bool BeginExport(const RunChoice& run)
{
    ExportSinks* exporter = unpackJob.exportSinks;
    if (!exporter)
        return true;
    const ExportRun what{run.kinds,
                         run.first,
                         run.last,
                         DecodeOptionsFor(Settings, Deployment),
                         Settings.DeployOk ? &Deployment : nullptr,
                         unpackJob.jobDestinationPath};
    JobExportHost host(false);
    if (!exporter->Begin(what, host))
        return false;
    unpackJob.totalItems += exporter->FinishItems();
    return true;
}

bool FinishExport()
{
    JobExportHost host(IsCancelRequested());
    try {
        return unpackJob.exportSinks->Finish(host);
    } catch (...) {
        LogMessage(LogError, MessageId::UnpackException);
        NotifyLogChanged();
        return false;
    }
}

}  // namespace

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

void SetNotifyWindow(JobObserver* observer)
{
    unpackJob.notifyWindow = observer;
}

void RequestCancel()
{
    unpackJob.cancelRequested.store(1);
}

bool IsCancelRequested()
{
    return unpackJob.cancelRequested.load() != 0;
}

void ClearCancelRequest()
{
    unpackJob.cancelRequested.store(0);
}

void BuildJobPaths()
{
    unpackJob.jobSourcePath = WithSeparator(Settings.SrcDir);
    unpackJob.jobDestinationPath = WithSeparator(Settings.DstDir) + Settings.Prefix;
}

bool UnpackEngineeringRange(uint32_t first, uint32_t last)
{
    return UnpackProfileRange(kEngineering, first, last);
}

bool UnpackCtdRange(uint32_t first, uint32_t last)
{
    return UnpackProfileRange(kCtd, first, last);
}

bool UnpackAcmRange(uint32_t first, uint32_t last)
{
    return UnpackProfileRange(kAcm, first, last);
}

DecodeOptions DecodeOptionsFor(const SettingsRecord& settings, const DeploymentRecord& deployment)
{
    return DecodeOptions{settings.HumanReadible != 0, settings.FirmwareVers == Firmware301,
                         CtdConstantsFor(deployment)};
}

Reporter& JobReporter()
{
    static ActivityLogReporter reporter;
    return reporter;
}

DecodeResult UnpackEngineeringProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* terminationLog,
                                      const DecodeOptions& options)
{
    return DecodeEngineering(out, in, profile, terminationLog, options, nullptr);
}

DecodeResult UnpackCtdProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                              const DecodeOptions& options)
{
    return DecodeCtd(out, in, profile, sensorTimeLog, options, nullptr);
}

DecodeResult UnpackAcmProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                              const DecodeOptions& options)
{
    return DecodeAcm(out, in, profile, sensorTimeLog, options, nullptr);
}

DecodeResult UnpackEngineeringFile(const std::string& inputPath, uint32_t base, uint32_t firstIndex,
                                   uint32_t lastIndex, std::FILE* terminationLog)
{
    return UnpackProfileFile(kEngineering, inputPath, base, firstIndex, lastIndex, terminationLog,
                             DecodeOptionsFor(Settings, Deployment));
}

DecodeResult UnpackCtdFile(const std::string& inputPath, uint32_t base, uint32_t firstIndex, uint32_t lastIndex,
                           std::FILE* sensorTimeLog)
{
    return UnpackProfileFile(kCtd, inputPath, base, firstIndex, lastIndex, sensorTimeLog,
                             DecodeOptionsFor(Settings, Deployment));
}

DecodeResult UnpackAcmFile(const std::string& inputPath, uint32_t base, uint32_t firstIndex, uint32_t lastIndex,
                           std::FILE* sensorTimeLog)
{
    return UnpackProfileFile(kAcm, inputPath, base, firstIndex, lastIndex, sensorTimeLog,
                             DecodeOptionsFor(Settings, Deployment));
}

DecodeResult UnpackDeploymentFile(const std::string& inputPath, const std::string& outputPath,
                                  const DecodeOptions& options)
{
    File in = OpenFile(inputPath.c_str(), "rb");
    if (!in) {
        LogMessage(LogError, MessageId::DeployOpenError);
        return DecodeResult::OpenError;
    }
    File out = OpenFile(outputPath.c_str(), "wb");
    if (!out) {
        LogMessage(LogError, MessageId::DeployCreateError);
        return DecodeResult::OpenError;
    }
    // The record is read in the layout of the configured firmware.
    DeploymentForJob sink(out.get(), options.human);
    const DecodeResult r = DecodeDeploymentFile(in.get(), options.layout301, sink, JobReporter());
    if (r != DecodeResult::Done)
        return r;  // the report stays, empty
    if (!CloseOutputFile(std::move(out))) {
        LogMessage(LogError, MessageId::DeployCreateError);  // the report did not reach the disk
        return DecodeResult::WriteError;
    }
    return DecodeResult::Done;
}

DecodeResult UnpackIrqFile(const std::string& inputPath, const std::string& outputPath,
                           const DecodeOptions& options)
{
    File in = OpenFile(inputPath.c_str(), "rb");
    if (!in) {
        LogMessage(LogError, MessageId::IrqOpenError);
        return DecodeResult::OpenError;
    }
    File out = OpenFile(outputPath.c_str(), "wb");
    if (!out) {
        LogMessage(LogError, MessageId::IrqCreateError);
        return DecodeResult::OpenError;
    }
    IrqText text(out.get(), options.human);
    DecodeResult r = DecodeIrqLog(in.get(), text, JobReporter());
    if (r == DecodeResult::Cancelled)
        return r;
    if (!CloseOutputFile(std::move(out))) {
        LogMessage(LogError, MessageId::IrqWriteError);
        r = DecodeResult::WriteError;
    }
    return r;
}

bool OpenSensorTimeLog()
{
    try {
        unpackJob.sensorTimeLog = OpenFile((unpackJob.jobDestinationPath + "SNSRTIME.TXT").c_str(), "wb");
    } catch (...) {
        unpackJob.sensorTimeLog.reset();
    }
    if (!unpackJob.sensorTimeLog) {
        LogMessage(LogError, MessageId::SensorTimeLogError);
        return false;
    }
    return true;
}

bool CloseSensorTimeLog()
{
    const bool written = CloseOutputFile(std::move(unpackJob.sensorTimeLog));
    if (!written)
        LogMessage(LogError, MessageId::SensorTimeLogError);
    return written;
}

bool UnpackDeploymentKind()
{
    return UnpackWholeFile(MessageId::DeploymentStart, KindDeployment, UnpackDeploymentFile);
}

bool UnpackExceptionKind()
{
    return UnpackWholeFile(MessageId::ExceptionStart, KindException, UnpackIrqFile);
}

int unpack_thread()
{
    DebugTrace("unpack_thread starting!\r\n");
    ClearCancelRequest();
    RunChoice run = ChooseKindsAndRange(Settings);
    if (!unpackJob.writeText)
        run.kinds &= ~(KindDeployment | KindException);  // they have only texts
    BuildJobPaths();
    unpackJob.totalItems = CountItems(run);
    unpackJob.doneItems = 0;

    // The metadata check reads DEPLOY.DAT and PROFILES.DAT by bare name in the
    // source folder; it logs its own errors, and first and last stay as chosen.
    // A source folder that cannot be entered is checked by its path instead,
    // so that the check never reads the files of whatever folder is current.
    if (SetCurrentDir(unpackJob.jobSourcePath.c_str()))
        VerifyMetaData();
    else
        VerifyMetaDataIn(unpackJob.jobSourcePath);

    unpackJob.terminationLog.reset();
    unpackJob.sensorTimeLog.reset();
    bool ok = true;
    const bool exporting = unpackJob.exportSinks != nullptr && BeginExport(run);
    if (unpackJob.exportSinks && !exporting)
        ok = false;
    ExportSinks* const requested = std::exchange(unpackJob.exportSinks, exporting ? unpackJob.exportSinks : nullptr);
    auto runs = [&run](int kinds) { return (run.kinds & kinds) != 0 && !IsCancelRequested(); };
    const bool sensorTimeLog = unpackJob.writeText;
    // A failing step does not stop the later ones; only a cancel does.
    if (runs(KindEngineering))
        ok = UnpackEngineeringRange(run.first, run.last) && ok;
    if (sensorTimeLog && runs(KindCtd | KindAcm))
        ok = OpenSensorTimeLog() && ok;
    if (runs(KindCtd))
        ok = UnpackCtdRange(run.first, run.last) && ok;
    if (runs(KindAcm))
        ok = UnpackAcmRange(run.first, run.last) && ok;
    if (sensorTimeLog && runs(KindCtd | KindAcm))
        ok = CloseSensorTimeLog() && ok;
    if (runs(KindDeployment))
        ok = UnpackDeploymentKind() && ok;
    if (runs(KindException))
        ok = UnpackExceptionKind() && ok;

    // A cancel can leave either log open.
    unpackJob.terminationLog.reset();
    unpackJob.sensorTimeLog.reset();
    if (exporting)
        ok = FinishExport() && ok;
    unpackJob.exportSinks = requested;

    if (unpackJob.notifyWindow)
        unpackJob.notifyWindow->OnJobFinished(!ok);
    DebugTrace("unpack_thread exiting!\r\n");
    return ok ? 0 : -1;
}

int StartUnpackJob()
{
    WaitForUnpackJob();  // the previous run has sent its finished notification
    try {
        unpackJob.thread = std::thread(unpack_thread);
    } catch (const std::system_error&) {
        return -1;
    }
    return 0;
}

void WaitForUnpackJob()
{
    if (unpackJob.thread.joinable())
        unpackJob.thread.join();
}
