#pragma once
// The checks that decide whether a folder can be the source or the
// destination of a run. Both make the folder the process's current directory
// (the InPlace forms leave it alone, for runs side by side in one process)
// and set the run-time fields of the settings that the pages, the options
// summary and the message placeholders read (a run makes its own check).

struct FolderMetadata;

// The results of a metadata check (engine/metadata.h) into the run-time
// fields of the settings: WrongVersion, DeployOk, ProfilesOk, ProfilesPerFile
// and MaxProfile.
void TakeMetadata(const FolderMetadata& metadata);

// 0: the folder holds a usable deployment of the configured firmware;
// 1: it cannot be entered (or the check failed);
// 2: it can, but DEPLOY.DAT and PROFILES.DAT were not both read and accepted
//    (`WrongVersion` tells whether DEPLOY.DAT was of the other version).
int SourceCheck(const char* path);

int SourceCheckInPlace(const char* path);

// 0 when the folder can be entered, 1 otherwise; sets `DestinationExists`.
int DestinationCheck(const char* path);
int DestinationCheckInPlace(const char* path);
