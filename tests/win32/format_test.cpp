#include "resources/resource.h"
#include "tests/win32/page_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FormatPage, TheBoxFollowsHumanReadibleAndNextStoresZeroOrOne)
{
    struct Case {
        int stored;
        bool checked;
        bool toggle;
        int expected;
    } cases[] = {{0, false, false, 0}, {1, true, false, 1}, {5, true, false, 1}, {5, true, true, 0}, {0, false, true, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        SettingsRecord s = CheckedSettings();
        s.HumanReadible = c.stored;
        Wizard wizard(s);
        GoTo(IDD_FORMAT);
        EXPECT_EQ(IsChecked(IDD_FORMAT, IDC_HUMAN_READABLE), c.checked);
        EXPECT_EQ(FocusId(IDD_FORMAT), IDC_HUMAN_READABLE);
        if (c.toggle)
            Click(IDD_FORMAT, IDC_HUMAN_READABLE);
        Click(IDD_FORMAT, IDC_NEXT);
        EXPECT_EQ(VisibleStep(), IDD_EXPORT);
        EXPECT_EQ(Settings.HumanReadible, c.expected);
    }
}

TEST(FormatPage, BackKeepsTheSettingAndTheBoxKeepsItsState)
{
    SettingsRecord s = CheckedSettings();
    s.HumanReadible = 0;
    Wizard wizard(s);
    GoTo(IDD_FORMAT);
    Click(IDD_FORMAT, IDC_HUMAN_READABLE);
    Click(IDD_FORMAT, IDC_BACK);
    EXPECT_EQ(VisibleStep(), IDD_PREFIX);
    EXPECT_EQ(Settings.HumanReadible, 0);
    GoTo(IDD_FORMAT);
    EXPECT_TRUE(IsChecked(IDD_FORMAT, IDC_HUMAN_READABLE));

    // Enter on the check box moves on instead of toggling or leaving.
    PressKey(VK_RETURN);
    EXPECT_NE(FocusId(IDD_FORMAT), IDC_HUMAN_READABLE);
    EXPECT_TRUE(IsChecked(IDD_FORMAT, IDC_HUMAN_READABLE));
    EXPECT_EQ(VisibleStep(), IDD_FORMAT);
}

TEST(FormatPage, TheSummaryStopsBeforeTheTimeLogsAndTheOutputForm)
{
    Wizard wizard(CheckedSettings());
    GoTo(IDD_FORMAT);
    std::string summary = ControlText(IDD_FORMAT, IDC_SUMMARY_BOX);
    EXPECT_TRUE(Contains(summary, "for the entire deployment (all 1 profiles)")) << summary;
    EXPECT_FALSE(Contains(summary, "readable")) << summary;
}

}  // namespace
