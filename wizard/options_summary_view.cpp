#include "wizard/options_summary_view.h"

#include <string>

int ShowOptionsSummary(int controlId, HWND dialog, SummaryLevel level, int details)
{
    std::string text;
    try {
        text = BuildOptionsSummary(level, details);
    } catch (...) {
        SetDlgItemTextA(dialog, controlId, "");
        return -1;
    }
    SetDlgItemTextA(dialog, controlId, text.c_str());
    return 0;
}
