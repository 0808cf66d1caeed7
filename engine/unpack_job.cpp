#include "engine/unpack_job.h"

#include "app/messages.h"
#include "engine/activity_log.h"
#include "engine/file_names.h"
#include "formats/acm.h"
#include "formats/ctd.h"
#include "formats/deployment.h"
#include "formats/deployment_text.h"
#include "formats/engineering.h"
#include "formats/irq_log.h"
#include "formats/irq_text.h"
#include "formats/metadata.h"
#include "formats/output_file.h"
#include "formats/profile_text.h"
#include "formats/report.h"
#include "formats/termination_log.h"
#include "formats/text_format.h"
#include "platform/platform.h"

#include <memory>
#include <system_error>

UnpackJob unpackJob;

namespace {

// Message ids of the job's own lines.
constexpr int MsgException = 128;
constexpr int MsgEngineeringStart = 156;
constexpr int MsgAcmStart = 160;
constexpr int MsgCtdStart = 164;
constexpr int MsgEngineeringOpenError = 183;
constexpr int MsgEngineeringCreateError = 185;
constexpr int MsgEngineeringWriteError = 186;
constexpr int MsgAcmOpenError = 187;
constexpr int MsgAcmCreateError = 189;
constexpr int MsgAcmWriteError = 190;
constexpr int MsgCtdOpenError = 191;
constexpr int MsgCtdCreateError = 193;
constexpr int MsgDeploymentStart = 195;
constexpr int MsgExceptionStart = 196;
constexpr int MsgTerminationLogError = 202;
constexpr int MsgTerminationLogWritten = 209;
constexpr int MsgSensorTimeLogError = 221;

// A data file that has ended still answers for each later profile of the
// range: the CTD decoder notes every one as missing, with a file of its own.
// No deployment holds more profiles per file than this, while damaged
// metadata can plan 2^31; past this many profiles after the end of a file the
// notes stop with one line naming the file and the profiles left un-noted.
constexpr uint32_t kMaxProfilesPastEnd = 10000;

constexpr std::size_t kInputBufferSize = 64 * 1024;
constexpr const char* kPastEndNotNoted =
    "Error reading from %s data file %s: %u more profiles past its end were not noted\r\n";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The decoder of a kind wired to the kind's text sink (UnpackEngineeringProfile...).
using ProfileDecoder = DecodeResult (*)(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* auxiliaryLog,
                                        const DecodeOptions& options);

// What tells the three profile kinds apart.
struct ProfileKind {
    FileKind kind;
    const char* name;  // as the kind's messages name its data files
    ProfileDecoder decoder;
    int startMessage;
    int openError;
    int createError;
    int writeError;  // names the profile; 0: the kind has none, its create error names the file
};

const ProfileKind kEngineering{KindEngineering, "engineering", UnpackEngineeringProfile, MsgEngineeringStart,
                               MsgEngineeringOpenError, MsgEngineeringCreateError, MsgEngineeringWriteError};
const ProfileKind kCtd{KindCtd, "CTD", UnpackCtdProfile, MsgCtdStart, MsgCtdOpenError, MsgCtdCreateError, 0};
const ProfileKind kAcm{KindAcm, "ACM", UnpackAcmProfile, MsgAcmStart, MsgAcmOpenError, MsgAcmCreateError,
                       MsgAcmWriteError};

void LogWriteError(const ProfileKind& k, uint32_t profile)
{
    if (k.writeError)
        LogMessage(LogError, k.writeError, profile);
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

void CloseLog(std::FILE*& log)
{
    if (log)
        std::fclose(log);
    log = nullptr;
}

// The start line of a range kind names the profiles this run unpacks. The
// catalogue text carries {FSTPRO} and {LSTPRO}, which expand from the user's
// range settings; those are stale for a run over the entire deployment
// without UnpackAll, and name an unrelated last profile for a single-profile
// run, so the run's own first and last take their places here.
void LogRangeStart(int id, uint32_t first, uint32_t last)
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
    // A data file is read from start to end in large reads; the buffer
    // outlives the stream.
    std::unique_ptr<char[]> inputBuffer(new char[kInputBufferSize]);
    File in(OpenFile(inputPath.c_str(), "rb"));
    if (!in) {
        LogMessage(LogError, k.openError, inputPath.c_str());
        return DecodeResult::OpenError;
    }
    std::setvbuf(in.get(), inputBuffer.get(), _IOFBF, kInputBufferSize);
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
        if (write) {
            unpackJob.outputPath = unpackJob.jobDestinationPath + TextFileName(k.kind, profile);
            NotifyStatus();
            out.reset(OpenFile(unpackJob.outputPath.c_str(), "wb"));
            if (!out) {
                LogMessage(LogError, k.createError, PrefixedTextFileName(k.kind, profile).c_str());
                return DecodeResult::OpenError;
            }
        }
        r = k.decoder(out.get(), in.get(), profile, auxiliaryLog, options);
        if (write) {
            // A partial file stays after a decoder failure; one the disk
            // refused fails the kind.
            if (!CloseOutputFile(out.release())) {
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
    if (k.kind == KindEngineering) {
        terminationLogPath = unpackJob.jobDestinationPath + "TIMETAGS.TXT";
        try {
            unpackJob.terminationLog = OpenFile(terminationLogPath.c_str(), "wb");
            if (unpackJob.terminationLog)
                WriteTerminationLogHeader(unpackJob.terminationLog, options.human);
        } catch (...) {
            CloseLog(unpackJob.terminationLog);
        }
        if (!unpackJob.terminationLog) {
            LogMessage(LogError, MsgTerminationLogError);
            return false;
        }
        auxiliaryLog = unpackJob.terminationLog;
    } else {
        auxiliaryLog = unpackJob.sensorTimeLog;
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
            LogMessage(LogError, MsgException);
            read = false;
        }
        NotifyLogChanged();
        if (!read)
            return false;
        if (base == lastBase)
            break;
    }

    if (k.kind == KindEngineering) {
        const bool written = CloseOutputFile(unpackJob.terminationLog);
        unpackJob.terminationLog = nullptr;
        if (!written) {
            LogMessage(LogError, MsgTerminationLogError);
            NotifyLogChanged();
            return false;
        }
        LogMessage(LogProgress, MsgTerminationLogWritten, terminationLogPath.c_str());
        NotifyLogChanged();
    }
    return true;
}

using WholeFileDecoder = DecodeResult (*)(const std::string& inputPath, const std::string& outputPath,
                                           const DecodeOptions& options);

bool UnpackWholeFile(int startMessage, FileKind kind, WholeFileDecoder decoder)
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
        LogMessage(LogError, MsgException);
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
    void Message(int category, int id, va_list args) override { LogMessageV(category, id, args); }
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
    EngineeringText text(out, out ? terminationLog : nullptr, options);
    return DecodeEngineeringProfile(in, profile, options, text, JobReporter());
}

DecodeResult UnpackCtdProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                              const DecodeOptions& options)
{
    CtdText text(out, sensorTimeLog, options);
    return DecodeCtdProfile(in, profile, options, text, JobReporter());
}

