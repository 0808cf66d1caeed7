#pragma once
// The deployment metadata check: does the current folder hold a deployment
// this configuration can unpack, and how is it planned (profiles per data file,
// last profile recorded)? Reads DEPLOY.DAT and PROFILES.DAT from the current
// folder; PROFILES.DAT is a u32 big-endian, the number of the last profile.

#include <string>

// Sets Settings.WrongVersion, DeployOk, ProfilesOk, ProfilesPerFile and
// MaxProfile from the files of the current folder, and fills `Deployment`
// (formats/deployment.h) when DEPLOY.DAT is read in full; when it is not, the
// record is left empty. Every failure is logged; the check never fails.
void VerifyMetaData();

// The same check of the files in `folder` (a folder path ending in its
// separator), whatever the current folder is.
void VerifyMetaDataIn(const std::string& folder);
