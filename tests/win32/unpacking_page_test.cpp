// The Unpacking page: runs on generated deployments with the real worker, and
// a page driven by a stand-in worker on another thread for the exact numbers.

#include "engine/activity_log.h"
#include "tests/fixture/job_support.h"
#include "engine/unpack_job.h"
#include "resources/resource.h"
#include "tests/win32/gui_fixture.h"
#include "tests/win32/page_driver.h"
#include "tests/win32/unpacking_helpers.h"
#include "wizard/dlghelper.h"
#include "wizard/job_observer.h"
#include "wizard/main_window.h"
#include "wizard/stepmanager.h"
#include "wizard/unpacking_page.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char* const kNoErrors = "All files have been unpacked.\nThere were no errors detected.";
const char* const kErrors = "There were errors during unpacking\nRefer to Activity Log for details";
const char* const kAborted = "Unpacking was aborted\nRefer to Activity Log for any errors";

std::string FileName(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// The buttons of the finished state: Help, Start Again, Close.
void ExpectFinishedButtons()
{
    EXPECT_TRUE(ButtonUp(IDC_HELP_BUTTON));
    EXPECT_TRUE(ButtonUp(IDC_START_AGAIN));
    EXPECT_TRUE(ButtonUp(IDC_NEXT));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(UnpackingDialog(), IDC_CANCEL)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(UnpackingDialog(), IDC_CANCEL)));
}

TEST(UnpackingRun, WithoutErrorsShowsCompleteAndSavesTheLog)
{
    DeploymentFolders folders;
    Wizard wizard(folders.settings);
    EXPECT_FALSE(ButtonUp(IDC_NEXT));
    EXPECT_FALSE(ButtonUp(IDC_START_AGAIN));
    EXPECT_FALSE(ButtonUp(IDC_CANCEL));
    ASSERT_TRUE(ShowUnpackingAndWait());

    EXPECT_EQ(ControlText(IDC_STATUS_LINE), kNoErrors);
    EXPECT_EQ(UnpackingBannerId(), MessageId::Complete);
    EXPECT_EQ(ControlText(IDC_PERCENT), "100%");
    HWND bar = GetDlgItem(UnpackingDialog(), IDC_PROGRESS);
    const uint32_t total = 3 * (folders.shape.maxProfile + 1) + 2;
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), static_cast<LRESULT>(total));
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), static_cast<LRESULT>(total));
    ExpectFinishedButtons();

    const std::string saved = SavedLog(folders);
    const std::string logPath = (folders.destination / "DAVROLIN.LOG").string();
    EXPECT_EQ(saved.rfind("Saving log to " + logPath + "\r\n"), saved.size() - logPath.size() - 16);
    EXPECT_EQ(saved.find("Ostrel Research Labs Davrolin version"), 0u);
    EXPECT_NE(saved.find("\r\nSettings for this run:\r\n"), std::string::npos);
    EXPECT_EQ(ControlText(IDC_LOG_BOX), saved);
    EXPECT_TRUE(std::filesystem::exists(folders.destination / "E0000007.TXT"));
}

TEST(UnpackingRun, MissingDataFileShowsErrors)
{
    DeploymentFolders folders;
    std::filesystem::remove(folders.source / "C0000003.DAT");
    Wizard wizard(folders.settings);
    ASSERT_TRUE(ShowUnpackingAndWait());

    EXPECT_EQ(ControlText(IDC_STATUS_LINE), kErrors);
    EXPECT_EQ(UnpackingBannerId(), MessageId::Complete);
    ExpectFinishedButtons();
    const std::string missing = (folders.source / "C0000003.DAT").string();
    EXPECT_NE(SavedLog(folders).find("Error opening CTD data file " + missing), std::string::npos);
    // The kinds after CTD still ran.
    EXPECT_TRUE(std::filesystem::exists(folders.destination / "A0000007.TXT"));
}

