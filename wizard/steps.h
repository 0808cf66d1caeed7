#pragma once
// The operations every step offers to the step manager. Trace names: step0
// (Welcome), step1 (Source folder), step2 (Destination folder), step3 (File
// types), step4 (Prefix), step4a (Format), step5 (Verify options), step6
// (Unpacking).

#include <windows.h>

#define DAVROLIN_STEP_OPERATIONS(name)                            \
    int name##_init(HINSTANCE instance);                          \
    int name##_createdialog(HWND owner);                          \
    void name##_show(bool visible);                               \
    int name##_move(int x, int y, int width, int height);         \
    bool name##_is_dialog_message(MSG* message);                  \
    void name##_exit();                                           \
    HWND name##_dialog();

DAVROLIN_STEP_OPERATIONS(step0)
DAVROLIN_STEP_OPERATIONS(step1)
DAVROLIN_STEP_OPERATIONS(step2)
DAVROLIN_STEP_OPERATIONS(step3)
DAVROLIN_STEP_OPERATIONS(step4)
DAVROLIN_STEP_OPERATIONS(step4a)
DAVROLIN_STEP_OPERATIONS(step5)
DAVROLIN_STEP_OPERATIONS(step6)

#undef DAVROLIN_STEP_OPERATIONS

// Defines the operations above that are the same for every step, over the
// module's StepSlot `slot` (show stays with each step).
#define DAVROLIN_STEP_COMMON(name)                                                        \
    int name##_init(HINSTANCE instance) { return StepInit(slot, instance); }              \
    int name##_createdialog(HWND owner) { return StepCreateDialog(slot, owner); }         \
    int name##_move(int x, int y, int width, int height)                                  \
    {                                                                                     \
        return StepMove(slot, x, y, width, height);                                       \
    }                                                                                     \
    bool name##_is_dialog_message(MSG* message) { return StepIsDialogMessage(slot, message); } \
    void name##_exit() { StepExit(slot); }                                                \
    HWND name##_dialog() { return slot.dialog; }
