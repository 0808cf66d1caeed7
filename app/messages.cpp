#include "app/messages.h"

#include "app/version.h"
#include "engine/activity_log.h"
#include "formats/settings_record.h"
#include "formats/text_format.h"

#include <cstring>

namespace {

struct Message {
    int id;
    const char* text;
};

// Ids 111, 113, 115, 117, 126, 157, 161, 165, 230, 233 and 234 are reserved:
// they have no text.
constexpr Message kMessages[] = {
    {101, "Error - Not enough memory for Davrolin log!"},
    {102, "There was an error trying to allocate memory for the Davrolin activity log.\n\nWould you like to continue without logging capabilities?\nIf you click on YES, you can continue with Davrolin but no activity will be logged.\nIf you click on NO, Davrolin will exit now."},
    {103, "Entire Deployment"},
    {104, "Single Profile"},
    {105, "Profile Range"},
    {106, "Human"},
    {107, "Machine"},
    {108, "Ostrel Research Labs Davrolin version {VERSION} Revision {REVISION} [Build {BLDDATE} {BLDTIME}]\r\nFor use with data collected under Version {FIRMWARE} of the System Control Program.\r\n"},
    {109, "Log created {DATE} {TIME}\r\n"},
    {110, "Step 1: Select Folder Location"},
    {112, "Step 2: Select Unpacked Folder Location"},
    {114, "Step 3: Select Type of Files to Unpack"},
    {116, "Step 4 (Optional): Select File Prefix"},
    {118, "VXP Data Davrolin"},
    {119, "Ostrel "},
    {120, "Ostrel Research Laboratories"},
    {121, "Version {VERSION}  Revision {REVISION} [Built {BLDDATE}]"},
    {122, "Unpack the entire deployment."},
    {123, "Unpack a single file"},
    {124, "Unpack a range of files"},
    {125, "Step 6: Verify Options"},
    {127, "Unpacking"},
    {128, "\r\nAn exception occured while unpacking data.\r\nThis could be due to invalid data, or could be due to other reasons.\r\nPlease contact Ostrel Laboratories.\r\n"},
    {129, "Unpack files from folder {SRCDIR} \r\n"},
    {130, "Unpack files to folder {DSTDIR}\r\n"},
    {131, "Error - Source Folder Does Not Exist"},
    {132, "The specified source path\n   {SRCDIR} \ndoes not exist.  \n\nPlease select a new source for VXP files"},
    {133, "Step 5 (Optional): Select File Format"},
    {134, "\r\nERROR!  Source folder\r\n  {SRCDIR} \r\nnot found!\r\n\r\nClick Back to change options\r\n"},
    {135, "Source folder contains {PROCNT} deployments in {FILCNT} files\r\n"},
    {136, "The following files were not found in the source folder:\r\n"},
    {137, "The following files will be unpacked:\r\n"},
    {138, "  Engineering files "},
    {139, "  ACM files "},
    {140, "  CTD files "},
    {141, "  Deployment Log\r\n"},
    {142, "  Exception Log\r\n"},
    {143, "\r\nERROR!  Source folder\r\n  {SRCDIR}\r\ndoes not contain PROFILE.DAT\r\n\r\nClick Back to change options\r\n"},
    {144, "for the entire deployment (all {PROCNT} profiles)\r\n"},
    {145, "for profile {FSTPRO}\r\n"},
    {146, "for profiles {FSTPRO} to {LSTPRO}\r\n"},
    {147, "    using input file %s\r\n"},
    {148, "    using input files %s to %s\r\n"},
    {149, "    producing output file %s\r\n"},
    {150, "    producing output files %s to %s\r\n"},
    {151, "Output files are not prefixed\r\n"},
    {152, "Output files are prefixed by {PREFIX}\r\n"},
    {153, "Output files are suitable for reading by other applications (e.g., no translations)\r\n"},
    {154, "Output files are translated to be human readable"},
    {155, "Profiles are packed {PROPFS} per source file\r\n"},
    {156, "Unpacking Engineering profiles {FSTPRO} to {LSTPRO}\r\n"},
    {158, "  -> Unpacking profiles %d to %d from Engineering file %s\r\n"},
    {159, "  -> Unpacking profile %d from Engineering file %s\r\n"},
    {160, "Unpacking ACM profiles {FSTPRO} to {LSTPRO}\r\n"},
    {162, "  -> Unpacking profiles %d to %d from ACM file %s\r\n"},
    {163, "  -> Unpacking profile %d from ACM file %s\r\n"},
    {164, "Unpacking CTD profiles {FSTPRO} to {LSTPRO}\r\n"},
    {166, "  -> Unpacking profiles %d to %d from CTD file %s\r\n"},
    {167, "  -> Unpacking profile %d from CTD file %s\r\n"},
    {168, "Unpacking file %s\nfrom file %s"},
    {169, "Complete"},
    {170, "All files have been unpacked.\nThere were no errors detected."},
    {171, "There were errors during unpacking\nRefer to Activity Log for details"},
    {172, "Error - No VXP Files Found"},
    {173, "The specified source path\n  {SRCDIR}\ndoes not contain valid VXP data.\n\nPlease select a new source directory."},
    {174, "Warning - Destination Folder Does Not Exist"},
    {175, "The specified destination path\n  {DSTDIR}\nwas not found.\n\nWould you like to create the folder?"},
    {176, "Error - Could Not Create Folder"},
    {177, "The specified destination path\n  {DSTDIR}\ncould not be created."},
    {178, "Unpacking was aborted\nRefer to Activity Log for any errors"},
    {179, "Error opening the deployment file DEPLOY.DAT\r\n"},
    {180, "Error reading from deployment file DEPLOY.DAT\r\n"},
    {181, "Error opening PROFILE.DAT\r\n"},
    {182, "Error reading PROFILE.DAT\r\n"},
    {183, "Error opening engineering data file %s\r\n"},
    {184, "Error reading from engineering file for profile %u\r\n"},
    {185, "Error creating engineering file %s\r\n"},
    {186, "Error writing unpacked engineering data for profile %u\r\n"},
    {187, "Error opening ACM data file %s\r\n"},
    {188, "Error reading from ACM file for profile %u\r\n"},
    {189, "Error creating ACM file %s\r\n"},
    {190, "Error writing unpacked ACM data for profile %u\r\n"},
    {191, "Error opening CTD data file %s\r\n"},
    {192, "Error reading from CTD file for profile %u\r\n"},
    {193, "Error creating CTD file %s\r\n"},
    {194, "Operation cancelled by user\r\n"},
    {195, "Unpacking deployment log file\r\n"},
    {196, "Unpacking IRQ exception file\r\n"},
    {197, "Error opening IRQ exception log IRQ_XCPT.DAT\r\n"},
    {198, "Error creating IRQ exception log {PREFIX}IRQ_XCPT.TXT\r\n"},
    {199, "Error reading from IRQ exception log file\r\n"},
    {200, "Error writing to IRQ exception log file\r\n"},
    {201, "Error creating deployment log file {PREFIX}DEPLOY.TXT\r\n"},
    {202, "Error creating profile termination log {PREFIX}TIMETAGS.TXT\r\n"},
    {203, "The output files are {HUMAN} readable\r\n"},
    {204, "\r\nERROR!  Destination folder\r\n  {DSTDIR}\r\nnot found\r\n\r\nClick Back to change options\r\n"},
    {205, "Profile termination log will be written to {PREFIX}TIMETAGS.TXT\r\n"},
    {206, "Cancelled by User"},
    {207, "Sensor time log will be written to {PREFIX}SNSRTIME.TXT\r\n"},
    {208, "For use with data collected under Version {FIRMWARE} of the System Control Program."},
    {209, "Engineering termination log has been written to file %s\r\n"},
    {210, "Saving log to %s\r\n"},
    {211, "Unable to save log to %s\r\n"},
    {212, "\r\nSettings for this run:\r\n\r\n"},
    {213, "\r\nUnpack Activity:\r\n\r\n"},
    {214, "Profile (0-{MAXPRO}) :"},
    {215, "First Profile (0-{MAXPRO}) :"},
    {216, "Last Profile (0-{MAXPRO}) :"},
    {217, "Error selecting file types"},
    {218, "You did not select any files to unpack.  Please review your selections and select at least one type of file to unpack."},
    {219, "Error selecting profile or range"},
    {220, "There was an error in the selection of the profile or range of profiles to unpack.  Either the numbers are out of range, or the first and last profiles to unpack are out of order.  Please review selections and correct."},
    {221, "Error creating sensor time log {PREFIX}SNSRTIME.TXT\r\n"},
    {222, "The selected folder does not contain any deployment data."},
    {223, "The selected folder contains {PROCNT} profiles.\r\n"},
    {224, "%d Engineering profiles found in files E%07d.DAT to E%07d.DAT\r\n  Engineering profiles created %s to %s\r\n"},
    {225, "%d ACM profiles found in files A%07d.DAT to A%07d.DAT\r\n  ACM profiles created %s to %s\r\n"},
    {226, "%d CTD profiles found in files C%07d.DAT to C%07d.DAT\r\n  CTD profiles created %s to %s\r\n"},
    {227, "No engineering files found\r\n"},
    {228, "No ACM files found\r\n"},
    {229, "No CTD files found\r\n"},
    {231, "%s file created %s\r\n"},
    {232, "%s file not found\r\n"},
    {235, "The selected drive or folder could not be read\r\n"},
    {236, "Wrong version of DEPLOY.DAT detected.\r\nVXP Davrolin is configured to unpack version {FIRMWARE} deployments.\r\n"},
    {237, "The specified source path\n  {SRCDIR}\ncontain VXP data from a different version.\n\nThe VXP Davrolin is configured to unpack version {FIRMWARE} VXP files.\n"},
    {238, "Error - Wrong version of VXP files"},
};

// Appends to `out` without ever writing past its capacity; the text stays
// NUL-terminated. In format mode a '%' is written as "%%", and only whole.
struct Output {
    char* out;
    std::size_t size;
    std::size_t length = 0;
    bool full = false;  // something was cut: nothing more is written

