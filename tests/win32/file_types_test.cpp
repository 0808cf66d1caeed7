#include "formats/message_ids.h"
#include "resources/resource.h"
#include "tests/win32/page_driver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr int kPage = IDD_FILETYPES;

const char* const kNoKindText =
    "You did not select any files to unpack.  Please review your selections and select at least one type of "
    "file to unpack.";
const char* const kRangeText =
    "There was an error in the selection of the profile or range of profiles to unpack.  Either the numbers are "
    "out of range, or the first and last profiles to unpack are out of order.  Please review selections and "
    "correct.";

SettingsRecord PageSettings(int all, int options, int range, int maxProfile)
{
    SettingsRecord s = CheckedSettings();
    s.UnpackAll = all;
    s.Options = options;
    s.ProfileRange = range;
    s.FirstProfile = 0;
    s.LastProfile = 0;
    s.MaxProfile = maxProfile;
    return s;
}

// The state of the page's switchable controls: kind boxes on, range buttons
// on, and which of the captions and fields 1024, 1026, 1025, 1027 are shown
// (each shown one is also enabled, each hidden one disabled).
struct Controls {
    bool kindsOn;
    bool rangeOn;
    const char* rangeShown;  // four of '1' / '0'
};

void ExpectControls(const Controls& c, const std::string& where)
{
    for (int id : {IDC_ENGINEERING, IDC_CTD, IDC_ACM, IDC_DEPLOYMENT_LOG, IDC_EXCEPTION_LOG}) {
        EXPECT_TRUE(IsShown(kPage, id)) << where << " kind " << id;
        EXPECT_EQ(IsEnabled(kPage, id), c.kindsOn) << where << " kind " << id;
    }
    for (int id : {IDC_RANGE_ENTIRE, IDC_RANGE_SINGLE, IDC_RANGE_RANGE}) {
        EXPECT_TRUE(IsShown(kPage, id)) << where << " range " << id;
        EXPECT_EQ(IsEnabled(kPage, id), c.rangeOn) << where << " range " << id;
    }
    const int fields[] = {IDC_FIRST_CAPTION, IDC_FIRST_PROFILE, IDC_LAST_CAPTION, IDC_LAST_PROFILE};
    for (int i = 0; i < 4; ++i) {
        bool shown = c.rangeShown[i] == '1';
        EXPECT_EQ(IsShown(kPage, fields[i]), shown) << where << " field " << fields[i];
        EXPECT_EQ(IsEnabled(kPage, fields[i]), shown) << where << " field " << fields[i];
    }
}

TEST(FileTypesPage, ClicksSwitchTheControlsAndCaptionsCarryTheHighestProfile)
{
    Wizard wizard(PageSettings(0, 0, RangeSingleProfile, 250));
    GoTo(kPage);
    ExpectControls({true, false, "0000"}, "start, no kind");

    struct Click {
        int id;
        Controls expected;
    } clicks[] = {
        {IDC_DEPLOYMENT_LOG, {true, false, "0000"}},  // a log alone needs no profiles
        {IDC_ENGINEERING, {true, true, "1100"}},      // single profile was seeded
        {IDC_RANGE_RANGE, {true, true, "1111"}},
        {IDC_RANGE_ENTIRE, {true, true, "0000"}},
        {IDC_ALL_FILES, {false, false, "0000"}},
        {IDC_ALL_FILES, {true, true, "0000"}},
        {IDC_RANGE_SINGLE, {true, true, "1100"}},
        {IDC_ENGINEERING, {true, false, "0000"}},
    };
    for (const Click& c : clicks) {
        ::Click(kPage, c.id);
        ExpectControls(c.expected, "after clicking " + std::to_string(c.id));
        if (c.id == IDC_ENGINEERING && c.expected.rangeOn) {
            EXPECT_EQ(ControlText(kPage, IDC_FIRST_CAPTION), "Profile (0-250) :");
        }
        if (c.id == IDC_RANGE_RANGE) {
            EXPECT_EQ(ControlText(kPage, IDC_FIRST_CAPTION), "First Profile (0-250) :");
            EXPECT_EQ(ControlText(kPage, IDC_LAST_CAPTION), "Last Profile (0-250) :");
        }
    }
}

TEST(FileTypesPage, ShowingThePageRefreshesTheSummaryAndTheCaptions)
{
    Wizard wizard(PageSettings(0, KindCtd, RangeProfiles, 0));
    EXPECT_EQ(ControlText(kPage, IDC_FIRST_CAPTION), "First Profile (0-0) :");

    // A source check since creation found another deployment.
    Settings.MaxProfile = 99;
    std::strcpy(Settings.DstDir, "D:\\OUT");
    GoTo(kPage);
    EXPECT_EQ(ControlText(kPage, IDC_FIRST_CAPTION), "First Profile (0-99) :");
    EXPECT_EQ(ControlText(kPage, IDC_LAST_CAPTION), "Last Profile (0-99) :");
    std::string summary = ControlText(kPage, IDC_SUMMARY_TEXT);
    EXPECT_EQ(summary, "Unpack files from folder C:\\VXP \r\nUnpack files to folder D:\\OUT\r\n");
}

