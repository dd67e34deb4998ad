// The text view's writer (private to text/): lines of text at a width, built from words, lines
// laid out already and list markers, with the indentation and blank lines the layout asks for.
// The writers of one page (the page's and its table cells') share one budget of characters:
// once it is spent they take nothing more, and the page is cut there.
#pragma once

#include <stddef.h>

#include <algorithm>
#include <string>

namespace htmltext {

// The characters the writers of one page may hold together.
struct TextBudget {
    size_t Limit, Used = 0;
    bool Cut = false; // something did not fit
};

class Writer {
  public:
    Writer(unsigned width, TextBudget* budget) : Width(std::max<unsigned>(width, 1)), Budget(budget) {}
    ~Writer() { Budget->Used -= Charged; }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    std::u32string Text; // the lines, each ending in '\n'
    size_t LineCount = 0;
    unsigned Width;
    unsigned Indent = 0;

    unsigned Available() const { return Width > Indent ? Width - Indent : 1; }
    bool Full() const { return Budget->Cut; }
    TextBudget* Shared() const { return Budget; }

    void Break(int level);
    void Word(const char32_t* w, size_t n, bool glued = false);
    void ForcedBreak();
    void Put(const char32_t* s, size_t n, bool verbatim);
    void SetMarker(const std::u32string& marker);
    void Finish(bool keepTrailingEmpty = false);

  private:
    TextBudget* Budget;
    size_t Charged = 0;   // of Budget->Used: Text.size() when last counted
    size_t LineStart = 0; // of the open line in Text
    std::u32string Marker;
    bool Open = false, HasText = false, MarkerPending = false;
    bool LastEmpty = true; // the last line is empty, or there is none yet
    int Pending = 0;

    size_t Room(size_t n);
    void Count();
    bool Begin();
    void End(bool verbatim);
};

} // namespace htmltext