DecodeResult UnpackAcmProfile(std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* sensorTimeLog,
                              const DecodeOptions& options)
{
    AcmText text(out, sensorTimeLog, options);
    return DecodeAcmProfile(in, profile, options, text, JobReporter());
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
    File in(OpenFile(inputPath.c_str(), "rb"));
    if (!in) {
        LogMessage(LogError, MsgDeployOpenError);
        return DecodeResult::OpenError;
    }
    File out(OpenFile(outputPath.c_str(), "wb"));
    if (!out) {
        LogMessage(LogError, MsgDeployCreateError);
        return DecodeResult::OpenError;
    }
    // The record is read in the layout of the configured firmware.
    DeploymentForJob sink(out.get(), options.human);
    const DecodeResult r = DecodeDeploymentFile(in.get(), options.layout301, sink, JobReporter());
    if (r != DecodeResult::Done)
        return r;  // the report stays, empty
    if (!CloseOutputFile(out.release())) {
        LogMessage(LogError, MsgDeployCreateError);  // the report did not reach the disk
        return DecodeResult::WriteError;
    }
    return DecodeResult::Done;
}

DecodeResult UnpackIrqFile(const std::string& inputPath, const std::string& outputPath,
                           const DecodeOptions& options)
{
    File in(OpenFile(inputPath.c_str(), "rb"));
    if (!in) {
        LogMessage(LogError, MsgIrqOpenError);
        return DecodeResult::OpenError;
    }
    File out(OpenFile(outputPath.c_str(), "wb"));
    if (!out) {
        LogMessage(LogError, MsgIrqCreateError);
        return DecodeResult::OpenError;
    }
    IrqText text(out.get(), options.human);
    DecodeResult r = DecodeIrqLog(in.get(), text, JobReporter());
    if (r == DecodeResult::Cancelled)
        return r;
    if (!CloseOutputFile(out.release())) {
        LogMessage(LogError, MsgIrqWriteError);
        r = DecodeResult::WriteError;
    }
    return r;
}

bool OpenSensorTimeLog()
{
    try {
        unpackJob.sensorTimeLog = OpenFile((unpackJob.jobDestinationPath + "SNSRTIME.TXT").c_str(), "wb");
    } catch (...) {
        unpackJob.sensorTimeLog = nullptr;
    }
    if (!unpackJob.sensorTimeLog) {
        LogMessage(LogError, MsgSensorTimeLogError);
        return false;
    }
    return true;
}

bool CloseSensorTimeLog()
{
    const bool written = CloseOutputFile(unpackJob.sensorTimeLog);
    unpackJob.sensorTimeLog = nullptr;
    if (!written)
        LogMessage(LogError, MsgSensorTimeLogError);
    return written;
}

bool UnpackDeploymentKind()
{
    return UnpackWholeFile(MsgDeploymentStart, KindDeployment, UnpackDeploymentFile);
}

bool UnpackExceptionKind()
{
    return UnpackWholeFile(MsgExceptionStart, KindException, UnpackIrqFile);
}

int unpack_thread()
{
    DebugTrace("unpack_thread starting!\r\n");
    ClearCancelRequest();
    const RunChoice run = ChooseKindsAndRange(Settings);
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

    unpackJob.terminationLog = nullptr;
    unpackJob.sensorTimeLog = nullptr;
    bool ok = true;
    auto runs = [&run](int kinds) { return (run.kinds & kinds) != 0 && !IsCancelRequested(); };
    // A failing step does not stop the later ones; only a cancel does.
    if (runs(KindEngineering))
        ok = UnpackEngineeringRange(run.first, run.last) && ok;
    if (runs(KindCtd | KindAcm))
        ok = OpenSensorTimeLog() && ok;
    if (runs(KindCtd))
        ok = UnpackCtdRange(run.first, run.last) && ok;
    if (runs(KindAcm))
        ok = UnpackAcmRange(run.first, run.last) && ok;
    if (runs(KindCtd | KindAcm))
        ok = CloseSensorTimeLog() && ok;
    if (runs(KindDeployment))
        ok = UnpackDeploymentKind() && ok;
    if (runs(KindException))
        ok = UnpackExceptionKind() && ok;

    // A cancel can leave either log open.
    CloseLog(unpackJob.terminationLog);
    CloseLog(unpackJob.sensorTimeLog);

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
