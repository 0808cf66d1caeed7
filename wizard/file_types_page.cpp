// The file types page: the file types and the profile range.
//
// The page switches its controls on and off as the choices change (the
// enabling rules), checks the profile numbers against the source folder's
// highest profile number on Next and then stores the choices. Profile numbers
// are unsigned 32-bit throughout; a field that does not hold such a number
// reads as 0.

#include "app/profile_range.h"
#include "engine/messages.h"
#include "app/settings_record.h"
#include "formats/text_format.h"
#include "resources/resource.h"
#include "wizard/dlghelper.h"
#include "wizard/help.h"
#include "wizard/message_box.h"
#include "wizard/options_summary_view.h"
#include "wizard/page.h"

#include <cstdint>

namespace {

const int kInputs[] = {IDC_ALL_FILES,     IDC_ENGINEERING,    IDC_CTD,          IDC_ACM,
                              IDC_DEPLOYMENT_LOG, IDC_EXCEPTION_LOG, IDC_RANGE_ENTIRE, IDC_RANGE_SINGLE,
                              IDC_RANGE_RANGE,    IDC_FIRST_PROFILE, IDC_LAST_PROFILE};

// The kind boxes in the order of their bits 1, 2, 4, 8, 16.
const int kKindBoxes[] = {IDC_ENGINEERING, IDC_CTD, IDC_ACM, IDC_DEPLOYMENT_LOG, IDC_EXCEPTION_LOG};
const int kRangeButtons[] = {IDC_RANGE_ENTIRE, IDC_RANGE_SINGLE, IDC_RANGE_RANGE};

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// Sets both the visibility and the enabled state of control `id`.
void Set(HWND dialog, int id, bool shown, bool on)
{
    HWND control = GetDlgItem(dialog, id);
    ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
    EnableWindow(control, on ? TRUE : FALSE);
}

void SetCaption(HWND dialog, int id, MessageId messageId)
{
    char text[kMessageBufferSize];
    LoadMessage(messageId, text, sizeof text);
    SetDlgItemTextA(dialog, id, text);
}

void ApplyEnablingRules(HWND dialog)
{
    const bool all = Checked(dialog, IDC_ALL_FILES);
    for (int id : kKindBoxes)
        Set(dialog, id, true, !all);
    const bool profileKind =
        Checked(dialog, IDC_ENGINEERING) || Checked(dialog, IDC_CTD) || Checked(dialog, IDC_ACM);
    if (all || !profileKind) {
        for (int id : kRangeButtons)
            Set(dialog, id, true, false);
        for (int id : {IDC_FIRST_CAPTION, IDC_FIRST_PROFILE, IDC_LAST_CAPTION, IDC_LAST_PROFILE})
            Set(dialog, id, false, false);
        return;
    }
    for (int id : kRangeButtons)
        Set(dialog, id, true, true);
    if (Checked(dialog, IDC_RANGE_ENTIRE)) {
        for (int id : {IDC_FIRST_CAPTION, IDC_FIRST_PROFILE, IDC_LAST_CAPTION, IDC_LAST_PROFILE})
            Set(dialog, id, false, false);
    } else if (Checked(dialog, IDC_RANGE_SINGLE)) {
        SetCaption(dialog, IDC_FIRST_CAPTION, MessageId::ProfileCaption);
        Set(dialog, IDC_FIRST_CAPTION, true, true);
        Set(dialog, IDC_FIRST_PROFILE, true, true);
        Set(dialog, IDC_LAST_CAPTION, false, false);
        Set(dialog, IDC_LAST_PROFILE, false, false);
    } else if (Checked(dialog, IDC_RANGE_RANGE)) {
        SetCaption(dialog, IDC_FIRST_CAPTION, MessageId::FirstProfileCaption);
        SetCaption(dialog, IDC_LAST_CAPTION, MessageId::LastProfileCaption);
        for (int id : {IDC_FIRST_CAPTION, IDC_FIRST_PROFILE, IDC_LAST_CAPTION, IDC_LAST_PROFILE})
            Set(dialog, id, true, true);
    }
    // No range button checked: the range controls keep their state.
}

// The unsigned value of a profile field: decimal digits (blanks around them
// allowed) within 0 .. 4294967295; anything else reads as 0.
uint32_t ProfileField(HWND dialog, int id)
{
    char text[64];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    const char* p = text;
    while (*p == ' ')
        ++p;
    uint64_t value = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits) {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > UINT32_MAX)
            return 0;
    }
    while (*p == ' ')
        ++p;
    if (digits == 0 || *p != '\0')
        return 0;
    return static_cast<uint32_t>(value);
}