// Cancel pressed at a moment of the run: the outcome and the banner.
TEST(UnpackingRun, CancelShowsHowTheRunEnded)
{
    struct Case {
        const char* name;
        int kinds;
        UINT at;            // the notification during which Cancel is pressed
        char fileLetter;    // JobStatus: the output file's letter; else 0
        const char* status;
        bool cancelledLine;  // "Operation cancelled by user" in the log
    } cases[] = {
        // The CTD decoder sees the flag before its next record: the run fails.
        {"during a CTD file", KindAll, kJobStatusNotice, 'C', kAborted, true},
        // The deployment decoder finishes, the exception log is skipped: no errors.
        {"during the deployment file", KindDeployment | KindException, kLogChangedNotice, 0, kNoErrors,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeploymentFolders folders;
        folders.settings.UnpackAll = 0;
        folders.settings.Options = c.kinds;
        Wizard wizard(folders.settings);
        bool pressed = false;
        PageHook hook([&](UINT message, WPARAM, LPARAM lParam) {
            if (pressed || message != c.at)
                return;
            if (c.fileLetter && FileName(reinterpret_cast<const char*>(lParam))[0] != c.fileLetter)
                return;
            pressed = true;
            SendMessageA(GetDlgItem(UnpackingDialog(), IDC_CANCEL), BM_CLICK, 0, 0);
        });
        ASSERT_TRUE(ShowUnpackingAndWait());
        EXPECT_TRUE(pressed);
        EXPECT_EQ(ControlText(IDC_STATUS_LINE), c.status);
        EXPECT_EQ(UnpackingBannerId(), MessageId::CancelledByUser);
        ExpectFinishedButtons();
        const std::string saved = SavedLog(folders);
        EXPECT_EQ(saved.find("Operation cancelled by user") != std::string::npos, c.cancelledLine);
        EXPECT_EQ(saved.find("Unpacking IRQ exception file"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(folders.destination / "IRQ_XCPT.TXT"));
    }
}

// The export's files count in the progress bar, Cancel stops them as it
// stops the texts and leaves no half file under any name, and an export that
// can no longer be made when the run starts writes nothing.
TEST(UnpackingRun, TheExportCountsInTheProgressAndStopsOnCancel)
{
    const auto files = [](const TempDir& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            names.push_back(entry.path().filename().string());
        return names;
    };
    struct Case {
        const char* name;
        const char* cancelAt;  // the export file whose writing Cancel interrupts; null: none
        const char* status;
    } cases[] = {
        {"to the end", nullptr, kNoErrors},
        {"cancelled while ctd.nc is written", "ctd.nc", kAborted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeploymentFolders folders;
        folders.settings.ExportNetcdf = 1;
        folders.settings.ExportCsv = 1;
        std::strcpy(folders.settings.Latitude, "11");
        std::strcpy(folders.settings.Longitude, "-30");
        Wizard wizard(folders.settings);
        bool pressed = false;
        PageHook hook([&](UINT message, WPARAM, LPARAM lParam) {
            if (!c.cancelAt || pressed || message != kJobStatusNotice ||
                FileName(reinterpret_cast<const char*>(lParam)) != c.cancelAt)
                return;
            pressed = true;
            SendMessageA(GetDlgItem(UnpackingDialog(), IDC_CANCEL), BM_CLICK, 0, 0);
        });
        ASSERT_TRUE(ShowUnpackingAndWait());
        EXPECT_EQ(pressed, c.cancelAt != nullptr);
        EXPECT_EQ(ControlText(IDC_STATUS_LINE), c.status);
        HWND bar = GetDlgItem(UnpackingDialog(), IDC_PROGRESS);
        // The profiles, two whole files, the kinds' export files (ctd_grid.nc
        // beside the CTD's) and profiles.csv.
        const uint32_t total = 3 * (folders.shape.maxProfile + 1) + 2 + 3 * 2 + 1 + 1;
        EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), static_cast<LRESULT>(total));
        if (!c.cancelAt) {
            EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), static_cast<LRESULT>(total));
        }

        const std::vector<std::string> names = files(folders.destination);
        for (const std::string& name : names)
            EXPECT_EQ(name.find(".part"), std::string::npos) << name;
        const auto has = [&](const char* name) {
            return std::find(names.begin(), names.end(), name) != names.end();
        };
        EXPECT_TRUE(has("engineering.nc") && has("engineering.csv"));
        EXPECT_EQ(has("ctd.nc") || has("ctd.csv") || has("acm.nc") || has("profiles.csv"), !c.cancelAt);
        if (c.cancelAt) {
            EXPECT_NE(SavedLog(folders).find("Operation cancelled by user: the CTD export files were not written"),
                      std::string::npos);
        }
    }

    // The metadata file went away after the export page checked it.
    DeploymentFolders folders;
    folders.settings.ExportCsv = 1;
    std::strcpy(folders.settings.MetadataFile, (folders.source / "gone.ini").string().c_str());
    Wizard wizard(folders.settings);
    ASSERT_TRUE(ShowUnpackingAndWait());
    EXPECT_EQ(ControlText(IDC_STATUS_LINE), kErrors);
    EXPECT_NE(SavedLog(folders).find("Error: cannot read the metadata file " + (folders.source / "gone.ini").string()),
              std::string::npos);
    EXPECT_EQ(files(folders.destination), std::vector<std::string>({"DAVROLIN.LOG"}));
}

