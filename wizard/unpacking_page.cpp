// The Unpacking page: showing it starts a run of the unpack job; while the run
// goes it shows the file being converted, a progress bar with a percentage and
// the activity log as it grows, and offers Cancel; at the end it shows the
// outcome, saves the log and offers Close or Start Again.
//
// The worker talks to the page only through four window messages that the
// wizard's observer sends synchronously, so the handlers below read the log
// and the job's path texts while the worker waits. Nothing here ever waits
// for the worker during a run.
//
// The page's messages (WM_APP to WM_APP+4) lie clear of the dialog manager's
// own above WM_USER (DM_GETDEFID, which Enter in the page sends, DM_SETDEFID,
// DM_REPOSITION). Still a start request counts only when the page posted it
// itself, and a notification only when it comes from another thread during a
// run; everything else goes to the default dialog handling.

#include "wizard/unpacking_page.h"

#include "app/export_choice.h"
#include "app/options_summary.h"
#include "app/program_log.h"
#include "app/expanded_text.h"
#include "app/run_request.h"
#include "formats/report.h"
#include "app/settings_record.h"
#include "formats/text_format.h"
#include "platform/desktop.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/job_observer.h"
#include "wizard/page.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

namespace {

constexpr int kStatusTemplateSize = 128;
constexpr const char* kBuiltInStatusTemplate = "Unpack %s\r\nfrom %s";
constexpr int kLogViewLine = 100;  // the log box shows the text from this line on

WindowJobObserver observer;
int StartWizardRun();
UnpackJobStarter starter = StartWizardRun;

int jobRunning = 0;
bool startPosted = false;   // a start request of ours is in the queue
uint32_t progressTotal = 0;
char statusTemplate[kStatusTemplateSize];
std::optional<MessageId> bannerId;
ExportRequest exportRequest;                 // the latest run's export request
std::unique_ptr<DeploymentExport> exporter;  // the latest run's export, if it asked for one

void ShowButton(HWND dialog, int id, bool on)
{
    HWND button = GetDlgItem(dialog, id);
    ShowWindow(button, on ? SW_SHOW : SW_HIDE);
    EnableWindow(button, on);
}

void RefreshLogView(HWND dialog)
{
    HWND box = GetDlgItem(dialog, IDC_LOG_BOX);
    SetWindowTextA(box, LogTake());
    SendMessageA(box, EM_LINESCROLL, 0, kLogViewLine);
}

std::string FormatLine(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatStringV(FormatDialect::Wsprintf, format, args);
    va_end(args);
    return text;
}

void PaintBanner(HWND dialog, MessageId titleId)
{
    bannerId = titleId;
    RECT client;
    GetClientRect(dialog, &client);
    if (HDC dc = GetDC(dialog)) {
        PaintStepHeader(dc, client.right, titleId);
        ReleaseDC(dialog, dc);
    }
}

// The end of a run: outcome, saved log, buttons, banner.
void FinishRun(HWND dialog, bool hadErrors)
{
    const bool cancelled = TheUnpackJob().CancelRequested();
    const MessageId outcome = !hadErrors  ? MessageId::UnpackedWithoutErrors
                              : cancelled ? MessageId::UnpackingAborted
                                          : MessageId::UnpackedWithErrors;
    char text[kMessageBufferSize];
    ExpandMessage(CurrentModule(), outcome, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_STATUS_LINE, text);
    SaveActivityLog();
    RefreshLogView(dialog);
    jobRunning = 0;
    ShowButton(dialog, IDC_NEXT, true);
    ShowButton(dialog, IDC_CANCEL, false);
    ShowButton(dialog, IDC_START_AGAIN, true);
    PaintBanner(dialog, cancelled ? MessageId::CancelledByUser : MessageId::Complete);
}

// The run's export, checked again as the run starts; false (logged) when it
// can no longer be made.
bool PrepareExport()
{
    exporter.reset();
    ExportChoice choice;
    std::string error;
    if (!MakeExportRequest(ExportAskedBy(Settings), kWizardNames, exportRequest, error) ||
        !ExportChoiceFor(exportRequest, kWizardNames, ExportProgramName(), std::time(nullptr), choice, error)) {
        LogText(LogError, "Error: %s\r\n", error.c_str());
        return false;
    }
    if (exportRequest.Wanted())
        exporter = std::make_unique<DeploymentExport>(std::move(choice));
    return true;
}

// The settings' run with the export PrepareExport made.
int StartWizardRun()
{
    RunRequest request = RunRequestFromSettings(Settings);
    request.exportFiles = exportRequest;
    return TheUnpackJob().Start(request, exporter.get());
}

void StartRun(HWND dialog)
{
    if (jobRunning == 1)
        return;
    jobRunning = 1;
    ShowButton(dialog, IDC_START_AGAIN, false);
    ShowButton(dialog, IDC_NEXT, false);
    ShowButton(dialog, IDC_CANCEL, true);
    LogReset();
    LogMessage(LogInfo, MessageId::LogHeaderVersion);
    LogMessage(LogInfo, MessageId::LogCreated);
    LogOptionsSummary();
    if (!PrepareExport()) {
        // The metadata file changed or went away since the export page
        // checked it: nothing is written.
        TheUnpackJob().ClearCancel();
        FinishRun(dialog, true);
        return;
    }
    observer.ExpectRun();
    if (starter() != 0) {
        // No worker: the run never starts and would never finish. Say so and
        // end it here, as a failed run. A cancel left over from the previous
        // run is no part of this one.
        LogText(LogError, "Error: the unpack job could not be started\r\n");
        TheUnpackJob().ClearCancel();
        FinishRun(dialog, true);
    }
}

void ShowStatus(HWND dialog, const char* inputPath, const char* outputPath)
{
    std::string text = FormatLine(statusTemplate, outputPath, inputPath);
    SetDlgItemTextA(dialog, IDC_STATUS_LINE, text.c_str());
}

void ShowProgress(HWND dialog, uint32_t done, uint32_t total)
{
    char percent[16];
    if (total != 0) {
        HWND bar = GetDlgItem(dialog, IDC_PROGRESS);
        if (total != progressTotal) {
            SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
            progressTotal = total;
        }
        SendMessageA(bar, PBM_SETPOS, done, 0);
    }
    // A total of 0 (a wrapped count) leaves the bar alone and shows 00%.
    Format(percent, sizeof percent, "%02d%%", static_cast<int>(ProgressPercent(done, total)));
    SetDlgItemTextA(dialog, IDC_PERCENT, percent);
    Sleep(0);
}

void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    int buttonsY = h - m.buttonHeight - m.marginY;
    MoveControl(dialog, IDC_NEXT, w - m.buttonWidth - m.marginX, buttonsY, -1, -1);
    MoveControl(dialog, IDC_HELP_BUTTON, -1, buttonsY, -1, -1);
    MoveControl(dialog, IDC_START_AGAIN, w - 2 * (m.buttonWidth + m.marginX), buttonsY, -1, -1);
    MoveControl(dialog, IDC_CANCEL, w - m.buttonWidth - m.marginX, buttonsY, -1, -1);
    MoveControl(dialog, IDC_PROGRESS, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_PERCENT, w - m.buttonWidth - m.marginX, -1, -1, -1);
    MoveControl(dialog, IDC_LOG_BOX, -1, -1, w - 2 * m.marginX, h - 2 * m.marginY - 212);
    MoveControl(dialog, IDC_STATUS_LINE, -1, -1, w - 2 * m.marginX, -1);
}

