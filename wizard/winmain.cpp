// The Windows entry point of Davrolin.exe; the program itself is DavrolinMain.

#include "wizard/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return DavrolinMain(instance);
}
