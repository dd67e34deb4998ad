// The text view's memory (native only): every allocation of this program is counted, and
// hostile pages, which once took 180 bytes per byte of the page, are rendered within the budget
// htmltext.h states; a page whose text passes the limit is cut there, its last line saying so.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <new>
#include <string>

#include "text/htmltext.h"

std::string Repeated(const std::string& unit, size_t bytes); // htmltext_test.cpp

namespace {

// Bytes allocated through operator new now, and the most since the last ResetPeak.
std::atomic<size_t> Live{0}, Peak{0};

void* Allocate(size_t size) {
    void* block = malloc(size + 16);
    if (!block) return nullptr;
    *static_cast<size_t*>(block) = size;
    size_t now = Live += size;
    for (size_t peak = Peak; now > peak && !Peak.compare_exchange_weak(peak, now);) {
    }
    return static_cast<char*>(block) + 16;
}

void Release(void* p) {
    if (!p) return;
    void* block = static_cast<char*>(p) - 16;
    Live -= *static_cast<size_t*>(block);
    free(block);
}

} // namespace

void* operator new(size_t size) {
    void* p = Allocate(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}

namespace {

struct Measured {
    std::u32string Text;
    size_t PeakBytes; // above what was allocated before
};

Measured RenderMeasured(const std::string& page, HtmlTextOptions options = HtmlTextOptions()) {
    Measured m;
    m.Text.reserve(1); // the result's own allocation is counted as it grows
    size_t before = Live;
    Peak = before;
    EXPECT_EQ(HtmlTextDone, RenderHtmlText(reinterpret_cast<const unsigned char*>(page.data()), page.size(),
                                           options, &m.Text));
    m.PeakBytes = Peak - before;
    return m;
}

bool EndsCut(const std::u32string& text) {
    std::string note = std::string(TextCutNote) + "\n";
    return text.size() >= note.size() && TextAsUtf8(text.substr(text.size() - note.size())) == note;
}

TEST(TextViewMemory, HostilePagesStayWithinTheStatedBudget) {
    // A rule a line for every 4 bytes, and the shapes that give the most blocks or characters per
    // byte of markup; at 3 MB the first five pass a limit and are cut.
    struct Hostile {
        const char* Unit;
        bool CutAt3Mb;
    };
    for (const Hostile& h : {Hostile{"<hr>", true},
                             {"</p>", true},
                             {"<ul><li>", true},
                             {"<pre>\t\t\t\t\t\t\t\tx\n", true},
                             {"word ", false},
                             {"<table>x", false},
                             {"<td>", false},
                             {"a<br>", false},
                             {"<table><tr><td>cell ", false},
                             {"<select><option>a ", false},
                             {"&mdash;", false}}) {
        for (size_t size : {size_t(64) << 10, size_t(3) << 20}) {
            SCOPED_TRACE(std::string(h.Unit) + " " + std::to_string(size));
            std::string page = Repeated(h.Unit, size);
            Measured m = RenderMeasured(page);
            EXPECT_LE(m.PeakBytes, HtmlTextMemoryBudget(page.size(), m.Text.size()));
            EXPECT_LE(m.Text.size(), size_t(MaxTextChars) + 100);
            EXPECT_EQ(h.CutAt3Mb && size > (size_t(1) << 20), EndsCut(m.Text));
        }
    }
}

TEST(TextViewMemory, APageWhoseTextPassesTheLimitIsCutThere) {
    // An alt text whose quote never closes runs to the end of the page: 24 MB of it.
    std::string quote = "<p>before<img alt=\"" + Repeated("word and some more words ", 24 << 20);
    Measured m = RenderMeasured(quote);
    EXPECT_LE(m.PeakBytes, HtmlTextMemoryBudget(quote.size(), m.Text.size()));
    ASSERT_TRUE(EndsCut(m.Text));
    EXPECT_EQ(U"beforeword and some more words ", m.Text.substr(0, 31));
    size_t kept = m.Text.size() - strlen(TextCutNote) - 2; // the cut note and the blank line before it
    EXPECT_GE(kept, size_t(MaxTextChars) - TextViewWidth);
    EXPECT_LE(kept, size_t(MaxTextChars) + 1);
    EXPECT_EQ(U"\n\n", m.Text.substr(kept - 1, 2));
    // Plain text is cut the same way; a page just under the limits is not.
    HtmlTextOptions plain;
    plain.Plain = true;
    EXPECT_TRUE(EndsCut(RenderMeasured(Repeated("line of a long text file\n", 5 << 20), plain).Text));
    EXPECT_FALSE(EndsCut(RenderMeasured(Repeated("<p>x", 4 * (MaxTextBlocks - 10)), plain).Text));
    EXPECT_FALSE(EndsCut(RenderMeasured(Repeated("<p>x", 4 * (MaxTextBlocks / 2 - 10))).Text));
}

} // namespace
