// The text view's block layout (see layout.h): the tree's blocks as lines: flowing text wrapped
// (a long "Name(Type, Type)" may break before its parenthesis), preformatted text as it is,
// paragraphs and headings with blank lines around (the first two heading levels underlined),
// quotations and definitions indented, list items behind their bullets or numbers, rules across
// the width. Tables are tablelayout.cpp's.
#include "text/layout.h"

#include <algorithm>

namespace htmltext {
namespace {

const char32_t Bullets[3] = {0x2022, 0x25E6, 0x25AA};
const char32_t RuleChar = 0x2500;

} // namespace

void Layout::Block(int32_t index, Writer& w) {
    if (w.Full()) return; // the page is cut: nothing more is laid out
    Node& n = At(index);
    switch (n.Kind) {
    case KindText:
        if (n.Style)
            Preformatted(n, w);
        else
            Flow(n, w);
        return;
    case KindPara:
    case KindPre:
        Framed(index, w, 2, 0);
        return;
    case KindQuote:
        Framed(index, w, 2, IndentStep);
        return;
    case KindHeading:
        Heading(index, w);
        return;
    case KindList:
    case KindDefList:
        List(index, w);
        return;
    case KindItem:
        Item(index, w, IndentStep);
        return;
    case KindDefinition:
        Framed(index, w, 1, IndentStep);
        return;
    case KindRule: {
        w.Break(1);
        std::u32string rule(w.Available(), Shown(RuleChar));
        w.Put(rule.data(), rule.size(), false);
        w.Break(1);
        return;
    }
    case KindTable:
        Table(index, w);
        return;
    default: // root, block, term, row, cell, caption
        Framed(index, w, 1, 0);
        return;
    }
}

// The children on lines of their own, indented: with blank lines around for level 2.
void Layout::Framed(int32_t index, Writer& w, int level, unsigned indent) {
    w.Break(level);
    unsigned step = Indent(w, indent);
    Children(index, w);
    w.Break(level);
    w.Indent -= step;
}

void Layout::Children(int32_t index, Writer& w) {
    for (int32_t c = At(index).First; c >= 0; c = At(c).Next)
        Block(c, w);
}

// The character as the target writes it: itself, or its stand-in's first character.
char32_t Layout::Shown(char32_t c) const {
    if (!Target || TargetByte(*Target, c) >= 0) return c;
    const char* standIn = StandIn(c);
    return standIn ? static_cast<unsigned char>(standIn[0]) : '?';
}

// Indents by `step`, or less where that would leave too narrow a text; returns what it did.
unsigned Layout::Indent(Writer& w, unsigned step) {
    unsigned room = w.Width > w.Indent + MinTextWidth ? w.Width - w.Indent - MinTextWidth : 0;
    step = std::min(step, room);
    w.Indent += step;
    return step;
}

void Layout::Flow(const Node& n, Writer& w) {
    const char32_t* p = D.Text.data() + n.Start;
    const char32_t* end = p + n.Length;
    while (p < end) {
        if (*p == ' ') {
            p++;
        } else if (*p == LineBreak) {
            w.ForcedBreak();
            p++;
        } else {
            const char32_t* q = WordPart(p, end);
            w.Word(p, static_cast<size_t>(q - p));
            while (q < end && *q == '(') { // "Name(Type, Type)" may break before the parenthesis
                const char32_t* r = WordPart(q, end);
                w.Word(q, static_cast<size_t>(r - q), true);
                q = r;
            }
            p = q;
        }
    }
}

// The end of the part of a word that starts at p: the word's end or its next '('.
const char32_t* Layout::WordPart(const char32_t* p, const char32_t* end) {
    const char32_t* q = p + 1;
    while (q < end && *q != ' ' && *q != LineBreak && *q != '(')
        q++;
    return q;
}

void Layout::Preformatted(const Node& n, Writer& w) {
    const char32_t* p = D.Text.data() + n.Start;
    const char32_t* end = p + n.Length;
    while (p < end) {
        const char32_t* q = p;
        while (q < end && *q != LineBreak)
            q++;
        w.Put(p, static_cast<size_t>(q - p), true);
        p = q < end ? q + 1 : q;
    }
}

void Layout::Heading(int32_t index, Writer& w) {
    w.Break(2);
    size_t first = w.Text.size();
    Children(index, w);
    w.Break(1);
    unsigned level = At(index).Level;
    if (level <= 2) {
        size_t longest = 0;
        for (size_t i = first, end; i < w.Text.size(); i = end + 1) {
            end = w.Text.find('\n', i);
            longest = std::max(longest, end - i > w.Indent ? end - i - w.Indent : 0);
        }
        if (longest) {
            std::u32string underline(std::min<size_t>(longest, w.Available()), level == 1 ? '=' : '-');
            w.Put(underline.data(), underline.size(), false);
        }
    }
    w.Break(2);
}

std::u32string Layout::Marker(const Node& list, int32_t number) const {
    std::u32string marker;
    if (!list.Style) {
        marker.push_back(Shown(Bullets[(list.Level ? list.Level - 1 : 0) % 3]));
        marker.push_back(' ');
        return marker;
    }
    std::string digits;
    if ((list.Style == 'a' || list.Style == 'A') && number > 0) {
        for (int32_t k = number; k > 0; k = (k - 1) / 26)
            digits.insert(digits.begin(), static_cast<char>((list.Style == 'a' ? 'a' : 'A') + (k - 1) % 26));
    } else if ((list.Style == 'i' || list.Style == 'I') && number > 0 && number < 4000) {
        static const char* const symbols[] = {"m",  "cm", "d",  "cd", "c",  "xc", "l",
                                              "xl", "x",  "ix", "v",  "iv", "i"};
        static const int values[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
        for (int k = 0, left = number; k < 13; k++)
            for (; left >= values[k]; left -= values[k])
                digits += symbols[k];
        if (list.Style == 'I')
            for (char& c : digits)
                c = static_cast<char>(c - 32);
    } else {
        digits = std::to_string(number);
    }
    for (char c : digits)
        marker.push_back(static_cast<unsigned char>(c));
    marker += U". ";
    return marker;
}

void Layout::List(int32_t index, Writer& w) {
    Node& list = At(index);
    w.Break(ListNesting ? 1 : 2);
    ListNesting++;
    unsigned step = IndentStep;
    if (list.Kind == KindList && list.Style)
        for (int32_t c = list.First; c >= 0; c = At(c).Next)
            if (At(c).Kind == KindItem)
                step = std::max<unsigned>(step, static_cast<unsigned>(Marker(list, At(c).Number).size()));
    for (int32_t c = list.First; c >= 0; c = At(c).Next) {
        if (At(c).Kind == KindItem) {
            Item(c, w, step);
        } else if (list.Kind == KindList) { // text or blocks between the items
            unsigned applied = Indent(w, step);
            Block(c, w);
            w.Indent -= applied;
        } else {
            Block(c, w);
        }
    }
    ListNesting--;
    w.Break(ListNesting ? 1 : 2);
}

void Layout::Item(int32_t index, Writer& w, unsigned step) {
    Node& item = At(index);
    w.Break(1);
    unsigned applied = Indent(w, step);
    const Node& list = At(item.Parent);
    w.SetMarker(Marker(list.Kind == KindList ? list : item, item.Number));
    Children(index, w);
    w.Break(1);
    w.Indent -= applied;
}

} // namespace htmltext
