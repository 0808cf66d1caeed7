// The Windows entry point of Davrolin.exe; the program itself is DavrolinMain.

#include "app/main_window_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return DavrolinMain(instance);
}
