// libFuzzer target: the keyword index reader and the ranked search over arbitrary bytes. The first
// byte chooses what the rest is in a small help file with topic tables: its binary index
// "/$WWKeywordLinks/BTree" (even) or its sitemap index "/help.hhk" (odd). Every keyword is listed,
// a few prefixes are looked up, and a ranked answer is built, as the module builds it.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "chm/container.h"
#include "find/answer.h"
#include "find/keywords.h"
#include "find/ranking.h"
#include "keyword_writer.h"
#include "text/charsets.h"
#include "text/htmltext.h"

namespace {

bool Touch(void* context, const KeywordEntry& e) {
    size_t* total = static_cast<size_t*>(context);
    *total += e.Keyword.size() + e.Target.size() + e.Topics.size() + e.Pages.size();
    return *total < (1u << 24);
}

void MenuText(void*, const char16_t* text, size_t length, char* out, size_t size) {
    size_t n = 0;
    for (size_t i = 0; i < length && n + 1 < size; i++)
        out[n++] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    out[n] = 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    ChmBuilder b;
    b.Plain =
        TopicTableObjects({{"Show", "show.html"}, {"TForm.Show", "tform.show.html"}, {"K1", "k1.html"}});
    b.Plain.push_back({data[0] & 1 ? "/help.hhk" : "/$WWKeywordLinks/BTree",
                       std::string(reinterpret_cast<const char*>(data + 1), size - 1)});
    Bytes file = b.Build();
    ChmContainer* c = OpenContainerFile(ChmFileOpenMemory(file.data(), file.size()));
    if (!c) return 0;
    TopicTables tables;
    if (ReadTopicTables(c, &tables) != 0) {
        CloseContainer(c);
        return 0;
    }
    KeywordText text = {BuiltInUpperHalf(1251), NamedEntity};
    KeywordIndex* index;
    if (OpenKeywordIndex(c, "help", text, &index) == KeywordOk) {
        size_t total = 0;
        VisitKeywords(index, u"", 0, Touch, &total);
        for (const char16_t* prefix : {u"K", u"Show", u"\u041E\u043A"})
            VisitKeywords(index, prefix, std::char_traits<char16_t>::length(prefix), Touch, &total);
        for (const char16_t* word : {u"Show", u"K1"}) {
            RankedSearch search = {word,
                                   std::char_traits<char16_t>::length(word),
                                   &tables,
                                   index,
                                   BuiltInUpperHalf(1251),
                                   MenuText,
                                   nullptr};
            TopicAnswer answer;
            InitAnswer(&answer, true, 64);
            AddIndexLines(search, &answer);
            AddTitleLines(search, &answer);
            AddSubKeywordLines(search, &answer);
            FinishAnswer(&answer);
        }
        CloseKeywordIndex(index);
    }
    FreeTopicTables(&tables);
    CloseContainer(c);
    return 0;
}
