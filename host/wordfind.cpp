// Ranges of the editor's current line (see wordfind.hpp). The editor hands a
// NUL after the line's last character, but nothing here relies on it: every
// index at or past the length reads as that NUL, a delimiter.
#include "wordfind.hpp"

namespace {

struct Line {
    const WordDelimiters* Delimiters;
    const char* Text;
    int Length;

    bool Word(int i) const { return IsWordChar(Delimiters, i >= 0 && i < Length ? Text[i] : '\0'); }
    // From a word character at i, the start of its word (not below lo).
    int StartOf(int i, int lo) const {
        while (i > lo && Word(i - 1))
            i--;
        return i;
    }
    // From i, the first position that is no word character (not beyond hi).
    int EndFrom(int i, int hi) const {
        while (i < hi && Word(i))
            i++;
        return i;
    }
};

bool Fail(int* start, int* end) {
    *start = *end = -1;
    return false;
}

} // namespace

bool FindWordAt(const WordDelimiters* delimiters, const char* text, int length, int cursor, int* start,
                int* end) {
    int lo = *start < 0 ? 0 : *start;
    int hi = *end;
    if (!text || length <= 0 || lo >= length) return Fail(start, end);
    if (hi > length) hi = length;
    if (hi <= lo) return Fail(start, end);
    if (cursor < lo) cursor = lo;
    if (cursor > hi) cursor = hi; // past the end: on the line's final NUL

    const Line line = {delimiters, text, length};
    if (cursor < hi && line.Word(cursor)) {
        *start = line.StartOf(cursor, lo);
        *end = line.EndFrom(cursor, hi);
        return true;
    }

    // The nearest word character on each side; a side without one has no distance.
    int left = 0, right = 0;
    for (int d = 1; cursor - d >= lo && !left; d++)
        if (line.Word(cursor - d)) left = d;
    // Only positions inside the bounds can start a word on the right.
    for (int d = 1; cursor + d < hi && !right; d++)
        if (line.Word(cursor + d)) right = d;
    if (!left && !right) return Fail(start, end);

    if (right && (!left || right < left)) {
        *start = cursor + right;
        *end = line.EndFrom(*start, hi);
    } else {
        *end = cursor - left + 1;
        *start = line.StartOf(cursor - left, lo);
    }
    return true;
}

bool SelectionRange(int selStart, int selEnd, int length, int* start, int* end) {
    // A column block reports its columns even on lines too short to reach them.
    if (selStart < 0 || selStart == selEnd || selStart >= length) return false;
    int stop = selEnd == -1 || selEnd > length ? length : selEnd;
    if (stop <= selStart) return false;
    *start = selStart;
    *end = stop;
    return true;
}

bool FindShellRange(const char* text, int length, int cursor, int* start, int* end) {
    if (!text || cursor < 0 || length <= cursor) return false;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    int left = cursor;
    while (left >= 0 && !blank(text[left]))
        left--;
    int right = cursor;
    while (right < length && !blank(text[right]))
        right++;
    if (left == right) return false;
    *start = left + 1;
    *end = right;
    return true;
}
