// The text view's writer (private to text/): lines of text at a width, built from words, lines
// laid out already and list markers, with the indentation and blank lines the layout asks for.
#pragma once

#include <stddef.h>

#include <algorithm>
#include <string>
#include <vector>

namespace htmltext {

class Writer {
  public:
    Writer(unsigned width) : Width(std::max<unsigned>(width, 1)) {}

    std::vector<std::u32string> Lines;
    unsigned Width;
    unsigned Indent = 0;

    unsigned Available() const { return Width > Indent ? Width - Indent : 1; }

    void Break(int level);
    void Word(const char32_t* w, size_t n, bool glued = false);
    void ForcedBreak();
    void Put(const char32_t* s, size_t n, bool verbatim);
    void SetMarker(const std::u32string& marker);
    void Finish(bool keepTrailingEmpty = false);

  private:
    std::u32string Line, Marker;
    bool Open = false, HasText = false, MarkerPending = false;
    bool LastEmpty = true; // the last line is empty, or there is none yet
    int Pending = 0;

    void Begin();
    void End(bool verbatim);
};

} // namespace htmltext
