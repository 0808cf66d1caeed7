#include "engine/messages.h"

#include "engine/activity_log.h"
#include "engine/version.h"
#include "formats/text_format.h"

#include <cstring>

namespace {

struct Message {
    MessageId id;
    const char* text;
};

// The reserved ids (formats/message_ids.h) have no text.
constexpr Message kMessages[] = {
    {MessageId::LogMemoryCaption, "Error - Not enough memory for Davrolin log!"},
    {MessageId::LogMemoryQuestion, "There was an error trying to allocate memory for the Davrolin activity log.\n\nWould you like to continue without logging capabilities?\nIf you click on YES, you can continue with Davrolin but no activity will be logged.\nIf you click on NO, Davrolin will exit now."},
    {MessageId::EntireDeployment, "Entire Deployment"},
    {MessageId::SingleProfile, "Single Profile"},
    {MessageId::ProfileRange, "Profile Range"},
    {MessageId::Human, "Human"},
    {MessageId::Machine, "Machine"},
    {MessageId::LogHeaderVersion, "Ostrel Research Labs Davrolin version {VERSION} Revision {REVISION} [Build {BLDDATE} {BLDTIME}]\r\nFor use with data collected under Version {FIRMWARE} of the System Control Program.\r\n"},
    {MessageId::LogCreated, "Log created {DATE} {TIME}\r\n"},
    {MessageId::SourceStepTitle, "Step 1: Select Folder Location"},
    {MessageId::DestinationStepTitle, "Step 2: Select Unpacked Folder Location"},
    {MessageId::FileTypesStepTitle, "Step 3: Select Type of Files to Unpack"},
    {MessageId::PrefixStepTitle, "Step 4 (Optional): Select File Prefix"},
    {MessageId::ProgramTitle, "VXP Data Davrolin"},
    {MessageId::MakerShortName, "Ostrel "},
    {MessageId::MakerName, "Ostrel Research Laboratories"},
    {MessageId::WelcomeVersion, "Version {VERSION}  Revision {REVISION} [Built {BLDDATE}]"},
    {MessageId::UnpackEntireDeployment, "Unpack the entire deployment."},
    {MessageId::UnpackSingleFile, "Unpack a single file"},
    {MessageId::UnpackFileRange, "Unpack a range of files"},
    {MessageId::VerifyStepTitle, "Step 6: Verify Options"},
    {MessageId::UnpackingStepTitle, "Unpacking"},
    {MessageId::UnpackException, "\r\nAn exception occured while unpacking data.\r\nThis could be due to invalid data, or could be due to other reasons.\r\nPlease contact Ostrel Laboratories.\r\n"},
    {MessageId::SummarySource, "Unpack files from folder {SRCDIR} \r\n"},
    {MessageId::SummaryDestination, "Unpack files to folder {DSTDIR}\r\n"},
    {MessageId::SourceMissingCaption, "Error - Source Folder Does Not Exist"},
    {MessageId::SourceMissing, "The specified source path\n   {SRCDIR} \ndoes not exist.  \n\nPlease select a new source for VXP files"},
    {MessageId::FormatStepTitle, "Step 5 (Optional): Select File Format"},
    {MessageId::SummarySourceNotFound, "\r\nERROR!  Source folder\r\n  {SRCDIR} \r\nnot found!\r\n\r\nClick Back to change options\r\n"},
    {MessageId::SummaryDeploymentCount, "Source folder contains {PROCNT} deployments in {FILCNT} files\r\n"},
    {MessageId::SummaryFilesNotFound, "The following files were not found in the source folder:\r\n"},
    {MessageId::SummaryFilesToUnpack, "The following files will be unpacked:\r\n"},
    {MessageId::SummaryEngineeringFiles, "  Engineering files "},
    {MessageId::SummaryAcmFiles, "  ACM files "},
    {MessageId::SummaryCtdFiles, "  CTD files "},
    {MessageId::SummaryDeploymentLog, "  Deployment Log\r\n"},
    {MessageId::SummaryExceptionLog, "  Exception Log\r\n"},
    {MessageId::SummaryNoProfilesFile, "\r\nERROR!  Source folder\r\n  {SRCDIR}\r\ndoes not contain PROFILE.DAT\r\n\r\nClick Back to change options\r\n"},
    {MessageId::SummaryEntireDeployment, "for the entire deployment (all {PROCNT} profiles)\r\n"},
    {MessageId::SummarySingleProfile, "for profile {FSTPRO}\r\n"},
    {MessageId::SummaryProfileRange, "for profiles {FSTPRO} to {LSTPRO}\r\n"},
    {MessageId::SummaryInputFile, "    using input file %s\r\n"},
    {MessageId::SummaryInputFiles, "    using input files %s to %s\r\n"},
    {MessageId::SummaryOutputFile, "    producing output file %s\r\n"},
    {MessageId::SummaryOutputFiles, "    producing output files %s to %s\r\n"},
    {MessageId::SummaryNotPrefixed, "Output files are not prefixed\r\n"},
    {MessageId::SummaryPrefixed, "Output files are prefixed by {PREFIX}\r\n"},
    {MessageId::SummaryMachineForm, "Output files are suitable for reading by other applications (e.g., no translations)\r\n"},
    {MessageId::SummaryHumanForm, "Output files are translated to be human readable"},
    {MessageId::SummaryProfilesPerFile, "Profiles are packed {PROPFS} per source file\r\n"},
    {MessageId::EngineeringStart, "Unpacking Engineering profiles {FSTPRO} to {LSTPRO}\r\n"},
    {MessageId::EngineeringFileProfiles, "  -> Unpacking profiles %d to %d from Engineering file %s\r\n"},
    {MessageId::EngineeringFileProfile, "  -> Unpacking profile %d from Engineering file %s\r\n"},
    {MessageId::AcmStart, "Unpacking ACM profiles {FSTPRO} to {LSTPRO}\r\n"},
    {MessageId::AcmFileProfiles, "  -> Unpacking profiles %d to %d from ACM file %s\r\n"},
    {MessageId::AcmFileProfile, "  -> Unpacking profile %d from ACM file %s\r\n"},
    {MessageId::CtdStart, "Unpacking CTD profiles {FSTPRO} to {LSTPRO}\r\n"},
    {MessageId::CtdFileProfiles, "  -> Unpacking profiles %d to %d from CTD file %s\r\n"},
    {MessageId::CtdFileProfile, "  -> Unpacking profile %d from CTD file %s\r\n"},
    {MessageId::UnpackingStatus, "Unpacking file %s\nfrom file %s"},
    {MessageId::Complete, "Complete"},
    {MessageId::UnpackedWithoutErrors, "All files have been unpacked.\nThere were no errors detected."},
    {MessageId::UnpackedWithErrors, "There were errors during unpacking\nRefer to Activity Log for details"},
    {MessageId::NoDataCaption, "Error - No VXP Files Found"},
    {MessageId::NoData, "The specified source path\n  {SRCDIR}\ndoes not contain valid VXP data.\n\nPlease select a new source directory."},
    {MessageId::DestinationMissingCaption, "Warning - Destination Folder Does Not Exist"},
    {MessageId::DestinationMissing, "The specified destination path\n  {DSTDIR}\nwas not found.\n\nWould you like to create the folder?"},
    {MessageId::FolderNotCreatedCaption, "Error - Could Not Create Folder"},
    {MessageId::FolderNotCreated, "The specified destination path\n  {DSTDIR}\ncould not be created."},
    {MessageId::UnpackingAborted, "Unpacking was aborted\nRefer to Activity Log for any errors"},
    {MessageId::DeployOpenError, "Error opening the deployment file DEPLOY.DAT\r\n"},
    {MessageId::DeployReadError, "Error reading from deployment file DEPLOY.DAT\r\n"},
    {MessageId::ProfilesOpenError, "Error opening PROFILE.DAT\r\n"},
    {MessageId::ProfilesReadError, "Error reading PROFILE.DAT\r\n"},
    {MessageId::EngineeringOpenError, "Error opening engineering data file %s\r\n"},
    {MessageId::EngineeringReadError, "Error reading from engineering file for profile %u\r\n"},
    {MessageId::EngineeringCreateError, "Error creating engineering file %s\r\n"},
    {MessageId::EngineeringWriteError, "Error writing unpacked engineering data for profile %u\r\n"},
    {MessageId::AcmOpenError, "Error opening ACM data file %s\r\n"},
    {MessageId::AcmReadError, "Error reading from ACM file for profile %u\r\n"},
    {MessageId::AcmCreateError, "Error creating ACM file %s\r\n"},
    {MessageId::AcmWriteError, "Error writing unpacked ACM data for profile %u\r\n"},
    {MessageId::CtdOpenError, "Error opening CTD data file %s\r\n"},
    {MessageId::CtdReadError, "Error reading from CTD file for profile %u\r\n"},
    {MessageId::CtdCreateError, "Error creating CTD file %s\r\n"},
    {MessageId::Cancelled, "Operation cancelled by user\r\n"},
    {MessageId::DeploymentStart, "Unpacking deployment log file\r\n"},
    {MessageId::ExceptionStart, "Unpacking IRQ exception file\r\n"},
    {MessageId::IrqOpenError, "Error opening IRQ exception log IRQ_XCPT.DAT\r\n"},
    {MessageId::IrqCreateError, "Error creating IRQ exception log {PREFIX}IRQ_XCPT.TXT\r\n"},
    {MessageId::IrqReadError, "Error reading from IRQ exception log file\r\n"},
    {MessageId::IrqWriteError, "Error writing to IRQ exception log file\r\n"},
    {MessageId::DeployCreateError, "Error creating deployment log file {PREFIX}DEPLOY.TXT\r\n"},
    {MessageId::TerminationLogError, "Error creating profile termination log {PREFIX}TIMETAGS.TXT\r\n"},
    {MessageId::SummaryForm, "The output files are {HUMAN} readable\r\n"},
    {MessageId::SummaryDestinationNotFound, "\r\nERROR!  Destination folder\r\n  {DSTDIR}\r\nnot found\r\n\r\nClick Back to change options\r\n"},
    {MessageId::SummaryTerminationLog, "Profile termination log will be written to {PREFIX}TIMETAGS.TXT\r\n"},
    {MessageId::CancelledByUser, "Cancelled by User"},
    {MessageId::SummarySensorTimeLog, "Sensor time log will be written to {PREFIX}SNSRTIME.TXT\r\n"},
    {MessageId::WelcomeFirmware, "For use with data collected under Version {FIRMWARE} of the System Control Program."},
    {MessageId::TerminationLogWritten, "Engineering termination log has been written to file %s\r\n"},
    {MessageId::SavingLog, "Saving log to %s\r\n"},
    {MessageId::LogNotSaved, "Unable to save log to %s\r\n"},
    {MessageId::LogSettingsHeading, "\r\nSettings for this run:\r\n\r\n"},
    {MessageId::LogActivityHeading, "\r\nUnpack Activity:\r\n\r\n"},
    {MessageId::ProfileCaption, "Profile (0-{MAXPRO}) :"},
    {MessageId::FirstProfileCaption, "First Profile (0-{MAXPRO}) :"},
    {MessageId::LastProfileCaption, "Last Profile (0-{MAXPRO}) :"},
    {MessageId::NoFileTypesCaption, "Error selecting file types"},
    {MessageId::NoFileTypes, "You did not select any files to unpack.  Please review your selections and select at least one type of file to unpack."},
    {MessageId::BadRangeCaption, "Error selecting profile or range"},
    {MessageId::BadRange, "There was an error in the selection of the profile or range of profiles to unpack.  Either the numbers are out of range, or the first and last profiles to unpack are out of order.  Please review selections and correct."},
    {MessageId::SensorTimeLogError, "Error creating sensor time log {PREFIX}SNSRTIME.TXT\r\n"},
    {MessageId::SurveyNoDeployment, "The selected folder does not contain any deployment data."},
    {MessageId::SurveyProfileCount, "The selected folder contains {PROCNT} profiles.\r\n"},
    {MessageId::SurveyEngineeringFiles, "%d Engineering profiles found in files E%07d.DAT to E%07d.DAT\r\n  Engineering profiles created %s to %s\r\n"},
    {MessageId::SurveyAcmFiles, "%d ACM profiles found in files A%07d.DAT to A%07d.DAT\r\n  ACM profiles created %s to %s\r\n"},
    {MessageId::SurveyCtdFiles, "%d CTD profiles found in files C%07d.DAT to C%07d.DAT\r\n  CTD profiles created %s to %s\r\n"},
    {MessageId::SurveyNoEngineeringFiles, "No engineering files found\r\n"},
    {MessageId::SurveyNoAcmFiles, "No ACM files found\r\n"},
    {MessageId::SurveyNoCtdFiles, "No CTD files found\r\n"},
    {MessageId::SurveyFileCreated, "%s file created %s\r\n"},
    {MessageId::SurveyFileNotFound, "%s file not found\r\n"},
    {MessageId::FolderNotReadable, "The selected drive or folder could not be read\r\n"},
    {MessageId::DeployWrongVersion, "Wrong version of DEPLOY.DAT detected.\r\nVXP Davrolin is configured to unpack version {FIRMWARE} deployments.\r\n"},
    {MessageId::SourceWrongVersion, "The specified source path\n  {SRCDIR}\ncontain VXP data from a different version.\n\nThe VXP Davrolin is configured to unpack version {FIRMWARE} VXP files.\n"},
    {MessageId::SourceWrongVersionCaption, "Error - Wrong version of VXP files"},
    {MessageId::ExportStepTitle, "Step 5b (Optional): Export for Analysis"},
    {MessageId::ExportRefusedCaption, "Error - Export for Analysis"},
    {MessageId::SummaryExportFiles, "Export for analysis will be written to:\r\n"},
    {MessageId::SummaryExportFile, "  %s\r\n"},
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
void CopyRaw(MessageId id, char* work, std::size_t workSize, std::size_t limit)
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

// Decimal, as it is.
void PutNumber(char* work, std::size_t workSize, int64_t value)
{
    Format(work, workSize, "%s", std::to_string(value).c_str());
}

// The value of placeholder `index`: either a text of `v` (returned) or one
// assembled in `work` (128 bytes).
const char* PlaceholderValue(const MessageValues& v, std::size_t index, char* work, std::size_t workSize)
{
    work[0] = '\0';
    switch (index) {
    case 0: return v.source.c_str();
    case 1: return v.destination.c_str();
    case 2: return v.prefix.c_str();
    case 3:
        CopyRaw(v.range == RangeEntireDeployment ? MessageId::EntireDeployment
                : v.range == RangeSingleProfile  ? MessageId::SingleProfile
                                                 : MessageId::ProfileRange,
                work, workSize, 31);
        break;
    case 4: PutNumber(work, workSize, v.first); break;
    case 5: PutNumber(work, workSize, v.last); break;
    case 6: CopyRaw(v.human ? MessageId::Human : MessageId::Machine, work, workSize, workSize - 1); break;
    case 7: PutNumber(work, workSize, v.profilesPerFile); break;
    case 8: PutNumber(work, workSize, v.profileCount); break;
    case 9: PutNumber(work, workSize, v.maxProfile); break;
    case 10: PutNumber(work, workSize, v.fileCount); break;
    case 11: return kProgramVersion;
    case 12: return kProgramRevision;
    case 13: return v.layout301 ? "3.01" : "3.04";
    case 14: return BuildDate();
    case 15: return BuildTime();
    case 16: LocalLongDate(work, static_cast<int>(workSize)); break;
    case 17: LocalTimeOfDay(work, static_cast<int>(workSize)); break;
    }
    return work;
}

int Expand(const MessageValues& values, MessageId id, char* out, std::size_t size, bool asFormat)
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
                result.put(PlaceholderValue(values, i, work, sizeof work), asFormat);
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

const char* MessageText(MessageId id)
{
    for (const Message& m : kMessages) {
        if (m.id == id)
            return m.text;
    }
    return nullptr;
}

int ExpandMessage(const MessageValues& values, MessageId id, char* out, std::size_t size)
{
    return Expand(values, id, out, size, false);
}

int ExpandMessageAsFormat(const MessageValues& values, MessageId id, char* out, std::size_t size)
{
    return Expand(values, id, out, size, true);
}
