// libFuzzer target: arbitrary bytes as a help file's full-text index "/$FIftiMain", beside the
// topic tables of tests/data/chm/fulltext.chm, searched for words whole and as prefixes that take
// the descent down every branch. An index of up to 60,000 bytes goes into the compressed section
// (read span by span), a larger one into section 0 (read from the file), as real files do either.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

#include "chm_builder.h"
#include "find/fulltext.h"
#include "find/topics.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Objects;

// The fixture's topic tables, read once.
const Objects& Tables() {
    static Objects tables;
    if (!tables.empty()) return tables;
    ChmContainer* c = OpenContainer(LUMIVO_SOURCE_DIR "/tests/data/chm/fulltext.chm");
    if (!c) abort();
    for (const char* name : {"/#TOPICS", "/#STRINGS", "/#URLTBL", "/#URLSTR"}) {
        unsigned char* data;
        uint32_t length;
        if (ReadObject(c, name, &data, &length) != 0) abort();
        tables.push_back({name, std::string(reinterpret_cast<char*>(data), length)});
        FreeObject(data);
    }
    CloseContainer(c);
    return tables;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ChmBuilder b;
    std::string index(reinterpret_cast<const char*>(data), size);
    (size <= 60000 ? b.Compressed : b.Plain).push_back({"/$FIftiMain", index});
    for (const auto& t : Tables())
        b.Compressed.push_back(t);
    Bytes file = b.Build();
    ChmContainer* c = OpenContainerFile(ChmFileOpenMemory(file.data(), file.size()));
    if (!c) return 0;
    FullTextIndex x;
    if (OpenFullTextIndex(c, &x) == FullTextDone) {
        FullTextFoldTable(nullptr, x.Fold);
        const std::pair<const char*, bool> searches[] = {{"river", false}, {"the", false}, {"a", true},
                                                         {"ma", true},     {"zz", false},  {"\xE9", true}};
        for (const auto& s : searches) {
            FullTextHit* hits;
            uint32_t count;
            if (SearchFullText(&x, s.first, s.second, 16, &hits, &count) == FullTextDone) {
                for (uint32_t i = 0; i < count; i++)
                    if (hits[i].Topic >= 16) abort(); // past the limit given
                FreeObject(hits);
            }
        }
    }
    CloseContainer(c);
    return 0;
}
