// The keyword index reader: the binary index "/$WWKeywordLinks/BTree" and the sitemap index.
//
// The binary index: a 76-byte header, then blocks of the stated size. Blocks 0 to the "last
// listing block" hold the entries in order (a 12-byte head: free space at the block's end, entry
// count, previous and next listing block); the later ones are index blocks (an 8-byte head: free
// space, entry count, the child for words before the first entry), whose entries end in the
// child block where that entry's keyword begins. An entry: the keyword in UTF-16 with its
// terminator, the see-also flag (2), its depth, where its own part begins, a zero, a count, then
// either the see-also target (UTF-16) or `count` topic numbers, then (listing) two more numbers or
// (index) the child block.
//
// Quirks of real files, and what we decided about them:
// - Free Pascal's compiler writes index blocks below the root with an entry count of 0 although
//   they are full, an all-zero first one whose child link is itself, a wrong depth, the root's
//   first entry with an empty keyword, and every listing block's own number as its "next". So
//   entries are parsed up to the end of a block's used area (its size less its free space), never
//   past it, whatever the count says; a listing block's next link is taken only when it points
//   forward within the listing blocks, else the block after it in the file is next; the depth is
//   not used: a block is an index block when its number is past the last listing block.
// - Keywords sort case-insensitively, but compilers disagree on where punctuation, "_" and
//   letters outside ASCII and basic Cyrillic go, and on sub-keywords ("Parent, Child" under
//   "Parent", or by the flattened text). A comparison is taken as certain only where the first
//   difference is between two letters or digits whose order every one of them agrees on; where
//   it is not, the descent goes left and the walk goes on, which reads a block more at worst.
// - A tree whose links cannot be right (a child out of range, a child that is itself or an
//   ancestor, more levels than any real tree has) is not followed: the listing blocks, which lie
//   in order in the file, are searched by their first keywords instead.
// - The sitemap index is HTML: nested lists give the depth, an object's first "Name" is the
//   keyword, each later "Name" titles the "Local" after it, "See Also" names a target. It is in
//   the file's code page unless it starts with a UTF-8 byte order mark.
// - Free Pascal's compiler stores text of the index as it was written, which is often UTF-8
//   whatever the file's language (and its binary index holds "?" for every letter it could not
//   read as UTF-8). Text that is well-formed UTF-8 and has a character beyond ASCII is read as
//   UTF-8: text in an 8-bit code page practically never is (a Cyrillic or accented letter there
//   is rarely followed by the continuation bytes UTF-8 needs).
#include "find/keywords.h"

#include <string.h>

#include <new>

#include "chm/lebytes.h"

namespace {

const char BinaryIndexName[] = "/$WWKeywordLinks/BTree";

enum {
    HeaderSize = 0x4C,
    HeaderSignature = 0x293B,
    SignatureField = 0x00,
    BlockSizeField = 0x04,
    LastListingField = 0x1A,
    RootField = 0x1E,
    BlockCountField = 0x26,
    DepthField = 0x2A,
    KeywordCountField = 0x2C,
    CodePageField = 0x30,
    LocaleField = 0x34,
    BlockFreeField = 0,
    BlockCountEntriesField = 2,
    ListingNextField = 8,
    ListingHeadSize = 12,
    IndexLeftField = 4,
    IndexHeadSize = 8,
    EntryFieldsSize = 16, // see-also, depth, own part, zero, count
    ListingTailSize = 8,
    IndexTailSize = 4,
    SeeAlsoFlag = 2,
    // Smallest block worth reading: a listing head and one entry with an empty keyword.
    MinBlockSize = 64,
    // A tree of 2 KB blocks this deep would hold more keywords than any file can.
    MaxTreeLevels = 16,
    SystemIndexFileRecord = 1,
    WindowsHeadSize = 8,
    WindowsIndexFileField = 0x64,
};

enum BlockKind { ListingBlock, IndexBlock };

// Letters and digits whose order all compilers agree on, folded: digits, then Latin, then Cyrillic.
bool Ordered(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= 0x430 && c <= 0x44F);
}

