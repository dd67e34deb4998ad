// A test-only writer of keyword indexes: "/$WWKeywordLinks/BTree" in the published layout (the
// entry counts, links and left children right, as Microsoft's compiler writes them), with knobs
// for Free Pascal's quirks and for damaged shapes; and the four topic tables a help file needs,
// so that a whole help file can be built around an index (ChmBuilder).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "chm_builder.h"

struct WrittenEntry {
    std::u16string Keyword; // flattened
    uint16_t Depth;
    uint32_t OwnPart;
    bool SeeAlso;
    std::u16string Target;
    std::vector<uint32_t> Topics;
};

// A top-level keyword with its topics; a sub-keyword "Parent, Child" (its depth and own part from
// the last ", "); a see-also entry.
WrittenEntry Keyword(const std::u16string& keyword, std::vector<uint32_t> topics);
WrittenEntry SubKeyword(const std::u16string& keyword, std::vector<uint32_t> topics);
WrittenEntry SeeAlso(const std::u16string& keyword, const std::u16string& target);

struct KeywordIndexWriter {
    uint32_t BlockSize = 2048;
    uint32_t MaxEntriesPerBlock = 0; // 0: as many as fit; a small number makes deep trees
    bool FreePascal = false;         // index blocks' counts 0, a listing block's "next" its own number
    // Header fields written instead of the true ones (-1: the true one).
    int64_t HeaderBlockSize = -1, HeaderDepth = -1, HeaderBlockCount = -1, HeaderRoot = -1,
            HeaderLastListing = -1;

    // What Build made: the blocks, the listing blocks and the levels of the tree.
    uint32_t Blocks = 0, ListingBlocks = 0, Levels = 0;
    uint32_t Root = 0;

    std::string Build(const std::vector<WrittenEntry>& entries);
};

// Where block n of a written index begins.
inline size_t BlockAt(const KeywordIndexWriter& w, uint32_t n) {
    return 0x4C + static_cast<size_t>(n) * w.BlockSize;
}

struct HelpTopic {
    std::string Title; // as stored in "/#STRINGS"
    std::string Path;  // without the leading "/"
};

// The four topic tables (/#TOPICS, /#STRINGS, /#URLTBL, /#URLSTR) of the topics, in order.
std::vector<std::pair<std::string, std::string>> TopicTableObjects(const std::vector<HelpTopic>& topics);

// A help file: the topic tables, a page for every distinct path ("<p>" + path), a "/#SYSTEM"
// recording the language id, and the keyword index when one is given.
Bytes BuildHelpFile(const std::vector<HelpTopic>& topics, const std::string& keywordIndex,
                    uint32_t languageId = 0x409);
