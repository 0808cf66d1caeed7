#include "platform/platform.h"
#include "resources/resource.h"
#include "tests/fixture/deployment.h"
#include "tests/win32/gui_fixture.h"
#include "tests/win32/page_driver.h"
#include "tests/win32/unpacking_helpers.h"
#include "wizard/browse_panel.h"
#include "wizard/dlghelper.h"
#include "wizard/main_window.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Writes a usable deployment into `folder`; settings with it as the source
// and the destination folder.
SettingsRecord UsableFolders(const TempDir& folder)
{
    WriteDeployment(folder.path(), DeploymentShape{});
    SettingsRecord s = Wizard::DefaultSettings();
    StoreFolderText(s.SrcDir, folder.str());
    StoreFolderText(s.DstDir, folder.str());
    return s;
}

TEST(StepManager, TracesStartUpAndShutDownInTableOrder)
{
    TraceCapture trace;
    {
        Wizard wizard;
    }
    const char* expected =
        "stepmanager_init\r\n"
        "  dlghelper_init\r\n"
        "  step0_init\r\n  step1_init\r\n  step2_init\r\n  step3_init\r\n"
        "  step4_init\r\n  step4a_init\r\n  step4b_init\r\n  step5_init\r\n  step6_init\r\n"
        "stepmanager_go\r\n"
        "  step0_createdialog  ->    success!\r\n"
        "  step1_createdialog  ->    success!\r\n"
        "  step2_createdialog  ->    success!\r\n"
        "  step3_createdialog  ->    success!\r\n"
        "  step4_createdialog  ->    success!\r\n"
        "  step4a_createdialog  ->    success!\r\n"
        "  step4b_createdialog  ->    success!\r\n"
        "  step5_createdialog  ->    success!\r\n"
        "  step6_createdialog  ->    success!\r\n"
        "stepmanager_exit\r\n"
        "  step6_exit\r\n  step5_exit\r\n  step4b_exit\r\n  step4a_exit\r\n  step4_exit\r\n"
        "  step3_exit\r\n  step2_exit\r\n  step1_exit\r\n  step0_exit\r\n"
        "  dlghelper_exit\r\n";
    EXPECT_EQ(trace.text(), expected);
}

TEST(StepManager, ShowsOnlyTheWelcomeStepAfterStart)
{
    Wizard wizard;
    EXPECT_EQ(VisibleStep(), IDD_WELCOME);
    for (const StepRecord& step : StepTable)
        EXPECT_NE(StepDialog(step.dialogId), nullptr) << step.dialogId;
}

