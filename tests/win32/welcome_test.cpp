#include "resources/resource.h"
#include "tests/win32/page_driver.h"

#include <gtest/gtest.h>

namespace {

constexpr int kPage = IDD_WELCOME;

TEST(WelcomePage, BeginLeadsToSourceOrSkipsToVerify)
{
    for (int skip : {0, 1, 7}) {
        SettingsRecord s = CheckedSettings();
        s.SkipToPreview = skip;
        Wizard wizard(s);
        EXPECT_EQ(FocusId(kPage), IDC_NEXT);
        Click(kPage, IDC_NEXT);
        EXPECT_EQ(VisibleStep(), skip ? IDD_VERIFY : IDD_SOURCE) << skip;
    }
}

TEST(WelcomePage, KeyboardActsLikeTheMouseAndEnterIsNotHandled)
{
    Wizard wizard;
    // The Enter command itself is left to the dialog manager.
    EXPECT_EQ(SendMessageA(StepDialog(kPage), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0), 0);
    EXPECT_EQ(VisibleStep(), kPage);

    // Enter on the focused Begin button begins.
    ASSERT_EQ(FocusId(kPage), IDC_NEXT);
    PressKey(VK_RETURN);
    EXPECT_EQ(VisibleStep(), IDD_SOURCE);
}

TEST(WelcomePage, ExitAfterStartAgainEndsTheLoopAsAtFirst)
{
    Wizard wizard;
    GoTo(IDD_UNPACKING);
    Click(IDD_UNPACKING, IDC_START_AGAIN);
    ASSERT_EQ(VisibleStep(), kPage);
    EXPECT_EQ(FocusId(kPage), IDC_NEXT);
    HWND exitButton = Control(kPage, IDC_BACK);
    SendMessageA(exitButton, BM_CLICK, 0, 0);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(VisibleStep(), 0);
}

}  // namespace
