#include "resources/resource.h"
#include "tests/win32/page_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

SettingsRecord WithPrefix(const char* prefix)
{
    SettingsRecord s = CheckedSettings();
    std::strcpy(s.Prefix, prefix);
    return s;
}

TEST(PrefixPage, AStoredPrefixChecksTheBoxAndFillsTheField)
{
    struct Case {
        const char* stored;
        bool checked;
    } cases[] = {{"X_", true}, {"", false}};
    for (const Case& c : cases) {
        Wizard wizard(WithPrefix(c.stored));
        GoTo(IDD_PREFIX);
        EXPECT_EQ(IsChecked(IDD_PREFIX, IDC_USE_PREFIX), c.checked) << c.stored;
        EXPECT_EQ(IsEnabled(IDD_PREFIX, IDC_PREFIX), c.checked) << c.stored;
        EXPECT_EQ(ControlText(IDD_PREFIX, IDC_PREFIX), c.stored);
        EXPECT_EQ(FocusId(IDD_PREFIX), IDC_USE_PREFIX);
    }
}

TEST(PrefixPage, NextStoresTheFieldOnlyWhileTheBoxIsChecked)
{
    struct Case {
        const char* name;
        bool check;        // state the box is clicked into before typing
        std::string typed;
        bool clearAfter;   // clear the box after typing
        std::string expected;
    } cases[] = {
        {"box checked, field empty", true, "", false, ""},
        {"typed prefix", true, "RUN1_", false, "RUN1_"},
        {"taken as typed", true, "  a b%s ", false, "  a b%s "},
        {"cleared after typing", true, "ABC", true, ""},
        {"box cleared, text left in the field", false, "XYZ", false, ""},
        {"cut at 255 characters", true, std::string(300, 'p'), false, std::string(255, 'p')},
    };
    Wizard wizard(WithPrefix("OLD"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GoTo(IDD_PREFIX);
        SetChecked(IDD_PREFIX, IDC_USE_PREFIX, c.check);
        SetControlText(IDD_PREFIX, IDC_PREFIX, c.typed);
        if (c.clearAfter) {
            SetChecked(IDD_PREFIX, IDC_USE_PREFIX, false);
            EXPECT_EQ(ControlText(IDD_PREFIX, IDC_PREFIX), "");
            EXPECT_FALSE(IsEnabled(IDD_PREFIX, IDC_PREFIX));
            // Checking it again starts from an empty field.
            SetChecked(IDD_PREFIX, IDC_USE_PREFIX, true);
            EXPECT_EQ(ControlText(IDD_PREFIX, IDC_PREFIX), "");
            SetChecked(IDD_PREFIX, IDC_USE_PREFIX, false);
        }
        Click(IDD_PREFIX, IDC_NEXT);
        EXPECT_EQ(VisibleStep(), IDD_FORMAT);
        EXPECT_EQ(std::string(Settings.Prefix), c.expected);
    }
}

TEST(PrefixPage, BackKeepsThePrefixAndTheFieldKeepsItsText)
{
    Wizard wizard(WithPrefix("X_"));
    GoTo(IDD_PREFIX);
    SetControlText(IDD_PREFIX, IDC_PREFIX, "NEW_");
    Click(IDD_PREFIX, IDC_BACK);
    EXPECT_EQ(VisibleStep(), IDD_FILETYPES);
    EXPECT_STREQ(Settings.Prefix, "X_");
    GoTo(IDD_PREFIX);
    EXPECT_EQ(ControlText(IDD_PREFIX, IDC_PREFIX), "NEW_");
}

TEST(PrefixPage, EnterMovesTheFocusOnAndTheSummaryHasTheKinds)
{
    SettingsRecord s = WithPrefix("X_");
    s.UnpackAll = 0;
    s.Options = KindDeployment;
    Wizard wizard(s);
    GoTo(IDD_PREFIX);
    EXPECT_EQ(ControlText(IDD_PREFIX, IDC_SUMMARY_BOX),
              "Unpack files from folder C:\\VXP \r\nUnpack files to folder C:\\VXP\r\n"
              "The following files will be unpacked:\r\n  Deployment Log\r\n");

    for (int id : {IDC_USE_PREFIX, IDC_PREFIX}) {
        SetFocus(Control(IDD_PREFIX, id));
        PressKey(VK_RETURN);
        EXPECT_NE(FocusId(IDD_PREFIX), id);
        EXPECT_EQ(VisibleStep(), IDD_PREFIX);
    }
}

}  // namespace
