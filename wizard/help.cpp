#include "wizard/help.h"

namespace {
constexpr const char* kViewerKey = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr int kDisplayTopic = 0;

bool ReadRegisteredPath(char* path, DWORD size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kViewerKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ);
}

HMODULE LoadLibraryByPath(const char* path)
{
    return LoadLibraryA(path);
}

FARPROC ProcAddress(HMODULE module, LPCSTR name)
{
    return GetProcAddress(module, name);
}

HelpSystem helpSystem = {ReadRegisteredPath, LoadLibraryByPath, ProcAddress};
HMODULE viewerModule;
HtmlHelpEntry viewerEntry;
bool bindingFailed;
}  // namespace

const HelpSystem RealHelpSystem = {ReadRegisteredPath, LoadLibraryByPath, ProcAddress};

bool BindHelpViewer()
{
    if (!viewerModule && !bindingFailed) {
        char path[MAX_PATH + 1] = {};
        // At most 260 bytes, and always terminated.
        if (helpSystem.readRegisteredPath(path, MAX_PATH))
            viewerModule = helpSystem.loadLibrary(path);
        if (!viewerModule)
            viewerModule = helpSystem.loadLibrary("hhctrl.ocx");
        if (!viewerModule)
            bindingFailed = true;
    }
    if (bindingFailed)
        return false;
    if (!viewerEntry) {
        viewerEntry = reinterpret_cast<HtmlHelpEntry>(
            reinterpret_cast<void*>(helpSystem.getProcAddress(viewerModule, MAKEINTRESOURCEA(14))));
        if (!viewerEntry) {
            bindingFailed = true;
            return false;
        }
    }
    return true;
}

HWND HtmlHelpA(HWND owner, LPCSTR file, UINT command, DWORD_PTR data)
{
    if (!BindHelpViewer())
        return nullptr;
    return viewerEntry(owner, file, command, data);
}

void OpenHelp(HWND owner, const char* topic)
{
    HtmlHelpA(owner, topic, kDisplayTopic, 0);
}

void ResetHelpBinding(const HelpSystem& system)
{
    helpSystem = system;
    viewerModule = nullptr;
    viewerEntry = nullptr;
    bindingFailed = false;
}

bool HelpBindingFailed()
{
    return bindingFailed;
}