int RangeMode(HWND dialog)
{
    if (Checked(dialog, IDC_RANGE_ENTIRE))
        return RangeEntireDeployment;
    if (Checked(dialog, IDC_RANGE_SINGLE))
        return RangeSingleProfile;
    return RangeProfiles;
}

// The Next validation; shows the box of a rejection.
bool Accept(HWND dialog)
{
    if (Checked(dialog, IDC_ALL_FILES))
        return true;
    int kinds = 0;
    for (int i = 0; i < 5; ++i)
        if (Checked(dialog, kKindBoxes[i]))
            kinds |= 1 << i;
    if (kinds == 0) {
        ShowCatalogueBox(dialog, MessageId::NoFileTypes, MessageId::NoFileTypesCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    const ProfileChoice choice = {false, kinds, RangeMode(dialog), ProfileField(dialog, IDC_FIRST_PROFILE),
                                  ProfileField(dialog, IDC_LAST_PROFILE)};
    if (ProfileRangeAccepted(choice, static_cast<uint32_t>(Settings.MaxProfile)))
        return true;
    ShowCatalogueBox(dialog, MessageId::BadRange, MessageId::BadRangeCaption, MB_OK | MB_ICONERROR);
    return false;
}

void Store(HWND dialog)
{
    Settings.UnpackAll = Checked(dialog, IDC_ALL_FILES) ? 1 : 0;
    int options = 0;
    for (int i = 0; i < 5; ++i)
        if (Checked(dialog, kKindBoxes[i]))
            options |= 1 << i;
    Settings.Options = options;
    Settings.ProfileRange = RangeMode(dialog);
    Settings.FirstProfile = static_cast<int32_t>(ProfileField(dialog, IDC_FIRST_PROFILE));
    Settings.LastProfile = static_cast<int32_t>(ProfileField(dialog, IDC_LAST_PROFILE));
}

void Seed(HWND dialog)
{
    CheckDlgButton(dialog, IDC_ALL_FILES, Settings.UnpackAll ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < 5; ++i)
        CheckDlgButton(dialog, kKindBoxes[i], (Settings.Options & (1 << i)) ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < 3; ++i)
        CheckDlgButton(dialog, kRangeButtons[i], Settings.ProfileRange == i + 1 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_FIRST_PROFILE,
                    FormatString("%u", static_cast<unsigned>(static_cast<uint32_t>(Settings.FirstProfile))).c_str());
    SetDlgItemTextA(dialog, IDC_LAST_PROFILE,
                    FormatString("%u", static_cast<unsigned>(static_cast<uint32_t>(Settings.LastProfile))).c_str());
}

void Shown(HWND dialog)
{
    ShowOptionsSummary(IDC_SUMMARY_TEXT, dialog, SummaryDestinationFolder, 0);
    // The source folder may have changed since the rules last ran: the range
    // captions follow the current highest profile number.
    ApplyEnablingRules(dialog);
    // Engineering is disabled while "All Files" is checked, and a disabled
    // control cannot take the focus: the focus then goes to "All Files".
    PageFocus(dialog, Checked(dialog, IDC_ALL_FILES) ? IDC_ALL_FILES : IDC_ENGINEERING);
}

void Resize(HWND dialog, int w, int h)
{
    PlaceButtonRow(dialog, w, h, true);
    MoveControl(dialog, IDC_SUMMARY_TEXT, -1, -1, w - 2 * Layout.marginX, -1);
}

void InitDialog(HWND dialog)
{
    ShowOptionsSummary(IDC_SUMMARY_TEXT, dialog, SummaryDestinationFolder, 0);
    Seed(dialog);
    ApplyEnablingRules(dialog);
}

// The notification code is not examined: the focus notifications of the
// buttons re-apply the rules too, which changes nothing.
bool Command(HWND dialog, int id, int code)
{
    switch (id) {
    case IDC_ALL_FILES:
    case IDC_ENGINEERING:
    case IDC_CTD:
    case IDC_ACM:
    case IDC_RANGE_ENTIRE:
    case IDC_RANGE_SINGLE:
    case IDC_RANGE_RANGE:
        ApplyEnablingRules(dialog);
        return true;
    case IDC_DEPLOYMENT_LOG:
    case IDC_EXCEPTION_LOG:
        return true;
    }
    return false;
}

void OnNext(HWND dialog)
{
    if (!Accept(dialog))
        return;
    Store(dialog);
    PageTurn(IDD_FILETYPES, true);
}

}  // namespace

Page FileTypesPage = {
    .traceName = "step3",
    .dialogId = IDD_FILETYPES,
    .helpTopic = kHelpStep3,
    .inputs = kInputs,
    .inputCount = sizeof kInputs / sizeof kInputs[0],
    .resize = Resize,
    .initDialog = InitDialog,
    .shown = Shown,
    .next = OnNext,
    .command = Command,
};
