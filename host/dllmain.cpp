// The library entry routine of Lumivo.dll: nothing to set up or tear down;
// everything starts in SetStartupInfo.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return TRUE;
}
