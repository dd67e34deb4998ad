// Test-only writer of full-text indexes; see fulltext_writer.h. The layout is the reader's
// (modules/kestro/find/fulltext.cpp); the order of things is Free Pascal's compiler's: the header,
// then each word's location codes followed by its leaf once the leaf is full, the index nodes
// last, the root the very last.
#include "fulltext_writer.h"

#include <string.h>

namespace {

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void Append16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

void Append32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; i++)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// Least significant group first, as the leaf entries store them.
void AppendVariable(Bytes& b, uint32_t v) {
    do {
        b.push_back(static_cast<unsigned char>((v & 0x7F) | (v > 0x7F ? 0x80 : 0)));
        v >>= 7;
    } while (v);
}

size_t SharedPrefix(const std::string& a, const std::string& b) {
    size_t n = 0;
    while (n < a.size() && n < b.size() && n < 255 && a[n] == b[n])
        n++;
    return n;
}

// Word length + 1, bytes shared with the previous word, the rest.
void AppendWord(Bytes& b, const std::string& word, const std::string& previous) {
    size_t shared = SharedPrefix(word, previous);
    b.push_back(static_cast<unsigned char>(word.size() - shared + 1));
    b.push_back(static_cast<unsigned char>(shared));
    b.insert(b.end(), word.begin() + static_cast<long>(shared), word.end());
}

Bytes Codes(const FullTextWriter& w, const IndexedWord& word) {
    Bytes out;
    uint32_t previousTopic = 0;
    for (const IndexedTopic& t : word.Topics) {
        std::string bits = ScaleRootBits(t.Topic - previousTopic, w.Roots[0]);
        previousTopic = t.Topic;
        bits += ScaleRootBits(static_cast<uint32_t>(t.Locations.size()), w.Roots[1]);
        uint32_t previous = 0;
        for (uint32_t location : t.Locations) {
            bits += ScaleRootBits(location - previous, w.Roots[2]);
            previous = location;
        }
        while (bits.size() % 8)
            bits += '0';
        for (size_t i = 0; i < bits.size(); i += 8) {
            unsigned char byte = 0;
            for (size_t j = 0; j < 8; j++)
                byte = static_cast<unsigned char>(byte << 1 | (bits[i + j] == '1'));
            out.push_back(byte);
        }
    }
    if (w.ZeroAfterCodes) out.push_back(0);
    return out;
}

struct Child {
    std::string LastWord;
    uint32_t Offset;
};

} // namespace

std::string ScaleRootBits(uint32_t value, unsigned root) {
    unsigned length = 0;
    while (length < 32 && value >> length)
        length++;
    std::string bits;
    if (length <= root) {
        bits = "0";
        for (int i = static_cast<int>(root) - 1; i >= 0; i--)
            bits += (value >> i & 1) ? '1' : '0';
        return bits;
    }
    bits.assign(length - root, '1');
    bits += '0';
    for (int i = static_cast<int>(length) - 2; i >= 0; i--)
        bits += (value >> i & 1) ? '1' : '0';
    return bits;
}