TEST(UnpackingRun, StartRequestWhileRunningChangesNothing)
{
    DeploymentFolders folders;
    Wizard wizard(folders.settings);
    static int starts;
    starts = 0;
    SetUnpackJobStarter([] {
        ++starts;
        return StartSettingsRun();
    });
    bool asked = false;
    PageHook hook([&](UINT message, WPARAM, LPARAM) {
        if (asked || message != kJobStatusNotice)
            return;
        asked = true;
        stepmanager_show(IDD_UNPACKING, true);  // posts a second start request
        PumpMessages();                         // and handles it now
        EXPECT_TRUE(UnpackingRunGoing());
        EXPECT_TRUE(ButtonUp(IDC_CANCEL));
    });
    ASSERT_TRUE(ShowUnpackingAndWait());
    SetUnpackJobStarter(nullptr);
    EXPECT_TRUE(asked);
    EXPECT_EQ(starts, 1);
    const std::string saved = SavedLog(folders);
    EXPECT_EQ(Occurrences(saved, "Log created"), 1);
    EXPECT_NE(saved.find("Unpacking Engineering profiles"), std::string::npos);
    EXPECT_EQ(ControlText(IDC_STATUS_LINE), kNoErrors);
}

TEST(UnpackingRun, StartAgainLeadsToWelcomeAndASecondRunEmptiesTheLog)
{
    DeploymentFolders folders;
    Wizard wizard(folders.settings);
    ASSERT_TRUE(ShowUnpackingAndWait());
    const SettingsRecord before = Settings;
    Click(IDD_UNPACKING, IDC_START_AGAIN);
    EXPECT_EQ(VisibleStep(), IDD_WELCOME);
    EXPECT_EQ(std::memcmp(&before, &Settings, sizeof before), 0);

    // A bar range the page did not set survives a run with the same total.
    HWND bar = GetDlgItem(UnpackingDialog(), IDC_PROGRESS);
    SendMessageA(bar, PBM_SETRANGE32, 0, 50);
    std::filesystem::remove(folders.destination / "DAVROLIN.LOG");
    ASSERT_TRUE(ShowUnpackingAndWait());
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 50);
    const std::string saved = SavedLog(folders);
    EXPECT_EQ(Occurrences(saved, "Log created"), 1);
    EXPECT_EQ(Occurrences(saved, "Saving log to"), 1);
    EXPECT_EQ(ControlText(IDC_LOG_BOX), saved);
    EXPECT_EQ(ControlText(IDC_STATUS_LINE), kNoErrors);
}

