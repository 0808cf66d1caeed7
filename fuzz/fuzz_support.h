#pragma once
// Helpers shared by the fuzz targets: the fuzzer's bytes as an input stream
// with the end-of-file and error indicators of a real file, a text sink, and a
// check that stops the run with a message (a failed check is a finding).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(cond)                                                                        \
    do {                                                                                        \
        if (!(cond)) {                                                                          \
            std::fprintf(stderr, "fuzz check failed: %s at %s:%d\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

// A binary input stream holding exactly these bytes (an in-memory file, so
// short reads set the end-of-file indicator as a disk file does). Close it with
// std::fclose.
std::FILE* OpenInput(const uint8_t* data, std::size_t size);

// A binary output stream that discards what it is given, open for the whole
// run.
std::FILE* NullOutput();

// Creates the activity log once (with the default settings, also filled in
// once) and empties it, so LogTake() holds what one input logged.
void ResetFuzzLog();

// A folder of this run's own for files read or written by name (in memory
// where the system has a tmpfs), removed when the run ends.
const std::string& ScratchDir();
// Writes the bytes as the file `name` of the scratch folder; returns its path.
std::string WriteScratchFile(const char* name, const uint8_t* data, std::size_t size);
// The whole content of a file, or "<missing>" when it cannot be opened.
std::string ReadWholeFile(const std::string& path);

// One run of a profile decoder (CTD, ACM) over the fuzzer's bytes: the first
// byte is the mode, the rest the file. Bit 0 of the mode chooses the human
// form and bit 1 turns writing off; the bits named by the caller close the
// sensor time log, request a cancel and choose a profile base near the top of
// the range (else 7). The log is emptied at the start; the input is closed and
// the cancel request cleared at the end.
struct ProfileRun {
    ProfileRun(const uint8_t* data, std::size_t size, uint8_t noSensorLogBit, uint8_t cancelBit,
               uint8_t highBaseBit);
    ~ProfileRun();
    ProfileRun(const ProfileRun&) = delete;
    ProfileRun& operator=(const ProfileRun&) = delete;

    uint8_t mode;
    bool write;
    bool cancel;
    uint32_t base;
    std::FILE* sensorLog;  // null when closed
    std::FILE* in;
    std::FILE* out;  // null when not writing
    long end;        // the size of the file
};
