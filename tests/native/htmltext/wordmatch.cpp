// Word agreement between two texts (see wordmatch.h), by Myers' O((N+M)D) difference
// algorithm, which stays fast while the texts mostly agree.
#include "wordmatch.h"

#include <string.h>

#include <algorithm>
#include <unordered_map>

namespace {

const int MaxDifferences = 4000; // keeps the trace under 64 MB

// Letters and digits of any script; punctuation, symbols, box drawing and spaces are not.
bool IsWordChar(unsigned c) {
    if (c < 0x80) return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
    if (c >= 0x2000 && c < 0x2C00) return false;
    if (c >= 0x3000 && c < 0x3040) return false;
    return c != 0xFFFD && c != 0xFEFF;
}

unsigned NextChar(const std::string& s, size_t* i) {
    unsigned char b = static_cast<unsigned char>(s[*i]);
    size_t more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    unsigned c = more ? b & (0x3F >> more) : b;
    (*i)++;
    for (; more && *i < s.size(); more--, (*i)++)
        c = c << 6 | (static_cast<unsigned char>(s[*i]) & 0x3F);
    return c;
}

struct Word {
    std::string Text;
    size_t Paragraph;
};

std::vector<Word> Split(const std::string& utf8) {
    std::vector<Word> words;
    size_t paragraph = 0, i = 0, lineStart = 0;
    bool lineHasWord = false, paragraphHasWord = false;
    std::string current;
    while (i <= utf8.size()) {
        size_t at = i;
        unsigned c = i < utf8.size() ? NextChar(utf8, &i) : (i++, '\n');
        if (IsWordChar(c)) {
            current.append(utf8, at, i - at);
            continue;
        }
        if (!current.empty()) {
            words.push_back({current, paragraph});
            current.clear();
            lineHasWord = paragraphHasWord = true;
        }
        if (c == '\n') {
            bool blank = utf8.find_first_not_of(" \t\r", lineStart) >= at;
            if (blank && paragraphHasWord) {
                paragraph++;
                paragraphHasWord = false;
            }
            lineStart = i;
            lineHasWord = false;
        }
    }
    (void)lineHasWord;
    return words;
}

// Marks the words of a that a longest common subsequence with b uses; false when the two differ
// in more than MaxDifferences words.
bool Align(const std::vector<int>& a, const std::vector<int>& b, std::vector<bool>* matched) {
    int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
    int limit = std::min(n + m, MaxDifferences);
    std::vector<int> v(2 * static_cast<size_t>(limit) + 3, 0);
    int offset = limit + 1;
    std::vector<std::vector<int>> trace;
    for (int d = 0; d <= limit; d++) {
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1])) ? v[offset + k + 1]
                                                                                   : v[offset + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && a[x] == b[y])
                x++, y++;
            v[offset + k] = x;
            if (x >= n && y >= m) {
                trace.emplace_back(v.begin() + offset - d, v.begin() + offset + d + 1);
                // Walk back through the trace.
                int cx = n, cy = m;
                for (int e = d; e > 0; e--) {
                    const std::vector<int>& prev = trace[static_cast<size_t>(e - 1)];
                    int ck = cx - cy;
                    auto at = [&](int kk) { return prev[static_cast<size_t>(kk + e - 1)]; };
                    int pk = (ck == -e || (ck != e && at(ck - 1) < at(ck + 1))) ? ck + 1 : ck - 1;
                    int px = at(pk), py = px - pk;
                    while (cx > px && cy > py) {
                        (*matched)[--cx] = true;
                        --cy;
                    }
                    cx = px;
                    cy = py;
                }
                while (cx > 0 && cy > 0) {
                    (*matched)[--cx] = true;
                    --cy;
                }
                return true;
            }
        }
        trace.emplace_back(v.begin() + offset - d, v.begin() + offset + d + 1);
    }
    return false;
}

} // namespace

std::vector<std::string> TextWords(const std::string& utf8) {
    std::vector<std::string> words;
    for (Word& w : Split(utf8))
        words.push_back(std::move(w.Text));
    return words;
}

WordAgreement CompareWords(const std::string& ours, const std::string& theirs) {
    std::vector<Word> a = Split(theirs), b = Split(ours);
    std::unordered_map<std::string, int> ids;
    std::vector<int> ia, ib;
    for (const Word& w : a)
        ia.push_back(ids.emplace(w.Text, static_cast<int>(ids.size())).first->second);
    for (const Word& w : b)
        ib.push_back(ids.emplace(w.Text, static_cast<int>(ids.size())).first->second);
    WordAgreement r;
    r.TheirWords = a.size();
    r.OurWords = b.size();
    std::vector<bool> matched(a.size(), false);
    if (!Align(ia, ib, &matched)) {
        r.TooDifferent = true;
        return r;
    }
    size_t paragraphs = a.empty() ? 0 : a.back().Paragraph + 1;
    std::vector<size_t> kept(paragraphs, 0);
    std::vector<std::string> text(paragraphs);
    for (size_t i = 0; i < a.size(); i++) {
        if (matched[i]) {
            r.Common++;
            kept[a[i].Paragraph]++;
        }
        if (text[a[i].Paragraph].size() < 60) text[a[i].Paragraph] += a[i].Text + " ";
    }
    r.Paragraphs = paragraphs;
    for (size_t p = 0; p < paragraphs; p++)
        if (!kept[p]) r.LostParagraphs.push_back(text[p]);
    return r;
}