    void put(const char* text, std::size_t n, bool escapePercent)
    {
        for (std::size_t i = 0; i < n && !full; ++i) {
            std::size_t need = escapePercent && text[i] == '%' ? 2 : 1;
            if (length + need >= size) {
                full = true;
                break;
            }
            out[length++] = text[i];
            if (need == 2)
                out[length++] = '%';
        }
        out[length] = '\0';
    }
    void put(const char* text, bool escapePercent) { put(text, std::strlen(text), escapePercent); }
};

// Copies at most `limit` characters of message `id`, unexpanded.
void CopyRaw(int id, char* work, std::size_t workSize, std::size_t limit)
{
    const char* text = MessageText(id);
    std::size_t n = text ? std::strlen(text) : 0;
    if (n > limit)
        n = limit;
    if (n >= workSize)
        n = workSize - 1;
    if (n)
        std::memcpy(work, text, n);
    work[n] = '\0';
}

struct Placeholder {
    const char* name;
    std::size_t length;
};

// In the order they are tested; a name is compared over its own length.
constexpr Placeholder kPlaceholders[] = {
    {"SRCDIR", 6}, {"DSTDIR", 6}, {"PREFIX", 6},  {"PRANGE", 6},   {"FSTPRO", 6},   {"LSTPRO", 6},
    {"HUMAN", 5},  {"PROPFS", 6}, {"PROCNT", 6},  {"MAXPRO", 6},   {"FILCNT", 6},   {"VERSION", 7},
    {"REVISION", 8}, {"FIRMWARE", 8}, {"BLDDATE", 7}, {"BLDTIME", 7}, {"DATE", 4},  {"TIME", 4},
};

// The value of placeholder `index`: either a Settings text (returned) or one
// assembled in `work` (128 bytes).
const char* PlaceholderValue(std::size_t index, char* work, std::size_t workSize)
{
    const SettingsRecord& s = Settings;
    work[0] = '\0';
    switch (index) {
    case 0: return s.SrcDir;
    case 1: return s.DstDir;
    case 2: return s.Prefix;
    case 3:
        CopyRaw(s.ProfileRange == RangeEntireDeployment ? 103 : s.ProfileRange == RangeSingleProfile ? 104 : 105,
                work, workSize, 31);
        break;
    case 4: Format(work, workSize, "%d", s.UnpackAll ? 0 : s.FirstProfile); break;
    case 5: Format(work, workSize, "%d", s.UnpackAll ? s.MaxProfile : s.LastProfile); break;
    case 6: CopyRaw(s.HumanReadible ? 106 : 107, work, workSize, workSize - 1); break;
    case 7: Format(work, workSize, "%d", s.ProfilesPerFile); break;
    case 8: Format(work, workSize, "%d", static_cast<int>(static_cast<unsigned>(s.MaxProfile) + 1u)); break;
    case 9: Format(work, workSize, "%d", s.MaxProfile); break;
    case 10: Format(work, workSize, "%d", s.FileCount); break;
    case 11: return kProgramVersion;
    case 12: return kProgramRevision;
    case 13: return s.FirmwareVers == Firmware301 ? "3.01" : "3.04";
    case 14: return BuildDate();
    case 15: return BuildTime();
    case 16: LocalLongDate(work, static_cast<int>(workSize)); break;
    case 17: LocalTimeOfDay(work, static_cast<int>(workSize)); break;
    }
    return work;
}

int Expand(int id, char* out, std::size_t size, bool asFormat)
{
    if (!out || size == 0)
        return 0;
    out[0] = '\0';
    const char* text = MessageText(id);
    if (!text || !*text) {
        char line[64];
        Format(line, sizeof line, "ERROR: LoadString failed on resource id %u!\r\n", static_cast<unsigned>(id));
        LogAppend(line, LogError);
        return 0;
    }
    // A text is loaded into a 4096-byte buffer: at most 4095 characters.
    std::size_t length = std::strlen(text);
    if (length > kMessageBufferSize - 1)
        length = kMessageBufferSize - 1;
    const char* end = text + length;

    Output result{out, size};
    char work[128];
    const char* p = text;
    while (p < end) {
        const char* brace = static_cast<const char*>(std::memchr(p, '{', static_cast<std::size_t>(end - p)));
        if (!brace) {
            result.put(p, static_cast<std::size_t>(end - p), false);
            break;
        }
        result.put(p, static_cast<std::size_t>(brace - p), false);
        const char* name = brace + 1;
        std::size_t rest = static_cast<std::size_t>(end - name);
        bool matched = false;
        for (std::size_t i = 0; i < std::size(kPlaceholders); ++i) {
            const Placeholder& ph = kPlaceholders[i];
            if (ph.length <= rest && std::memcmp(name, ph.name, ph.length) == 0) {
                result.put(PlaceholderValue(i, work, sizeof work), asFormat);
                // Skip the brace, the name and the closing brace (never past the end).
                std::size_t skip = ph.length + 2;
                p = static_cast<std::size_t>(end - brace) < skip ? end : brace + skip;
                matched = true;
                break;
            }
        }
        if (!matched) {
            // A brace that begins no placeholder is copied as it is.
            result.put(brace, 1, false);
            p = brace + 1;
        }
    }
    return static_cast<int>(length);
}

}  // namespace

const char* MessageText(int id)
{
    for (const Message& m : kMessages) {
        if (m.id == id)
            return m.text;
    }
    return nullptr;
}

int ExpandMessage(ModuleHandle instance, int id, char* out, std::size_t size)
{
    return Expand(id, out, size, false);
}

int ExpandMessageAsFormat(ModuleHandle instance, int id, char* out, std::size_t size)
{
    return Expand(id, out, size, true);
}
