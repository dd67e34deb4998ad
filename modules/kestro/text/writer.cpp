// The text view's writer (see writer.h): words filled into lines at a width, lines put as they
// are, list markers right-aligned to the indentation, and the blank lines between blocks: never
// two in a row, none first or last, no trailing blanks.
#include "text/writer.h"

#include "text/charsets.h"

namespace htmltext {

// Ends the open line; level 2 asks for a blank line before whatever comes next.
void Writer::Break(int level) {
    if (Open) End(false);
    Pending = std::max(Pending, level);
}

// A word, after a space; or, `glued`, a part of one that may start a line of its own.
void Writer::Word(const char32_t* w, size_t n, bool glued) {
    if (!Open) {
        Begin();
    } else if (HasText) {
        if (Line.size() + (glued ? 0 : 1) + n > Width) {
            End(false);
            Begin();
        } else if (!glued) {
            Line.push_back(' ');
        }
    }
    Line.append(w, n);
    HasText = true;
}

void Writer::ForcedBreak() {
    if (!Open) Begin();
    End(false);
}

// A line as it is: of a preformatted block (verbatim) or laid out already.
void Writer::Put(const char32_t* s, size_t n, bool verbatim) {
    Begin();
    Line.append(s, n);
    End(verbatim);
}

// The list marker of the next line: right-aligned to the indentation.
void Writer::SetMarker(const std::u32string& marker) {
    if (MarkerPending) ForcedBreak(); // an item with nothing before the next one's marker
    Marker = marker;
    MarkerPending = true;
}

// Ends the text. A table cell keeps the empty lines it ends with (a "<br>" after its last
// block), which make its row taller, as in a browser.
void Writer::Finish(bool keepTrailingEmpty) {
    if (Open) End(false);
    while (!keepTrailingEmpty && !Lines.empty() && Lines.back().empty())
        Lines.pop_back();
    size_t first = 0;
    while (first < Lines.size() && Lines[first].empty())
        first++;
    Lines.erase(Lines.begin(), Lines.begin() + static_cast<std::ptrdiff_t>(first));
}

void Writer::Begin() {
    if (Pending == 2 && !LastEmpty) {
        Lines.emplace_back();
        LastEmpty = true;
    }
    Pending = 0;
    Line.assign(Indent, ' ');
    if (MarkerPending) {
        if (Marker.size() <= Indent)
            Line.replace(Indent - Marker.size(), Marker.size(), Marker);
        else
            Line = Marker;
        MarkerPending = false;
    }
    Open = true;
    HasText = false;
}

void Writer::End(bool verbatim) {
    Open = false;
    for (char32_t& c : Line)
        if (c == NoBreakSpace) c = ' ';
    size_t end = Line.size();
    while (end > 0 && Line[end - 1] == ' ')
        end--;
    Line.resize(end);
    if (end == 0 && !verbatim && LastEmpty) return;
    LastEmpty = end == 0;
    Lines.push_back(Line);
}

} // namespace htmltext