TEST(UnpackingRun, CloseEndsTheLoopWithCodeZero)
{
    DeploymentFolders folders;
    Wizard wizard(folders.settings);
    ASSERT_TRUE(ShowUnpackingAndWait());
    SendMessageA(GetDlgItem(UnpackingDialog(), IDC_NEXT), BM_CLICK, 0, 0);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(VisibleStep(), 0);
}

TEST(UnpackingRun, WorkerThatCannotBeMadeEndsTheRunAsFailed)
{
    DeploymentFolders folders;
    Wizard wizard(folders.settings);
    SetUnpackJobStarter([] { return -1; });
    TheUnpackJob().Cancel();  // left over from an earlier run
    const bool ended = ShowUnpackingAndWait();
    SetUnpackJobStarter(nullptr);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ControlText(IDC_STATUS_LINE), kErrors);
    EXPECT_EQ(UnpackingBannerId(), MessageId::Complete);
    ExpectFinishedButtons();
    const std::string saved = SavedLog(folders);
    EXPECT_NE(saved.find("Error: the unpack job could not be started\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Saving log to"), std::string::npos);
}

// The page in a run whose worker is the test itself.
class StandInWorker : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUnpackJobStarter([] { return 0; });
        stepmanager_show(IDD_WELCOME, false);
        stepmanager_show(IDD_UNPACKING, true);
        PumpMessages();
        ASSERT_TRUE(UnpackingRunGoing());
    }
    void TearDown() override
    {
        SendFromWorker(kJobFinishedNotice, 0, 0);
        SetUnpackJobStarter(nullptr);
    }

    DeploymentFolders folders;
    Wizard wizard{folders.settings};
};

TEST_F(StandInWorker, RunningStateShowsOnlyHelpAndCancel)
{
    EXPECT_TRUE(ButtonUp(IDC_HELP_BUTTON));
    EXPECT_TRUE(ButtonUp(IDC_CANCEL));
    EXPECT_FALSE(ButtonUp(IDC_NEXT));
    EXPECT_FALSE(ButtonUp(IDC_START_AGAIN));
    // Cancel only raises the flag; the page stays as it is.
    Click(IDD_UNPACKING, IDC_CANCEL);
    EXPECT_TRUE(TheUnpackJob().CancelRequested());
    EXPECT_TRUE(UnpackingRunGoing());
    EXPECT_TRUE(ButtonUp(IDC_CANCEL));
    TheUnpackJob().ClearCancel();
}

TEST_F(StandInWorker, ProgressShowsThePercentageAndSetsTheRangeOnlyForANewTotal)
{
    HWND bar = GetDlgItem(UnpackingDialog(), IDC_PROGRESS);
    struct Case {
        uint32_t done, total;
        const char* percent;
        int range, position;
    } cases[] = {
        {3, 8, "37%", 8, 3},
        {8, 8, "100%", 8, 8},
        {1, 200, "00%", 200, 1},
        {0, 200, "00%", 200, 0},
        {199, 200, "99%", 200, 199},
        // A wrapped count: no division, the bar stays as it was.
        {5, 0, "00%", 200, 199},
        // Large counts do not overflow the percentage.
        {50000000, 200000000, "25%", 200000000, 50000000},
    };
    for (const Case& c : cases) {
        SendFromWorker(kJobProgressNotice, c.done, static_cast<LPARAM>(c.total));
        EXPECT_EQ(ControlText(IDC_PERCENT), c.percent) << c.done << " of " << c.total;
        EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), c.range) << c.done << " of " << c.total;
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), c.position) << c.done << " of " << c.total;
    }
    // The same total again: the page leaves the range alone.
    SendMessageA(bar, PBM_SETRANGE32, 0, 1000);
    SendFromWorker(kJobProgressNotice, 7, 200000000);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 1000);
}

