// The help-file catalogue over the settings store (see catalogue.hpp). Failures
// are silent: a value that cannot be read is its default.
#include "catalogue.hpp"

#include "heap.hpp"
#include "lumivo.hpp"

#include <stddef.h>

struct CatalogueField {
    const char* Format; // value name with the entry's index
    size_t Offset;
    DWORD Size;
    const char* Default;
};

// In the order every operation reads, writes and deletes them.
static const CatalogueField Fields[] = {
    {"Desc%d", offsetof(CatalogueEntry, Desc), CATALOGUE_FIELD_SIZE, ""},
    {"Type%d", offsetof(CatalogueEntry, Type), CATALOGUE_FIELD_SIZE, ""},
    {"File%d", offsetof(CatalogueEntry, File), CATALOGUE_FIELD_SIZE, ""},
    {"Keyword%d", offsetof(CatalogueEntry, Keyword), CATALOGUE_FIELD_SIZE, ""},
    {"Mask%d", offsetof(CatalogueEntry, Mask), CATALOGUE_FIELD_SIZE, ""},
    {"Flags%d", offsetof(CatalogueEntry, Flags), CATALOGUE_FLAGS_SIZE, ""},
    {"Encoding%d", offsetof(CatalogueEntry, Encoding), CATALOGUE_ENCODING_SIZE, "AUTO"},
};
enum { FIELD_DESC = 0, FIELD_TYPE = 1, FIELD_MASK = 4, FIELD_COUNT = sizeof Fields / sizeof Fields[0] };

// Large enough for "Encoding" and any int.
typedef char ValueName[32];

static const char* NameOf(ValueName name, int field, int n) {
    FSF.sprintf(name, Fields[field].Format, n);
    return name;
}

static bool ReadField(int field, int n, char* buffer) {
    ValueName name;
    return ReadSetting(NameOf(name, field, n), buffer, Fields[field].Default, Fields[field].Size);
}

bool ReadEntryHead(int n, char* desc, char* mask) {
    if (!ReadField(FIELD_DESC, n, desc)) return false;
    ReadField(FIELD_MASK, n, mask);
    return true;
}

bool ReadEntry(int n, CatalogueEntry* entry) {
    for (int f = 0; f < FIELD_COUNT; f++)
        ReadField(f, n, (char*)entry + Fields[f].Offset);
    return true;
}

void WriteEntry(const CatalogueEntry* entry, int n) {
    ValueName name;
    for (int f = 0; f < FIELD_COUNT; f++)
        WriteSetting(NameOf(name, f, n), (const char*)entry + Fields[f].Offset);
}

void WriteEntryType(int n, const char* type) {
    ValueName name;
    WriteSetting(NameOf(name, FIELD_TYPE, n), type);
}

void DeleteEntry(int n) {
    ValueName name;
    for (int f = 0; f < FIELD_COUNT; f++)
        DeleteSetting(NameOf(name, f, n));
}

// Two working records are over 5 KB; they live on the heap, not on Far's stack.
static CatalogueEntry* NewEntry() {
    return (CatalogueEntry*)HeapAllocZero(sizeof(CatalogueEntry));
}

void RemoveEntry(int n, int count) {
    CatalogueEntry* entry = NewEntry();
    if (!entry) return;
    for (int i = n; i < count - 1; i++) {
        ReadEntry(i + 1, entry);
        WriteEntry(entry, i);
    }
    DeleteEntry(count - 1);
    HeapFreeBlock(entry);
}

void SwapEntries(int n, int m) {
    CatalogueEntry* first = NewEntry();
    CatalogueEntry* second = NewEntry();
    if (first && second) {
        ReadEntry(n, first);
        ReadEntry(m, second);
        WriteEntry(second, n);
        WriteEntry(first, m);
    }
    HeapFreeBlock(first);
    HeapFreeBlock(second);
}

bool MaskMatchesFile(const char* mask, const char* file) {
    // ProcessName does not write to the name with PN_CMPNAMELIST.
    return *mask && FSF.ProcessName(mask, (char*)file, PN_CMPNAMELIST | PN_SKIPPATH) != 0;
}

int ReadCatalogue(const char* editedFile, int* matching, CatalogueVisitor visit, void* context) {
    char desc[CATALOGUE_FIELD_SIZE], mask[CATALOGUE_FIELD_SIZE];
    if (matching) *matching = -1;
    int n = 0;
    while (n < CATALOGUE_MAX && ReadEntryHead(n, desc, mask)) {
        if (visit) visit(n, desc, context);
        if (editedFile && matching && *matching < 0 && MaskMatchesFile(mask, editedFile)) *matching = n;
        n++;
    }
    return n;
}
