// A test-only writer of full-text indexes ("/$FIftiMain") in the published layout, for what no
// compiler at hand writes: words in 8-bit code pages beyond ASCII, other root sizes and node
// sizes, and damaged shapes (it records where it put each node and entry). Also a help file
// around such an index, with its four topic tables.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "chm_builder.h"

struct IndexedTopic {
    uint32_t Topic;
    std::vector<uint32_t> Locations; // ascending
};

struct IndexedWord {
    std::string Word;                 // as stored (the writer sorts nothing)
    bool Title;                       // the word's title entry
    std::vector<IndexedTopic> Topics; // ascending
};

struct FullTextWriter {
    std::vector<IndexedWord> Words;
    uint32_t NodeSize = 4096;
    uint8_t Scales[3] = {2, 2, 2};
    uint8_t Roots[3] = {1, 1, 4}; // topic steps, location counts, location steps
    uint32_t Documents = 0;
    uint32_t CodePage = 1252, Locale = 0x409;
    bool ZeroAfterCodes = false; // a zero byte after each word's codes, as Microsoft's compiler may

    // Where Build put things (offsets in the index), for tests that damage them.
    struct Placed {
        uint32_t Entry;       // the leaf entry
        uint32_t CountField;  // its topic count
        uint32_t CodesField;  // its codes' offset field
        uint32_t LengthField; // its codes' length
        uint32_t Codes, CodesLength;
    };
    std::vector<Placed> Entries;      // one per word, in order
    std::vector<uint32_t> Leaves;     // in order
    std::vector<uint32_t> IndexNodes; // in the order written, the root last
    uint32_t Root = 0, Depth = 0;

    Bytes Build();
};

// The scale-and-root code of one value (scale 2), as bits "0"/"1".
std::string ScaleRootBits(uint32_t value, unsigned root);

struct HelpTopic {
    std::string Title, Page; // the page without its leading "/"
};

// A help file holding the index as "/$FIftiMain" (in the compressed section while it fits one
// window, else in section 0) and the four topic tables of `topics`, in that order.
Bytes HelpFileWithIndex(const Bytes& index, const std::vector<HelpTopic>& topics);
