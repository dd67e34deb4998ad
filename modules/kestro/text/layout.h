// The text view's layout (private to text/): the tree of blocks to the writer's lines. The
// blocks (blocklayout.cpp: paragraphs, headings, lists, quotations, preformatted text, rules)
// and the tables (tablelayout.cpp: the grid, the columns' widths, the rows) call each other.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "text/charsets.h"
#include "text/document.h"
#include "text/writer.h"

namespace htmltext {

enum {
    MinTextWidth = 20, // indentation stops where it would leave less
    IndentStep = 4,
};

struct GridCell {
    int32_t Node;
    unsigned Column, Span;
};

struct Grid {
    std::vector<int32_t> Captions;
    std::vector<std::vector<GridCell>> Rows;
    unsigned Columns = 0;
};

class Layout {
  public:
    Layout(Document& document, const TextTarget* target) : D(document), Target(target) {}

    void Block(int32_t index, Writer& w);

  private:
    Document& D;
    const TextTarget* Target;
    int ListNesting = 0;

    Node& At(int32_t index) { return D.Nodes[static_cast<size_t>(index)]; }

    // -- blocks (blocklayout.cpp)
    void Framed(int32_t index, Writer& w, int level, unsigned indent);
    void Children(int32_t index, Writer& w);
    char32_t Shown(char32_t c) const;
    unsigned Indent(Writer& w, unsigned step);
    void Flow(const Node& n, Writer& w);
    static const char32_t* WordPart(const char32_t* p, const char32_t* end);
    void Preformatted(const Node& n, Writer& w);
    void Heading(int32_t index, Writer& w);
    std::u32string Marker(const Node& list, int32_t number) const;
    void List(int32_t index, Writer& w);
    void Item(int32_t index, Writer& w, unsigned step);

    // -- tables (tablelayout.cpp)
    struct ColumnWidths {
        std::vector<unsigned> Min, Max;
        unsigned SumMin = 0, SumMax = 0, Kept = 0; // over the columns that show anything
    };

    Grid GridOf(int32_t table);
    ColumnWidths Columns(const Grid& grid);
    static void Spread(std::vector<unsigned>* widths, unsigned from, unsigned to, unsigned need);
    void Measure(int32_t index);
    void MeasureText(const Node& n, unsigned* lo, unsigned* hi) const;
    void Table(int32_t index, Writer& w);
    static void Share(const ColumnWidths& cw, unsigned room, unsigned page, std::vector<unsigned>* widths);
    static double Weight(unsigned width, unsigned page);
    void CellPerLine(const Grid& grid, Writer& w);
    void Columned(const Grid& grid, const std::vector<unsigned>& widths, Writer& w);
};

} // namespace htmltext
