#include "fuzz/fuzz_support.h"

#include "engine/activity_log.h"
#include "formats/settings_record.h"

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
        return LogCreate(CurrentModule()) == 0;
    }();
    FUZZ_CHECK(created);
    LogReset();
}
