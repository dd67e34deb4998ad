// The text of a dictd or StarDict article as the result file shows it: characters in lines ending
// in '\n', ready to be written in the console's code page (TextInTarget) or as UTF-8. dictd's text
// is already laid out and stays as stored; StarDict's fields are shown by type, their markup laid
// out by the CHM reader's HTML-to-text renderer.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "text/charsets.h"
#include "core.h"
#include "stardict.h"

namespace dravel {

// UTF-8 text as characters (a byte that starts no well-formed sequence as the Latin-1 character
// of its value), CR LF and a lone CR as '\n', a NUL as a space.
std::u32string PlainText(const char* text, size_t length);

// The articles of a StarDict headword: each entry's word on a line of its own, then its fields
// with an empty line between them, entries parted by an empty line. Plain types (m, t, y, l and
// any other small letter) as they are, t in brackets; Pango markup (g) and HTML (h) laid out as
// text at the renderer's width with their missing characters measured as target's stand-ins
// (target null: any character); XDXF (x) without its tags; sounds, pictures and other data (the
// capital letters, r) are left out. NoMemory when the text cannot be held.
struct StarDictEntryText {
    std::string word;
    std::vector<StarDictField> fields;
};
Error StarDictText(const std::vector<StarDictEntryText>& entries, const TextTarget* target,
                   std::u32string* text);

} // namespace dravel
