#include "platform/platform.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

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

    const File f = OpenFile("E0000000.DAT", "rb");
    ASSERT_TRUE(f);
    EXPECT_EQ(std::fgetc(f.get()), 'x');

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

std::vector<std::string> NamesIn(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteThrough(const std::string& path, const char* text)
{
    const File f = OpenFile(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    std::fputs(text, f.get());
}

std::string ReadThrough(const std::string& path)
{
    const File f = OpenFile(path.c_str(), "rb");
    if (!f)
        return "(none)";
    std::string text;
    for (int c; (c = std::fgetc(f.get())) != EOF;)
        text += static_cast<char>(c);
    return text;
}

// Files written through OpenFile, many in one folder as a run writes them, are
// found again under any letter case; writing over a file under another case
// keeps the one file and the name it has on disk; names are looked up in the
// folder they are in, relative names in the current directory.
TEST(PlatformFiles, WrittenFilesKeepOneNameWhateverTheCase)
{
    TempDir dir, other;
    WriteFileText(dir / "e0000000.dat", "old");
    WriteThrough((dir / "E0000000.DAT").string(), "new");
    EXPECT_EQ(ReadFileText(dir / "e0000000.dat"), "new");
    EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"e0000000.dat"});

    std::vector<std::string> expected{"e0000000.dat"};
    for (int i = 0; i < 40; ++i) {
        const std::string name = "Out" + std::to_string(100 + i) + ".txt";
        EXPECT_FALSE(GetFileInfo((dir / name).string().c_str()).exists) << name;
        WriteThrough((dir / name).string(), name.c_str());
        expected.push_back(name);
    }
    for (int i = 0; i < 40; ++i) {
        const std::string name = "Out" + std::to_string(100 + i) + ".txt";
        EXPECT_EQ(ReadThrough((dir / ("OUT" + std::to_string(100 + i) + ".TXT")).string()), name);
        EXPECT_TRUE(GetFileInfo((dir / ("out" + std::to_string(100 + i) + ".TXT")).string().c_str()).exists);
    }
    WriteThrough((dir / "OUT100.TXT").string(), "again");
    EXPECT_EQ(ReadFileText(dir / "Out100.txt"), "again");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(NamesIn(dir), expected);

    // The same name in another folder is another file.
    EXPECT_EQ(ReadThrough((other / "out100.txt").string()), "(none)");
    const std::string before = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(other.str().c_str()));
    EXPECT_FALSE(GetFileInfo("OUT101.TXT").exists);
    WriteThrough("out101.txt", "other");
    ASSERT_TRUE(SetCurrentDir(dir.str().c_str()));
    EXPECT_EQ(ReadThrough("OUT101.TXT"), "Out101.txt");
    ASSERT_TRUE(SetCurrentDir(before.c_str()));
    EXPECT_EQ(NamesIn(other), std::vector<std::string>{"out101.txt"});
}

}  // namespace
