// Keyword capture and shell open over the editor's current line (see
// editorword.hpp); the ranges themselves come from wordfind.
#include "editorword.hpp"

#include "heap.hpp"
#include "lumivo.hpp"
#include "wordfind.hpp"

#include <shellapi.h>

namespace {

// The cursor's line; false when the editor refuses it.
bool CurrentLine(EditorGetString* line) {
    MemFill(line, 0, sizeof *line);
    line->StringNumber = -1;
    if (!Info.EditorControl(ECTL_GETSTRING, line)) return false;
    // A line without text is an empty line, whatever length comes with it.
    if (!line->StringText || line->StringLength < 0) line->StringLength = 0;
    return true;
}

// A heap copy of [start, end) converted from the editor's character table to OEM.
char* CopyRange(const EditorGetString& line, int start, int end) {
    int length = end - start;
    char* text = (char*)HeapAllocZero((size_t)length + 1);
    if (!text) return nullptr;
    MemCopy(text, line.StringText + start, (size_t)length);
    EditorConvertText convert = {text, length};
    Info.EditorControl(ECTL_EDITORTOOEM, &convert);
    return text;
}

} // namespace

KeywordCapture CaptureKeyword(int cursor, char** keyword) {
    *keyword = nullptr;
    EditorGetString line;
    if (!CurrentLine(&line)) return CAPTURE_REFUSED;
    int start = 0, end = line.StringLength;
    if (!SelectionRange(line.SelStart, line.SelEnd, line.StringLength, &start, &end) &&
        !FindWordAt(&WordDiv, line.StringText, line.StringLength, cursor, &start, &end))
        return CAPTURE_NONE;
    *keyword = CopyRange(line, start, end);
    return *keyword ? CAPTURE_FOUND : CAPTURE_NONE;
}

void ShellOpenWord(int cursor) {
    EditorGetString line;
    if (!CurrentLine(&line)) return;
    int start = 0, end = 0;
    if (!SelectionRange(line.SelStart, line.SelEnd, line.StringLength, &start, &end) &&
        !FindShellRange(line.StringText, line.StringLength, cursor, &start, &end))
        return;
    char* text = CopyRange(line, start, end);
    if (!text) return;
    // Far's process works in OEM; the shell takes ANSI.
    OemToCharBuffA(text, text, (DWORD)(end - start));
    ShellExecuteA(GetDesktopWindow(), "open", text, nullptr, nullptr, SW_SHOWNORMAL);
    HeapFreeBlock(text);
}
