// Reader of the full-text index "/$FIftiMain", from its published layout:
//   header: +0 signature 00 00 28 00, +4 pages indexed, +8 root node offset, +0x10 leaf count,
//           +0x18 tree depth (16-bit), +0x1E..+0x23 scale and root size of the three kinds of
//           scale-and-root integers (topic number steps, location counts, location steps),
//           +0x2E node size, +0x7A code page, +0x7E locale;
//   index node: +0 free bytes at its end (16-bit), then entries: word length + 1, bytes shared
//           with the previous word, the rest of the word, the offset of the child node (32-bit),
//           16 bits unused. Each entry holds the last word of its child;
//   leaf node: +0 offset of the next leaf (0: the last), 16 bits unused, +6 free bytes at its end,
//           then entries: the word as above, 1 when it is the word's title entry (0: its text
//           entry), the number of topics (variable integer), the offset of its location codes
//           (32-bit), 16 bits unused, their length (variable integer);
//   location codes: per topic, byte-aligned, a bit stream of scale-and-root integers, most
//           significant bit first: the step from the previous topic number, the number of
//           locations, and the step of each location from the previous one.
// A scale-and-root integer (scale 2, root r): p one-bits and a zero; with p = 0 the value is the
// next r bits, else 1 followed by the next r + p - 1 bits.
//
// Quirks of real files, and what we decided about them:
// - The variable integers of the leaf entries are written least significant group first (7 bits a
//   byte, high bit: more follows), unlike the directory's: every entry of Nini.chm, OpenMCDF.chm
//   and lcl.chm then ends its location codes exactly where the next begins.
// - Microsoft's compiler may end a word's location codes with a zero byte past the last topic;
//   Free Pascal's does not. The topics are counted, so it does not matter.
// - A word has up to two entries side by side, its text entry and its title entry, in either
//   order (Microsoft's compiler writes the text entry first, Free Pascal's the title entry); they
//   may straddle two leaves.
// - Words are stored in lower case and sorted by their bytes. Comparing folded bytes keeps that
//   order for every compiler we meet; Free Pascal's compiler splits words at every byte above
//   0x7F, so its indexes hold ASCII words only.
// - Nodes lie between the location codes, at no particular alignment; the leaves follow each other
//   forward in the object, so a leaf link that does not lead forward is damage (it stops a chain
//   that would loop).
//
// Every length, offset and count read from the index is checked before use: nodes and location
// codes must lie inside the object, entries inside their node's used part, a shared prefix within
// the previous word; a topic count above the bytes of its codes, a location count above their
// bits, and a value of more than 32 bits are bad data.
#include "find/fulltext.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "find/keywords.h"
#include "chm/lebytes.h"

