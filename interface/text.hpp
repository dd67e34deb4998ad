// Bounded copies of NUL-terminated texts into the fixed character arrays of Far's and the
// help-module interface's records.
#pragma once

#include <stddef.h>

// Copies at most size - 1 characters and always terminates the copy (nothing for size 0).
// A null source copies as an empty text.
void CopyText(char* to, const char* from, size_t size);
