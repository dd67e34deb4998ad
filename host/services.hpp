// The five host services handed to every help module in its ModuleStartupInfo.
#pragma once

#include "helpmodule.hpp"

enum {
    MODULE_MSG_SIZE = 128,     // the smallest message buffer the modules pass
    LANGUAGE_NAME_SIZE = 512,  // FARLANG of this length or longer reads as "English"
    LANG_SECTION_SIZE = 32767, // a language section's lines, each cut to a message, go into this
    LANG_FILE_LIMIT = 4 << 20, // a larger file is no language file
};

// The module's message n in the language of FARLANG from its .lvg file, cut to
// MODULE_MSG_SIZE - 1 characters; returns the copied length (0: none, dest empty).
int WINAPI GetModuleMsg(const char* langFile, int n, char* dest);
// Dialog procedure for module dialogs opened with DialogEx and the module's path
// as Param: F1 shows the topic from the module's own help file.
long WINAPI ModuleDlgProc(HANDLE hDlg, int msg, int param1, long param2);
// Far's Menu with F1 (or the caller's first break key) showing the module's help
// topic and the menu coming back.
int WINAPI ModuleMenu(const char* modulePath, int pluginNumber, int x, int y, int maxHeight, DWORD flags,
                      const char* title, const char* bottom, const char* helpTopic, const int* breakKeys,
                      int* breakCode, const FarMenuItem* items, int itemsNumber);
// In-place conversion between OEM and the named encoding: "" / "OEM" leave the
// text, "WIN" converts (ANSI); any other name changes nothing and gives 0.
int WINAPI OemToEncoding(char* buffer, int length, const char* encoding);
int WINAPI EncodingToOem(char* buffer, int length, const char* encoding);

// The current module-text language: FARLANG, or "English" when it is missing or
// LANGUAGE_NAME_SIZE characters or longer. buffer holds LANGUAGE_NAME_SIZE.
void GetModuleLanguage(char* buffer);
