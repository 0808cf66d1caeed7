#pragma once
// The step table: the wizard's pages in order, each with the page after it,
// the page before it and the catalogue message of its header title. Back,
// Next and the header follow it.

#include "formats/message_ids.h"

#include <optional>

struct StepRecord {
    int dialogId;
    int nextId;  // 0: none
    int prevId;  // 0: none (the page has no Back)
    std::optional<MessageId> titleId;  // catalogue message of the header title, if any
};

constexpr int kStepCount = 9;
extern const StepRecord StepTable[kStepCount];

// The row of StepTable of the step with `dialogId`, or null.
const StepRecord* StepRow(int dialogId);
