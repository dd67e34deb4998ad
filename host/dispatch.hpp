// A help request from the help-file menu's command to the module that owns the
// help type: choosing the type, the keyword and its dialog, the path, the call,
// the remembered last request and the warning box of a failed one.
#pragma once

#include "helpmodule.hpp"

extern "C" HANDLE WINAPI OpenPlugin(int openFrom, int item);

// The help types of all modules that match key, in table order: by name (the
// host's case-insensitive compare) or by the types' masks against the name part
// of key. *list is a new heap array of *count pointers, or null when none match.
void CollectHelpTypes(const char* key, bool byName, HelpTypeInfo*** list, int* count);
// The keyword dialog; a new heap text, or null when it was cancelled.
char* AskForKeyword(const char* keyword, const char* title);
// Unquotes path (512 characters) and expands its environment variables, in place.
void PreparePath(char* path);
// Sends HM_SHOWHELP to the first type named typeName; its result (1 when no
// module has the type). errorText (128) gets the module's text or message 23.
int DispatchRequest(const char* typeName, const char* file, const char* keyword, DWORD options, int command,
                    const char* encoding, char* errorText);
// The warning box of a failed request, titled with the type's name when given, naming the
// help file (cut to fit) when given.
void ShowError(const char* text, const char* typeName, const char* file);
