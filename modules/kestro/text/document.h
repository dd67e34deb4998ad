// The text view's tree (private to text/): what the tree builder makes of a page and the layout
// reads. Blocks only: inline elements leave no node, text lives in one buffer with its whitespace
// already collapsed, and '\n' in a run of flowing text is a forced line break.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace htmltext {

enum {
    MaxSpan = 64, // of colspan and rowspan
};

const char32_t LineBreak = '\n';

enum Kind : uint8_t {
    KindRoot,
    KindBlock, // div and its like: on lines of its own
    KindPara,  // p: with blank lines around
    KindHeading,
    KindList,
    KindItem,
    KindDefList,
    KindTerm,
    KindDefinition,
    KindQuote,
    KindPre,
    KindRule,
    KindTable,
    KindRow,
    KindCell,
    KindCaption,
    KindText, // a run of text
};

struct Node {
    uint8_t Kind;
    uint8_t Level;    // heading: 1..6; list: its nesting depth from 1
    uint8_t Style;    // list: '1', 'a', 'A', 'i', 'I', or 0 for bullets; text: 1 when preformatted;
                      // row and cell: 't', 'm' or 'b', its vertical alignment
    uint8_t Measured; // Min and Max are set
    int32_t Parent, First, Last, Next;
    uint32_t Start, Length; // text: its characters in Document::Text
    int32_t Number;         // list: the next item's number; item: its own
    uint16_t ColSpan, RowSpan;
    uint32_t Min, Max; // the narrowest width it can take (its longest word) and its widest line
};

struct Document {
    std::vector<Node> Nodes;
    std::u32string Text;
    bool Cut = false; // the page passed MaxTextChars or MaxTextBlocks and was read no further
};

} // namespace htmltext
