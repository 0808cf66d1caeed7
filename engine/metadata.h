#pragma once
// The deployment metadata check: does a folder hold a deployment this
// firmware's layouts can unpack, and how is it planned (profiles per data
// file, last profile recorded)? Reads DEPLOY.DAT and PROFILES.DAT of the
// folder; PROFILES.DAT is a u32 big-endian, the number of the last profile.

#include "formats/decoder.h"
#include "formats/deployment.h"

#include <cstdint>
#include <string>

struct FolderMetadata {
    bool wrongVersion = false;  // DEPLOY.DAT is of the other firmware
    bool deployOk = false;      // DEPLOY.DAT read in full and of this firmware
    bool profilesOk = false;    // PROFILES.DAT read
    uint32_t profilesPerFile = 0;
    uint32_t maxProfile = 0;
    // The record when DEPLOY.DAT was read in full, whatever its version; empty
    // otherwise.
    DeploymentRecord deployment{};
};

// The check of the files in `folder` (a folder path ending in its separator,
// or empty for the current folder). Every failure goes to `reporter` (its
// messages name the firmware as `layout301` says); the check never fails.
FolderMetadata CheckMetadata(const std::string& folder, bool layout301, Reporter& reporter);
