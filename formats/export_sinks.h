#pragma once
// The deployment export as the unpack job sees it: a second set of sinks fed
// during the same run as the text sinks. The job (engine/) hands every
// profile it writes to both (a tee), tells the export which data files it
// opened and which it could not, and at the end of the run lets it write its
// files. The export (export/) implements this and the program that wants it
// (cli/main.cpp) plugs it into the job; the interface sits here, below both,
// so that neither of them includes the other.

#include "formats/decoder.h"
#include "formats/sink.h"

#include <cstdint>
#include <string>

struct DeploymentRecord;

constexpr uint64_t kUnknownOffset = UINT64_MAX;

// What a run is, once the job has read the deployment's metadata.
struct ExportRun {
    int kinds;        // FileKind bits of the run
    uint32_t first;   // the profile range
    uint32_t last;
    DecodeOptions options;
    const DeploymentRecord* deployment;  // null when DEPLOY.DAT could not be read
    std::string destination;             // the destination folder with its separator, then the prefix
    std::string source;                  // the source folder with its separator: where the data files are
    int threads = 1;                     // threads the export may write its files on
};

// The job's side while the export writes: the status line, progress, the
// cancel request and the activity log.
class ExportHost {
public:
    virtual ~ExportHost() = default;
    // `path` is about to be written.
    virtual void Writing(const std::string& path) = 0;
    // One of the export's items (ExportSinks::FinishItems) is done.
    virtual void ItemDone() = 0;
    // True when the run was asked to stop while the export was being written.
    virtual bool StopRequested() = 0;
    // A line of the activity log (no line end): an error or a progress line.
    virtual void Error(const std::string& line) = 0;
    virtual void Progress(const std::string& line) = 0;
};

class ExportSinks {
public:
    virtual ~ExportSinks() = default;
    // A run starts. False, with the cause logged, when the export cannot be
    // made; the run then goes on without it and reports errors.
    virtual bool Begin(const ExportRun& run, ExportHost& host) = 0;
    // The progress items Finish counts, beside the job's own.
    virtual uint32_t FinishItems() const = 0;
    // The sink that hears the profile of `kind` about to be decoded for the
    // run (never for a profile read only to reach a later one); null when
    // the kind is not exported.
    virtual ProfileSink* ProfileSinkFor(int kind) = 0;
    // The data file `fileName` (no folder) of `kind`, which holds profiles
    // `first` to `last` of the range, was opened (`opened`), or could not be
    // opened and none of them will be read. Profiles of the range the export
    // never hears of were not read: their kind had stopped or the run was
    // cancelled.
    virtual void DataFile(int kind, const std::string& fileName, uint32_t first, uint32_t last, bool opened) = 0;
    // The next profile of `kind` the export hears of starts at byte `offset`
    // of the data file DataFile named last: the export decodes it again from
    // there as it writes its files, instead of keeping its scans
    // (kUnknownOffset: the stream could not tell).
    virtual void ProfileAt(int kind, uint64_t offset) = 0;
    // Writes the files of the export, each under a temporary name first and
    // renamed when whole. False when any of them was not written (logged).
    virtual bool Finish(ExportHost& host) = 0;
};