TEST_F(StandInWorker, StatusLineShowsTheOutputFileFirst)
{
    const char* input = "C:\\DATA\\E0000005.DAT";
    const char* output = "D:\\OUT\\E0000005.TXT";
    SendFromWorker(kJobStatusNotice, reinterpret_cast<WPARAM>(input), reinterpret_cast<LPARAM>(output));
    EXPECT_EQ(ControlText(IDC_STATUS_LINE), "Unpacking file D:\\OUT\\E0000005.TXT\nfrom file C:\\DATA\\E0000005.DAT");
    // Paths are arguments, never formats.
    const char* odd = "D:\\100%d\\%sE0000005.TXT";
    SendFromWorker(kJobStatusNotice, reinterpret_cast<WPARAM>(input), reinterpret_cast<LPARAM>(odd));
    EXPECT_EQ(ControlText(IDC_STATUS_LINE), "Unpacking file D:\\100%d\\%sE0000005.TXT\nfrom file C:\\DATA\\E0000005.DAT");
}

TEST_F(StandInWorker, LogViewFollowsTheLogFromLineHundred)
{
    HWND box = GetDlgItem(UnpackingDialog(), IDC_LOG_BOX);
    // Unchanged log: the view is not touched.
    LogTake();
    SetWindowTextA(box, "kept");
    SendFromWorker(kLogChangedNotice, 0, 0);
    EXPECT_EQ(ControlText(IDC_LOG_BOX), "kept");

    for (int lines : {300, 20}) {
        LogReset();
        for (int i = 0; i < lines; ++i)
            LogText(LogProgress, "line %d\r\n", i);
        SendFromWorker(kLogChangedNotice, 0, 0);
        EXPECT_EQ(ControlText(IDC_LOG_BOX), LogTake()) << lines;
        if (lines > 100) {
            EXPECT_EQ(SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0), 100);
        }
        // A shorter text shows its last line.
        const LRESULT last = SendMessageA(box, EM_GETLINECOUNT, 0, 0) - 2;  // the text ends with a line break
        const LRESULT at = SendMessageA(box, EM_POSFROMCHAR, SendMessageA(box, EM_LINEINDEX, last, 0), 0);
        RECT client;
        GetClientRect(box, &client);
        if (lines <= 100) {
            EXPECT_GE(static_cast<short>(HIWORD(at)), 0);
            EXPECT_LT(static_cast<short>(HIWORD(at)), client.bottom);
        }
    }
}

TEST_F(StandInWorker, DialogManagerMessagesAreNotNotifications)
{
    // Enter in the log box makes the dialog manager ask for the default
    // button; it also sets it and repositions. None of them is taken for the
    // page's own, also when sent from another thread as the worker sends.
    SendMessageA(UnpackingDialog(), DM_SETDEFID, 1, 0);
    SendMessageA(UnpackingDialog(), DM_REPOSITION, 0, 0);
    SendFromWorker(DM_GETDEFID, 0, 0);
    SendFromWorker(DM_SETDEFID, 1, 0);
    SendFromWorker(DM_REPOSITION, 0, 0);
    EXPECT_TRUE(UnpackingRunGoing());
    EXPECT_TRUE(ButtonUp(IDC_CANCEL));
}

TEST(UnpackingRun, EnterAfterTheRunStartsNoOtherRun)
{
    DeploymentFolders folders;
    Wizard wizard(folders.settings);
    ASSERT_TRUE(ShowUnpackingAndWait());
    static int starts;
    starts = 0;
    SetUnpackJobStarter([] {
        ++starts;
        return 0;
    });
    HWND box = GetDlgItem(UnpackingDialog(), IDC_LOG_BOX);
    SetFocus(box);
    PressKey(VK_RETURN, box);
    SetUnpackJobStarter(nullptr);
    EXPECT_EQ(starts, 0);
    EXPECT_FALSE(UnpackingRunGoing());
    EXPECT_EQ(ControlText(IDC_STATUS_LINE), kNoErrors);
    EXPECT_EQ(ControlText(IDC_LOG_BOX), SavedLog(folders));
}

