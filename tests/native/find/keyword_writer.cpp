// The test-only keyword index writer (see keyword_writer.h).
#include "keyword_writer.h"

#include <set>

namespace {

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8 & 0xFF);
}

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; i++)
        s += static_cast<char>(v >> (8 * i) & 0xFF);
}

void Set16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

void Set32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++)
        s[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}

void PutWide(std::string& s, const std::u16string& text) {
    for (char16_t c : text)
        Put16(s, c);
    Put16(s, 0);
}

// An entry's bytes up to its tail.
std::string EntryBody(const WrittenEntry& e) {
    std::string s;
    PutWide(s, e.Keyword);
    Put16(s, e.SeeAlso ? 2 : 0);
    Put16(s, e.Depth);
    Put32(s, e.OwnPart);
    Put32(s, 0);
    Put32(s, e.SeeAlso ? 1 : static_cast<uint32_t>(e.Topics.size()));
    if (e.SeeAlso)
        PutWide(s, e.Target);
    else
        for (uint32_t t : e.Topics)
            Put32(s, t);
    return s;
}

struct Block {
    std::string Entries;
    uint32_t Count = 0;
    uint32_t Left = 0; // index blocks: the first child
    const WrittenEntry* First = nullptr;
};

} // namespace

WrittenEntry Keyword(const std::u16string& keyword, std::vector<uint32_t> topics) {
    return {keyword, 0, 0, false, u"", topics};
}

WrittenEntry SubKeyword(const std::u16string& keyword, std::vector<uint32_t> topics) {
    size_t comma = keyword.rfind(u", ");
    uint16_t depth = 0;
    for (size_t at = keyword.find(u", "); at != std::u16string::npos; at = keyword.find(u", ", at + 2))
        depth++;
    return {keyword, depth, static_cast<uint32_t>(comma + 2), false, u"", topics};
}

WrittenEntry SeeAlso(const std::u16string& keyword, const std::u16string& target) {
    return {keyword, 0, 0, true, target, {}};
}

