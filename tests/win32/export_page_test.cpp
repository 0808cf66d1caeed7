// The export page: what Next refuses (in the command line's words, with the
// page's own names) and stores, the browse panel finding a metadata file,
// and the choices kept in the settings file.

#include "app/settings.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "tests/fixture/fixture.h"
#include "tests/win32/gui_fixture.h"
#include "tests/win32/page_driver.h"
#include "wizard/help.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr int kPage = IDD_EXPORT;

// Fills the page as the operator would: the boxes, the position, the file.
void Fill(bool netcdf, bool csv, const std::string& latitude, const std::string& longitude,
          const std::string& metadata)
{
    if (IsChecked(kPage, IDC_EXPORT_NETCDF) != netcdf)
        Click(kPage, IDC_EXPORT_NETCDF);
    if (IsChecked(kPage, IDC_EXPORT_CSV) != csv)
        Click(kPage, IDC_EXPORT_CSV);
    SetControlText(kPage, IDC_LATITUDE, latitude);
    SetControlText(kPage, IDC_LONGITUDE, longitude);
    SetControlText(kPage, IDC_METADATA_FILE, metadata);
}

TEST(ExportPage, NextRefusesWhatTheCommandLineRefusesAndStoresTheRest)
{
    TempDir dir;
    const std::string good = (dir / "good.ini").string();
    const std::string bad = (dir / "bad.ini").string();
    const std::string missing = (dir / "missing.ini").string();
    WriteFileText(good, "[METADATA]\r\ntitle = Walk 1\r\nlatitude = 47.5\r\nlongitude = -128.25\r\n");
    WriteFileText(bad, "[METADATA]\r\nlatitude = 95\r\n");
    struct Case {
        bool netcdf, csv;
        const char* latitude;
        const char* longitude;
        std::string metadata;
        std::string refusal;  // the box's text exactly; empty: accepted
    };
    const std::string noPosition =
        "netCDF needs the station's position (CF requires it, and depth needs the latitude): give the Latitude "
        "and Longitude fields, or latitude and longitude in the [METADATA] section of a metadata file";
    const Case cases[] = {
        {true, false, "", "", "", noPosition},
        {true, true, "10", "", "", noPosition},
        {false, true, "north", "", "", "Latitude: \"north\" is not a number"},
        {true, false, "90.5", "1", "", "Latitude: 90.5 is outside -90..90"},
        {true, false, "10", "-181", "", "Longitude: -181 is outside -180..360"},
        {false, true, "", "", missing, "cannot read the metadata file " + missing},
        {true, false, "", "", bad, bad + ": key latitude: 95 is outside -90..90"},
        // Accepted: a position from the file, the fields over the file, CSV alone, no export at all (the
        // fields are then kept as typed, unchecked).
        {true, true, "", "", good, ""},
        {true, false, "-33.5", "+359.75", good, ""},
        {false, true, "", "", "", ""},
        {false, false, "north", "east", missing, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refusal.empty() ? c.latitude : c.refusal);
        BoxAnswers boxes;
        Wizard wizard(CheckedSettings());
        GoTo(kPage);
        EXPECT_EQ(FocusId(kPage), IDC_EXPORT_NETCDF);
        Fill(c.netcdf, c.csv, c.latitude, c.longitude, c.metadata);
        Click(kPage, IDC_NEXT);
        if (!c.refusal.empty()) {
            EXPECT_EQ(VisibleStep(), kPage);
            ASSERT_EQ(boxes.boxes().size(), 1u);
            EXPECT_EQ(boxes.boxes()[0].text, c.refusal);
            EXPECT_EQ(boxes.boxes()[0].caption, "Error - Export for Analysis");
            EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
            EXPECT_EQ(Settings.ExportNetcdf, 0);  // nothing stored
            EXPECT_EQ(Settings.ExportCsv, 0);
            continue;
        }
        EXPECT_TRUE(boxes.boxes().empty());
        EXPECT_EQ(VisibleStep(), IDD_VERIFY);
        EXPECT_EQ(Settings.ExportNetcdf, c.netcdf ? 1 : 0);
        EXPECT_EQ(Settings.ExportCsv, c.csv ? 1 : 0);
        EXPECT_STREQ(Settings.Latitude, c.latitude);
        EXPECT_STREQ(Settings.Longitude, c.longitude);
        EXPECT_EQ(Settings.MetadataFile, c.metadata);
    }
}

TEST(ExportPage, BackKeepsTheSettings)
{
    Wizard wizard(CheckedSettings());
    GoTo(kPage);
    Fill(false, true, "1", "2", "");
    Click(kPage, IDC_BACK);
    EXPECT_EQ(VisibleStep(), IDD_FORMAT);
    EXPECT_EQ(Settings.ExportCsv, 0);
    EXPECT_STREQ(Settings.Latitude, "");
}