TEST(StepManager, PlacesTheStepsBesideTheAnimationOrOverTheWholeClientArea)
{
    for (int hide : {0, 1}) {
        SettingsRecord s = Wizard::DefaultSettings();
        s.HideAnimation = hide;
        Wizard wizard(s);
        RECT client;
        GetClientRect(wizard.window(), &client);
        int x0 = hide ? 0 : 66;
        for (const StepRecord& step : StepTable) {
            RECT r;
            HWND dialog = StepDialog(step.dialogId);
            GetWindowRect(dialog, &r);
            MapWindowPoints(nullptr, wizard.window(), reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(r.left, x0) << step.dialogId << " hide " << hide;
            EXPECT_EQ(r.top, 0);
            EXPECT_EQ(r.right, client.right);
            EXPECT_EQ(r.bottom, client.bottom);
        }
    }
}

TEST(StepManager, WalksForwardAndBackThroughTheTable)
{
    // Next checks the folders: walk with a usable deployment, and answer any box.
    TempDir deployment;
    const SettingsRecord s = UsableFolders(deployment);
    BoxAnswers boxes(IDNO);
    Wizard wizard(s);
    Click(IDD_WELCOME, IDC_NEXT);
    EXPECT_EQ(VisibleStep(), IDD_SOURCE);
    const int forward[] = {IDD_SOURCE, IDD_DESTINATION, IDD_FILETYPES, IDD_PREFIX, IDD_FORMAT, IDD_EXPORT, IDD_VERIFY};
    const int count = sizeof forward / sizeof forward[0];
    for (int i = 0; i + 1 < count; ++i) {
        Click(forward[i], IDC_NEXT);
        EXPECT_EQ(VisibleStep(), forward[i + 1]);
    }
    for (int i = count - 1; i > 1; --i) {
        Click(forward[i], IDC_BACK);
        EXPECT_EQ(VisibleStep(), forward[i - 1]);
    }
    SetCurrentDir("C:\\");  // the checks entered the deployment, which must go
}

TEST(StepManager, BeginSkipsToVerifyWhenAskedAndBackThenGoesToExportAndFormat)
{
    SettingsRecord s = Wizard::DefaultSettings();
    s.SkipToPreview = 1;
    Wizard wizard(s);
    Click(IDD_WELCOME, IDC_NEXT);
    EXPECT_EQ(VisibleStep(), IDD_VERIFY);
    Click(IDD_VERIFY, IDC_BACK);
    EXPECT_EQ(VisibleStep(), IDD_EXPORT);
    Click(IDD_EXPORT, IDC_BACK);
    EXPECT_EQ(VisibleStep(), IDD_FORMAT);
    Click(IDD_FORMAT, IDC_BACK);
    EXPECT_EQ(VisibleStep(), IDD_PREFIX);
}

TEST(StepManager, IdsOutsideTheTableChangeNothing)
{
    Wizard wizard;
    for (int id : {0, 1, 101, 105, 121, 999}) {
        stepmanager_show(id, true);
        stepmanager_show(id, false);
        EXPECT_EQ(VisibleStep(), IDD_WELCOME) << id;
    }
}

TEST(StepManager, ExitAndCloseEndTheLoopWithCodeZero)
{
    Wizard wizard;
    HWND welcome = StepDialog(IDD_WELCOME);
    SendMessageA(welcome, WM_COMMAND, MAKEWPARAM(IDC_BACK, BN_CLICKED), 0);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(VisibleStep(), 0);

    stepmanager_show(IDD_UNPACKING, true);
    SendMessageA(StepDialog(IDD_UNPACKING), WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), 0);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(VisibleStep(), 0);
}

TEST(StepManager, StartAgainReturnsToWelcome)
{
    Wizard wizard;
    stepmanager_show(IDD_WELCOME, false);
    stepmanager_show(IDD_UNPACKING, true);
    ASSERT_TRUE(WaitForRunEnd());  // Start Again is offered once the run has ended
    Click(IDD_UNPACKING, IDC_START_AGAIN);
    EXPECT_EQ(VisibleStep(), IDD_WELCOME);
}

TEST(StepManager, EnterInAnInputFieldMovesTheFocusOnInsteadOfActing)
{
    Wizard wizard;
    Click(IDD_WELCOME, IDC_NEXT);
    HWND source = StepDialog(IDD_SOURCE);
    ASSERT_EQ(GetFocus(), GetDlgItem(source, IDC_SOURCE_PATH));

    PressKey(VK_RETURN);
    EXPECT_EQ(GetFocus(), GetDlgItem(source, IDC_CHECK_BROWSE));
    EXPECT_EQ(VisibleStep(), IDD_SOURCE);
}

TEST(StepManager, ButtonsFollowTheBottomRightCornerOnResize)
{
    Wizard wizard(Wizard::DefaultSettings(), 700, 500);
    Click(IDD_WELCOME, IDC_NEXT);
    for (auto [w, h] : {std::pair{700, 500}, std::pair{900, 650}}) {
        SetWindowPos(wizard.window(), nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOMOVE);
        PumpMessages();
        RECT client;
        GetClientRect(StepDialog(IDD_DESTINATION), &client);
        const LayoutMetrics& m = Layout;
        EXPECT_EQ(m.clientWidth, client.right);
        EXPECT_EQ(m.clientHeight, client.bottom);
        RECT next = ControlRect(IDD_DESTINATION, IDC_NEXT);
        EXPECT_EQ(next.left, client.right - m.buttonWidth - m.marginX);
        EXPECT_EQ(next.top, client.bottom - m.buttonHeight - m.marginY);
        RECT back = ControlRect(IDD_DESTINATION, IDC_BACK);
        EXPECT_EQ(back.left, client.right - 2 * (m.marginX + m.buttonWidth));
        EXPECT_EQ(back.top, next.top);
        RECT path = ControlRect(IDD_DESTINATION, IDC_DEST_PATH);
        EXPECT_EQ(path.right - path.left, client.right - 4 * m.marginX - m.buttonWidth);
        RECT box = ControlRect(IDD_VERIFY, IDC_SUMMARY_BOX);
        EXPECT_EQ(box.bottom - box.top, client.bottom - 2 * m.marginY - 170);
    }
}