void InitDialog(HWND dialog)
{
    progressTotal = 0;  // a new bar has its default range
    RefreshLogView(dialog);
    observer.SetWindow(dialog);
    TheUnpackJob().SetObserver(&observer);
    if (ExpandMessageAsFormat(CurrentModule(), MessageId::UnpackingStatus, statusTemplate, sizeof statusTemplate) == 0)
        std::strcpy(statusTemplate, kBuiltInStatusTemplate);
    ShowButton(dialog, IDC_START_AGAIN, false);
    ShowButton(dialog, IDC_NEXT, false);
    ShowButton(dialog, IDC_CANCEL, false);
}

// A notification of the worker: sent from its thread, during a run.
bool FromWorker()
{
    return jobRunning == 1 && InSendMessage();
}

// The worker's notices and the start request.
INT_PTR Message(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case StartJobRequest:
        if (!startPosted)
            return FALSE;  // not ours
        startPosted = false;
        StartRun(dialog);
        return TRUE;
    case kJobFinishedNotice:
        if (!FromWorker())
            return FALSE;
        FinishRun(dialog, wParam != 0);
        return TRUE;
    case kLogChangedNotice:
        if (!FromWorker())
            return FALSE;
        if (LogHasChanged())
            RefreshLogView(dialog);
        return TRUE;
    case kJobProgressNotice:
        if (!FromWorker())
            return FALSE;
        ShowProgress(dialog, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        return TRUE;
    case kJobStatusNotice:
        if (!FromWorker())
            return FALSE;
        ShowStatus(dialog, reinterpret_cast<const char*>(wParam), reinterpret_cast<const char*>(lParam));
        return TRUE;
    }
    return FALSE;
}

// Close ends the program, Cancel asks the run to stop, Start Again goes back
// to the Welcome page.
bool Command(HWND dialog, int id, int code)
{
    switch (id) {
    case IDC_NEXT:  // Close
        ShowPage(IDD_UNPACKING, false);
        PostQuitMessage(0);
        return true;
    case IDC_CANCEL:
        TheUnpackJob().Cancel();
        return true;
    case IDC_START_AGAIN:
        ShowPage(IDD_UNPACKING, false);
        ShowPage(IDD_WELCOME, true);
        return true;
    }
    return false;
}

// Ends a run that is still going when the page goes away (the main window
// was closed during it): asks it to stop and waits for its last notification,
// answering the worker's sends meanwhile, so that no worker outlives the
// wizard.
void EndRunningJob()
{
    observer.SetWindow(nullptr);
    if (jobRunning == 1) {
        TheUnpackJob().Cancel();
        while (TheUnpackJob().IsRunning() && !observer.RunFinished()) {
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
            Sleep(1);
        }
        jobRunning = 0;
    }
    TheUnpackJob().Wait();
}

void Load()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

void Unload()
{
    EndRunningJob();
    exporter.reset();
    startPosted = false;
}

void Shown(HWND dialog)
{
    PageFocus(dialog, IDC_NEXT);
    startPosted = true;
    PostMessageA(dialog, StartJobRequest, 0, 0);
}

}  // namespace

Page UnpackingPage = {
    .traceName = "step6",
    .dialogId = IDD_UNPACKING,
    .helpTopic = kHelpUnpacking,
    .resize = Resize,
    .initDialog = InitDialog,
    .shown = Shown,
    .command = Command,
    .message = Message,
    .load = Load,
    .unload = Unload,
};

void SetUnpackJobStarter(UnpackJobStarter replacement)
{
    starter = replacement ? replacement : StartWizardRun;
}

bool UnpackingRunGoing()
{
    return jobRunning == 1;
}

std::optional<MessageId> UnpackingBannerId()
{
    return bannerId;
}
