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

#include <windows.h>

#include <string>

// Mode 0: the source step (folder setting SrcDir, path field 1014); any other
// value: the destination step (DstDir, path field 1049).
void SetBrowseTarget(int mode);

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

// Stores `text` in a 256-byte settings text, cut to 255 characters.
void StoreFolderText(char* field, const std::string& text);

// "C:\..." or "\\server\...": a path that names the same folder whatever
// the current directory.
bool IsFullyQualifiedPath(const std::string& path);

// The text to store for a folder that a check has just made current: a fully
// qualified path ("C:\...", "\\server\...") as typed; anything relative (which
// later names another folder, as the current directory moves on) as the
// current directory.
std::string EnteredFolderText(const std::string& typed);

// The whole text of control `id` of `dialog`, without a length limit.
std::string ControlText(HWND dialog, int id);
