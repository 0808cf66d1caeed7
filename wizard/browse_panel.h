#pragma once
// The browse panel that the source and destination steps carry below their
// path field: a drive list (1082), a folder list (1081) and a contents box
// (1083) inside a group box (1080) with a label (1084). Every choice is
// written at once into the step's folder setting and its path field. In the
// source step the contents box shows the survey of the folder; in the
// destination step it lists the folder's files. The export step browses for
// its metadata file: the contents box lists the folder's .ini files, and a
// double-click on one puts its path into the path field; the folder browsed
// is the panel's own and no setting.
//
// The panel works through the process's current directory: listing a folder
// makes it current, so after a refresh the current directory is the folder
// shown (or whatever could be entered on the way there).

#include "wizard/folder_text.h"

#include <windows.h>

// Whose folder the panel edits.
enum class BrowseTarget {
    Source,       // the source step: folder setting SrcDir, path field 1014
    Destination,  // the destination step: DstDir, path field 1049
    MetadataFile, // the export step: a folder of the panel's own, path field 1099
};
void SetBrowseTarget(BrowseTarget target);

// Shows the five panel controls and refills them.
void ShowBrowsePanel(HWND dialog);
// Hides the five panel controls.
void HideBrowsePanel(HWND dialog);

// Places the panel for a client width; the client height comes from Layout.
void LayoutBrowsePanel(HWND dialog, int clientWidth);

// Refills the drive list, the folder list and the contents box for the
// folder setting, and puts the folder setting into the path field. A fault
// while filling retries once from "C:\"; a second fault shows FolderNotReadable.
void RefreshBrowsePanel(HWND dialog);

// A choice in the drive list (1082) or the folder list (1081): the folder
// setting becomes the chosen drive root or folder ("..": the parent), then
// the path field and the panel follow. Other control ids are ignored. A
// folder choice that would not fit the setting's 255 characters is refused.
// For the metadata file, a choice in the contents box (1083) puts the file's
// path into the path field; the path field does not follow the folder.
void BrowseChoice(HWND dialog, int controlId);

// Sets the folder the panel browses for the metadata file (cut to 255
// characters).
void SetMetadataBrowseFolder(const std::string& folder);

// Writes the survey of the folder setting into the contents box.
void FolderSurvey(HWND dialog);

