// fuzz_dictd: a dictd dictionary of arbitrary index and body bytes, looked up with an arbitrary
// keyword: every headword offered begins with the keyword in the index's collation, no more than
// the limit are offered, and every article read stays within the article limit.
//
// Input: byte 0 the candidate limit (1..32), byte 1 the keyword's length, bytes 2-3 the index's
// length (little-endian), then the keyword, the index, and the rest is the body (a gzip body is
// read as gzip, whatever its name).
#include <string.h>

#include <vector>

#include "dictd.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    size_t limit = in.Byte() % 32 + 1;
    size_t keywordLength = in.Byte() % 32;
    size_t indexLength = in.Length();
    std::string keyword = in.Piece(keywordLength);
    std::string index = in.Piece(indexLength);
    std::string base = fuzz::Folder("fuzz-dictd-") + "/d";
    fuzz::WriteAll(base + ".index", index);
    fuzz::WriteAll(base + ".dict", in.Rest());

    dravel::DictdDictionary dict;
    if (dict.Open((base + ".index").c_str()) != dravel::Error::None) return 0;
    std::vector<dravel::DictdHeadword> found;
    bool more = false;
    if (dict.Find(keyword, limit, &found, &more) != dravel::Error::None) {
        fuzz::Check(found.empty());
        return 0;
    }
    fuzz::Check(found.size() <= limit && (!more || found.size() == limit));
    std::string key = dravel::DictdKey(keyword.data(), keyword.size(), dict.Collation());
    for (const dravel::DictdHeadword& h : found) {
        fuzz::Check(h.key.compare(0, key.size(), key) == 0 && !h.articles.empty());
        std::string text;
        if (dict.Articles(h, &text) == dravel::Error::None)
            fuzz::Check(text.size() <= dravel::ArticleByteLimit + 1);
        else
            fuzz::Check(text.empty());
    }
    return 0;
}