// Where two texts first differ, folded; -1 in *order when the first sorts before, 1 after, 0
// when the order there is not certain. Returns the position.
size_t FirstDifference(const std::u16string& key, const char16_t* word, size_t length, int* order) {
    size_t i = 0;
    while (i < key.size() && i < length && FoldCase(key[i]) == FoldCase(word[i]))
        i++;
    *order = 0;
    if (i < key.size() && i < length) {
        char16_t a = FoldCase(key[i]), b = FoldCase(word[i]);
        if (Ordered(a) && Ordered(b)) *order = a < b ? -1 : 1;
    }
    return i;
}

bool StartsWithFolded(const std::u16string& key, const char16_t* word, size_t length) {
    int order;
    return FirstDifference(key, word, length, &order) == length;
}

// The key sorts before every text that begins with the word, in any compiler's order.
bool CertainlyBefore(const std::u16string& key, const char16_t* word, size_t length) {
    int order;
    size_t i = FirstDifference(key, word, length, &order);
    if (i == length) return false;    // it begins with the word
    if (i == key.size()) return true; // a proper beginning of the word
    return order < 0;
}

// The key sorts after every text that begins with the word, in any compiler's order.
bool CertainlyAfter(const std::u16string& key, const char16_t* word, size_t length) {
    int order;
    size_t i = FirstDifference(key, word, length, &order);
    return i < length && i < key.size() && order > 0;
}

// Reads a NUL-terminated UTF-16 string at p; null when its terminator is not before end.
const unsigned char* ReadWide(const unsigned char* p, const unsigned char* end, std::u16string* out) {
    out->clear();
    for (;;) {
        if (end - p < 2) return nullptr;
        char16_t c = static_cast<char16_t>(ReadLe16(p));
        p += 2;
        if (!c) return p;
        out->push_back(c);
    }
}

// Parses one entry at p; returns the position after it, or null when it runs past end.
const unsigned char* ParseEntry(const unsigned char* p, const unsigned char* end, BlockKind kind,
                                KeywordEntry* e, uint32_t* child) {
    p = ReadWide(p, end, &e->Keyword);
    if (!p || end - p < EntryFieldsSize) return nullptr;
    e->SeeAlso = ReadLe16(p) == SeeAlsoFlag;
    e->Depth = ReadLe16(p + 2);
    e->OwnPart = ReadLe32(p + 4);
    uint32_t count = ReadLe32(p + 12);
    p += EntryFieldsSize;
    e->Topics.clear();
    e->Pages.clear();
    e->Target.clear();
    if (e->SeeAlso) {
        p = ReadWide(p, end, &e->Target);
        if (!p) return nullptr;
    } else {
        if (count > static_cast<size_t>(end - p) / 4) return nullptr;
        e->Topics.resize(count);
        for (uint32_t i = 0; i < count; i++, p += 4)
            e->Topics[i] = ReadLe32(p);
    }
    const ptrdiff_t tail = kind == ListingBlock ? ListingTailSize : IndexTailSize;
    if (end - p < tail) return nullptr;
    if (kind == IndexBlock) *child = ReadLe32(p);
    // A top-level entry has no parent part; a sub-keyword's own part lies inside the keyword.
    if (e->Depth == 0 || e->OwnPart > e->Keyword.size()) {
        e->OwnPart = 0;
        if (e->Depth != 0) {
            size_t comma = e->Keyword.rfind(u", ");
            if (comma != std::u16string::npos) e->OwnPart = static_cast<uint32_t>(comma + 2);
        }
    }
    return p + tail;
}

} // namespace

