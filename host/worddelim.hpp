// The word-delimiter set: Far's editor delimiters followed by space, LF, CR and
// TAB, and the terminating NUL, which counts as a delimiter too so that the end
// of an editor line always ends a word.
#pragma once

enum {
    HOST_WORDDIV_MAX = 255,       // Far keeps its set in 256 bytes
    WORD_DELIMITERS_APPENDED = 5, // space, LF, CR, TAB, NUL
    WORD_DELIMITERS_SIZE = 512,   // room for the host's set, its NUL and ours
};

struct WordDelimiters {
    char Chars[WORD_DELIMITERS_SIZE]; // the host writes its set here first
    int Count;                        // characters that count, the final NUL included
};

// Completes the set after the host has written hostCount characters into Chars
// (a count outside 0..HOST_WORDDIV_MAX is taken as 0 or cut to the maximum).
void CompleteWordDelimiters(WordDelimiters* set, int hostCount);
bool IsWordChar(const WordDelimiters* set, char c);
