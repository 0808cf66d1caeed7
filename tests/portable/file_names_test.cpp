#include "engine/file_names.h"
#include "formats/run_choices.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FileNames, DataFilesAreNamedAfterTheirFileBase)
{
    struct Case {
        int32_t perFile;
        int kind;
        uint32_t profile;
        const char* name;
    } cases[] = {
        {10, KindEngineering, 25, "E0000020.DAT"},
        {0, KindEngineering, 25, "E0000025.DAT"},
        {1, KindCtd, 7, "C0000007.DAT"},
        {10, KindAcm, 9, "A0000000.DAT"},
        {10, KindAcm, 10, "A0000010.DAT"},
        {3, KindCtd, 4294967294u, "C4294967292.DAT"},
        {10, KindEngineering, 123456789, "E123456780.DAT"},
        {10, KindDeployment, 123, "DEPLOY.DAT"},
        {10, KindException, 123, "IRQ_XCPT.LOG"},
        {10, 3, 0, ""},
        {10, 0, 0, ""},
        {10, 32, 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DataFileName(c.kind, c.profile, static_cast<uint32_t>(c.perFile)), c.name)
            << c.kind << " " << c.profile;
    }
}

TEST(FileNames, TextFilesAreNamedAfterTheProfileItself)
{
    struct Case {
        int kind;
        uint32_t profile;
        const char* prefix;
        const char* plain;
        const char* prefixed;
    } cases[] = {
        {KindEngineering, 25, "", "E0000025.TXT", "E0000025.TXT"},
        {KindCtd, 7, "ABC_", "C0000007.TXT", "ABC_C0000007.TXT"},
        {KindAcm, 12345678, "x", "A12345678.TXT", "xA12345678.TXT"},
        {KindDeployment, 5, "ABC_", "DEPLOY.TXT", "ABC_DEPLOY.TXT"},
        {KindException, 5, "ABC_", "IRQ_XCPT.TXT", "ABC_IRQ_XCPT.TXT"},
        {KindEngineering, 0, "a%sb%n", "E0000000.TXT", "a%sb%nE0000000.TXT"},  // the prefix is never a format
        {3, 0, "ABC_", "", ""},
        {KindAll, 0, "ABC_", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextFileName(c.kind, c.profile), c.plain) << c.kind << " " << c.profile;
        EXPECT_EQ(PrefixedTextFileName(c.prefix, c.kind, c.profile), c.prefixed) << c.kind << " " << c.profile;
    }
}

TEST(FileNames, LongestPrefixIsKeptWhole)
{
    const std::string prefix(255, 'p');
    EXPECT_EQ(PrefixedTextFileName(prefix, KindEngineering, 1), prefix + "E0000001.TXT");
}

}  // namespace