TEST(DialogHelper, MetricsComeFromTheDialogBaseUnits)
{
    dlghelper_init(GetModuleHandleA(nullptr));
    LONG units = GetDialogBaseUnits();
    int bx = LOWORD(units), by = HIWORD(units);
    EXPECT_EQ(Layout.marginX, (bx * 6) >> 2);
    EXPECT_EQ(Layout.marginY, (by * 6) >> 3);
    EXPECT_EQ(Layout.buttonWidth, (bx * 37) >> 2);
    EXPECT_EQ(Layout.buttonHeight, (by * 10) >> 3);
    EXPECT_EQ(Layout.clientWidth, 0);
    dlghelper_exit();
}

TEST(DialogHelper, MoveControlKeepsWhatIsGivenAsMinusOne)
{
    Wizard wizard;
    HWND dialog = StepDialog(IDD_PREFIX);
    RECT before = ControlRect(IDD_PREFIX, IDC_PREFIX);
    struct Case {
        int x, y, w, h;
        RECT expected;
    } cases[] = {
        {-1, -1, -1, -1, before},
        {5, -1, -1, -1, {5, before.top, 5 + before.right - before.left, before.bottom}},
        {-1, -1, 40, -1, {before.left, before.top, before.left + 40, before.bottom}},
        {10, 20, 30, 15, {10, 20, 40, 35}},
    };
    for (const Case& c : cases) {
        MoveControl(dialog, IDC_PREFIX, before.left, before.top, before.right - before.left,
                    before.bottom - before.top);
        MoveControl(dialog, IDC_PREFIX, c.x, c.y, c.w, c.h);
        RECT r = ControlRect(IDD_PREFIX, IDC_PREFIX);
        EXPECT_TRUE(EqualRect(&r, &c.expected)) << c.x << "," << c.y << "," << c.w << "," << c.h;
    }
}

// Paints the header into a 300 x 64 white picture and returns it.
struct Picture {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    explicit Picture(int width = 300)
    {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, 64);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
        RECT all = {0, 0, width, 64};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Picture()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
};

TEST(DialogHelper, HeaderTilesCoverTheWidthAndNothingForWidthZero)
{
    dlghelper_init(GetModuleHandleA(nullptr));
    const COLORREF white = RGB(255, 255, 255);
    const COLORREF banner = RGB(184, 214, 214);
    struct Case {
        int width;
        int x;
        COLORREF expected;
    } cases[] = {
        {0, 5, white},   {50, 5, banner}, {50, 120, banner},  // one tile, all 128 pixels
        {150, 250, banner}, {150, 260, white},               // tiles at 0, 64 and 128
    };
    for (const Case& c : cases) {
        Picture picture;
        PaintStepHeader(picture.dc, c.width, std::nullopt);
        EXPECT_EQ(picture.at(c.x, 10), c.expected) << "width " << c.width << " x " << c.x;
    }
    dlghelper_exit();
}

TEST(DialogHelper, HeaderTitleIsDrawnInBlueOnTheBanner)
{
    dlghelper_init(GetModuleHandleA(nullptr));
    Picture picture;
    PaintStepHeader(picture.dc, 300, MessageId::SourceStepTitle);
    int blue = 0;
    for (int y = 20; y < 56; ++y)
        for (int x = 3; x < 200; ++x)
            blue += picture.at(x, y) == RGB(0, 0, 192);
    EXPECT_GT(blue, 50);
    dlghelper_exit();
}

}  // namespace

