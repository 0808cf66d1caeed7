#include "platform/platform.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Moves the folder's modification time well away from now, as any later change
// by another program would on a file system with coarse time stamps.
void MarkFolderChanged(const TempDir& dir, long seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.str().c_str(), times, 0), 0);
}

// Names already looked up in a folder are looked up again once other programs
// change the folder: files they add are found under any case, files they
// remove are gone, and a file they add under another case is written over.
TEST(PlatformCase, ChangesMadeByOthersAreSeen)
{
    TempDir dir;
    const std::string lower = (dir / "p0000001.txt").string();
    const std::string upper = (dir / "P0000001.TXT").string();
    EXPECT_FALSE(GetFileInfo(upper.c_str()).exists);
    ASSERT_TRUE(OpenFile((dir / "mine.txt").string().c_str(), "wb"));

    WriteFileText(lower, "theirs");
    MarkFolderChanged(dir, 1000000000);
    EXPECT_TRUE(GetFileInfo(upper.c_str()).exists);
    File f = OpenFile(upper.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("ours", f.get());
    f.reset();
    EXPECT_EQ(ReadFileText(lower), "ours");
    EXPECT_FALSE(std::filesystem::exists(upper));

    std::filesystem::remove(lower);
    MarkFolderChanged(dir, 1000000100);
    EXPECT_FALSE(GetFileInfo(upper.c_str()).exists);
    EXPECT_TRUE(GetFileInfo((dir / "MINE.TXT").string().c_str()).exists);
}

}  // namespace
