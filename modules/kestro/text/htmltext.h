// The CHM reader's text view: a help page's HTML laid out as plain text lines, as a reader wants
// it in a console editor: head, scripts, styles and comments dropped; paragraphs, headings,
// lists, definition lists, quotations, preformatted blocks and rules as line structure; tables
// as aligned columns when they fit; entities decoded; whitespace collapsed as a browser does;
// text wrapped at a width. The bytes are read in the page's own code page (a byte order mark or
// a meta charset the reader knows, else the help file's), and the text can be bound to a target
// code page, whose missing characters get readable stand-ins before the layout counts columns.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "text/charsets.h"

enum {
    TextViewWidth = 78,
    // A page is cut where its text passes MaxTextChars characters or its tree MaxTextBlocks blocks
    // (paragraphs, rules, list items, table rows and cells, runs of text), its last line then
    // TextCutNote. The largest real help pages come to a few hundred thousand characters and some
    // twenty thousand blocks.
    MaxTextChars = 4000000,
    MaxTextBlocks = 500000,
};

extern const char TextCutNote[];

// The most memory RenderHtmlText takes at its peak for a page of `length` bytes whose text comes
// to `textLength` characters, however the page is made: 4 bytes per byte of the page (its
// characters), 36 per byte of the page but no more than 64 MB in all for the tree and the text in
// it (a block takes 44 bytes for at least 2 bytes of markup; the limits above cap them), and 12 per
// character of the result (4, and 8 more while it grows); so never above 4 bytes per byte of the
// page plus 112 MB.
inline size_t HtmlTextMemoryBudget(size_t length, size_t textLength) {
    const size_t treeCap = size_t(64) << 20;
    size_t tree = length < treeCap / 36 ? 36 * length : treeCap;
    return 4 * length + tree + 12 * textLength + (size_t(256) << 10);
}

struct HtmlTextOptions {
    // The help file's code page (1250, 1251, 1252, CodePageUtf8 or another): used unless the page
    // names its own through a byte order mark, an XML declaration or a meta charset.
    unsigned CodePage = 1252;
    // The upper half of CodePage when BuiltInUpperHalf carries none (the platform's table); null:
    // bytes 0x80..0xFF of such a page are undefined.
    const char32_t* UpperHalf = nullptr;
    // The page the text will be written in, or null for any character (UTF-8).
    const TextTarget* Target = nullptr;
    unsigned Width = TextViewWidth; // columns; at least 20 are used
    bool Plain = false;             // the page is plain text, kept as it is with its tabs expanded
};

enum HtmlTextStatus { HtmlTextDone = 0, HtmlTextNoMemory };

// The page as text: lines ending in '\n', none of them with trailing blanks, no blank line first
// or last and never two in a row outside preformatted blocks; a no-break space comes out as a
// space. Any bytes give some text: broken markup is read the way browsers recover from it.
HtmlTextStatus RenderHtmlText(const unsigned char* page, size_t length, const HtmlTextOptions& options,
                              std::u32string* text);

// The code page the page's bytes are read in: its byte order mark's (CodePageUtf8, or 1200 and
// 1201 for UTF-16 little- and big-endian), else that of the first XML declaration or meta
// charset that names one of the pages CodePageOfCharset knows, else `fallback`.
unsigned PageCodePage(const unsigned char* page, size_t length, unsigned fallback);

// The character of an HTML 4 entity name (case-sensitive, without '&' and ';'), or 0.
char32_t NamedEntity(const char* name, size_t length);

// The options for a page of a help file: read in the code page of the help file's language id
// (SystemLanguageId), and as plain text when its name ends in ".txt". Target and UpperHalf are
// the caller's to set.
HtmlTextOptions TopicPageOptions(const char* path, uint32_t languageId);
