// The help-file menu: the three fixed commands and the catalogue entries, with
// the entry editor, removal, moves and the two marks ('+' active, '*' selected).
// OpenPlugin shows it first and acts on the command it returns.
#pragma once

#include "far.hpp"

// Shows the menu until a command or an entry is accepted or the menu is left.
// file (512) holds the edited file's name on entry when openFrom is OPEN_EDITOR
// (for the entries' masks), otherwise "". On return, for commands 0 and 1 the
// buffers hold the active entry, for 4 the accepted one; for 2 and -1 they are
// empty: file, keyword, title (512 each), flags (20), encoding (128), type (512).
// editor is used only from the editor, for its EditorID. *entry (when given) gets the index of
// the catalogue entry the buffers hold, or -1.
// Result: -1 left with Esc; 0, 1, 2 a fixed command; 4 a catalogue entry.
int ShowHelpFileMenu(char* file, char* keyword, int openFrom, const EditorInfo* editor, char* title,
                     char* flags, char* encoding, char* type, int* entry = nullptr);