namespace {

const char IndexName[] = "/$FIftiMain";
const unsigned char Signature[4] = {0x00, 0x00, 0x28, 0x00};

enum {
    DocumentsField = 0x04,
    RootField = 0x08,
    LeafCountField = 0x10,
    DepthField = 0x18,
    DocumentScaleField = 0x1E, // then its root, and the same pair for counts and locations
    NodeSizeField = 0x2E,
    CodePageField = 0x7A,
    LocaleField = 0x7E,
    HeaderFieldsEnd = 0x82,
    IndexNodeHeader = 2,
    LeafNextField = 0,
    LeafFreeField = 6,
    LeafNodeHeader = 8,
    ChildFieldsSize = 6,     // child offset and the unused 16 bits
    LocationFieldsSize = 6,  // codes' offset and the unused 16 bits
    MaxVariableIntBytes = 5, // 35 bits hold any 32-bit value
    TitleEntry = 1
};

struct Node {
    unsigned char* Bytes;
    uint32_t Offset; // in the index
    uint32_t Used;   // bytes in use: entries end here
};

// Reads the node at `offset`; `header` bytes precede its entries, the free count at `freeField`.
FullTextStatus ReadNode(FullTextIndex* x, uint32_t offset, uint32_t header, uint32_t freeField, Node* node) {
    if (offset > x->Length || x->NodeSize > x->Length - offset) return FullTextTruncated;
    if (ReadObjectRange(x->Container, x->Record, offset, x->NodeSize, node->Bytes) != 0)
        return FullTextUnreadable;
    x->NodesRead++;
    uint32_t free = ReadLe16(node->Bytes + freeField);
    if (free > x->NodeSize - header) return FullTextBadData;
    node->Offset = offset;
    node->Used = x->NodeSize - free;
    return FullTextDone;
}

// Reads one entry's word into `word` (NUL-terminated), given the previous one. *length holds the
// previous word's length on entry and this one's on return.
FullTextStatus ReadWord(const unsigned char** cursor, const unsigned char* end, char* word,
                        uint32_t* length) {
    const unsigned char* p = *cursor;
    if (end - p < 2) return FullTextBadData;
    uint32_t stored = p[0], shared = p[1];
    p += 2;
    if (stored == 0 || shared > *length || stored - 1 > static_cast<size_t>(end - p) ||
        shared + stored - 1 >= FullTextWordSize)
        return FullTextBadData;
    memcpy(word + shared, p, stored - 1);
    *length = shared + stored - 1;
    word[*length] = 0;
    *cursor = p + stored - 1;
    return FullTextDone;
}

int ReadVariableInt(const unsigned char** cursor, const unsigned char* end, uint32_t* value) {
    const unsigned char* p = *cursor;
    uint64_t v = 0;
    for (int i = 0;; i++) {
        if (p >= end || i == MaxVariableIntBytes) return -1;
        unsigned char b = *p++;
        v |= static_cast<uint64_t>(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) break;
    }
    if (v > 0xFFFFFFFFu) return -1;
    *value = static_cast<uint32_t>(v);
    *cursor = p;
    return 0;
}

// Compares a word with the searched one, both folded: below 0, 0 or above 0 as it sorts before,
// equal to or after it. *starts tells whether it begins with the searched word.
int CompareWord(const unsigned char* fold, const char* word, uint32_t length, const char* wanted,
                uint32_t wantedLength, bool* starts) {
    uint32_t n = length < wantedLength ? length : wantedLength;
    int order = 0;
    for (uint32_t i = 0; i < n && order == 0; i++)
        order = fold[static_cast<unsigned char>(word[i])] - static_cast<unsigned char>(wanted[i]);
    *starts = order == 0 && length >= wantedLength;
    if (order == 0) order = length < wantedLength ? -1 : length > wantedLength ? 1 : 0;
    return order;
}

// ---- location codes ----

struct BitReader {
    const unsigned char* P;
    const unsigned char* End;
    unsigned Used; // bits of *P already taken
};

bool ReadBits(BitReader* r, unsigned bits, uint32_t* value) {
    uint32_t v = 0;
    for (unsigned i = 0; i < bits; i++) {
        if (r->P >= r->End) return false;
        v = v << 1 | ((*r->P >> (7 - r->Used)) & 1u);
        if (++r->Used == 8) r->Used = 0, r->P++;
    }
    *value = v;
    return true;
}

bool ReadScaleRoot(BitReader* r, unsigned root, uint32_t* value) {
    unsigned ones = 0;
    for (;;) {
        uint32_t bit;
        if (!ReadBits(r, 1, &bit)) return false;
        if (!bit) break;
        if (++ones > 32) return false;
    }
    if (ones == 0) return ReadBits(r, root, value);
    unsigned bits = root + ones - 1;
    if (bits > 31) return false; // the leading 1 would not fit
    uint32_t low;
    if (!ReadBits(r, bits, &low)) return false;
    *value = 1u << bits | low;
    return true;
}

void Align(BitReader* r) {
    if (r->Used) r->Used = 0, r->P++;
}

// The topics one sorted run of hits lists, merged by topic.
struct HitList {
    FullTextHit* Items;
    uint32_t Count, Capacity;
};

bool Append(HitList* list, uint32_t topic, uint32_t occurrences, bool title) {
    if (list->Count && list->Items[list->Count - 1].Topic == topic) {
        FullTextHit& last = list->Items[list->Count - 1];
        (title ? last.InTitle : last.Occurrences) += occurrences;
        if (title && last.InTitle == 0) last.InTitle = 1;
        return true;
    }
    if (list->Count == list->Capacity) {
        uint32_t capacity = list->Capacity ? 2 * list->Capacity : 64;
        FullTextHit* grown = static_cast<FullTextHit*>(realloc(list->Items, capacity * sizeof(FullTextHit)));
        if (!grown) return false;
        list->Items = grown;
        list->Capacity = capacity;
    }
    FullTextHit& hit = list->Items[list->Count++];
    hit.Topic = topic;
    hit.Occurrences = title ? 0 : occurrences;
    // A title entry may list a topic without a location: it is a title hit all the same.
    hit.InTitle = title ? (occurrences ? occurrences : 1) : 0;
    return true;
}

// Decodes the location codes of one entry into `run` (by topic, as they are stored).
FullTextStatus DecodeLocations(const FullTextIndex* x, const unsigned char* codes, uint32_t length,
                               uint32_t topics, bool title, uint32_t topicLimit, HitList* run) {
    BitReader r = {codes, codes + length, 0};
    uint64_t topic = 0;
    for (uint32_t i = 0; i < topics; i++) {
        uint32_t step, count;
        if (!ReadScaleRoot(&r, x->DocumentRoot, &step) || !ReadScaleRoot(&r, x->CountRoot, &count))
            return FullTextBadData;
        topic += step;
        if (topic > 0xFFFFFFFFu) return FullTextBadData;
        // Every location takes two bits at least: a count beyond the bits left is a lie.
        size_t bitsLeft = static_cast<size_t>(r.End - r.P) * 8 - r.Used;
        if (count > bitsLeft / 2) return FullTextBadData;
        for (uint32_t j = 0; j < count; j++) {
            uint32_t location;
            if (!ReadScaleRoot(&r, x->LocationRoot, &location)) return FullTextBadData;
        }
        Align(&r);
        if (topic < topicLimit && !Append(run, static_cast<uint32_t>(topic), count, title))
            return FullTextNoMemory;
    }
    return FullTextDone;
}

// Merges `run` into `all`, both sorted by topic; `run` is emptied.
bool Merge(HitList* all, HitList* run) {
    if (all->Count == 0) {
        std::swap(*all, *run);
        run->Count = 0;
        return true;
    }
    uint32_t most = all->Count + run->Count;
    FullTextHit* merged = static_cast<FullTextHit*>(malloc(most * sizeof(FullTextHit)));
    if (!merged) return false;
    uint32_t a = 0, b = 0, n = 0;
    while (a < all->Count || b < run->Count) {
        if (b == run->Count || (a < all->Count && all->Items[a].Topic < run->Items[b].Topic)) {
            merged[n++] = all->Items[a++];
        } else if (a == all->Count || run->Items[b].Topic < all->Items[a].Topic) {
            merged[n++] = run->Items[b++];
        } else {
            merged[n] = all->Items[a++];
            merged[n].Occurrences += run->Items[b].Occurrences;
            merged[n++].InTitle += run->Items[b++].InTitle;
        }
    }
    free(all->Items);
    all->Items = merged;
    all->Count = n;
    all->Capacity = most;
    run->Count = 0;
    return true;
}

// One leaf entry past its word.
struct LeafEntry {
    bool Title;
    uint32_t Topics, CodesOffset, CodesLength;
};

FullTextStatus ReadLeafFields(const unsigned char** cursor, const unsigned char* end, LeafEntry* e) {
    const unsigned char* p = *cursor;
    if (p >= end) return FullTextBadData;
    e->Title = *p++ == TitleEntry;
    if (ReadVariableInt(&p, end, &e->Topics) != 0 || end - p < LocationFieldsSize) return FullTextBadData;
    e->CodesOffset = ReadLe32(p);
    p += LocationFieldsSize;
    if (ReadVariableInt(&p, end, &e->CodesLength) != 0) return FullTextBadData;
    *cursor = p;
    return FullTextDone;
}

// Reads one matching entry's location codes and merges its topics into `all`.
FullTextStatus TakeEntry(FullTextIndex* x, const LeafEntry& e, uint32_t topicLimit, HitList* all,
                         HitList* run) {
    if (e.CodesOffset > x->Length || e.CodesLength > x->Length - e.CodesOffset) return FullTextTruncated;
    if (e.Topics > e.CodesLength) return FullTextBadData; // each topic's codes take a byte at least
    if (e.Topics == 0) return FullTextDone;
    unsigned char* codes = static_cast<unsigned char*>(malloc(e.CodesLength));
    if (!codes) return FullTextNoMemory;
    FullTextStatus status = FullTextDone;
    if (ReadObjectRange(x->Container, x->Record, e.CodesOffset, e.CodesLength, codes) != 0)
        status = FullTextUnreadable;
    else
        status = DecodeLocations(x, codes, e.CodesLength, e.Topics, e.Title, topicLimit, run);
    free(codes);
    x->WordsMatched++;
    x->LocationBytes += e.CodesLength;
    if (status == FullTextDone && !Merge(all, run)) status = FullTextNoMemory;
    return status;
}

// Descends from the root to the leaf that holds the first word not below `wanted`; *leaf is 0
// when every word sorts below it.
FullTextStatus FindLeaf(FullTextIndex* x, const char* wanted, uint32_t wantedLength, Node* node,
                        uint32_t* leaf) {
    uint32_t offset = x->RootOffset;
    char word[FullTextWordSize];
    for (uint32_t level = x->Depth; level > 1; level--) {
        FullTextStatus status = ReadNode(x, offset, IndexNodeHeader, 0, node);
        if (status != FullTextDone) return status;
        const unsigned char* p = node->Bytes + IndexNodeHeader;
        const unsigned char* end = node->Bytes + node->Used;
        uint32_t length = 0;
        bool found = false;
        while (p < end && !found) {
            status = ReadWord(&p, end, word, &length);
            if (status != FullTextDone) return status;
            if (end - p < ChildFieldsSize) return FullTextBadData;
            uint32_t child = ReadLe32(p);
            p += ChildFieldsSize;
            bool starts;
            if (CompareWord(x->Fold, word, length, wanted, wantedLength, &starts) >= 0) {
                offset = child;
                found = true;
            }
        }
        if (!found) {
            *leaf = 0;
            return FullTextDone;
        }
    }
    *leaf = offset;
    return FullTextDone;
}

bool AnswerOrder(const FullTextHit& a, const FullTextHit& b) {
    if ((a.InTitle != 0) != (b.InTitle != 0)) return a.InTitle != 0;
    if (a.Occurrences != b.Occurrences) return a.Occurrences > b.Occurrences;
    return a.Topic < b.Topic;
}

} // namespace

