// The dictionary's hash index "%s.hsh": one entry per run of lines that begin with the same two
// characters (case ignored), written "%.2s%d\r\n" from the run's first line and its offset.
#pragma once

#include <stdint.h>

#include <string>

#include "core.h"
#include "fileio.h"
#include "linereader.h"

namespace dravel {

// Shown while an index is built: the module front saves the screen and shows its notice in
// begin, restores the screen in end. Either may be null.
struct BuildNotice {
    void (*begin)(void* context);
    void (*end)(void* context);
    void* context;
};

// The index file's path: the dictionary's path with ".hsh" appended.
std::string IndexPath(const char* dictionaryPath);

// Writes the index of the dictionary into index (open for writing, empty, at its start):
// the header is skipped up to the first line that begins with "'c", then every run of the body
// gets one entry. entries (may be null) receives the count. NoBodyStart when no line begins
// with "'c" (nothing written), CreateIndex when a write fails, ReadFailed when the dictionary
// does, OpenDictionary when it is too large for 32-bit offsets.
Error BuildIndex(LineReader& dictionary, File& index, CompareFn compare, long* entries);

// Opens "%s.hsh" beside the dictionary for reading, building it first when it cannot be opened.
// A failed build removes its partial file, except when the dictionary has no body: that leaves
// the empty index on disk, so that later lookups fail with NoIndexEntry until it is deleted.
Error OpenIndex(const char* dictionaryPath, LineReader& dictionary, File* index, CompareFn compare,
                const BuildNotice* notice);

// Finds the first entry whose key equals the keyword's first two characters and positions the
// dictionary at its offset. The offset must lie inside the dictionary, at the start of a line
// that begins with the key; otherwise BadOffset, never a line from elsewhere.
Error FindRun(LineReader& index, LineReader& dictionary, int64_t dictionarySize, const char* keyword,
              CompareFn compare);

// atoi's reading of an entry's offset (leading blanks, a sign, digits; the rest ignored), but
// false for no digits, a negative number or one above OffsetLimit.
bool ParseOffset(const char* text, int64_t* offset);

} // namespace dravel
