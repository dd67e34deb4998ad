// The text ranges taken from the editor's current line: the word nearest the
// cursor (the keyword of a help request), a usable selection, and the run of
// non-blank characters around the cursor that the shell is asked to open.
// Pure logic over a line buffer, so it builds and is tested without the host.
#pragma once

#include "worddelim.hpp"

// The word at or nearest to cursor within [*start, *end) of text (length
// characters; index length counts as the end of the line, never read). On
// success the range is in *start and *end; otherwise both are -1. Ties between
// a word on the left and one on the right go to the left.
bool FindWordAt(const WordDelimiters* delimiters, const char* text, int length, int cursor, int* start,
                int* end);

// The selected part of a line as ECTL_GETSTRING reports it (selStart -1: no
// selection; selEnd -1: to the end of the line). False when nothing usable is
// selected on this line: no selection, an empty one, or one that starts at or
// past the line's end. The end is kept within the line.
bool SelectionRange(int selStart, int selEnd, int length, int* start, int* end);

// The characters around cursor up to the nearest TAB or space on each side
// (only those two separate here). False when the line is empty, the cursor is
// at or past its end, or the cursor stands on a TAB or space.
bool FindShellRange(const char* text, int length, int cursor, int* start, int* end);
