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
// Where the index goes when the dictionary's folder cannot take it: the user's temporary folder,
// under a name drawn from the dictionary's path, size and time, so that a changed dictionary
// never meets the index of its old self there.
std::string SpareIndexPath(const char* dictionaryPath, int64_t size, int64_t time);

// Writes the index of the dictionary into index (open for writing, empty, at its start):
// the header is skipped up to the first line that begins with "'c", then every run of the body
// gets one entry. entries (may be null) receives the count. NoBodyStart when no line begins
// with "'c" (nothing written), CreateIndex when a write fails, ReadFailed when the dictionary
// does, OpenDictionary when it is too large for 32-bit offsets.
Error BuildIndex(LineReader& dictionary, File& index, CompareFn compare, long* entries);

// Opens the dictionary's index for reading: "%s.hsh" beside it, else the spare one, as long as it
// fits the dictionary (IndexFits); otherwise (or with rebuild) builds it anew, beside the
// dictionary when its folder takes it, else in the spare place. A build writes into "<index>.new"
// and renames that into place only when it is whole, so no half-built or empty index is ever
// left to be trusted: a dictionary without a body leaves nothing and fails with NoBodyStart
// every time. *built (may be null) tells whether this call built it.
// *usedPath (may be null) receives the index file's path.
Error OpenIndex(const char* dictionaryPath, LineReader& dictionary, File* index, CompareFn compare,
                const BuildNotice* notice, bool rebuild = false, bool* built = nullptr,
                std::string* usedPath = nullptr);

// Checks an index that fits by every outward sign against its dictionary: builds the index anew
// beside it ("<indexPath>.new", under the notice) and puts it in place when it differs from the
// one at indexPath, else drops it. index (closed on entry) is opened on the index in place.
// *changed (may be null) tells whether it differed.
Error CheckIndex(const std::string& indexPath, LineReader& dictionary, File* index, CompareFn compare,
                 const BuildNotice* notice, bool* changed = nullptr);

// An index is checked against its dictionary at most once per run of the program for each state
// of the two files (path, sizes, times): a lookup of a pair that has no entry must not read the
// whole dictionary every time. The first two note and ask for the current state of both files.
void NoteIndexChecked(const char* dictionaryPath, File& dictionary, File& index);
bool IndexChecked(const char* dictionaryPath, File& dictionary, File& index);
// Forgets every check (for the tests: each plays one run of its own).
void ResetIndexChecks();

// Whether an index file fits the dictionary it is opened with, by what can be checked without
// reading the dictionary through: it is no older than the dictionary, it is not empty and ends
// with a line end, every entry has a key and an offset, the offsets rise and lie inside the
// dictionary, the first key is the body's "'c", and the last entry's run goes on to the end of
// the dictionary (a build that stopped part-way fails here). The index is left at its start.
bool IndexFits(File& indexFile, LineReader& index, File& dictionaryFile, LineReader& dictionary,
               CompareFn compare);

// Finds the first entry whose key equals the keyword's first two characters and positions the
// dictionary at its offset. The offset must lie inside the dictionary, at the start of a line
// that begins with the key and starts its run (the nearest line before it that could start a
// run has another key); otherwise BadOffset, never a line from elsewhere or the middle of a run.
Error FindRun(LineReader& index, LineReader& dictionary, int64_t dictionarySize, const char* keyword,
              CompareFn compare);

// atoi's reading of an entry's offset (leading blanks, a sign, digits; the rest ignored), but
// false for no digits, a negative number or one above OffsetLimit.
bool ParseOffset(const char* text, int64_t* offset);

} // namespace dravel
