// The editor's side of a request: the keyword taken from the current line (the
// selection or the word nearest the cursor) and the shell's "open" on the text
// around the cursor. Both read the line through Far's EditorControl.
#pragma once

enum KeywordCapture {
    CAPTURE_REFUSED, // the editor would not hand over its current line
    CAPTURE_NONE,    // no selection and no word near the cursor
    CAPTURE_FOUND,
};

// The selection or the word nearest cursor as a new heap text in OEM.
KeywordCapture CaptureKeyword(int cursor, char** keyword);
// Hands the selection, or the blank-separated text around cursor, to the shell's
// "open" verb. Silent when there is nothing to open or the shell fails.
void ShellOpenWord(int cursor);
