// The line reader exactly as the dictionary format describes it: note the position, read up to
// size - 1 bytes, cut at the first CR or LF, step over one line end (a CR LF or LF CR pair as
// one). One seek and one read per line: the reference the buffered reader is held against, for
// lines shorter than the buffer (longer ones are where the buffered reader deliberately differs).
#pragma once

#include <stdint.h>

#include "fileio.h"

inline bool LiteralReadLine(dravel::File& file, int64_t* position, char* buffer, int size, int* length) {
    *length = 0;
    buffer[0] = '\0';
    if (!file.Seek(*position)) return false;
    int got = file.Read(buffer, size - 1);
    if (got <= 0) return false;
    int i = 0;
    while (i < got && buffer[i] != '\r' && buffer[i] != '\n')
        ++i;
    int64_t next = *position + i + 1;
    if (i + 1 < got) {
        char other = buffer[i] == '\r' ? '\n' : '\r';
        if (buffer[i + 1] == other) ++next;
    }
    buffer[i] = '\0';
    *length = i;
    *position = next;
    return true;
}
