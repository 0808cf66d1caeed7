#include "wizard/help.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A fake viewer: what the binding asked of the system.
struct Calls {
    int registryReads = 0;
    std::vector<std::string> loads;
    int lookups = 0;
    int entryCalls = 0;
    bool registered = true;
    bool loadWorks = true;
    bool byNameWorks = true;
    bool hasEntry = true;
    std::string lastTopic;
} calls;

HMODULE const kFakeModule = reinterpret_cast<HMODULE>(0x1000);

HWND WINAPI FakeEntry(HWND, LPCSTR file, UINT command, DWORD_PTR)
{
    ++calls.entryCalls;
    calls.lastTopic = file;
    return reinterpret_cast<HWND>(0x42);
}

const HelpSystem kFake = {
    [](char* path, DWORD size) {
        ++calls.registryReads;
        if (!calls.registered)
            return false;
        lstrcpynA(path, "C:\\windows\\system32\\hhctrl.ocx", static_cast<int>(size));
        return true;
    },
    [](const char* path) -> HMODULE {
        calls.loads.push_back(path);
        bool byName = std::string(path) == "hhctrl.ocx";
        return (byName ? calls.byNameWorks : calls.loadWorks) ? kFakeModule : nullptr;
    },
    [](HMODULE, LPCSTR name) -> FARPROC {
        ++calls.lookups;
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(name), 14u);
        return calls.hasEntry ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeEntry)) : nullptr;
    },
};

class Help : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls = Calls();
        ResetHelpBinding(kFake);
    }
    void TearDown() override { ResetHelpBinding(RealHelpSystem); }
};

TEST_F(Help, FirstRequestBindsThroughTheRegistryAndLaterOnesReuseIt)
{
    EXPECT_EQ(HtmlHelpA(nullptr, kHelpStep3, 0, 0), reinterpret_cast<HWND>(0x42));
    OpenHelp(nullptr, kHelpWelcome);
    EXPECT_EQ(calls.registryReads, 1);
    EXPECT_EQ(calls.loads, std::vector<std::string>{"C:\\windows\\system32\\hhctrl.ocx"});
    EXPECT_EQ(calls.lookups, 1);
    EXPECT_EQ(calls.entryCalls, 2);
    EXPECT_EQ(calls.lastTopic, "Davrolin.chm::/First Screen.htm");
    EXPECT_FALSE(HelpBindingFailed());
}

TEST_F(Help, FallsBackToTheModuleByName)
{
    for (bool registered : {false, true}) {
        SetUp();
        calls.registered = registered;
        calls.loadWorks = false;
        OpenHelp(nullptr, kHelpUnpacking);
        EXPECT_EQ(calls.loads.back(), "hhctrl.ocx");
        EXPECT_EQ(calls.entryCalls, 1);
    }
}

TEST_F(Help, FailuresAreRememberedAndSilent)
{
    struct Case {
        bool loadable;
        bool hasEntry;
        int loadsAfterFirst;
    } cases[] = {{false, true, 2}, {true, false, 1}};
    for (const Case& c : cases) {
        SetUp();
        calls.loadWorks = calls.byNameWorks = c.loadable;
        calls.hasEntry = c.hasEntry;
        EXPECT_EQ(HtmlHelpA(nullptr, kHelpStep1, 0, 0), nullptr);
        EXPECT_TRUE(HelpBindingFailed());
        EXPECT_EQ(HtmlHelpA(nullptr, kHelpStep1, 0, 0), nullptr);
        EXPECT_EQ(calls.registryReads, 1);
        EXPECT_EQ(static_cast<int>(calls.loads.size()), c.loadsAfterFirst);
        EXPECT_EQ(calls.entryCalls, 0);
    }
}

TEST(HelpViewer, TheSystemViewerIsFoundWithItsEntryPoint)
{
    ResetHelpBinding(RealHelpSystem);
    EXPECT_TRUE(BindHelpViewer());
    EXPECT_FALSE(HelpBindingFailed());
    ResetHelpBinding(RealHelpSystem);
}

}  // namespace
