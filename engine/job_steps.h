#pragma once
// What the steps of one run share (engine/job_sequence.h runs them): the
// run's fixed state and logs, the step record, and how a step creates its
// text files.

#include "engine/export_feed.h"
#include "engine/ordered_steps.h"
#include "engine/step_journal.h"
#include "engine/unpack_job.h"
#include "formats/decoder.h"
#include "formats/export_sinks.h"
#include "formats/sink.h"
#include "platform/file.h"
#include "platform/platform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
    std::string prefix;  // the prefix alone, for the messages that name a file
    bool writeText = true;
    ExportSinks* exporter = nullptr;   // null: no export in this run
    ProfileSink* exportSinks[3] = {};  // the export's sink of each profile kind, by KindIndex
    mutable KeptScanBuffers keptScans;  // the export feeds' buffers (a cache of their own lock)
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
    RangeStart,     // a profile kind's start line (and the termination log)
    ProfileFile,    // one data file of a profile kind
    RangeEnd,       // the termination log closed
    SensorLogOpen,  // the sensor time log of the CTD and ACM kinds
    SensorLogClose,
    WholeFile,  // the deployment file or the exception log
};

struct JobStep final : Step {
    JobStep(StepType t, int k) : type(t), kind(k) { hasWork = t == StepType::ProfileFile || t == StepType::WholeFile; }

    StepType type;
    int kind;                                          // FileKind; 0 for the sensor time log steps
    uint32_t base = 0, firstIndex = 0, lastIndex = 0;  // a profile file's base and indexes written

    DecodeResult result = DecodeResult::Done;
    bool read = false;                 // the work succeeded
    File rows;                         // log rows kept ahead of the step's turn
    std::vector<std::string> created;  // text files created ahead of its turn
    std::unique_ptr<ExportFeed> feed;  // the export's calls, kept ahead of the step's turn
};

// The index of a profile kind in RunState::exportSinks.
inline int KindIndex(int kind)
{
    return kind == KindEngineering ? 0 : kind == KindCtd ? 1 : 2;
}
