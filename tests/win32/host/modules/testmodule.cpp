// One source for the test-only help modules; the build compiles it once per
// behaviour (TM_* definitions) into a differently named .lvx.
//   TM_NAME          the module's name in the call log
//   TM_TYPES         how many help types it reports (names "<TM_NAME> type <i>")
//   TM_CONFIGURABLE  sets HMF_CONFIGURABLE; Title = message 0 of its .lvg
//   TM_NO_START, TM_NO_MESSAGE  leave that export out
//   TM_DESCRIBE_ZERO answers HM_DESCRIBE with 0
//   TM_GARBAGE       answers as TEST_GARBAGE_MODE says
//   TM_MASKS, TM_ENCODING, TM_DEFAULTS  the same masks, encoding and default
//                    options for every type (otherwise "*.t<i>", OEM/WIN, i)
#include "testmodule.hpp"

#include <stdio.h>
#include <string.h>

#ifndef TM_TYPES
#define TM_TYPES 1
#endif

static TestModuleRecord Record;
#ifndef TM_NO_MESSAGE
static HelpTypeInfo Types[TM_TYPES];
#endif

static void Log(const char* what) {
    char log[4096] = "";
    GetEnvironmentVariableA(TEST_MODULE_LOG, log, sizeof log);
    size_t used = strlen(log);
    snprintf(log + used, sizeof log - used, "%s:%s;", what, TM_NAME);
    SetEnvironmentVariableA(TEST_MODULE_LOG, log);
}

extern "C" __declspec(dllexport) const TestModuleRecord* WINAPI Recorded(void) {
    return &Record;
}

extern "C" __declspec(dllexport) void WINAPI Exit(void) {}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        Record.LoadErrorMode = SetErrorMode(0);
        SetErrorMode(Record.LoadErrorMode);
    }
    return TRUE;
}

#ifndef TM_NO_START
extern "C" __declspec(dllexport) int WINAPI
    Start(const PluginStartupInfo* info, const ModuleStartupInfo* msi) {
    Record.Info = info;
    memcpy(&Record.Startup, msi, sizeof Record.Startup);
    Record.Starts++;
    Log("Start");
    char setting[256] = "", key[600] = "";
    GetEnvironmentVariableA(TEST_START_SETTING, setting, sizeof setting);
    char* value = strchr(setting, '=');
    const char* last = strrchr(msi->RootKey, '\\');
    if (value && last && (size_t)(last - msi->RootKey) < sizeof key) {
        *value++ = 0;
        memcpy(key, msi->RootKey, (size_t)(last - msi->RootKey));
        HKEY hKey;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) ==
            ERROR_SUCCESS) {
            RegSetValueExA(hKey, setting, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1);
            RegCloseKey(hKey);
        }
    }
    return 1;
}
#endif

#ifndef TM_NO_MESSAGE
static int Describe(HelpModuleInfo* out) {
    Record.Describes++;
    Log("Describe");
#ifdef TM_DESCRIBE_ZERO
    return 0;
#endif
    for (int i = 0; i < TM_TYPES; i++) {
        Types[i].StructSize = sizeof(HelpTypeInfo);
        Types[i].DefaultOptions = (DWORD)i;
        snprintf(Types[i].Name, sizeof Types[i].Name, "%s type %d", TM_NAME, i);
        snprintf(Types[i].Masks, sizeof Types[i].Masks, "*.t%d", i);
        strcpy(Types[i].Encoding, i % 2 ? "WIN" : "OEM");
#ifdef TM_MASKS
        strcpy(Types[i].Masks, TM_MASKS);
#endif
#ifdef TM_ENCODING
        strcpy(Types[i].Encoding, TM_ENCODING);
#endif
#ifdef TM_DEFAULTS
        Types[i].DefaultOptions = TM_DEFAULTS;
#endif
    }
    out->Types = Types;
    out->TypesNumber = TM_TYPES;
#ifdef TM_GARBAGE
    char mode[32] = "";
    GetEnvironmentVariableA(TEST_GARBAGE_MODE, mode, sizeof mode);
    if (!strcmp(mode, "refuse")) return 0;
    if (!strcmp(mode, "zero-count")) out->TypesNumber = 0;
    if (!strcmp(mode, "negative")) out->TypesNumber = -3;
    if (!strcmp(mode, "null-types")) out->Types = nullptr, out->TypesNumber = 5;
#endif
#ifdef TM_CONFIGURABLE
    out->Flags = HMF_CONFIGURABLE;
    if (!Record.Startup.GetModuleMsg(Record.Startup.LangFile, 0, out->Title)) strcpy(out->Title, "?");
#endif
    return 1;
}

static int ShowHelp(const HelpRequest* request, HelpResult* result) {
    Record.ShowHelps++;
    Log("ShowHelp");
    TestModuleRequest& last = Record.Last;
    last.StructSize = request->StructSize;
    last.TypeIndex = request->TypeIndex;
    last.Options = request->Options;
    last.Command = request->Command;
    snprintf(last.FileName, sizeof last.FileName, "%s", request->FileName ? request->FileName : "(null)");
    snprintf(last.Keyword, sizeof last.Keyword, "%s", request->Keyword ? request->Keyword : "(null)");
    snprintf(last.Encoding, sizeof last.Encoding, "%s", request->Encoding ? request->Encoding : "(null)");
    char answer[256] = "";
    GetEnvironmentVariableA(TEST_SHOWHELP_ANSWER, answer, sizeof answer);
    if (answer[0] != '0') return 1;
    if (answer[1] == ':') snprintf(result->ErrorText, sizeof result->ErrorText, "%s", answer + 2);
    return 0;
}

extern "C" __declspec(dllexport) int WINAPI Message(int msg, void* in, void* out) {
    switch (msg) {
    case HM_DESCRIBE:
        return Describe((HelpModuleInfo*)out);
    case HM_SHOWHELP:
        return ShowHelp((const HelpRequest*)in, (HelpResult*)out);
    case HM_CONFIGURE:
        Record.Configures++;
        return 1;
    }
    return 0;
}
#endif
