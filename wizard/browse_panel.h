#pragma once
// The browse panel that the source and destination steps carry below their
// path field: a drive list (1082), a folder list (1081) and a contents box
// (1083) inside a group box (1080) with a label (1084). Every choice is
// written at once into the step's folder setting and its path field. In the
// source step the contents box shows the survey of the folder; in the
// destination step it lists the folder's files.
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
void BrowseChoice(HWND dialog, int controlId);

// Writes the survey of the folder setting into the contents box.
void FolderSurvey(HWND dialog);

