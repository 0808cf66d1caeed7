#pragma once
// The unpack job. For now only its cancel request.

void RequestCancel();
bool IsCancelRequested();
void ClearCancelRequest();