TEST(ExportPage, BrowseFindsMetadataFilesAndADoubleClickChoosesOne)
{
    TempDir dir;
    WriteFileText(dir / "station.ini", "[METADATA]\r\n");
    WriteFileText(dir / "notes.txt", "x");
    Wizard wizard(CheckedSettings());
    GoTo(kPage);
    SetControlText(kPage, IDC_METADATA_FILE, (dir / "old.ini").string());
    Click(kPage, IDC_CHECK_BROWSE);
    ASSERT_TRUE(IsShown(kPage, IDC_BROWSE_CONTENTS));
    HWND files = Control(kPage, IDC_BROWSE_CONTENTS);
    ASSERT_EQ(SendMessageA(files, LB_GETCOUNT, 0, 0), 1);
    char name[MAX_PATH] = {};
    SendMessageA(files, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, "station.ini");
    // The path field keeps the file while the panel browses folders.
    EXPECT_EQ(ControlText(kPage, IDC_METADATA_FILE), (dir / "old.ini").string());

    SendMessageA(files, LB_SETCURSEL, 0, 0);
    SendMessageA(StepDialog(kPage), WM_COMMAND, MAKEWPARAM(IDC_BROWSE_CONTENTS, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(files));
    EXPECT_EQ(ControlText(kPage, IDC_METADATA_FILE), (dir / "station.ini").string());
    Click(kPage, IDC_CHECK_BROWSE);
    EXPECT_FALSE(IsShown(kPage, IDC_BROWSE_CONTENTS));
    SetCurrentDir("C:\\");  // the panel entered the folder, which must go
}

std::string helpTopic;

HWND WINAPI RecordTopic(HWND, LPCSTR file, UINT, DWORD_PTR)
{
    helpTopic = file;
    return nullptr;
}

TEST(ExportPage, HelpOpensItsTopic)
{
    const HelpSystem viewer = {
        [](char*, DWORD) { return false; },
        [](const char*) { return reinterpret_cast<HMODULE>(0x1000); },
        [](HMODULE, LPCSTR) { return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordTopic)); },
    };
    ResetHelpBinding(viewer);
    Wizard wizard(CheckedSettings());
    GoTo(kPage);
    ASSERT_TRUE(IsShown(kPage, IDC_HELP_BUTTON));
    Click(kPage, IDC_HELP_BUTTON);
    EXPECT_EQ(helpTopic, "Davrolin.chm::/Step5b.htm");
    ResetHelpBinding(RealHelpSystem);
}

// The choices go into the settings file at exit and come back at the next
// start; a file without the keys asks for no export.
TEST(ExportPage, SettingsRoundTrip)
{
    TempDir dir;
    const std::string file = (dir / "settings.ini").string();
    const std::string savedPath = SettingsFilePath();
    const SettingsRecord savedSettings = Settings;
    SetSettingsFilePath(file.c_str());
    WriteFileText(file, "[CONFIGURATION]\r\nHumanReadible=1\r\n");
    LoadSettings();
    EXPECT_EQ(Settings.ExportNetcdf, 0);
    EXPECT_EQ(Settings.ExportCsv, 0);
    EXPECT_STREQ(Settings.MetadataFile, "");
    SettingsRecord chosen;
    {
        Wizard wizard(CheckedSettings());
        GoTo(kPage);
        Fill(true, false, "47.5", "-128.25", "");
        Click(kPage, IDC_NEXT);
        ASSERT_EQ(VisibleStep(), IDD_VERIFY);
        chosen = Settings;
    }
    Settings = chosen;
    SaveSettings();
    const std::string text = ReadFileText(file);
    EXPECT_NE(text.find("ExportNetcdf=1\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("ExportCsv"), std::string::npos) << text;  // unchanged: not written
    EXPECT_NE(text.find("Latitude=47.5\r\nLongitude=-128.25\r\n"), std::string::npos) << text;

    LoadSettings();
    {
        Wizard wizard(Settings);
        EXPECT_TRUE(IsChecked(kPage, IDC_EXPORT_NETCDF));
        EXPECT_FALSE(IsChecked(kPage, IDC_EXPORT_CSV));
        EXPECT_EQ(ControlText(kPage, IDC_LATITUDE), "47.5");
        EXPECT_EQ(ControlText(kPage, IDC_LONGITUDE), "-128.25");
    }
    SetSettingsFilePath(savedPath.c_str());
    Settings = savedSettings;
}

}  // namespace