TEST(FileTypesPage, AStoredRangeModeOfSevenChecksNoButtonAndIsStoredAsThree)
{
    Wizard wizard(PageSettings(0, KindEngineering, 7, 10));
    GoTo(kPage);
    for (int id : {IDC_RANGE_ENTIRE, IDC_RANGE_SINGLE, IDC_RANGE_RANGE})
        EXPECT_FALSE(IsChecked(kPage, id)) << id;
    // The four range controls keep the state of the dialog layout.
    ExpectControls({true, true, "1111"}, "mode 7");
    EXPECT_EQ(ControlText(kPage, IDC_FIRST_CAPTION), "First Profile:");
    EXPECT_EQ(ControlText(kPage, IDC_LAST_CAPTION), "Last Profile:");

    BoxAnswers boxes;
    SetControlText(kPage, IDC_FIRST_PROFILE, "2");
    SetControlText(kPage, IDC_LAST_PROFILE, "4");
    Click(kPage, IDC_NEXT);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(VisibleStep(), IDD_PREFIX);
    EXPECT_EQ(Settings.ProfileRange, 3);
    EXPECT_EQ(Settings.FirstProfile, 2);
    EXPECT_EQ(Settings.LastProfile, 4);
}

struct NextCase {
    const char* name;
    int all, options, range;
    const char* first;
    const char* last;
    int32_t maxProfile;
    std::optional<MessageId> box;  // the refusal, none when accepted
    uint32_t storedFirst, storedLast;
};

const NextCase kNextCases[] = {
    {"all files, every kind cleared", 1, 0, 1, "", "", 10, std::nullopt, 0, 0},
    {"all files with a reversed range", 1, KindEngineering, 3, "9", "2", 10, std::nullopt, 9, 2},
    {"no kind", 0, 0, 3, "1", "2", 10, MessageId::NoFileTypes, 0, 0},
    {"logs only, reversed range", 0, KindDeployment, 3, "9", "2", 10, std::nullopt, 9, 2},
    {"exception log only, beyond the deployment", 0, KindException, 2, "99", "", 10, std::nullopt, 99, 0},
    {"entire deployment keeps the numbers", 0, KindCtd, 1, "9", "2", 10, std::nullopt, 9, 2},
    {"single, first is the highest profile", 0, KindEngineering, 2, "10", "", 10, std::nullopt, 10, 0},
    {"single, first beyond the highest profile", 0, KindEngineering, 2, "11", "", 10, MessageId::BadRange, 0, 0},
    {"range 5 to 5", 0, KindAcm, 3, "5", "5", 10, std::nullopt, 5, 5},
    {"range 6 to 5", 0, KindAcm, 3, "6", "5", 10, MessageId::BadRange, 0, 0},
    {"range 3 to 11", 0, KindEngineering | KindCtd, 3, "3", "11", 10, MessageId::BadRange, 0, 0},
    {"range, both fields empty", 0, KindEngineering, 3, "", "", 10, std::nullopt, 0, 0},
    {"no profiles read: only profile 0", 0, KindEngineering, 2, "0", "", 0, std::nullopt, 0, 0},
    {"no profiles read: profile 1", 0, KindEngineering, 2, "1", "", 0, MessageId::BadRange, 0, 0},
    // Unsigned 32-bit throughout: the largest number is not -1, and a
    // highest profile number beyond 2^31 still orders correctly.
    {"single, 4294967295", 0, KindEngineering, 2, "4294967295", "", 10, MessageId::BadRange, 0, 0},
    {"range beyond 2^31", 0, KindEngineering, 3, "3000000000", "4000000000", -1, std::nullopt, 3000000000u,
     4000000000u},
    {"range beyond 2^31, out of order", 0, KindEngineering, 3, "4000000000", "3000000000", -1, MessageId::BadRange, 0,
     0},
    // Text that is no unsigned 32-bit number reads as 0.
    {"single, 4294967296 reads 0", 0, KindEngineering, 2, "4294967296", "", 10, std::nullopt, 0, 0},
    {"range, letters read 0", 0, KindEngineering, 3, "12a", "x", 10, std::nullopt, 0, 0},
};