namespace {

TEST(WelcomeStep, ShowsItsBannerAndFilledLabels)
{
    Wizard wizard;
    for (int i = 0; i < 10; ++i) {
        PumpMessages();
        Sleep(30);
    }
    HWND welcome = StepDialog(IDD_WELCOME);
    char text[256];
    GetDlgItemTextA(welcome, IDC_BUILD_LINE, text, sizeof text);
    EXPECT_EQ(std::string(text).rfind("Version 1.0  Revision 02 [Built ", 0), 0u) << text;
    GetDlgItemTextA(welcome, IDC_FIRMWARE_LINE, text, sizeof text);
    EXPECT_STREQ(text, "For use with data collected under Version 3.04 of the System Control Program.");

    // The banner's pixels reach the screen: the page must not keep its
    // controls from painting.
    HBITMAP banner = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BANNER));
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, banner);
    HWND picture = GetDlgItem(welcome, IDC_WELCOME_BANNER);
    POINT origin = {0, 0};
    ClientToScreen(picture, &origin);
    HDC screen = GetDC(nullptr);
    for (POINT p : {POINT{20, 10}, POINT{440, 30}, POINT{300, 60}})
        EXPECT_EQ(GetPixel(screen, origin.x + p.x, origin.y + p.y), GetPixel(memory, p.x, p.y)) << p.x;
    ReleaseDC(nullptr, screen);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(banner);
}

}  // namespace

namespace {

void Key(UINT message, WPARAM key)
{
    MSG m = {};
    m.hwnd = GetFocus();
    m.message = message;
    m.wParam = key;
    m.lParam = message == WM_SYSCHAR ? 0x20000001 : 1;
    DispatchLoopMessage(&m);
    PumpMessages();
}

TEST(StepManager, TabAndAccessKeysReachTheVisibleStep)
{
    // Next checks the folders: use a usable deployment, and answer any box.
    TempDir deployment;
    const SettingsRecord s = UsableFolders(deployment);
    BoxAnswers boxes(IDNO);
    Wizard wizard(s);
    HWND welcome = StepDialog(IDD_WELCOME);
    ASSERT_EQ(GetFocus(), GetDlgItem(welcome, IDC_NEXT));
    Key(WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(GetFocus(), GetDlgItem(welcome, IDC_BACK));
    Key(WM_SYSCHAR, 'b');  // Alt+B: Begin
    EXPECT_EQ(VisibleStep(), IDD_SOURCE);
    Click(IDD_SOURCE, IDC_NEXT);
    Key(WM_SYSCHAR, 'n');  // Alt+N: Next on the destination step
    EXPECT_EQ(VisibleStep(), IDD_FILETYPES);
    Key(WM_SYSCHAR, 'b');  // Alt+B: Back
    EXPECT_EQ(VisibleStep(), IDD_DESTINATION);
    SetCurrentDir("C:\\");  // the checks entered the deployment, which must go
}

}  // namespace

#include "wizard/message_box.h"

namespace {

TEST(MessageBoxes, CatalogueBoxesAreExpandedAndAnsweredThroughTheHook)
{
    SettingsRecord saved = Settings;
    std::strcpy(Settings.DstDir, "D:\\OUT");
    BoxAnswers answers(IDYES);
    EXPECT_EQ(ShowCatalogueBox(nullptr, MessageId::DestinationMissing, MessageId::DestinationMissingCaption,
                               MB_ICONWARNING | MB_YESNO), IDYES);
    ASSERT_EQ(answers.boxes().size(), 1u);
    EXPECT_EQ(answers.boxes()[0].text,
              "The specified destination path\n  D:\\OUT\nwas not found.\n\nWould you like to create the folder?");
    EXPECT_EQ(answers.boxes()[0].caption, "Warning - Destination Folder Does Not Exist");
    EXPECT_EQ(answers.boxes()[0].type, static_cast<UINT>(MB_ICONWARNING | MB_YESNO));
    Settings = saved;
}

}  // namespace
