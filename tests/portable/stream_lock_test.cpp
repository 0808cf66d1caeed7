// StreamLock::Read takes records straight out of the stream's buffer; it must
// deliver what std::fread delivers: the same bytes, the same counts, the same
// end-of-file indicator and file position, over records that straddle the
// buffer's refills and run past the end of the file.

#include "formats/stream_lock.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

TEST(StreamLock, ReadsAsFreadReads)
{
    Bytes bytes;
    for (int i = 0; i < 5000; ++i)
        bytes.u8(static_cast<uint8_t>(i * 7 + i / 256));
    // Record sizes of the decoders and odd ones, past the end of the file.
    const std::size_t sizes[] = {4, 9, 12, 18, 24, 1, 37, 8, 3, 300, 9, 18};
    struct Buffering {
        const char* name;
        int mode;
        std::size_t size;
    };
    const Buffering bufferings[] = {
        {"default buffer", _IOFBF, 0}, {"64 KiB", _IOFBF, 65536}, {"7 bytes", _IOFBF, 7}, {"unbuffered", _IONBF, 0}};
    for (const Buffering& buffering : bufferings) {
        SCOPED_TRACE(buffering.name);
        InputFile expected(bytes), actual(bytes);
        if (buffering.size != 0 || buffering.mode == _IONBF) {
            std::setvbuf(expected.get(), nullptr, buffering.mode, buffering.size);
            std::setvbuf(actual.get(), nullptr, buffering.mode, buffering.size);
        }
        StreamLock lock(actual.get());
        for (std::size_t step = 0; step < 600; ++step) {
            const std::size_t size = sizes[step % std::size(sizes)];
            std::vector<uint8_t> want(size, 0xAB), got(size, 0xAB);
            const std::size_t wantCount = std::fread(want.data(), 1, size, expected.get());
            const std::size_t gotCount = lock.Read(got.data(), size);
            ASSERT_EQ(gotCount, wantCount) << "record " << step;
            ASSERT_EQ(got, want) << "record " << step;
            ASSERT_EQ(std::feof(actual.get()) != 0, std::feof(expected.get()) != 0) << "record " << step;
            ASSERT_EQ(std::ferror(actual.get()) != 0, std::ferror(expected.get()) != 0) << "record " << step;
            ASSERT_EQ(actual.position(), expected.position()) << "record " << step;
        }
        EXPECT_TRUE(std::feof(actual.get()));
    }
}
