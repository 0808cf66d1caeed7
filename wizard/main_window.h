#pragma once
// Start-up and the main window: one copy of the program at a time, the
// services brought up in a fixed order, the one top-level window with its
// animated picture column on the left, the message loop that offers every
// message to the step dialogs first, and the exit sequence that writes the
// settings back.

#include "app/settings_record.h"

#include <windows.h>

constexpr const char* kSingleInstanceName = "DavrolinControlMap_02172004_Ostrell";
constexpr const char* kMainWindowClass = "Davrolin";
constexpr const char* kMainWindowTitle = "Davrolin V1.0";
constexpr UINT_PTR kAnimationTimerId = 47837;  // 0xBADD
constexpr UINT kAnimationPeriod = 100;         // ms
constexpr int kMinTrackWidth = 600;
constexpr int kMinTrackHeight = 400;
constexpr int kPictureHeight = 80;  // column tiles and the moving picture
constexpr int kRestSteps = 60;

// The program: start-up, message loop, exit. Returns the process exit code.
int DavrolinMain(HINSTANCE instance);

// Fits a stored window placement to a screen of sw x sh pixels.
void FitPlacement(SettingsRecord& settings, int sw, int sh);

// The main window's class and window (start-up steps 9 and 10).
bool RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance, const SettingsRecord& settings);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One pass of the message loop's body: offer the message to the step dialogs,
// and translate and dispatch it only when none takes it.
void DispatchLoopMessage(MSG* message);

// The animation of the picture column.
struct AnimationState {
    int direction;  // -1 moving down, 0 resting, +1 moving up
    int position;   // y of the moving picture's top edge
    int rest;
};
extern AnimationState Animation;

// Loads and frees the column pictures (105, 110, 108).
void LoadAnimationPictures(HINSTANCE instance);
void FreeAnimationPictures();
// One step of the animation for client height `clientHeight`, drawn on `dc`.
void AnimationStep(HDC dc, int clientHeight);

// The main window's outer rectangle, remembered on every move and resize.
extern RECT MainWindowRect;

// helper_init / helper_exit of the start-up sequence.
int helper_init();
void helper_exit();