std::string KeywordIndexWriter::Build(const std::vector<WrittenEntry>& entries) {
    const uint32_t listingHead = 12, indexHead = 8;
    std::vector<Block> listing(1);
    uint32_t counter = 0;
    for (const WrittenEntry& e : entries) {
        std::string bytes = EntryBody(e);
        Put32(bytes, 1);
        Put32(bytes, counter);
        counter += 13;
        Block* b = &listing.back();
        bool full = listingHead + b->Entries.size() + bytes.size() > BlockSize ||
                    (MaxEntriesPerBlock && b->Count == MaxEntriesPerBlock);
        if (full && b->Count > 0) {
            listing.emplace_back();
            b = &listing.back();
        }
        if (!b->First) b->First = &e;
        b->Entries += bytes;
        b->Count++;
    }
    ListingBlocks = static_cast<uint32_t>(listing.size());
    std::vector<Block> all = listing;
    // Levels of index blocks above, until one block holds them all. A block's first child is its
    // left one; Free Pascal lists it as an entry too, the very first with an empty keyword.
    uint32_t firstOfLevel = 0, countOfLevel = ListingBlocks;
    Levels = 1;
    while (countOfLevel > 1) {
        std::vector<Block> level;
        for (uint32_t i = 0; i < countOfLevel; i++) {
            uint32_t child = firstOfLevel + i;
            const WrittenEntry* key = all[child].First;
            WrittenEntry shown = {
                FreePascal && i == 0 ? u"" : key->Keyword, key->Depth, key->OwnPart, false, u"", {}};
            if (FreePascal && i == 0) shown.Depth = 0, shown.OwnPart = 0;
            std::string bytes = EntryBody(shown);
            Put32(bytes, child);
            bool full = level.empty() || indexHead + level.back().Entries.size() + bytes.size() > BlockSize ||
                        (MaxEntriesPerBlock && level.back().Count == MaxEntriesPerBlock);
            if (full) {
                level.emplace_back();
                level.back().Left = child;
                level.back().First = key;
                if (!FreePascal) continue;
            }
            level.back().Entries += bytes;
            level.back().Count++;
        }
        firstOfLevel = static_cast<uint32_t>(all.size());
        countOfLevel = static_cast<uint32_t>(level.size());
        all.insert(all.end(), level.begin(), level.end());
        Levels++;
    }
    Blocks = static_cast<uint32_t>(all.size());
    Root = Blocks - 1;

    std::string out(0x4C, '\0');
    Set16(out, 0, 0x293B);
    Set16(out, 2, FreePascal ? 2 : 0x104);
    Set16(out, 4, static_cast<uint32_t>(HeaderBlockSize >= 0 ? HeaderBlockSize : BlockSize));
    out.replace(6, 3, "X44");
    Set32(out, 0x1A, static_cast<uint32_t>(HeaderLastListing >= 0 ? HeaderLastListing : ListingBlocks - 1));
    Set32(out, 0x1E, static_cast<uint32_t>(HeaderRoot >= 0 ? HeaderRoot : Root));
    Set32(out, 0x22, 0xFFFFFFFFu);
    Set32(out, 0x26, static_cast<uint32_t>(HeaderBlockCount >= 0 ? HeaderBlockCount : Blocks));
    Set16(out, 0x2A, static_cast<uint32_t>(HeaderDepth >= 0 ? HeaderDepth : Levels));
    Set32(out, 0x2C, static_cast<uint32_t>(entries.size()));
    Set32(out, 0x30, 1252);
    Set32(out, 0x34, 0x409);
    for (uint32_t n = 0; n < Blocks; n++) {
        const Block& b = all[n];
        bool isListing = n < ListingBlocks;
        std::string block;
        uint32_t head = isListing ? listingHead : indexHead;
        Put16(block, BlockSize - head - static_cast<uint32_t>(b.Entries.size()));
        Put16(block, isListing || !FreePascal ? b.Count : 0);
        if (isListing) {
            Put32(block, n == 0 ? 0xFFFFFFFFu : n - 1);
            Put32(block, FreePascal ? n : n + 1 < ListingBlocks ? n + 1 : 0xFFFFFFFFu);
        } else {
            Put32(block, b.Left);
        }
        block += b.Entries;
        block.resize(BlockSize, '\0');
        out += block;
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> TopicTableObjects(const std::vector<HelpTopic>& topics) {
    std::string topicTable, strings(1, '\0'), urlTable, urlStrings;
    for (const HelpTopic& topic : topics) {
        Put32(topicTable, 0);
        Put32(topicTable, static_cast<uint32_t>(strings.size()));
        Put32(topicTable, static_cast<uint32_t>(urlTable.size()));
        Put32(topicTable, 0);
        strings += topic.Title + '\0';
        Put32(urlTable, 0);
        Put32(urlTable, 0);
        Put32(urlTable, static_cast<uint32_t>(urlStrings.size()));
        urlStrings += std::string(8, '\0') + topic.Path + '\0';
    }
    return {
        {"/#TOPICS", topicTable}, {"/#STRINGS", strings}, {"/#URLTBL", urlTable}, {"/#URLSTR", urlStrings}};
}

Bytes BuildHelpFile(const std::vector<HelpTopic>& topics, const std::string& keywordIndex,
                    uint32_t languageId) {
    ChmBuilder b;
    b.Plain = TopicTableObjects(topics);
    std::string system;
    Put32(system, 3);
    Put16(system, 4);
    Put16(system, 4);
    Put32(system, languageId);
    b.Plain.push_back({"/#SYSTEM", system});
    if (!keywordIndex.empty()) b.Plain.push_back({"/$WWKeywordLinks/BTree", keywordIndex});
    std::set<std::string> pages;
    for (const HelpTopic& topic : topics) {
        std::string path = "/" + topic.Path.substr(0, topic.Path.find('#'));
        if (pages.insert(path).second) b.Plain.push_back({path, "<p>" + topic.Path});
    }
    return b.Build();
}
