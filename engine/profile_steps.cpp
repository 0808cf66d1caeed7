#include "engine/profile_steps.h"

#include "engine/export_feed.h"
#include "engine/file_names.h"
#include "formats/acm.h"
#include "formats/ctd.h"
#include "formats/engineering.h"
#include "formats/profile_text.h"
#include "formats/sink_tee.h"
#include "platform/file.h"

#include <utility>

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
const ProfileKind kCtd{
    KindCtd, "CTD", CtdProfile, MessageId::CtdStart, MessageId::CtdOpenError, MessageId::CtdCreateError, std::nullopt};
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

void LogWriteError(const ProfileKind& k, const std::string& prefix, uint32_t profile, Reporter& reporter)
{
    if (k.writeError)
        reporter.Report(LogError, *k.writeError, profile);
    else
        reporter.Report(LogError, k.createError, PrefixedTextFileName(prefix, k.kind, profile).c_str());
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
        step.feed->DataFile(k.kind, DataFileName(k.kind, step.base, run.profilesPerFile), step.base + step.firstIndex,
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
                journal.Report(LogError, k.createError, PrefixedTextFileName(run.prefix, k.kind, profile).c_str());
                return DecodeResult::OpenError;
            }
        }
        if (write && exportSink) {
            uint64_t offset = kUnknownOffset;
            FilePosition(in.get(), offset);
            step.feed->ProfileAt(k.kind, offset);
        }
        r = k.decoder(out.get(), in.get(), profile, auxiliaryLog, run.options, write ? exportSink : nullptr, journal);
        if (write) {
            // A partial file stays after a decoder failure; one the disk
            // refused fails the kind.
            if (!CloseOutputFile(std::move(out))) {
                LogWriteError(k, run.prefix, profile, journal);
                r = DecodeResult::WriteError;
            }
            journal.Progress(1);
        }
        if (r != DecodeResult::Done || step.lastIndex == index)
            break;
    }
    return r;
}

}  // namespace

DecodeResult DecodeProfileText(int kind, std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* auxiliaryLog,
                               const DecodeOptions& options, ProfileSink* exportSink, Reporter& reporter)
{
    return ProfileKindOf(kind).decoder(out, in, profile, auxiliaryLog, options, exportSink, reporter);
}

MessageId ProfileKindStart(int kind)
{
    return ProfileKindOf(kind).startMessage;
}

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
        step.feed = std::make_unique<ExportFeed>(*run.exporter, run.exportSinks[KindIndex(k.kind)], journal,
                                                 run.keptScans);
    const std::string inputPath = run.paths.source + DataFileName(k.kind, step.base, run.profilesPerFile);
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