// Puts the page's controls into the state of a case, as the operator leaves
// them (the rules are applied as a click would).
void SetPage(const NextCase& c)
{
    HWND page = StepDialog(kPage);
    CheckDlgButton(page, IDC_ALL_FILES, c.all ? BST_CHECKED : BST_UNCHECKED);
    const int kinds[] = {IDC_ENGINEERING, IDC_CTD, IDC_ACM, IDC_DEPLOYMENT_LOG, IDC_EXCEPTION_LOG};
    for (int i = 0; i < 5; ++i)
        CheckDlgButton(page, kinds[i], (c.options & (1 << i)) ? BST_CHECKED : BST_UNCHECKED);
    const int buttons[] = {IDC_RANGE_ENTIRE, IDC_RANGE_SINGLE, IDC_RANGE_RANGE};
    for (int i = 0; i < 3; ++i)
        CheckDlgButton(page, buttons[i], c.range == i + 1 ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_ALL_FILES, BN_CLICKED), 0);
    SetControlText(kPage, IDC_FIRST_PROFILE, c.first);
    SetControlText(kPage, IDC_LAST_PROFILE, c.last);
}

TEST(FileTypesPage, NextValidatesInOrderAndStoresTheBoxesAsTheyStand)
{
    Wizard wizard(PageSettings(0, 0, RangeEntireDeployment, 0));
    for (const NextCase& c : kNextCases) {
        SCOPED_TRACE(c.name);
        // Values no case stores, so a rejected Next shows it stored nothing.
        Settings.UnpackAll = Settings.Options = Settings.ProfileRange = -7;
        Settings.FirstProfile = Settings.LastProfile = -7;
        Settings.MaxProfile = c.maxProfile;
        GoTo(kPage);
        SetPage(c);

        BoxAnswers boxes;
        Click(kPage, IDC_NEXT);
        if (!c.box) {
            EXPECT_TRUE(boxes.boxes().empty());
            EXPECT_EQ(VisibleStep(), IDD_PREFIX);
            EXPECT_EQ(Settings.UnpackAll, c.all);
            EXPECT_EQ(Settings.Options, c.options);
            EXPECT_EQ(Settings.ProfileRange, c.range);
            EXPECT_EQ(static_cast<uint32_t>(Settings.FirstProfile), c.storedFirst);
            EXPECT_EQ(static_cast<uint32_t>(Settings.LastProfile), c.storedLast);
            continue;
        }
        ASSERT_EQ(boxes.boxes().size(), 1u);
        const ShownBox& box = boxes.boxes()[0];
        const bool noKind = c.box == MessageId::NoFileTypes;
        EXPECT_EQ(box.text, noKind ? kNoKindText : kRangeText);
        EXPECT_EQ(box.caption, noKind ? "Error selecting file types" : "Error selecting profile or range");
        EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(box.type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
        EXPECT_EQ(VisibleStep(), kPage);
        for (int32_t field : {Settings.UnpackAll, Settings.Options, Settings.ProfileRange, Settings.FirstProfile,
                              Settings.LastProfile})
            EXPECT_EQ(field, -7);
    }
}

TEST(FileTypesPage, BackStoresNothingAndTheInputWaitsForTheNextVisit)
{
    Wizard wizard(PageSettings(0, KindEngineering, RangeProfiles, 10));
    GoTo(kPage);
    Click(kPage, IDC_CTD);
    SetControlText(kPage, IDC_FIRST_PROFILE, "6");
    SetControlText(kPage, IDC_LAST_PROFILE, "5");
    const SettingsRecord before = Settings;

    BoxAnswers boxes;
    Click(kPage, IDC_BACK);
    EXPECT_EQ(VisibleStep(), IDD_DESTINATION);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(Settings.Options, before.Options);
    EXPECT_EQ(Settings.FirstProfile, 0);

    GoTo(kPage);
    EXPECT_TRUE(IsChecked(kPage, IDC_CTD));
    EXPECT_EQ(ControlText(kPage, IDC_FIRST_PROFILE), "6");
    EXPECT_EQ(ControlText(kPage, IDC_LAST_PROFILE), "5");
    Click(kPage, IDC_NEXT);
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(VisibleStep(), kPage);
}

TEST(FileTypesPage, KeyboardFocusTabAndEnter)
{
    Wizard wizard(PageSettings(0, KindEngineering, RangeProfiles, 10));
    GoTo(kPage);
    EXPECT_EQ(FocusId(kPage), IDC_ENGINEERING);
    PressKey(VK_TAB);
    EXPECT_EQ(FocusId(kPage), IDC_CTD);

    // Enter in a profile field moves on and never validates.
    BoxAnswers boxes;
    SetControlText(kPage, IDC_FIRST_PROFILE, "9");
    SetFocus(Control(kPage, IDC_FIRST_PROFILE));
    PressKey(VK_RETURN);
    EXPECT_EQ(FocusId(kPage), IDC_LAST_PROFILE);
    EXPECT_EQ(VisibleStep(), kPage);
    EXPECT_TRUE(boxes.boxes().empty());

    // With "All Files" checked Engineering is disabled: the focus goes to
    // "All Files" instead.
    Click(kPage, IDC_ALL_FILES);
    GoTo(IDD_PREFIX);
    GoTo(kPage);
    EXPECT_EQ(FocusId(kPage), IDC_ALL_FILES);
}

}  // namespace
