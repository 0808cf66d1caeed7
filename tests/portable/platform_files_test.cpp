#include "platform/platform.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(PlatformFiles, FoldersFilesAndNamesWithoutRegardToCase)
{
    TempDir dir;
    std::string before = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(dir.str().c_str()));
    EXPECT_FALSE(SetCurrentDir("no such folder"));
    WriteFileText(dir / "e0000000.dat", "x");
    ASSERT_TRUE(CreateDir("SUB"));
    EXPECT_FALSE(CreateDir("SUB"));

    FileInfo info = GetFileInfo("E0000000.DAT");
    EXPECT_TRUE(info.exists);
    EXPECT_FALSE(info.isDirectory);
    EXPECT_GT(info.lastWriteUtc, 1500000000);  // written just now
    EXPECT_TRUE(GetFileInfo("sub").isDirectory);
    EXPECT_FALSE(GetFileInfo("E0000001.DAT").exists);

    std::FILE* f = OpenFile("E0000000.DAT", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fgetc(f), 'x');
    std::fclose(f);

    std::vector<DirEntry> entries;
    ASSERT_TRUE(ListCurrentDir(entries));
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "..");
    EXPECT_TRUE(entries[0].isDirectory);
    EXPECT_EQ(entries[1].name, "SUB");
    EXPECT_EQ(entries[2].name, "e0000000.dat");

    EXPECT_FALSE(LogicalDriveRoots().empty());
    ASSERT_TRUE(SetCurrentDir(before.c_str()));
}

}  // namespace
