#pragma once
// Helpers for the tests of the Unpacking page and of whole wizard runs.

#include "app/settings_record.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"

#include <windows.h>

#include <functional>
#include <string>

// The Unpacking page's dialog and the text of one of its controls.
HWND UnpackingDialog();
std::string ControlText(int id);
bool ButtonUp(int id);  // visible and enabled

// Pumps the loop until the run that the page's start request begins has sent
// its finished notification; false after `timeoutMs`.
bool WaitForRunEnd(int timeoutMs = 60000);

// Shows the Unpacking page (hiding whatever step is shown) and waits for the
// run it starts.
bool ShowUnpackingAndWait();

// Sends a notification to the page from another thread, as the worker does,
// while this thread answers it.
LRESULT SendFromWorker(UINT message, WPARAM wParam, LPARAM lParam);

// Calls `hook` with every message the page receives, before the page handles
// it, while it lives (the page's window procedure is wrapped).
class PageHook {
public:
    explicit PageHook(std::function<void(UINT, WPARAM, LPARAM)> hook);
    ~PageHook();
    PageHook(const PageHook&) = delete;
    PageHook& operator=(const PageHook&) = delete;
};

// A generated deployment in a source folder and an empty destination, with
// settings that choose them (every kind of the entire deployment, machine form).
struct DeploymentFolders {
    explicit DeploymentFolders(const DeploymentShape& shape = DeploymentShape());
    DeploymentShape shape;
    TempDir source;
    TempDir destination;
    SettingsRecord settings;
};

// The saved activity log of `folders`.
std::string SavedLog(const DeploymentFolders& folders);

// How often `needle` occurs in `text`.
int Occurrences(const std::string& text, const std::string& needle);