Bytes FullTextWriter::Build() {
    Entries.clear(), Leaves.clear(), IndexNodes.clear();
    Bytes out(0x400, 0);
    std::vector<Child> children;
    Bytes leaf;
    std::string previous, last;
    std::vector<Placed> pending; // entries of the open leaf, offsets within it
    auto flushLeaf = [&]() {
        if (leaf.empty()) return;
        uint32_t at = static_cast<uint32_t>(out.size());
        Put16(leaf, 6, NodeSize - static_cast<uint32_t>(leaf.size()));
        leaf.resize(NodeSize, 0);
        if (!Leaves.empty()) PutLe32(out, Leaves.back(), at); // the previous leaf links here
        out.insert(out.end(), leaf.begin(), leaf.end());
        for (Placed p : pending) {
            p.Entry += at, p.CountField += at, p.CodesField += at, p.LengthField += at;
            Entries.push_back(p);
        }
        pending.clear();
        Leaves.push_back(at);
        children.push_back({last, at});
        leaf.clear();
        previous.clear();
    };
    for (const IndexedWord& word : Words) {
        Bytes codes = Codes(*this, word);
        Bytes entry;
        AppendWord(entry, word.Word, previous);
        entry.push_back(word.Title ? 1 : 0);
        uint32_t countField = static_cast<uint32_t>(entry.size());
        AppendVariable(entry, static_cast<uint32_t>(word.Topics.size()));
        uint32_t codesField = static_cast<uint32_t>(entry.size());
        Append32(entry, static_cast<uint32_t>(out.size()));
        Append16(entry, 0);
        uint32_t lengthField = static_cast<uint32_t>(entry.size());
        AppendVariable(entry, static_cast<uint32_t>(codes.size()));
        if (!leaf.empty() && leaf.size() + entry.size() > NodeSize) {
            // The full leaf goes first; the entry is written again against a fresh leaf, with
            // the codes' new place.
            flushLeaf();
            entry.clear();
            AppendWord(entry, word.Word, previous);
            entry.push_back(word.Title ? 1 : 0);
            countField = static_cast<uint32_t>(entry.size());
            AppendVariable(entry, static_cast<uint32_t>(word.Topics.size()));
            codesField = static_cast<uint32_t>(entry.size());
            Append32(entry, static_cast<uint32_t>(out.size()));
            Append16(entry, 0);
            lengthField = static_cast<uint32_t>(entry.size());
            AppendVariable(entry, static_cast<uint32_t>(codes.size()));
        }
        if (leaf.empty()) leaf.assign(8, 0);
        uint32_t codesAt = static_cast<uint32_t>(out.size());
        out.insert(out.end(), codes.begin(), codes.end());
        uint32_t e = static_cast<uint32_t>(leaf.size());
        pending.push_back({e, e + countField, e + codesField, e + lengthField, codesAt,
                           static_cast<uint32_t>(codes.size())});
        leaf.insert(leaf.end(), entry.begin(), entry.end());
        previous = last = word.Word;
    }
    if (leaf.empty()) leaf.assign(8, 0); // an index of no words still has its leaf
    flushLeaf();

    Depth = 1;
    while (children.size() > 1) {
        std::vector<Child> parents;
        Bytes node(2, 0);
        std::string before, lastOfNode;
        auto flushNode = [&]() {
            uint32_t at = static_cast<uint32_t>(out.size());
            Put16(node, 0, NodeSize - static_cast<uint32_t>(node.size()));
            node.resize(NodeSize, 0);
            out.insert(out.end(), node.begin(), node.end());
            IndexNodes.push_back(at);
            parents.push_back({lastOfNode, at});
            node.assign(2, 0);
            before.clear();
        };
        for (const Child& c : children) {
            Bytes entry;
            AppendWord(entry, c.LastWord, before);
            Append32(entry, c.Offset);
            Append16(entry, 0);
            if (node.size() > 2 && node.size() + entry.size() > NodeSize) {
                flushNode();
                entry.clear();
                AppendWord(entry, c.LastWord, before);
                Append32(entry, c.Offset);
                Append16(entry, 0);
            }
            node.insert(node.end(), entry.begin(), entry.end());
            before = lastOfNode = c.LastWord;
        }
        flushNode();
        children = parents;
        Depth++;
    }
    Root = children[0].Offset;

    const unsigned char signature[4] = {0x00, 0x00, 0x28, 0x00};
    memcpy(out.data(), signature, 4);
    PutLe32(out, 0x04, Documents);
    PutLe32(out, 0x08, Root);
    PutLe32(out, 0x10, static_cast<uint32_t>(Leaves.size()));
    PutLe32(out, 0x14, Root);
    Put16(out, 0x18, Depth);
    PutLe32(out, 0x1A, 7);
    for (int i = 0; i < 3; i++) {
        out[0x1E + 2 * i] = Scales[i];
        out[0x1F + 2 * i] = Roots[i];
    }
    PutLe32(out, 0x2E, NodeSize);
    PutLe32(out, 0x7A, CodePage);
    PutLe32(out, 0x7E, Locale);
    return out;
}

Bytes HelpFileWithIndex(const Bytes& index, const std::vector<HelpTopic>& topics) {
    std::string topicTable, strings(1, '\0'), urlTable, urlStrings;
    for (size_t i = 0; i < topics.size(); i++) {
        Bytes entry(16, 0), url(12, 0);
        PutLe32(entry, 4, static_cast<uint32_t>(strings.size()));
        PutLe32(entry, 8, static_cast<uint32_t>(urlTable.size()));
        PutLe32(url, 4, static_cast<uint32_t>(i));
        PutLe32(url, 8, static_cast<uint32_t>(urlStrings.size()));
        strings += topics[i].Title + '\0';
        urlStrings += std::string(8, '\0') + topics[i].Page + '\0';
        topicTable.append(entry.begin(), entry.end());
        urlTable.append(url.begin(), url.end());
    }
    ChmBuilder b;
    std::string fti(index.begin(), index.end());
    size_t tables = topicTable.size() + strings.size() + urlTable.size() + urlStrings.size();
    if (fti.size() + tables < 60000)
        b.Compressed.push_back({"/$FIftiMain", fti});
    else
        b.Plain.push_back({"/$FIftiMain", fti});
    b.Compressed.push_back({"/#TOPICS", topicTable});
    b.Compressed.push_back({"/#STRINGS", strings});
    b.Compressed.push_back({"/#URLTBL", urlTable});
    b.Compressed.push_back({"/#URLSTR", urlStrings});
    return b.Build();
}
