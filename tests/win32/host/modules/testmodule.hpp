// What the test-only help modules record, read by the tests through the extra
// export "Recorded" (the modules are test fixtures, not deliverables).
#pragma once

#include "helpmodule.hpp"

struct TestModuleRecord {
    const PluginStartupInfo* Info; // as handed to Start
    ModuleStartupInfo Startup;     // a copy of the record handed to Start
    int Starts;
    int Describes;
    int Configures;
    int ShowHelps;
};

typedef const TestModuleRecord*(WINAPI* TESTMODULERECORDED)(void);

// Every module appends "Start:<name>;" and "Describe:<name>;" to this
// environment variable, so the tests see the order of calls across modules.
#define TEST_MODULE_LOG "LUMIVO_TEST_LOG"
// Garbage.lvx answers HM_DESCRIBE as this variable says: "zero-count" (a type
// array with TypesNumber 0), "null-types" (no array, TypesNumber 5), "negative"
// (an array with TypesNumber -3), "refuse" (result 0), anything else: two types.
#define TEST_GARBAGE_MODE "LUMIVO_TEST_GARBAGE"
