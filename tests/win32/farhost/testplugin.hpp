// The test-only plug-in's shared state: what the host handed it, and hooks
// through which a test runs service calls from inside the plug-in's exports.
#pragma once

#include "far.hpp"

struct TestPluginState {
    PluginStartupInfo Info; // the plug-in's own copy, FSF pointing at Fsf
    FarStandardFunctions Fsf;
    const void* InfoAddress; // where the host's records were during SetStartupInfo
    const void* FsfAddress;
    bool InfoOnStack; // both inside the calling thread's stack
    int InfoStructSize, FsfStructSize;
    int SetStartupInfoCalls;
    unsigned char PluginInfoOnEntry[44]; // GetPluginInfo's record as the host passed it
    // Hooks; null: the plug-in's own small demo behaviour.
    HANDLE(WINAPI* OnOpen)(int openFrom, int item);
    int(WINAPI* OnConfigure)(int item);
    int(WINAPI* OnEvent)(int event, void* param);
    int Events[16], EventParams[16], EventCount;
};

typedef TestPluginState*(WINAPI* TESTSTATE)();
