// What the test-only help modules record, read by the tests through the extra
// export "Recorded" (the modules are test fixtures, not deliverables).
#pragma once

#include "helpmodule.hpp"

// The last HM_SHOWHELP request, copied while the call lasts.
struct TestModuleRequest {
    int StructSize;
    int TypeIndex;
    DWORD Options;
    int Command;
    char FileName[1024];
    char Keyword[1024];
    char Encoding[128];
};

struct TestModuleRecord {
    const PluginStartupInfo* Info; // as handed to Start
    ModuleStartupInfo Startup;     // a copy of the record handed to Start
    UINT LoadErrorMode;            // the process error mode while the library was being loaded
    int Starts;
    int Describes;
    int Configures;
    int ShowHelps;
    TestModuleRequest Last;
};

typedef const TestModuleRecord*(WINAPI* TESTMODULERECORDED)(void);

// Every module appends "Start:<name>;" and "Describe:<name>;" to this
// environment variable, so the tests see the order of calls across modules.
#define TEST_MODULE_LOG "LUMIVO_TEST_LOG"
// Garbage.lvx answers HM_DESCRIBE as this variable says: "zero-count" (a type
// array with TypesNumber 0), "null-types" (no array, TypesNumber 5), "negative"
// (an array with TypesNumber -3), "refuse" (result 0), anything else: two types.
#define TEST_GARBAGE_MODE "LUMIVO_TEST_GARBAGE"
// Every module answers HM_SHOWHELP as this variable says: unset or empty: 1;
// "0": 0 with an empty ErrorText; "0:text": 0 with that ErrorText.
#define TEST_SHOWHELP_ANSWER "LUMIVO_TEST_ANSWER"
// "name=value": Start stores that REG_SZ value in the host's own settings key
// (its RootKey without the last "\Plugins"), to show when the host reads them.
#define TEST_START_SETTING "LUMIVO_TEST_START_SETTING"
