#include "wizard/browse_panel.h"

#include "app/folder_survey.h"
#include "app/expanded_text.h"
#include "app/settings_record.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"

#include <cstring>
#include <vector>

namespace {

constexpr int kMaxFolderText = kTextFieldSize - 1;

const int kPanelControls[] = {IDC_BROWSE_GROUP, IDC_BROWSE_DRIVES, IDC_BROWSE_FOLDERS, IDC_BROWSE_CONTENTS,
                              IDC_BROWSE_CONTENTS_LABEL};

// Which step's folder setting and path field the panel edits.
struct Target {
    BrowseTarget step = BrowseTarget::Source;
    char* folder = nullptr;
    int pathField = IDC_SOURCE_PATH;
};
Target target;
char metadataFolder[kTextFieldSize] = "C:\\";

char* Folder()
{
    if (!target.folder)
        SetBrowseTarget(target.step);
    return target.folder;
}

bool SourceMode()
{
    return target.step == BrowseTarget::Source;
}

bool MetadataMode()
{
    return target.step == BrowseTarget::MetadataFile;
}

// Whether a file belongs in the contents box: every file, or for the
// metadata file those named *.ini.
bool ListsFile(const char* name)
{
    if (!MetadataMode())
        return true;
    const std::size_t n = std::strlen(name);
    return n >= 4 && lstrcmpiA(name + n - 4, ".ini") == 0;
}

// The path field follows the folder, except for the metadata file.
void ShowFolderInPathField(HWND dialog)
{
    if (!MetadataMode())
        SetDlgItemTextA(dialog, target.pathField, Folder());
}

// A failure while filling the panel that the refresh answers with its retry.
struct PanelFault {};

void EmptyLists(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDC_BROWSE_FOLDERS, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(dialog, IDC_BROWSE_DRIVES, CB_RESETCONTENT, 0, 0);
    if (!SourceMode())
        SendDlgItemMessageA(dialog, IDC_BROWSE_CONTENTS, LB_RESETCONTENT, 0, 0);
}

// Every drive root, then the one that the folder setting lies on selected
// (else "C:\", else the first).
void FillDriveList(HWND dialog)
{
    char roots[4096];
    DWORD n = GetLogicalDriveStringsA(sizeof roots, roots);
    if (n == 0 || n > sizeof roots)
        throw PanelFault{};
    for (const char* p = roots; *p; p += std::strlen(p) + 1)
        SendDlgItemMessageA(dialog, IDC_BROWSE_DRIVES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p));

    const std::string prefix = std::string(Folder()).substr(0, 3);
    HWND drives = GetDlgItem(dialog, IDC_BROWSE_DRIVES);
    LRESULT index = SendMessageA(drives, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix.c_str()));
    if (index == CB_ERR)
        index = SendMessageA(drives, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("C:\\"));
    if (index == CB_ERR)
        index = 0;
    SendMessageA(drives, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// Makes the folder setting current, falling back to its drive root (or "C:\"
// without a drive letter), then lists the folders (".." included) and, for
// the destination, the files. A folder that cannot be entered either way
// leaves the lists empty.
void ListFolder(HWND dialog)
{
    char* folder = Folder();
    if (!SetCurrentDir(folder)) {
        if (folder[0] != '\0' && folder[1] == ':') {
            folder[2] = '\\';
            folder[3] = '\0';
        } else {
            StoreFolderText(folder, "C:\\");
        }
        if (!SetCurrentDir(folder))
            return;
    }

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("*.*", &found);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES)
            return;  // an empty folder (a drive root has no "..")
        throw PanelFault{};  // entered, but it cannot be read
    }
    do {
        if (std::strcmp(found.cFileName, ".") == 0)
            continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder)
            SendDlgItemMessageA(dialog, IDC_BROWSE_FOLDERS, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(found.cFileName));
        else if (!SourceMode() && ListsFile(found.cFileName))
            SendDlgItemMessageA(dialog, IDC_BROWSE_CONTENTS, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(found.cFileName));
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Fills the panel; false after a fault.
bool FillPanel(HWND dialog)
{
    try {
        FillDriveList(dialog);
        ListFolder(dialog);
        if (SourceMode())
            FolderSurvey(dialog);
        return true;
    } catch (...) {
        return false;
    }
}

