// The editor selection memory: which help-file menu position the user last chose
// in each editor window, keyed by Far's editor id. An unbalanced binary search
// tree whose nodes each own a heap copy of their (id, position) pair.
#pragma once

#include "memhooks.hpp"

struct EditorChoice {
    int EditorId;
    int Position;
};

struct EditorChoiceNode {
    EditorChoice* Pair;
    EditorChoiceNode* Parent;
    EditorChoiceNode* Smaller; // subtree of smaller editor ids
    EditorChoiceNode* Greater; // subtree of greater editor ids
};

struct EditorChoiceMemory {
    EditorChoiceNode* Root;
    const MemoryHooks* Memory;
};

// Inserts the pair or replaces the stored one (the old copy is freed, a new one
// made). Returns false, with the map unchanged, when an allocation fails.
bool RememberEditorChoice(EditorChoiceMemory* map, int editorId, int position);
// True and the remembered position, or false when the editor is not known.
bool LookUpEditorChoice(const EditorChoiceMemory* map, int editorId, int* position);
// Removes the editor's pair; an id that is not present is ignored.
void ForgetEditor(EditorChoiceMemory* map, int editorId);
