// Ornith.lvx's two halves, the module in Far's process and the helper process run by
// rundll32.exe, meet here: the names, the request message and the data section that the
// system shares between every process that has the library loaded.
#pragma once

#include <windows.h>

enum {
    ORNITH_REQUEST = WM_USER + 1, // wParam: the request block's mapping, duplicated into the helper
    ORNITH_TEXT_SIZE = 128,
    ORNITH_SHARED_SIZE = 4096,
    ORNITH_PATH_SIZE = 512,
};

// Set by the helper once its window exists; it lives exactly as long as a helper holds it.
extern const char OrnithEventName[];
extern const char OrnithClassName[];

// How long the module waits for the helper, in milliseconds: for a new helper to set its event,
// and for a helper to answer one request. A helper that takes longer is taken for hung: the
// request fails with message 5 and the helper is ended, so that Far never waits for it again.
// The Wine tests build a copy of the module with a shorter limit; the shipped one has 30 s.
#ifndef ORNITH_TIME_LIMIT
#define ORNITH_TIME_LIMIT 30000
#endif

struct OrnithShared {
    HWND HelperWindow;                // written by the helper before it sets the event
    DWORD HelperProcessId;            // written by the module after starting the helper
    char ErrorText[ORNITH_TEXT_SIZE]; // OEM; the module's default, or the helper's reason
};

union OrnithSharedSection {
    OrnithShared Data;
    char Page[ORNITH_SHARED_SIZE];
};

extern OrnithSharedSection Shared;