struct KeywordIndex {
    KeywordIndexKind Kind;
    ChmContainer* Container;
    KeywordText Text;
    // Binary index.
    const DirectoryRecord* Record;
    KeywordIndexHeader Header;
    uint32_t Blocks;      // blocks the object really holds (at most the stated count)
    uint32_t LastListing; // min(stated, Blocks - 1)
    std::vector<unsigned char> Block;
    uint32_t BlocksRead;
    std::vector<uint32_t> BlockList;
    const char* Refusal;
    // Sitemap index: its bytes.
    unsigned char* Sitemap;
    uint32_t SitemapLength;
};

namespace {

// ---- the binary index ----

// Reads block n into index->Block; false when it cannot be read.
bool ReadBlock(KeywordIndex* x, uint32_t n) {
    if (n >= x->Blocks) return false;
    uint32_t size = x->Header.BlockSize;
    x->BlocksRead++;
    if (x->BlockList.size() < 4096) x->BlockList.push_back(n);
    return ReadObjectRange(x->Container, x->Record, HeaderSize + n * size, size, x->Block.data()) == 0;
}

// The entries of the block in x->Block: [*begin, *end).
void BlockArea(const KeywordIndex* x, BlockKind kind, const unsigned char** begin, const unsigned char** end,
               uint32_t* count) {
    const unsigned char* b = x->Block.data();
    uint32_t size = x->Header.BlockSize, head = kind == ListingBlock ? ListingHeadSize : IndexHeadSize;
    uint32_t free = ReadLe16(b + BlockFreeField);
    *begin = b + head;
    *end = free <= size - head ? b + size - free : *begin;
    *count = ReadLe16(b + BlockCountEntriesField);
}

// Calls take(entry, child) for each entry of the block in x->Block: all of them in its used area
// when the count says 0, else at most `count`. False when an entry ran past the area.
template <typename Take> bool ParseBlock(const KeywordIndex* x, BlockKind kind, KeywordEntry* e, Take take) {
    const unsigned char *p, *end;
    uint32_t count;
    BlockArea(x, kind, &p, &end, &count);
    for (uint32_t n = 0; p < end && (count == 0 || n < count); n++) {
        uint32_t child = 0;
        p = ParseEntry(p, end, kind, e, &child);
        if (!p) return false;
        if (!take(*e, child)) break;
    }
    return true;
}

// The listing block where entries that can begin with the word start, through the tree; false
// when a link cannot be right.
bool Descend(KeywordIndex* x, const char16_t* word, size_t length, KeywordEntry* e, uint32_t* listing) {
    uint32_t path[MaxTreeLevels];
    uint32_t levels = 0, b = x->Header.RootBlock;
    while (b > x->LastListing) {
        if (b >= x->Blocks || levels == MaxTreeLevels) return false;
        for (uint32_t i = 0; i < levels; i++)
            if (path[i] == b) return false;
        path[levels++] = b;
        if (!ReadBlock(x, b)) return false;
        uint32_t next = ReadLe32(x->Block.data() + IndexLeftField);
        // Entries in order; the last one certainly before the word leads to where it can begin. A
        // damaged tail ends the block: what was parsed still stands.
        ParseBlock(x, IndexBlock, e, [&](const KeywordEntry& entry, uint32_t child) {
            if (!CertainlyBefore(entry.Keyword, word, length)) return false;
            next = child;
            return true;
        });
        b = next;
    }
    *listing = b;
    return true;
}

// The first keyword of listing block n, or false.
bool FirstKeyword(KeywordIndex* x, uint32_t n, KeywordEntry* e) {
    if (!ReadBlock(x, n)) return false;
    bool any = false;
    ParseBlock(x, ListingBlock, e, [&](const KeywordEntry&, uint32_t) {
        any = true;
        return false;
    });
    return any;
}

// Where the tree cannot be followed: the last listing block whose first keyword certainly sorts
// before the word, by a binary search over the blocks in file order.
uint32_t SearchListing(KeywordIndex* x, const char16_t* word, size_t length, KeywordEntry* e) {
    uint32_t low = 0, high = x->LastListing;
    while (low < high) {
        uint32_t middle = low + (high - low + 1) / 2;
        if (FirstKeyword(x, middle, e) && CertainlyBefore(e->Keyword, word, length))
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

KeywordStatus WalkListing(KeywordIndex* x, uint32_t b, const char16_t* word, size_t length,
                          KeywordVisitor visit, void* context, KeywordEntry* e) {
    KeywordStatus status = KeywordOk;
    bool done = false;
    while (!done && b <= x->LastListing) {
        if (!ReadBlock(x, b)) return KeywordDamaged;
        uint32_t stated = ReadLe32(x->Block.data() + ListingNextField);
        bool whole = ParseBlock(x, ListingBlock, e, [&](const KeywordEntry& entry, uint32_t) {
            if (StartsWithFolded(entry.Keyword, word, length)) {
                done = !visit(context, entry);
            } else if (CertainlyAfter(entry.Keyword, word, length)) {
                done = true;
            }
            return !done;
        });
        if (!whole) status = KeywordDamaged;
        b = stated > b && stated <= x->LastListing ? stated : b + 1;
    }
    return status;
}

KeywordStatus VisitBinary(KeywordIndex* x, const char16_t* word, size_t length, KeywordVisitor visit,
                          void* context) {
    KeywordEntry e;
    uint32_t start = 0;
    if (length > 0 && !Descend(x, word, length, &e, &start)) start = SearchListing(x, word, length, &e);
    return WalkListing(x, start, word, length, visit, context, &e);
}

// Takes the binary index when its header can be used; sets x->Refusal when it cannot.
bool OpenBinary(KeywordIndex* x) {
    x->Record = FindDirectoryRecord(x->Container, BinaryIndexName);
    if (!x->Record) return false;
    unsigned char head[HeaderSize];
    if (ReadObjectRange(x->Container, x->Record, 0, HeaderSize, head) != 0) {
        x->Refusal = "its header cannot be read";
        return false;
    }
    KeywordIndexHeader& h = x->Header;
    h.BlockSize = ReadLe16(head + BlockSizeField);
    h.LastListingBlock = ReadLe32(head + LastListingField);
    h.RootBlock = ReadLe32(head + RootField);
    h.BlockCount = ReadLe32(head + BlockCountField);
    h.Depth = ReadLe16(head + DepthField);
    h.KeywordCount = ReadLe32(head + KeywordCountField);
    h.CodePage = ReadLe32(head + CodePageField);
    h.Locale = ReadLe32(head + LocaleField);
    if (ReadLe16(head + SignatureField) != HeaderSignature) {
        x->Refusal = "its header has no signature";
        return false;
    }
    if (h.BlockSize < MinBlockSize) {
        x->Refusal = "its block size is too small";
        return false;
    }
    uint32_t held = (x->Record->Length - HeaderSize) / h.BlockSize;
    x->Blocks = h.BlockCount < held ? h.BlockCount : held;
    if (x->Blocks == 0) {
        x->Refusal = "it holds no block";
        return false;
    }
    x->LastListing = h.LastListingBlock < x->Blocks ? h.LastListingBlock : x->Blocks - 1;
    x->Block.resize(h.BlockSize);
    x->Kind = KeywordIndexBinary;
    return true;
}

// ---- the sitemap index ----

bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

unsigned char Lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

bool SameWordNoCase(const unsigned char* p, size_t length, const char* word) {
    size_t n = strlen(word);
    if (length != n) return false;
    for (size_t i = 0; i < n; i++)
        if (Lower(p[i]) != static_cast<unsigned char>(word[i])) return false;
    return true;
}

struct Span {
    const unsigned char* Begin;
    const unsigned char* End;
};

void AppendCodePoint(std::u16string* out, char32_t c) {
    if (c >= 0x10000 && c <= 0x10FFFF) {
        c -= 0x10000;
        out->push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out->push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
        out->push_back(c < 0x10000 && (c < 0xD800 || c > 0xDFFF) ? static_cast<char16_t>(c) : u'\uFFFD');
    }
}

// One UTF-8 sequence at *p (advanced); U+FFFD for a malformed one (overlong, a surrogate, past
// U+10FFFF), which takes one byte.
char32_t NextUtf8(const unsigned char** p, const unsigned char* end) {
    unsigned char b = *(*p)++;
    if (b < 0x80) return b;
    int more = b >= 0xF0 && b < 0xF5 ? 3 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : -1;
    if (more < 0 || end - *p < more) return 0xFFFD;
    static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    char32_t c = b & (0x3F >> more);
    for (int i = 0; i < more; i++) {
        if (((*p)[i] & 0xC0) != 0x80) return 0xFFFD;
        c = c << 6 | ((*p)[i] & 0x3F);
    }
    if (c < least[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
    *p += more;
    return c;
}

bool LooksUtf8(const unsigned char* p, size_t n) {
    const unsigned char* end = p + n;
    bool beyondAscii = false;
    while (p < end) {
        if (*p < 0x80) {
            p++;
            continue;
        }
        if (NextUtf8(&p, end) == 0xFFFD) return false;
        beyondAscii = true;
    }
    return beyondAscii;
}

// An attribute or parameter value in Unicode, its character references resolved.
void DecodeValue(const KeywordIndex* x, bool utf8, Span v, std::u16string* out) {
    out->clear();
    utf8 = utf8 || LooksUtf8(v.Begin, static_cast<size_t>(v.End - v.Begin));
    const unsigned char* p = v.Begin;
    while (p < v.End) {
        if (*p == '&') {
            const unsigned char* q = p + 1;
            while (q < v.End && q - p < 40 && *q != ';' && *q != '&' && !IsSpace(*q))
                q++;
            if (q < v.End && *q == ';') {
                char32_t c = 0;
                const char* name = reinterpret_cast<const char*>(p + 1);
                size_t length = static_cast<size_t>(q - p - 1);
                if (length >= 2 && name[0] == '#') {
                    bool hex = name[1] == 'x' || name[1] == 'X';
                    for (size_t i = hex ? 2 : 1; i < length && c <= 0x10FFFF; i++) {
                        char d = name[i];
                        int digit = d >= '0' && d <= '9'          ? d - '0'
                                    : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                                    : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                                  : -1;
                        if (digit < 0) {
                            c = 0;
                            break;
                        }
                        c = c * (hex ? 16 : 10) + static_cast<char32_t>(digit);
                    }
                } else if (x->Text.NamedEntity) {
                    c = x->Text.NamedEntity(name, length);
                } else {
                    static const struct {
                        const char* Name;
                        char Char;
                    } basic[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
                    for (const auto& b : basic)
                        if (strlen(b.Name) == length && memcmp(b.Name, name, length) == 0) c = b.Char;
                }
                if (c > 0 && c <= 0x10FFFF) {
                    AppendCodePoint(out, c);
                    p = q + 1;
                    continue;
                }
            }
        }
        if (*p < 0x80) {
            out->push_back(*p++);
        } else if (utf8) {
            AppendCodePoint(out, NextUtf8(&p, v.End));
        } else {
            char32_t c = x->Text.UpperHalf ? x->Text.UpperHalf[*p - 0x80] : 0xFFFD;
            AppendCodePoint(out, c ? c : 0xFFFD);
            p++;
        }
    }
}

// The attributes of a tag: calls take(name, value) for each; the cursor ends after the '>'.
template <typename Take>
const unsigned char* ParseAttributes(const unsigned char* p, const unsigned char* end, Take take) {
    while (p < end && *p != '>') {
        if (IsSpace(*p) || *p == '/') {
            p++;
            continue;
        }
        Span name = {p, p};
        while (p < end && !IsSpace(*p) && *p != '=' && *p != '>')
            p++;
        name.End = p;
        while (p < end && IsSpace(*p))
            p++;
        Span value = {p, p};
        if (p < end && *p == '=') {
            p++;
            while (p < end && IsSpace(*p))
                p++;
            if (p < end && (*p == '"' || *p == '\'')) {
                unsigned char quote = *p++;
                value.Begin = p;
                while (p < end && *p != quote)
                    p++;
                value.End = p;
                if (p < end) p++;
            } else {
                value.Begin = p;
                while (p < end && !IsSpace(*p) && *p != '>')
                    p++;
                value.End = p;
            }
        }
        take(name, value);
    }
    return p < end ? p + 1 : p;
}

// The sitemap's entries in file order, each built as its object closes.
KeywordStatus VisitSitemap(KeywordIndex* x, const char16_t* word, size_t length, KeywordVisitor visit,
                           void* context) {
    const unsigned char* p = x->Sitemap;
    const unsigned char* end = p + x->SitemapLength;
    bool utf8 = false;
    if (end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        utf8 = true;
        p += 3;
    }
    KeywordEntry e;
    std::vector<std::u16string> parents; // own parts of the open entries above, by depth
    std::u16string own, title, value;
    bool inObject = false, named = false, titled = false, stop = false;
    uint32_t lists = 0;

    auto finish = [&]() {
        if (!inObject) return;
        inObject = false;
        if (!named) return;
        uint32_t depth = lists > 0 ? lists - 1 : 0;
        if (parents.size() > depth) parents.resize(depth);
        e.Keyword.clear();
        for (const std::u16string& parent : parents)
            e.Keyword += parent + u", ";
        e.OwnPart = static_cast<uint32_t>(e.Keyword.size());
        e.Keyword += own;
        e.Depth = static_cast<uint32_t>(parents.size());
        parents.push_back(own);
        if (!stop && StartsWithFolded(e.Keyword, word, length)) stop = !visit(context, e);
    };

    while (p < end && !stop) {
        if (*p != '<') {
            p++;
            continue;
        }
        if (end - p >= 4 && memcmp(p, "<!--", 4) == 0) {
            const unsigned char* close = p + 4;
            while (end - close >= 3 && memcmp(close, "-->", 3) != 0)
                close++;
            p = end - close >= 3 ? close + 3 : end;
            continue;
        }
        const unsigned char* name = ++p;
        while (p < end && !IsSpace(*p) && *p != '>' && *p != '/')
            p++;
        if (p == name && p < end && *p == '/') { // a closing tag
            name = ++p;
            while (p < end && !IsSpace(*p) && *p != '>')
                p++;
            size_t n = static_cast<size_t>(p - name);
            if (SameWordNoCase(name, n, "object")) {
                finish();
            } else if (SameWordNoCase(name, n, "ul")) {
                finish();
                if (lists > 0) lists--;
            }
            while (p < end && *p != '>')
                p++;
            continue;
        }
        size_t n = static_cast<size_t>(p - name);
        if (SameWordNoCase(name, n, "ul")) {
            finish();
            lists++;
        } else if (SameWordNoCase(name, n, "li")) {
            finish();
        } else if (SameWordNoCase(name, n, "object")) {
            finish();
            bool sitemap = false;
            p = ParseAttributes(p, end, [&](Span a, Span v) {
                if (SameWordNoCase(a.Begin, static_cast<size_t>(a.End - a.Begin), "type"))
                    sitemap = SameWordNoCase(v.Begin, static_cast<size_t>(v.End - v.Begin), "text/sitemap");
            });
            if (sitemap) {
                inObject = true;
                named = titled = false;
                e.SeeAlso = false;
                e.Target.clear();
                e.Topics.clear();
                e.Pages.clear();
            }
            continue;
        } else if (SameWordNoCase(name, n, "param") && inObject) {
            Span kind = {p, p}, data = {p, p};
            p = ParseAttributes(p, end, [&](Span a, Span v) {
                size_t an = static_cast<size_t>(a.End - a.Begin);
                if (SameWordNoCase(a.Begin, an, "name")) kind = v;
                if (SameWordNoCase(a.Begin, an, "value")) data = v;
            });
            size_t kn = static_cast<size_t>(kind.End - kind.Begin);
            DecodeValue(x, utf8, data, &value);
            if (SameWordNoCase(kind.Begin, kn, "name")) {
                if (!named) {
                    own = value;
                    named = true;
                } else {
                    title = value;
                    titled = true;
                }
            } else if (SameWordNoCase(kind.Begin, kn, "local")) {
                KeywordPage page;
                page.Title = titled ? title : std::u16string();
                page.Path.assign(reinterpret_cast<const char*>(data.Begin),
                                 static_cast<size_t>(data.End - data.Begin));
                e.Pages.push_back(page);
                titled = false;
            } else if (SameWordNoCase(kind.Begin, kn, "see also")) {
                e.SeeAlso = true;
                e.Target = value;
            }
            continue;
        }
        while (p < end && *p != '>')
            p++;
    }
    finish();
    return KeywordOk;
}

// The string at `offset` of "/#STRINGS", or empty.
std::string StringAt(ChmContainer* c, uint32_t offset) {
    unsigned char* strings;
    uint32_t length;
    std::string out;
    if (ReadObject(c, "/#STRINGS", &strings, &length) != 0) return out;
    for (uint32_t i = offset; i < length && strings[i]; i++)
        out.push_back(static_cast<char>(strings[i]));
    FreeObject(strings);
    return out;
}

// The names a sitemap index may have, most telling first.
std::vector<std::string> SitemapNames(ChmContainer* c, const char* stem) {
    std::vector<std::string> names;
    unsigned char* data;
    uint32_t length;
    if (ReadObject(c, "/#SYSTEM", &data, &length) == 0) {
        const unsigned char* p = data + (length >= 4 ? 4 : length); // after the version
        const unsigned char* end = data + length;
        while (end - p >= 4) {
            uint32_t code = ReadLe16(p), size = ReadLe16(p + 2);
            p += 4;
            if (size > static_cast<size_t>(end - p)) break;
            if (code == SystemIndexFileRecord)
                names.push_back(std::string(reinterpret_cast<const char*>(p),
                                            strnlen(reinterpret_cast<const char*>(p), size)));
            p += size;
        }
        FreeObject(data);
    }
    if (ReadObject(c, "/#WINDOWS", &data, &length) == 0) {
        uint32_t count = length >= WindowsHeadSize ? ReadLe32(data) : 0;
        uint32_t size = length >= WindowsHeadSize ? ReadLe32(data + 4) : 0;
        if (count > 0 && size >= WindowsIndexFileField + 4 && size <= length - WindowsHeadSize) {
            uint32_t offset = ReadLe32(data + WindowsHeadSize + WindowsIndexFileField);
            if (offset) names.push_back(StringAt(c, offset));
        }
        FreeObject(data);
    }
    if (stem && *stem) names.push_back(std::string(stem) + ".hhk");
    return names;
}

bool OpenSitemap(KeywordIndex* x, const char* stem) {
    for (const std::string& name : SitemapNames(x->Container, stem)) {
        if (name.empty()) continue;
        std::string path = name[0] == '/' ? name : "/" + name;
        if (ReadObject(x->Container, path.c_str(), &x->Sitemap, &x->SitemapLength) == 0) {
            x->Kind = KeywordIndexSitemap;
            return true;
        }
    }
    return false;
}

} // namespace

char16_t FoldCase(char16_t c) {
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    if (c < 0x100) return c >= 0xC0 && c <= 0xDE && c != 0xD7 ? static_cast<char16_t>(c + 32) : c;
    if (c < 0x180) { // Latin Extended-A: pairs, the capital first
        if (c == 0x130) return u'i';
        if (c == 0x178) return 0xFF;
        bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        return (c & 1) == (oddCapitals ? 1 : 0) ? static_cast<char16_t>(c + 1) : c;
    }
    if (c >= 0x400 && c < 0x530) { // Cyrillic and its supplement
        if (c < 0x410) return static_cast<char16_t>(c + 0x50);
        if (c < 0x430) return static_cast<char16_t>(c + 0x20);
        if (c < 0x460) return c;
        if (c == 0x4C0) return 0x4CF;
        if (c >= 0x4C1 && c <= 0x4CE) return c & 1 ? static_cast<char16_t>(c + 1) : c;
        if ((c >= 0x460 && c <= 0x481) || c >= 0x48A) return c & 1 ? c : static_cast<char16_t>(c + 1);
    }
    return c;
}

namespace {

KeywordStatus Open(ChmContainer* container, const char* stem, const KeywordText& text, bool binary,
                   KeywordIndex** index) {
    *index = nullptr;
    KeywordIndex* x = new (std::nothrow) KeywordIndex();
    if (!x) return KeywordNoMemory;
    x->Container = container;
    x->Text = text;
    try {
        if (container && !(binary && OpenBinary(x))) OpenSitemap(x, stem);
    } catch (const std::bad_alloc&) {
        CloseKeywordIndex(x);
        return KeywordNoMemory;
    }
    *index = x;
    return KeywordOk;
}

} // namespace

KeywordStatus OpenKeywordIndex(ChmContainer* container, const char* stem, const KeywordText& text,
                               KeywordIndex** index) {
    return Open(container, stem, text, true, index);
}

KeywordStatus OpenKeywordSitemap(ChmContainer* container, const char* stem, const KeywordText& text,
                                 KeywordIndex** index) {
    return Open(container, stem, text, false, index);
}

void CloseKeywordIndex(KeywordIndex* index) {
    if (!index) return;
    FreeObject(index->Sitemap);
    delete index;
}

KeywordIndexKind KeywordIndexKindOf(const KeywordIndex* index) {
    return index ? index->Kind : KeywordIndexNone;
}

bool KeywordIndexHeaderOf(const KeywordIndex* index, KeywordIndexHeader* header) {
    if (!index || index->Kind != KeywordIndexBinary) return false;
    *header = index->Header;
    return true;
}

const char* KeywordIndexRefusal(const KeywordIndex* index) {
    return index ? index->Refusal : nullptr;
}

uint32_t KeywordBlocksRead(const KeywordIndex* index) {
    return index ? index->BlocksRead : 0;
}

std::vector<uint32_t> KeywordBlockList(const KeywordIndex* index) {
    return index ? index->BlockList : std::vector<uint32_t>();
}

KeywordStatus VisitKeywords(KeywordIndex* index, const char16_t* prefix, size_t length, KeywordVisitor visit,
                            void* context) {
    if (!index) return KeywordOk;
    try {
        return index->Kind == KeywordIndexBinary ? VisitBinary(index, prefix, length, visit, context)
                                                 : VisitSitemap(index, prefix, length, visit, context);
    } catch (const std::bad_alloc&) {
        return KeywordNoMemory;
    }
}

std::u16string DecodeFileText(const char* text, size_t length, const char32_t* upperHalf) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    if (LooksUtf8(p, length)) return Utf16FromUtf8(text, length);
    std::u16string out;
    for (size_t i = 0; i < length; i++) {
        char32_t c = p[i] < 0x80 ? p[i] : upperHalf ? upperHalf[p[i] - 0x80] : 0xFFFD;
        AppendCodePoint(&out, c ? c : 0xFFFD);
    }
    return out;
}

std::u16string Utf16FromUtf8(const char* text, size_t length) {
    std::u16string out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + length;
    while (p < end)
        AppendCodePoint(&out, NextUtf8(&p, end));
    return out;
}

std::string Utf8FromUtf16(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | c >> 18));
            out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}
