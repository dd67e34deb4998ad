// Editor selection memory (see editorchoice.hpp). Far hands out editor ids in
// rising order, so the tree degenerates into a list; an editor session holds a
// handful of windows, which keeps that harmless.
#include "editorchoice.hpp"

static EditorChoiceNode* FindNode(EditorChoiceNode* node, int editorId) {
    while (node && node->Pair->EditorId != editorId)
        node = editorId > node->Pair->EditorId ? node->Greater : node->Smaller;
    return node;
}

static EditorChoice* NewPair(const MemoryHooks* memory, int editorId, int position) {
    EditorChoice* pair = (EditorChoice*)memory->Allocate(sizeof(EditorChoice));
    if (pair) {
        pair->EditorId = editorId;
        pair->Position = position;
    }
    return pair;
}

bool RememberEditorChoice(EditorChoiceMemory* map, int editorId, int position) {
    EditorChoiceNode* parent = nullptr;
    EditorChoiceNode** link = &map->Root;
    while (*link) {
        EditorChoiceNode* node = *link;
        if (node->Pair->EditorId == editorId) {
            EditorChoice* pair = NewPair(map->Memory, editorId, position);
            if (!pair) return false;
            map->Memory->Free(node->Pair);
            node->Pair = pair;
            return true;
        }
        parent = node;
        link = editorId > node->Pair->EditorId ? &node->Greater : &node->Smaller;
    }
    EditorChoiceNode* node = (EditorChoiceNode*)map->Memory->Allocate(sizeof(EditorChoiceNode));
    if (!node) return false;
    node->Pair = NewPair(map->Memory, editorId, position);
    if (!node->Pair) {
        map->Memory->Free(node);
        return false;
    }
    node->Parent = parent;
    *link = node;
    return true;
}

bool LookUpEditorChoice(const EditorChoiceMemory* map, int editorId, int* position) {
    EditorChoiceNode* node = FindNode(map->Root, editorId);
    if (!node) return false;
    *position = node->Pair->Position;
    return true;
}

void ForgetEditor(EditorChoiceMemory* map, int editorId) {
    EditorChoiceNode* node = FindNode(map->Root, editorId);
    if (!node) return;
    EditorChoiceNode* replacement;
    if (node->Smaller && node->Greater) {
        // The greater subtree hangs under the greatest node of the smaller one,
        // and the smaller subtree takes the removed node's place.
        EditorChoiceNode* greatest = node->Smaller;
        while (greatest->Greater)
            greatest = greatest->Greater;
        greatest->Greater = node->Greater;
        node->Greater->Parent = greatest;
        replacement = node->Smaller;
    } else {
        replacement = node->Smaller ? node->Smaller : node->Greater;
    }
    if (replacement) replacement->Parent = node->Parent;
    if (!node->Parent)
        map->Root = replacement;
    else if (node->Parent->Smaller == node)
        node->Parent->Smaller = replacement;
    else
        node->Parent->Greater = replacement;
    map->Memory->Free(node->Pair);
    map->Memory->Free(node);
}
