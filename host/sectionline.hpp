// One section of an initialisation file as the platform returns it: lines one after
// another, each ended by a NUL, the whole ended by a second NUL; and one line of it.
#pragma once

#include <stddef.h>

// Copies line n (from 0) into dest, cut to destSize - 1 characters, and returns
// the copied length; 0 with dest empty when the section has fewer than n + 1
// lines, n is negative or destSize is 0. length counts the characters the
// platform reported, so a section without its final NUL is read safely.
int PickSectionLine(const char* section, size_t length, int n, char* dest, size_t destSize);

// Gathers the section `name` (compared without regard to ASCII case; the first section of that
// name; a header is "[name]", a line that opens '[' without closing it is a plain line) of an
// initialisation file's text into out in the platform's form, as the platform reads it: lines
// trimmed of spaces and tabs, blank lines and ';' comments left out, "key = value" closed up to
// "key=value". Only the first maxLines lines are gathered, each cut to lineRoom characters, so
// that one long line costs only itself, not the lines after it; lines that no longer fit in out
// are left out. Returns the length written before the final NUL.
size_t CollectSection(const char* text, size_t length, const char* name, size_t maxLines, size_t lineRoom,
                      char* out, size_t outSize);
