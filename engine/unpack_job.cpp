#include "engine/unpack_job.h"

#include <atomic>

namespace {
std::atomic<int> cancelRequested{0};
}

void RequestCancel()
{
    cancelRequested.store(1);
}

bool IsCancelRequested()
{
    return cancelRequested.load() != 0;
}

void ClearCancelRequest()
{
    cancelRequested.store(0);
}
