// The library's load hook. The plug-in's state comes into being at the host's
// Startup call, never at load, so every notification only answers success.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
