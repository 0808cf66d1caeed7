// The export page, after the format page: the export for analysis (netCDF
// and CSV files beside the text files), the station's position and the
// metadata file, with the browse panel to find that file. Next checks the
// choices by the rules the command line checks them by (app/export_choice.h)
// and stays on the page with a box that says what is wrong; without netCDF
// and CSV nothing is checked.

#include "app/export_choice.h"
#include "engine/messages.h"
#include "app/settings_record.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "wizard/browse_panel.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/message_box.h"
#include "wizard/page.h"

#include <ctime>
#include <string>
#include <vector>

namespace {

const int kInputs[] = {IDC_EXPORT_NETCDF,  IDC_EXPORT_CSV,    IDC_LATITUDE,       IDC_LONGITUDE,
                       IDC_METADATA_FILE,  IDC_CHECK_BROWSE,  IDC_BROWSE_DRIVES,  IDC_BROWSE_FOLDERS,
                       IDC_BROWSE_CONTENTS};

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// The left edge of control `id`, in the dialog's client pixels.
int ControlLeft(HWND dialog, int id)
{
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r.left;
}

void Resize(HWND dialog, int w, int h)
{
    const LayoutMetrics& m = Layout;
    LayoutBrowsePanel(dialog, w);
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_EXPORT_TEXT, -1, -1, w - 2 * m.marginX, -1);
    MoveControl(dialog, IDC_EXPORT_GROUP, -1, -1, w - 2 * m.marginX, -1);
    const int browseX = w - m.buttonWidth - 2 * m.marginX;
    MoveControl(dialog, IDC_CHECK_BROWSE, browseX, -1, -1, -1);
    MoveControl(dialog, IDC_METADATA_FILE, -1, -1, browseX - m.marginX - ControlLeft(dialog, IDC_METADATA_FILE), -1);
}

// The full path of a metadata file typed relative to the current directory,
// which moves as the wizard browses: it is fixed when the page is left.
std::string FullPath(const std::string& typed)
{
    if (typed.empty() || IsFullyQualifiedPath(typed))
        return typed;
    DWORD n = GetFullPathNameA(typed.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return typed;
    std::vector<char> full(n + 1, '\0');
    DWORD written = GetFullPathNameA(typed.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    return written == 0 || written >= full.size() ? typed : std::string(full.data());
}

// The page's choices in a copy of the settings.
SettingsRecord Choices(HWND dialog)
{
    SettingsRecord s = Settings;
    s.ExportNetcdf = Checked(dialog, IDC_EXPORT_NETCDF) ? 1 : 0;
    s.ExportCsv = Checked(dialog, IDC_EXPORT_CSV) ? 1 : 0;
    StoreFolderText(s.MetadataFile, FullPath(ControlText(dialog, IDC_METADATA_FILE)));
    StoreFolderText(s.Latitude, ControlText(dialog, IDC_LATITUDE));
    StoreFolderText(s.Longitude, ControlText(dialog, IDC_LONGITUDE));
    return s;
}

void OnNext(HWND dialog)
{
    const SettingsRecord s = Choices(dialog);
    ExportChoice choice;
    std::string error;
    if (!MakeExportChoice(ExportAskedBy(s), kWizardNames, std::time(nullptr), choice, error)) {
        char caption[kMessageBufferSize];
        LoadMessage(MessageId::ExportRefusedCaption, caption, sizeof caption);
        ShowMessageBox(dialog, error.c_str(), caption, MB_OK | MB_ICONERROR);
        return;
    }
    Settings.ExportNetcdf = s.ExportNetcdf;
    Settings.ExportCsv = s.ExportCsv;
    StoreFolderText(Settings.MetadataFile, s.MetadataFile);
    StoreFolderText(Settings.Latitude, s.Latitude);
    StoreFolderText(Settings.Longitude, s.Longitude);
    SetDlgItemTextA(dialog, IDC_METADATA_FILE, Settings.MetadataFile);
    PageTurn(IDD_EXPORT, true);
}

// Browse toggled: pressed opens the panel on the folder of the typed file
// (else the destination folder, else "C:\"), released closes it.
void OnBrowse(HWND dialog)
{
    if (!Checked(dialog, IDC_CHECK_BROWSE)) {
        HideBrowsePanel(dialog);
        return;
    }
    std::string folder = ControlText(dialog, IDC_METADATA_FILE);
    const std::size_t separator = folder.find_last_of("\\/");
    folder = separator == std::string::npos ? std::string() : folder.substr(0, separator + 1);
    if (folder.empty() || !SetCurrentDir(folder.c_str()))
        folder = SetCurrentDir(Settings.DstDir) ? Settings.DstDir : "C:\\";
    SetMetadataBrowseFolder(EnteredFolderText(folder));
    ShowBrowsePanel(dialog);
}

bool Command(HWND dialog, int id, int code)
{
    return FolderPageCommand(dialog, id, code, OnBrowse);
}

void InitDialog(HWND dialog)
{
    CheckDlgButton(dialog, IDC_EXPORT_NETCDF, Settings.ExportNetcdf ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_EXPORT_CSV, Settings.ExportCsv ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_LATITUDE, Settings.Latitude);
    SetDlgItemTextA(dialog, IDC_LONGITUDE, Settings.Longitude);
    SetDlgItemTextA(dialog, IDC_METADATA_FILE, Settings.MetadataFile);
    HideBrowsePanel(dialog);
}

void Shown(HWND dialog)
{
    SetBrowseTarget(BrowseTarget::MetadataFile);
    PageFocus(dialog, IDC_EXPORT_NETCDF);
}

}  // namespace

Page ExportPage = {
    .traceName = "step4b",
    .dialogId = IDD_EXPORT,
    .helpTopic = kHelpStep5b,
    .inputs = kInputs,
    .inputCount = sizeof kInputs / sizeof kInputs[0],
    .resize = Resize,
    .initDialog = InitDialog,
    .shown = Shown,
    .next = OnNext,
    .command = Command,
};
