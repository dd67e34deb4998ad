// The word-delimiter set (see worddelim.hpp).
#include "worddelim.hpp"

#include <string.h>

void CompleteWordDelimiters(WordDelimiters* set, int hostCount) {
    if (hostCount < 0) hostCount = 0;
    if (hostCount > HOST_WORDDIV_MAX) hostCount = HOST_WORDDIV_MAX;
    memcpy(set->Chars + hostCount, " \n\r\t", WORD_DELIMITERS_APPENDED);
    set->Count = hostCount + WORD_DELIMITERS_APPENDED;
}

bool IsWordChar(const WordDelimiters* set, char c) {
    return !memchr(set->Chars, c, (size_t)set->Count);
}
