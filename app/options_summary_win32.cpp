#include "app/options_summary_win32.h"

#include "app/options_summary.h"

#include <string>

int ShowOptionsSummary(int controlId, HWND dialog, int level, int details)
{
    std::string text;
    int result = 0;
    try {
        text = BuildOptionsSummary(level, details);
    } catch (...) {
        text.clear();
        result = -1;
    }
    SetDlgItemTextA(dialog, controlId, text.c_str());
    return result;
}
