#include "fuzz/fuzz_support.h"

#include "app/program_log.h"
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "tests/fixture/job_support.h"

#include <filesystem>

#include <sys/mman.h>
#include <unistd.h>

std::FILE* OpenInput(const uint8_t* data, std::size_t size)
{
    static int fd = memfd_create("fuzz-input", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        FUZZ_CHECK(n > 0);
        done += static_cast<std::size_t>(n);
    }
    int copy = dup(fd);
    FUZZ_CHECK(copy >= 0);
    FUZZ_CHECK(lseek(copy, 0, SEEK_SET) == 0);
    std::FILE* in = fdopen(copy, "rb");
    FUZZ_CHECK(in != nullptr);
    return in;
}

std::FILE* NullOutput()
{
    static std::FILE* out = std::fopen("/dev/null", "wb");
    FUZZ_CHECK(out != nullptr);
    return out;
}

void ResetFuzzLog()
{
    static bool created = [] {
        SetDefaultSettings(Settings);
        return CreateActivityLog(CurrentModule()) == 0;
    }();
    FUZZ_CHECK(created);
    LogReset();
}

const std::string& ScratchDir()
{
    // Never destroyed: the exit handler below still needs it.
    static const std::string* dir = [] {
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/davrolin-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchDir(), ec);
        });
        return new std::string(pattern);
    }();
    return *dir;
}

std::string WriteScratchFile(const char* name, const uint8_t* data, std::size_t size)
{
    std::string path = ScratchDir() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
    FUZZ_CHECK(std::fclose(f) == 0);
    return path;
}

std::string ReadWholeFile(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return "<missing>";
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fclose(f);
    return text;
}

ProfileRun::ProfileRun(const uint8_t* data, std::size_t size, uint8_t noSensorLogBit, uint8_t cancelBit,
                       uint8_t highBaseBit)
{
    ResetFuzzLog();
    mode = data[0];
    Settings.HumanReadible = mode & 1;
    write = (mode & 2) == 0;
    sensorLog = (mode & noSensorLogBit) ? nullptr : NullOutput();
    cancel = (mode & cancelBit) != 0;
    base = (mode & highBaseBit) ? 0xFFFFFFF0u : 7u;

    TheUnpackJob().ClearCancel();
    if (cancel)
        TheUnpackJob().Cancel();
    in = OpenInput(data + 1, size - 1);
    out = write ? NullOutput() : nullptr;
    end = static_cast<long>(size - 1);
}

ProfileRun::~ProfileRun()
{
    std::fclose(in);
    TheUnpackJob().ClearCancel();
}
