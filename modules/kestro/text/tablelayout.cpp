// The text view's table layout (see layout.h): a table's cells placed on a grid (spans and
// captions included), each cell measured once (its longest word and its widest line), the
// columns' widths chosen, and the rows written as aligned columns or, when even the longest
// words do not fit, a cell a line.
//
// Columns get their widest line when that fits, else at least their longest word with the room
// left shared by how much more each would take; when even the longest words do not fit, or the
// table has more than MaxColumns columns, each of its cells is laid out on lines of its own.
// Empty rows and columns take no room; a span ends at the last column a cell starts in.
#include "text/layout.h"

#include <math.h>

#include <algorithm>
#include <deque>

namespace htmltext {
namespace {

enum {
    MaxColumns = 64, // a wider table is laid out a cell a line
    ColumnGap = 2,
};

} // namespace

Grid Layout::GridOf(int32_t table) {
    Grid grid;
    std::vector<unsigned> busy; // per column: the first row a rowspan above leaves it free
    for (int32_t r = At(table).First; r >= 0; r = At(r).Next) {
        if (At(r).Kind == KindCaption) {
            grid.Captions.push_back(r);
            continue;
        }
        if (At(r).Kind != KindRow) continue;
        unsigned row = static_cast<unsigned>(grid.Rows.size());
        grid.Rows.emplace_back();
        unsigned column = 0;
        for (int32_t c = At(r).First; c >= 0; c = At(c).Next) {
            if (At(c).Kind != KindCell) continue;
            while (column < busy.size() && busy[column] > row)
                column++;
            unsigned span = At(c).ColSpan;
            grid.Rows.back().push_back({c, column, span});
            // Past these columns the table is laid out a cell a line, where they do not count.
            if (column + span > busy.size())
                busy.resize(std::min<size_t>(column + span, MaxColumns + MaxSpan), 0);
            for (unsigned k = column; k < column + span && k < busy.size(); k++)
                busy[k] = row + At(c).RowSpan;
            grid.Columns = std::max(grid.Columns, column + 1);
            column += span;
        }
    }
    // The columns are those cells start in: a span reaches no further (a browser gives the
    // columns past them no width).
    for (std::vector<GridCell>& row : grid.Rows)
        for (GridCell& cell : row)
            cell.Span = std::min(cell.Span, grid.Columns - cell.Column);
    return grid;
}

Layout::ColumnWidths Layout::Columns(const Grid& grid) {
    ColumnWidths cw;
    cw.Min.assign(grid.Columns, 0);
    cw.Max.assign(grid.Columns, 0);
    for (int pass = 0; pass < 2; pass++) {
        for (const std::vector<GridCell>& row : grid.Rows) {
            for (const GridCell& cell : row) {
                if ((cell.Span == 1) != (pass == 0)) continue;
                Measure(cell.Node);
                const Node& n = At(cell.Node);
                unsigned end = std::min(cell.Column + cell.Span, grid.Columns);
                Spread(&cw.Min, cell.Column, end, n.Min);
                Spread(&cw.Max, cell.Column, end, n.Max);
                // Columns that are all empty take no room, their gaps neither: a cell the gaps
                // alone would hold gets its room in the first of them.
                if (n.Max && std::all_of(&cw.Max[cell.Column], &cw.Max[end - 1] + 1,
                                         [](unsigned width) { return width == 0; })) {
                    cw.Max[cell.Column] = n.Max;
                    cw.Min[cell.Column] = std::max(cw.Min[cell.Column], n.Min);
                }
            }
        }
    }
    for (unsigned c = 0; c < grid.Columns; c++) {
        cw.Max[c] = std::max(cw.Max[c], cw.Min[c]);
        if (!cw.Max[c]) continue;
        cw.Kept++;
        cw.SumMin += cw.Min[c];
        cw.SumMax += cw.Max[c];
    }
    return cw;
}

// Widens columns [from, to) evenly until, gaps included, they take `need`.
void Layout::Spread(std::vector<unsigned>* widths, unsigned from, unsigned to, unsigned need) {
    if (from >= to) return;
    unsigned have = ColumnGap * (to - from - 1);
    for (unsigned c = from; c < to; c++)
        have += (*widths)[c];
    if (need <= have) return;
    unsigned more = need - have, count = to - from;
    for (unsigned c = from; c < to; c++)
        (*widths)[c] += more / count + (c - from < more % count ? 1 : 0);
}

void Layout::Measure(int32_t index) {
    Node& n = At(index);
    if (n.Measured) return;
    n.Measured = 1;
    unsigned lo = 0, hi = 0;
    if (n.Kind == KindText) {
        MeasureText(n, &lo, &hi);
    } else if (n.Kind == KindRule) {
        lo = hi = 1;
    } else if (n.Kind == KindTable) {
        Grid grid = GridOf(index);
        if (grid.Columns <= MaxColumns) {
            ColumnWidths cw = Columns(grid);
            hi = cw.SumMax + (cw.Kept ? ColumnGap * (cw.Kept - 1) : 0);
        }
        for (const std::vector<GridCell>& row : grid.Rows) {
            for (const GridCell& cell : row) {
                Measure(cell.Node);
                lo = std::max(lo, At(cell.Node).Min); // a cell a line at the narrowest
                if (grid.Columns > MaxColumns) hi = std::max(hi, At(cell.Node).Max);
            }
        }
        for (int32_t c : grid.Captions) {
            Measure(c);
            lo = std::max(lo, At(c).Min);
            hi = std::max(hi, At(c).Max);
        }
    } else {
        unsigned indent =
            n.Kind == KindQuote || n.Kind == KindDefinition || n.Kind == KindItem ? IndentStep : 0;
        for (int32_t c = n.First; c >= 0; c = At(c).Next) {
            Measure(c);
            lo = std::max(lo, At(c).Min + indent);
            hi = std::max(hi, At(c).Max + indent);
        }
    }
    Node& m = At(index);
    m.Min = lo;
    m.Max = hi;
}

void Layout::MeasureText(const Node& n, unsigned* lo, unsigned* hi) const {
    const char32_t* p = D.Text.data() + n.Start;
    const char32_t* end = p + n.Length;
    unsigned line = 0, word = 0;
    for (; p <= end; p++) {
        char32_t c = p < end ? *p : LineBreak;
        if (c == '(' && word && !n.Style) { // a line may break before it
            *lo = std::max(*lo, word);
            word = 0;
        }
        if (c == LineBreak || (c == ' ' && !n.Style)) {
            *lo = std::max(*lo, n.Style ? line : word);
            word = 0;
            if (c == LineBreak) {
                *hi = std::max(*hi, line);
                line = 0;
            } else {
                line++;
            }
            continue;
        }
        word++;
        line++;
    }
}

void Layout::Table(int32_t index, Writer& w) {
    Grid grid = GridOf(index);
    w.Break(2);
    for (int32_t c : grid.Captions)
        Block(c, w);
    if (grid.Columns > MaxColumns) {
        CellPerLine(grid, w);
        w.Break(2);
        return;
    }
    ColumnWidths cw = Columns(grid);
    unsigned available = w.Available();
    unsigned gaps = cw.Kept ? ColumnGap * (cw.Kept - 1) : 0;
    if (cw.SumMin + gaps > available) {
        CellPerLine(grid, w);
    } else {
        std::vector<unsigned> widths = cw.Max;
        if (cw.SumMax + gaps > available) Share(cw, available - gaps, w.Width, &widths);
        Columned(grid, widths, w);
    }
    w.Break(2);
}

// Shares `room` among the columns by their widest lines, a very wide one counting for less
// (logarithmically beyond a page's width), none narrower than its longest word nor wider
// than its widest line.
void Layout::Share(const ColumnWidths& cw, unsigned room, unsigned page, std::vector<unsigned>* widths) {
    size_t count = cw.Max.size();
    std::vector<int> pinned(count, 0); // 1 at its narrowest, 2 at its widest
    for (size_t c = 0; c < count; c++)
        if (!cw.Max[c]) pinned[c] = 1;
    for (bool again = true; again;) {
        again = false;
        double left = room, total = 0;
        for (size_t c = 0; c < count; c++) {
            if (pinned[c])
                left -= pinned[c] == 1 ? cw.Min[c] : cw.Max[c];
            else
                total += Weight(cw.Max[c], page);
        }
        for (size_t c = 0; c < count; c++) {
            if (pinned[c]) {
                (*widths)[c] = pinned[c] == 1 ? cw.Min[c] : cw.Max[c];
                continue;
            }
            double share = total > 0 ? left * Weight(cw.Max[c], page) / total : 0;
            if (share < cw.Min[c] || share > cw.Max[c]) {
                pinned[c] = share < cw.Min[c] ? 1 : 2;
                again = true;
            }
            (*widths)[c] = static_cast<unsigned>(share);
        }
    }
    unsigned used = 0; // what rounding down left goes to the widest column that can take it
    for (size_t c = 0; c < count; c++)
        used += (*widths)[c];
    for (unsigned spare = room > used ? room - used : 0; spare > 0; spare--) {
        size_t best = count;
        for (size_t c = 0; c < count; c++)
            if ((*widths)[c] < cw.Max[c] && (best == count || cw.Max[c] > cw.Max[best])) best = c;
        if (best == count) break;
        (*widths)[best]++;
    }
}

double Layout::Weight(unsigned width, unsigned page) {
    return width < page ? width : page * (log(static_cast<double>(width) / page) + 1);
}

void Layout::CellPerLine(const Grid& grid, Writer& w) {
    for (const std::vector<GridCell>& row : grid.Rows) {
        if (w.Full()) return;
        for (const GridCell& cell : row)
            Block(cell.Node, w);
        w.Break(2);
    }
}

void Layout::Columned(const Grid& grid, const std::vector<unsigned>& widths, Writer& w) {
    std::vector<unsigned> x(grid.Columns + 1, 0); // where each column starts; empty ones take no room
    for (unsigned c = 0, at = 0; c < grid.Columns; c++) {
        x[c] = at;
        if (widths[c]) at += widths[c] + ColumnGap;
        x[c + 1] = at;
    }
    std::deque<Writer> cells; // of the row, each with the next of its lines to write
    std::vector<size_t> next;
    std::vector<unsigned> starts;
    std::vector<uint8_t> alignments;
    std::u32string line;
    for (const std::vector<GridCell>& row : grid.Rows) {
        cells.clear();
        next.clear();
        starts.clear();
        alignments.clear();
        size_t height = 0;
        for (const GridCell& cell : row) {
            unsigned end = std::min(cell.Column + cell.Span, grid.Columns);
            unsigned width = x[end] - x[cell.Column];
            width = width > ColumnGap ? width - ColumnGap : 0;
            cells.emplace_back(width, w.Shared());
            Writer& sub = cells.back();
            if (width) {
                Children(cell.Node, sub);
                sub.Finish(true);
            }
            height = std::max(height, sub.LineCount);
            next.push_back(0);
            starts.push_back(x[cell.Column]);
            alignments.push_back(At(cell.Node).Style);
        }
        for (size_t y = 0; y < height && !w.Full(); y++) {
            line.clear();
            for (size_t i = 0; i < cells.size(); i++) {
                size_t n = cells[i].LineCount;
                size_t top = alignments[i] == 't' ? 0 : alignments[i] == 'b' ? height - n : (height - n) / 2;
                if (y < top || y - top >= n) continue;
                const std::u32string& text = cells[i].Text;
                size_t from = next[i], to = text.find('\n', from);
                next[i] = to + 1;
                if (to == from) continue;
                if (line.size() < starts[i])
                    line.append(starts[i] - line.size(), ' ');
                else if (!line.empty())
                    line.push_back(' ');
                line.append(text, from, to - from);
            }
            w.Put(line.data(), line.size(), false);
        }
    }
}

} // namespace htmltext
