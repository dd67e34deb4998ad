// Picks one line of an initialisation-file section as the platform returns it:
// lines one after another, each ended by a NUL, the whole ended by a second NUL.
#pragma once

#include <stddef.h>

// Copies line n (from 0) into dest, cut to destSize - 1 characters, and returns
// the copied length; 0 with dest empty when the section has fewer than n + 1
// lines, n is negative or destSize is 0. length counts the characters the
// platform reported, so a section without its final NUL is read safely.
int PickSectionLine(const char* section, size_t length, int n, char* dest, size_t destSize);
