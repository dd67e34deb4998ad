// The text view's writer (see writer.h): words filled into lines at a width, lines put as they
// are, list markers right-aligned to the indentation, and the blank lines between blocks: never
// two in a row, none first or last, no trailing blanks. The lines are kept in one buffer.
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
    if (Full()) return;
    if (!Open) {
        if (!Begin()) return;
    } else if (HasText) {
        if (Text.size() - LineStart + (glued ? 0 : 1) + n > Width) {
            End(false);
            if (!Begin()) return;
        } else if (!glued) {
            if (!Room(1)) return;
            Text.push_back(' ');
        }
    }
    Text.append(w, Room(n));
    Count();
    HasText = true;
}

void Writer::ForcedBreak() {
    if (Full()) return;
    if (!Open && !Begin()) return;
    End(false);
}

// A line as it is: of a preformatted block (verbatim) or laid out already.
void Writer::Put(const char32_t* s, size_t n, bool verbatim) {
    if (Full() || !Begin()) return;
    Text.append(s, Room(n));
    Count();
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
    while (!keepTrailingEmpty && !Text.empty() && (Text.size() == 1 || Text[Text.size() - 2] == '\n')) {
        Text.pop_back();
        LineCount--;
    }
    size_t first = 0;
    while (first < Text.size() && Text[first] == '\n')
        first++;
    Text.erase(0, first);
    LineCount -= first;
    Count();
}

// How many of n more characters fit the budget: all of them, or what is left of it, which
// spends it.
size_t Writer::Room(size_t n) {
    Count();
    size_t left = Budget->Used < Budget->Limit ? Budget->Limit - Budget->Used : 0;
    if (n <= left) return n;
    Budget->Cut = true;
    return left;
}

void Writer::Count() {
    Budget->Used = Budget->Used - Charged + Text.size();
    Charged = Text.size();
}

bool Writer::Begin() {
    if (Pending == 2 && !LastEmpty) {
        if (!Room(1)) return false;
        Text.push_back('\n');
        LineCount++;
        LastEmpty = true;
    }
    Pending = 0;
    size_t width = std::max<size_t>(Indent, MarkerPending ? Marker.size() : 0);
    if (Room(width) < width) return false;
    LineStart = Text.size();
    Text.append(Indent, ' ');
    if (MarkerPending) {
        if (Marker.size() <= Indent) {
            Text.replace(LineStart + Indent - Marker.size(), Marker.size(), Marker);
        } else {
            Text.resize(LineStart);
            Text += Marker;
        }
        MarkerPending = false;
    }
    Count();
    Open = true;
    HasText = false;
    return true;
}

// Ends the open line; its '\n' is written even when the budget is spent, so that a cut text
// still ends in a whole line.
void Writer::End(bool verbatim) {
    Open = false;
    for (size_t i = LineStart; i < Text.size(); i++)
        if (Text[i] == NoBreakSpace) Text[i] = ' ';
    size_t end = Text.size();
    while (end > LineStart && Text[end - 1] == ' ')
        end--;
    Text.resize(end);
    if (end == LineStart && !verbatim && LastEmpty) {
        Count();
        return;
    }
    LastEmpty = end == LineStart;
    Text.push_back('\n');
    LineCount++;
    Count();
}

} // namespace htmltext
