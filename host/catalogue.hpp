// The help-file catalogue: the user's list of help files, kept only as numbered
// REG_SZ values on the settings key ("Desc0", "Type0", ... "Encoding0",
// "Desc1", ...), read and written one entry at a time by index.
#pragma once

#include <windows.h>

enum {
    CATALOGUE_MAX = 26, // entries A-Z
    CATALOGUE_FIELD_SIZE = 512,
    CATALOGUE_FLAGS_SIZE = 20,
    CATALOGUE_ENCODING_SIZE = 128,
};

struct CatalogueEntry {
    char Desc[CATALOGUE_FIELD_SIZE]; // a missing Desc ends the catalogue
    char Type[CATALOGUE_FIELD_SIZE]; // help type name; empty: choose by the file's name
    char File[CATALOGUE_FIELD_SIZE];
    char Keyword[CATALOGUE_FIELD_SIZE];
    char Mask[CATALOGUE_FIELD_SIZE];        // masks that tie the entry to edited files
    char Flags[CATALOGUE_FLAGS_SIZE];       // option states (optionstate.hpp)
    char Encoding[CATALOGUE_ENCODING_SIZE]; // "AUTO", "OEM" or "WIN"
};

// Desc of entry n into desc; false (nothing more read) when it cannot be read.
// Otherwise its Mask (empty when missing) into mask. Both buffers hold 512.
bool ReadEntryHead(int n, char* desc, char* mask);
// All seven values; a missing one reads as its default (empty, Encoding "AUTO").
bool ReadEntry(int n, CatalogueEntry* entry);
void WriteEntry(const CatalogueEntry* entry, int n);
// Only the Type of entry n.
void WriteEntryType(int n, const char* type);
void DeleteEntry(int n);
// Moves every entry after n down one index and deletes the highest of count.
void RemoveEntry(int n, int count);
void SwapEntries(int n, int m);

// True when mask, a ProcessName mask list, matches the name part of file; an
// empty mask never matches.
bool MaskMatchesFile(const char* mask, const char* file);
// Called for each entry in index order while the catalogue is counted.
typedef void (*CatalogueVisitor)(int n, const char* desc, void* context);
// The number of entries (at most CATALOGUE_MAX). With an edited file, *matching
// gets the index of the first entry whose Mask matches it, or -1. visit, when
// given, sees every counted entry's Desc.
int ReadCatalogue(const char* editedFile, int* matching, CatalogueVisitor visit, void* context);
