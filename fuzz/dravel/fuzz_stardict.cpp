// fuzz_stardict: a StarDict dictionary of arbitrary description, index, synonyms and body, looked
// up with an arbitrary keyword and every article found laid out as the result file has it (the
// markup through the renderer, in code page 866): no more than the limit offered, each beginning
// with the keyword without regard to case, every article within the article limit.
//
// Input: byte 0 flags (bit 0: the index is NAME.idx.gz, bit 1: the body is NAME.dict.dz), byte 1
// the candidate limit (1..32), byte 2 the keyword's length, then the lengths (16-bit) of the
// description, index and synonyms, then the keyword, the three files, and the rest is the body.
#include <vector>

#include "articletext.h"
#include "fuzz_files.h"
#include "stardict.h"
#include "unicase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    unsigned flags = in.Byte();
    size_t limit = in.Byte() % 32 + 1;
    size_t keywordLength = in.Byte() % 32;
    size_t ifoLength = in.Length(), idxLength = in.Length(), synLength = in.Length();
    std::string keyword = in.Piece(keywordLength);
    std::string base = fuzz::Folder("fuzz-stardict-") + "/d";
    for (const char* name : {".idx", ".idx.gz", ".syn", ".dict", ".dict.dz"})
        dravel::RemoveFile((base + name).c_str());
    fuzz::WriteAll(base + ".ifo", in.Piece(ifoLength));
    fuzz::WriteAll(base + (flags & 1 ? ".idx.gz" : ".idx"), in.Piece(idxLength));
    fuzz::WriteAll(base + ".syn", in.Piece(synLength));
    fuzz::WriteAll(base + (flags & 2 ? ".dict.dz" : ".dict"), in.Rest());

    dravel::StarDictDictionary dict;
    if (dict.Open((base + ".ifo").c_str()) != dravel::Error::None) return 0;
    std::vector<dravel::StarDictHeadword> found;
    bool more = false;
    if (dict.Find(keyword, limit, &found, &more) != dravel::Error::None) {
        fuzz::Check(found.empty());
        return 0;
    }
    fuzz::Check(found.size() <= limit && (!more || found.size() == limit));
    std::string folded = dravel::LowerCaseUtf8(keyword.data(), keyword.size());
    TextTarget target;
    InitTextTarget(&target, BuiltInUpperHalf(866));
    for (const dravel::StarDictHeadword& h : found) {
        fuzz::Check(dravel::LowerCaseUtf8(h.shown.data(), h.shown.size()).compare(0, folded.size(), folded) ==
                    0);
        std::vector<dravel::StarDictEntryText> entries;
        for (uint32_t entry : h.entries) {
            entries.emplace_back();
            if (dict.Article(entry, &entries.back().word, &entries.back().fields) != dravel::Error::None) {
                entries.pop_back();
                continue;
            }
            size_t total = 0;
            for (const dravel::StarDictField& f : entries.back().fields)
                total += f.data.size();
            fuzz::Check(total <= dravel::ArticleByteLimit);
        }
        std::u32string text;
        fuzz::Check(dravel::StarDictText(entries, &target, &text) == dravel::Error::None);
        TextInTarget(text, target);
    }
    return 0;
}
