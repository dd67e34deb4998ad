// Test-only builders of the bad-input files (see badfiles.h).
#include "badfiles.h"

#include "lzx_writer.h"

namespace {

std::string Le32(uint32_t v) {
    std::string s(4, 0);
    for (int i = 0; i < 4; i++)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

} // namespace

Bytes ExpansionBomb(uint32_t section, uint32_t aliases, bool untrusted) {
    LzxWriter w(16);
    std::vector<LzxToken> tokens = {Lit('A')};
    for (int i = 0; i < 127; i++)
        tokens.push_back(Repeat(257, 0));
    tokens.push_back(Repeat(128, 0)); // the first frame ends at 32 KB: no match crosses it
    for (int i = 0; i < 128; i++)
        tokens.push_back(Repeat(256, 0));
    w.Verbatim(tokens);
    Bytes window = w.Finish();
    std::vector<uint64_t> frames = w.FrameStarts(); // 0, the second frame, the end
    ChmBuilder b;
    b.Compressed = {{"/first.html", std::string(1000, 'A')}};
    const uint32_t windows = section / 65536;
    for (uint32_t k = 0; k < windows; k++) {
        b.Stream.insert(b.Stream.end(), window.begin(), window.end());
        b.ResetEntries.push_back(uint64_t(k) * window.size() + frames[1]);
        b.ResetEntries.push_back(uint64_t(k + 1) * window.size());
    }
    b.ResetEntries.pop_back();
    b.ResetUncompressed = section;
    b.SpanInfoLength = section;
    b.Raw = {{"/last.html", 1, section - 1000, 1000}, {"/whole", 1, 0, section}};
    uint32_t at = section - 64 * 1024, alias = 0;
    for (uint32_t i = 0; i < aliases; i++)
        b.MoreSections.push_back("MSCompressed");
    for (const char* table : {"/#TOPICS", "/#STRINGS", "/#URLTBL", "/#URLSTR"}) {
        b.Raw.push_back({table, aliases ? 2 + alias++ % aliases : 1, at, 4096});
        at += 4096;
    }
    if (untrusted) b.FrameLength = 0x10000;
    return b.Build();
}

Bytes NameListAgainstDirectory() {
    ChmBuilder b;
    b.Plain = {{"/n1", "one"}, {"/n2", "two"}};
    for (uint32_t i = 2; i < SectionNames; i++)
        b.MoreSections.push_back(i == 100 ? "s00100" : i == 65534 ? "s65534" : "x");
    b.Raw = {{"::DataSpace/Storage/s00100/Content", 0, 10, 1},
             {"::DataSpace/Storage/s65534/Content", 0, 30, 1},
             {"::DataSpace/Storage/s00100/Content", 0, 20, 1}};
    while (b.Raw.size() < PlainObjects)
        b.Raw.push_back({"/n" + std::to_string(b.Raw.size() % 3), 0, 0, 3});
    return b.Build();
}

Bytes RepeatedListingEntries() {
    ChmBuilder b;
    b.ChunkSize = 512;
    for (int i = 0; i < 20; i++)
        b.Plain.push_back({"/r" + std::to_string(10 + i), "object " + std::to_string(i)});
    b.Build();
    std::vector<ChmBuilder::Entry> entries(b.Directory.begin(), b.Directory.begin() + 20);
    for (int copy = 0; copy < 2000; copy++)
        b.Raw.insert(b.Raw.end(), entries.begin(), entries.end());
    return b.Build();
}

Bytes TinyEntries() {
    ChmBuilder b;
    b.Plain = {{"/plain.txt", "plain bytes"}};
    for (uint32_t i = 0; i < 700000; i++)
        b.Raw.push_back({std::string("/") + static_cast<char>(' ' + i % 90), 0, 0, 0});
    return b.Build();
}

Bytes MillionMatchingTitles() {
    std::string topic = Le32(0) + Le32(1) + Le32(0) + Le32(0);
    std::string topics;
    topics.reserve(size_t(MatchingTitles) * 16);
    for (uint32_t i = 0; i < MatchingTitles; i++)
        topics += topic;
    ChmBuilder b;
    b.Plain = {{"/#TOPICS", topics},
               {"/#STRINGS", std::string("\0Title\0", 7)},
               {"/#URLTBL", Le32(0) + Le32(0) + Le32(0)},
               {"/#URLSTR", std::string("\0\0\0\0page.html\0", 14)},
               {"/page.html", "<html>the page</html>"}};
    return b.Build();
}

Bytes E8SizeWithHighBit(uint32_t size) {
    LzxWriter w(16);
    w.E8FileSize(size);
    const char text[] = "<html>\xE8\x10\0\0\0 page</html>";
    std::string page(text, sizeof text - 1);
    w.Uncompressed(std::vector<unsigned char>(page.begin(), page.end()), 1, 1, 1);
    ChmBuilder b;
    b.Compressed = {{"/page.html", page}};
    b.Stream = w.Finish();
    return b.Build();
}
