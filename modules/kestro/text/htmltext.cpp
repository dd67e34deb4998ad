// The CHM reader's text view (see htmltext.h): bytes to characters, characters to a tree of
// blocks, the tree to lines. Its parts:
//   decoding.cpp     the page's code page and its bytes as characters
//   tokenizer.cpp    the markup: tags, attributes, comments, raw text, character references
//   treebuilder.cpp  the tree of blocks built from them (document.h), with a target code page's
//                    stand-ins put in as characters enter it
//   blocklayout.cpp  paragraphs, headings, lists, quotations, preformatted text as lines
//   tablelayout.cpp  tables as aligned columns (its own decisions there)
//   writer.cpp       the lines: wrapping, indentation, blank lines
//
// Decisions:
// - The page is decoded whole first (line ends made LF, NUL dropped), then read in one pass
//   that builds a tree of block nodes only. Inline elements (a, b, span, font, code, ...) leave
//   no node: they change nothing in plain text. Text lives in one buffer, whitespace already
//   collapsed; '\n' in a run of flowing text is a forced line break.
// - Broken markup is recovered from as browsers do where that is cheap and costs no text: end
//   tags close what they name within their scope and are ignored otherwise; p, li, dt, dd, tr, td
//   and th close implicitly; a cell, row or list item with no table or list opens one; text
//   between a table's rows gets a cell of its own. Two departures keep text that a browser would
//   lose to a typo: a quoted attribute value never runs past the next '<' (it ends at the first
//   '>' before it), and a self-closed <script/>, <style/> or <title/> is empty.
// - Everything stays linear in the page's size: every scan moves forward, raw text and comments
//   are found with one search each, nesting is capped (deeper blocks and tables read as plain
//   content), and each table cell is measured once and laid out once.
// - Memory stays within the budget htmltext.h states: the tree builder stops at MaxTextChars
//   characters or MaxTextBlocks blocks and keeps only the attributes it reads; the lines go into
//   one buffer that becomes the result, and the writers of a page (its own and its table cells')
//   share one budget of MaxTextChars characters.
#include "text/htmltext.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "text/builder.h"
#include "text/decoding.h"
#include "text/layout.h"

using namespace htmltext;

const char TextCutNote[] = "[The page is cut here: the rest is longer than the text view shows.]";

HtmlTextStatus RenderHtmlText(const unsigned char* page, size_t length, const HtmlTextOptions& options,
                              std::u32string* text) {
    try {
        text->clear();
        unsigned codePage = options.CodePage;
        if (!options.Plain)
            codePage = PageCodePage(page, length, options.CodePage);
        else if (length >= 3 && page[0] == 0xEF && page[1] == 0xBB && page[2] == 0xBF)
            codePage = CodePageUtf8;
        Document document;
        {
            std::u32string source;
            Decode(page, length, codePage, codePage == options.CodePage ? options.UpperHalf : nullptr,
                   &source);
            Builder builder(source, options, &document);
            if (options.Plain)
                builder.Plain();
            else
                builder.Html();
        }
        Layout layout(document, options.Target);
        TextBudget budget = {MaxTextChars};
        Writer writer(std::max<unsigned>(options.Width, MinTextWidth), &budget);
        layout.Block(0, writer);
        writer.Finish();
        text->swap(writer.Text);
        if (document.Cut || budget.Cut) {
            if (!text->empty()) text->push_back('\n');
            for (const char* c = TextCutNote; *c; c++)
                text->push_back(static_cast<unsigned char>(*c));
            text->push_back('\n');
        }
        return HtmlTextDone;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    text->clear();
    text->shrink_to_fit();
    return HtmlTextNoMemory;
}