FullTextStatus OpenFullTextIndex(ChmContainer* container, FullTextIndex* x) {
    memset(x, 0, sizeof(*x));
    x->Container = container;
    for (unsigned b = 0; b < 256; b++)
        x->Fold[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
    const DirectoryRecord* record = container ? FindDirectoryRecord(container, IndexName) : nullptr;
    if (!record || record->Length == 0) return FullTextAbsent;
    if (record->Length < HeaderFieldsEnd) return FullTextTruncated;
    x->Record = record;
    unsigned char h[HeaderFieldsEnd];
    if (ReadObjectRange(container, record, 0, HeaderFieldsEnd, h) != 0) return FullTextUnreadable;
    if (memcmp(h, Signature, sizeof Signature) != 0) return FullTextBadSignature;
    x->Length = record->Length;
    x->Documents = ReadLe32(h + DocumentsField);
    x->RootOffset = ReadLe32(h + RootField);
    x->LeafCount = ReadLe32(h + LeafCountField);
    x->Depth = ReadLe16(h + DepthField);
    x->NodeSize = ReadLe32(h + NodeSizeField);
    x->CodePage = ReadLe32(h + CodePageField);
    x->LocaleId = ReadLe32(h + LocaleField);
    uint8_t* roots[3] = {&x->DocumentRoot, &x->CountRoot, &x->LocationRoot};
    for (int i = 0; i < 3; i++) {
        uint8_t scale = h[DocumentScaleField + 2 * i], root = h[DocumentScaleField + 2 * i + 1];
        if (scale != 2 || root == 0 || root > 31) return FullTextUnsupported;
        *roots[i] = root;
    }
    if (x->NodeSize < FullTextMinNodeSize || x->NodeSize > FullTextMaxNodeSize) return FullTextUnsupported;
    if (x->Depth == 0 || x->Depth > FullTextMaxDepth) return FullTextBadData;
    if (x->RootOffset > x->Length || x->NodeSize > x->Length - x->RootOffset) return FullTextTruncated;
    return FullTextDone;
}

FullTextStatus SearchFullText(FullTextIndex* x, const char* word, bool prefix, uint32_t topicLimit,
                              FullTextHit** hits, uint32_t* count) {
    *hits = nullptr;
    *count = 0;
    size_t wantedLength = strlen(word);
    if (wantedLength == 0 || wantedLength >= FullTextWordSize) return FullTextDone;
    char wanted[FullTextWordSize];
    for (size_t i = 0; i < wantedLength; i++)
        wanted[i] = static_cast<char>(x->Fold[static_cast<unsigned char>(word[i])]);
    const uint32_t length = static_cast<uint32_t>(wantedLength);

    Node node = {static_cast<unsigned char*>(malloc(x->NodeSize)), 0, 0};
    if (!node.Bytes) return FullTextNoMemory;
    HitList all = {nullptr, 0, 0}, run = {nullptr, 0, 0};
    uint32_t leaf;
    FullTextStatus status = FindLeaf(x, wanted, length, &node, &leaf);
    char stored[FullTextWordSize];
    bool past = false;
    while (status == FullTextDone && leaf && !past) {
        status = ReadNode(x, leaf, LeafNodeHeader, LeafFreeField, &node);
        if (status != FullTextDone) break;
        const unsigned char* p = node.Bytes + LeafNodeHeader;
        const unsigned char* end = node.Bytes + node.Used;
        uint32_t storedLength = 0;
        while (status == FullTextDone && p < end && !past) {
            LeafEntry e;
            status = ReadWord(&p, end, stored, &storedLength);
            if (status == FullTextDone) status = ReadLeafFields(&p, end, &e);
            if (status != FullTextDone) break;
            x->EntriesRead++;
            bool starts;
            int order = CompareWord(x->Fold, stored, storedLength, wanted, length, &starts);
            if (prefix ? starts : order == 0)
                status = TakeEntry(x, e, topicLimit, &all, &run);
            else if (order > 0)
                past = true;
        }
        if (status != FullTextDone || past) break;
        uint32_t next = ReadLe32(node.Bytes + LeafNextField);
        if (next != 0 && next <= leaf) status = FullTextBadData; // a chain leads forward only
        leaf = next;
    }
    free(node.Bytes);
    free(run.Items);
    if (status != FullTextDone) {
        free(all.Items);
        return status;
    }
    std::sort(all.Items, all.Items + all.Count, AnswerOrder);
    *hits = all.Items;
    *count = all.Count;
    return FullTextDone;
}

void FullTextFoldTable(const char32_t* upperHalf, unsigned char fold[256]) {
    for (unsigned b = 0; b < 256; b++) {
        fold[b] = static_cast<unsigned char>(b);
        char32_t c = b < 0x80 ? b : upperHalf ? upperHalf[b - 0x80] : 0xFFFD;
        char32_t lower = c < 0x10000 ? FoldCase(static_cast<char16_t>(c)) : c;
        if (lower == c) continue;
        if (lower < 0x80) {
            fold[b] = static_cast<unsigned char>(lower);
            continue;
        }
        for (unsigned t = 0x80; upperHalf && t < 256; t++)
            if (upperHalf[t - 0x80] == lower) {
                fold[b] = static_cast<unsigned char>(t);
                break;
            }
    }
}

bool FullTextWordBytes(const char16_t* word, size_t length, const char32_t* upperHalf, char* out,
                       size_t size) {
    if (length >= size) return false;
    for (size_t i = 0; i < length; i++) {
        char16_t c = word[i];
        int byte = c < 0x80 ? c : -1;
        if (c == 0xFFFD) return false; // what undefined bytes and malformed text decode to
        for (unsigned b = 0x80; byte < 0 && upperHalf && b < 256; b++)
            if (upperHalf[b - 0x80] == c) byte = static_cast<int>(b);
        if (byte <= 0) return false;
        out[i] = static_cast<char>(byte);
    }
    out[length] = 0;
    return true;
}