TEST(UnpackingRun, ClosingTheWindowDuringARunStopsTheWorker)
{
    DeploymentShape shape;
    shape.maxProfile = 200;
    DeploymentFolders folders(shape);
    bool started = false;
    {
        Wizard wizard(folders.settings);
        PageHook hook([&](UINT message, WPARAM, LPARAM) {
            if (message == kJobStatusNotice)
                started = true;
        });
        stepmanager_show(IDD_WELCOME, false);
        stepmanager_show(IDD_UNPACKING, true);
        for (DWORD start = GetTickCount(); !started && GetTickCount() - start < 30000;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            PumpMessages();
        }
        ASSERT_TRUE(started);
        DestroyWindow(wizard.window());
        EXPECT_EQ(PumpMessages(), 0);
    }  // the wizard's end asks the run to stop and waits for the worker
    EXPECT_FALSE(UnpackingRunGoing());
    EXPECT_FALSE(TheUnpackJob().IsRunning());
    EXPECT_TRUE(TheUnpackJob().CancelRequested());
    EXPECT_FALSE(std::filesystem::exists(folders.destination / "IRQ_XCPT.TXT"));
}

TEST(UnpackingPage, ControlsFollowTheSize)
{
    DeploymentFolders folders;
    Wizard wizard(folders.settings, 700, 500);
    stepmanager_show(IDD_WELCOME, false);
    stepmanager_show(IDD_UNPACKING, true);
    ASSERT_TRUE(WaitForRunEnd());
    for (auto [w, h] : {std::pair{700, 500}, std::pair{950, 640}}) {
        SetWindowPos(wizard.window(), nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOMOVE);
        PumpMessages();
        RECT client;
        GetClientRect(UnpackingDialog(), &client);
        const int cw = client.right, ch = client.bottom;
        const LayoutMetrics& m = Layout;
        EXPECT_EQ(m.clientWidth, cw);
        EXPECT_EQ(m.clientHeight, ch);
        const int buttonsY = ch - m.buttonHeight - m.marginY;
        struct Rule {
            int id;
            int x, y, width, height;  // -1: not checked
        } rules[] = {
            {IDC_NEXT, cw - m.buttonWidth - m.marginX, buttonsY, -1, -1},
            {IDC_CANCEL, cw - m.buttonWidth - m.marginX, buttonsY, -1, -1},
            {IDC_START_AGAIN, cw - 2 * (m.buttonWidth + m.marginX), buttonsY, -1, -1},
            {IDC_HELP_BUTTON, -1, buttonsY, -1, -1},
            {IDC_PROGRESS, -1, -1, cw - 2 * m.marginX, -1},
            {IDC_PERCENT, cw - m.buttonWidth - m.marginX, -1, -1, -1},
            {IDC_LOG_BOX, -1, -1, cw - 2 * m.marginX, ch - 2 * m.marginY - 212},
            {IDC_STATUS_LINE, -1, -1, cw - 2 * m.marginX, -1},
        };
        for (const Rule& r : rules) {
            RECT rect = ControlRect(IDD_UNPACKING, r.id);
            if (r.x >= 0) {
                EXPECT_EQ(rect.left, r.x) << r.id << " at " << w;
            }
            if (r.y >= 0) {
                EXPECT_EQ(rect.top, r.y) << r.id << " at " << w;
            }
            if (r.width >= 0) {
                EXPECT_EQ(rect.right - rect.left, r.width) << r.id << " at " << w;
            }
            if (r.height >= 0) {
                EXPECT_EQ(rect.bottom - rect.top, r.height) << r.id << " at " << w;
            }
        }
    }
}

}  // namespace