void ShowCouldNotRead(HWND dialog)
{
    char text[kMessageBufferSize];
    ExpandMessage(CurrentModule(), MessageId::FolderNotReadable, text, sizeof text);
    if (SourceMode()) {
        SetDlgItemTextA(dialog, IDC_BROWSE_CONTENTS, text);
        return;
    }
    // One list entry: without the line break, which a list cannot show.
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    SendDlgItemMessageA(dialog, IDC_BROWSE_CONTENTS, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(dialog, IDC_BROWSE_CONTENTS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

std::string ListText(HWND list, UINT lengthMessage, UINT textMessage, LRESULT index)
{
    LRESULT length = SendMessageA(list, lengthMessage, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return std::string(text.data());
}

void ChooseDrive(HWND dialog)
{
    HWND drives = GetDlgItem(dialog, IDC_BROWSE_DRIVES);
    LRESULT index = SendMessageA(drives, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return;
    std::string root = ListText(drives, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
    DebugTrace(("Selected drive is " + root + "\r\n").c_str());
    if (root.size() > static_cast<size_t>(kMaxFolderText))
        return;
    StoreFolderText(Folder(), root);
    ShowFolderInPathField(dialog);
    RefreshBrowsePanel(dialog);
}

void ChooseFolder(HWND dialog)
{
    HWND folders = GetDlgItem(dialog, IDC_BROWSE_FOLDERS);
    LRESULT index = SendMessageA(folders, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    std::string entry = ListText(folders, LB_GETTEXTLEN, LB_GETTEXT, index);
    DebugTrace(("Selected dir is " + entry + "\r\n").c_str());

    std::string chosen = WithSeparator(Folder()) + entry;
    if (!entry.empty() && entry[0] == '.') {
        // "..": entering the combined path and reading it back gives the parent.
        if (!SetCurrentDir(chosen.c_str()))
            return;
        chosen = GetCurrentDir();
        if (chosen.empty())
            return;
    }
    if (chosen.size() > static_cast<size_t>(kMaxFolderText))
        return;  // refused: the setting keeps its folder
    StoreFolderText(Folder(), chosen);
    ShowFolderInPathField(dialog);
    RefreshBrowsePanel(dialog);
}

// A double-click on a file of the contents box: its path goes into the path field.
void ChooseFile(HWND dialog)
{
    HWND files = GetDlgItem(dialog, IDC_BROWSE_CONTENTS);
    LRESULT index = SendMessageA(files, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    const std::string path = WithSeparator(Folder()) + ListText(files, LB_GETTEXTLEN, LB_GETTEXT, index);
    SetDlgItemTextA(dialog, target.pathField, path.c_str());
}

}  // namespace

void SetBrowseTarget(BrowseTarget step)
{
    target.step = step;
    switch (step) {
    case BrowseTarget::Source:
        target.folder = Settings.SrcDir;
        target.pathField = IDC_SOURCE_PATH;
        break;
    case BrowseTarget::Destination:
        target.folder = Settings.DstDir;
        target.pathField = IDC_DEST_PATH;
        break;
    case BrowseTarget::MetadataFile:
        target.folder = metadataFolder;
        target.pathField = IDC_METADATA_FILE;
        break;
    }
}

void SetMetadataBrowseFolder(const std::string& folder)
{
    StoreFolderText(metadataFolder, folder);
}

void ShowBrowsePanel(HWND dialog)
{
    for (int id : kPanelControls)
        ShowWindow(GetDlgItem(dialog, id), SW_SHOW);
    RefreshBrowsePanel(dialog);
}

void HideBrowsePanel(HWND dialog)
{
    for (int id : kPanelControls)
        ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
}

void LayoutBrowsePanel(HWND dialog, int clientWidth)
{
    const LayoutMetrics& m = Layout;
    const int w = clientWidth;
    const int h = m.clientHeight;
    const int f = (w - 2 * m.marginX - 16) / 3;
    const int g = 2 * (w - 2 * m.marginX - 16) / 3;
    const int listHeight = h - 6 * m.marginY - 192;
    MoveControl(dialog, IDC_BROWSE_GROUP, -1, -1, w - 2 * m.marginX, h - 2 * m.marginY - 192);
    MoveControl(dialog, IDC_BROWSE_DRIVES, -1, -1, f + 48, -1);
    MoveControl(dialog, IDC_BROWSE_FOLDERS, -1, -1, f + 48, listHeight);
    MoveControl(dialog, IDC_BROWSE_CONTENTS_LABEL, f + 80, -1, -1, -1);
    MoveControl(dialog, IDC_BROWSE_CONTENTS, f + 80, -1, g - 64, listHeight);
}

void RefreshBrowsePanel(HWND dialog)
{
    EmptyLists(dialog);
    if (!FillPanel(dialog)) {
        EmptyLists(dialog);
        StoreFolderText(Folder(), "C:\\");
        if (!FillPanel(dialog)) {
            SendDlgItemMessageA(dialog, IDC_BROWSE_FOLDERS, LB_RESETCONTENT, 0, 0);
            ShowCouldNotRead(dialog);
        }
    }
    ShowFolderInPathField(dialog);
}

void BrowseChoice(HWND dialog, int controlId)
{
    if (controlId == IDC_BROWSE_DRIVES)
        ChooseDrive(dialog);
    else if (controlId == IDC_BROWSE_FOLDERS)
        ChooseFolder(dialog);
    else if (controlId == IDC_BROWSE_CONTENTS && MetadataMode())
        ChooseFile(dialog);
}

void FolderSurvey(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_BROWSE_CONTENTS, FolderSurveyText(Folder()).c_str());
}
