// dictd to Dravel conversion.
//
// dictd keeps an article as lines: the headword, then the text indented by three spaces per
// level and wrapped near 75 columns. The one-line form wants the text on the headword's line,
// so continuation lines are joined with one space, except after a word that the wrap split at
// its hyphen. With markers on, a line that starts a sense ("1)", "10)") or a lettered sub-sense
// ("а)", "b)") gets the marker the article layout breaks at ("1>", "а>"); "_I", "_II" and the
// numbered groups "1." already are such markers and stay. Only line starts are touched: the same
// text inside a line is plain text.
//
// The index the provider builds wants the body to start with a line that begins with "'c" and
// every run of lines with the same first two characters (case ignored) in one place. dictd sorts
// its index by its own collation, and its data need not follow either rule, so GroupRuns puts a
// line "'c" first when the first article does not begin so (that line is no article: without
// two spaces it is never offered) and moves stray lines to their run's first appearance.
#include "convert.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <unordered_map>

#include <zlib.h>

#include "core.h"
#include "dictd.h"
#include "fileio.h"

namespace dictd2dravel {

using dravel::CodePage;

namespace {

struct StandIn {
    uint32_t unicode;
    const char* text;
};

// Characters that cp866 or cp1251 may lack, with what is written instead. IPA letters use their
// X-SAMPA names (an established ASCII transcription); the dictd Mueller marks stress with
// arrows, which become the apostrophe and comma of the ASCII transcriptions.
const StandIn kStandIns[] = {
    {0x00E6, "{"},   {0x0251, "A"},   {0x0252, "Q"},   {0x0254, "O"},    {0x0259, "@"},   {0x0258, "@\\"},
    {0x025B, "E"},   {0x025C, "3"},   {0x026A, "I"},   {0x028A, "U"},    {0x028C, "V"},   {0x0283, "S"},
    {0x0292, "Z"},   {0x03B8, "T"},   {0x00F0, "D"},   {0x014B, "N"},    {0x02D0, ":"},   {0x02C8, "'"},
    {0x02CC, ","},   {0x2197, "'"},   {0x2198, ","},   {0x00AB, "\""},   {0x00BB, "\""},  {0x201E, "\""},
    {0x201C, "\""},  {0x201D, "\""},  {0x2018, "'"},   {0x2019, "'"},    {0x201A, "'"},   {0x2032, "'"},
    {0x2013, "-"},   {0x2014, "-"},   {0x2012, "-"},   {0x2212, "-"},    {0x2026, "..."}, {0x2022, "*"},
    {0x2116, "No."}, {0x00A9, "(c)"}, {0x00AE, "(R)"}, {0x2122, "(TM)"}, {0x00D7, "x"},   {0x00F7, "/"},
    {0x00B1, "+-"},  {0x20AC, "EUR"}, {0x00A7, "S."},  {0x00B0, "o"},    {0x00B7, "."},   {0x00DF, "ss"},
    {0x0153, "oe"},  {0x0152, "OE"},  {0x00C6, "AE"},  {0x00DE, "TH"},   {0x00FE, "th"},
};

// Latin-1 letters U+00C0..U+00FF without their diacritics ('*': handled by the table above).
const char kLatin1Base[] = "AAAAAA*CEEEEIIIIDNOOOOO*OUUUUY**"
                           "aaaaaa*ceeeeiiii*nooooo*ouuuuy*y";

const char kStandInHelp[] =
    "Characters the code page lacks are written as:\n"
    "  IPA (X-SAMPA):  \xC3\xA6 {   \xC9\x91 A   \xC9\x92 Q   \xC9\x94 O   \xC9\x99 @   \xC9\x98 @\\   "
    "\xC9\x9B E   \xC9\x9C 3   \xC9\xAA I   \xCA\x8A U   \xCA\x8C V\n"
    "                  \xCA\x83 S   \xCA\x92 Z   \xCE\xB8 T   \xC3\xB0 D   \xC5\x8B N   \xCB\x90 :   "
    "\xCB\x88 '   \xCB\x8C ,\n"
    "  stress arrows:  \xE2\x86\x97 '   \xE2\x86\x98 ,\n"
    "  quotes, dashes: \xC2\xAB \xC2\xBB \xE2\x80\x9E \xE2\x80\x9C \xE2\x80\x9D \"   \xE2\x80\x98 "
    "\xE2\x80\x99 "
    "\xE2\x80\x9A \xE2\x80\xB2 '   \xE2\x80\x93 \xE2\x80\x94 \xE2\x80\x92 \xE2\x88\x92 -   \xE2\x80\xA6 ...  "
    " "
    "\xE2\x80\xA2 *\n"
    "  signs:          \xE2\x84\x96 No.   \xC2\xA9 (c)   \xC2\xAE (R)   \xE2\x84\xA2 (TM)   \xC3\x97 x   "
    "\xC3\xB7 /   \xC2\xB1 +-   \xE2\x82\xAC EUR   \xC2\xA7 S.   \xC2\xB0 o   \xC2\xB7 .\n"
    "  Latin letters:  accented letters lose the accent (\xC3\xA9 e, \xC3\xB1 n, \xC3\xB6 o), "
    "\xC3\x9F ss, \xC5\x93 oe, \xC3\x86 AE, \xC3\xBE th\n"
    "  spaces:         no-break and other spaces become a space; the soft hyphen is dropped\n"
    "  anything else:  ?\n";

class Encoder {
  public:
    explicit Encoder(CodePage cp) {
        const uint16_t* half = dravel::UpperHalf(cp);
        for (int i = 0; i < 128; ++i)
            if (half[i]) bytes_[half[i]] = (char)(0x80 + i);
        for (const StandIn& s : kStandIns)
            standIns_[s.unicode] = s.text;
    }

    void Put(uint32_t u, std::string* out, Report* report) const {
        if (u < 0x80) {
            *out += (u < 0x20 || u == 0x7F) ? ' ' : (char)u;
            return;
        }
        if (u == 0x00AD) return;
        if (u == 0x00A0) {
            *out += ' ';
            return;
        }
        auto b = bytes_.find(u);
        if (b != bytes_.end()) {
            *out += b->second;
            return;
        }
        auto s = standIns_.find(u);
        if (s != standIns_.end()) {
            *out += s->second;
            if (report) ++report->standIns;
            return;
        }
        if (u >= 0xC0 && u <= 0xFF && kLatin1Base[u - 0xC0] != '*') {
            *out += kLatin1Base[u - 0xC0];
            if (report) ++report->standIns;
            return;
        }
        *out += '?';
        if (report) ++report->unknown;
    }

  private:
    std::unordered_map<uint32_t, char> bytes_;
    std::unordered_map<uint32_t, const char*> standIns_;
};

const Encoder& EncoderFor(CodePage cp) {
    static const Encoder cp866(CodePage::Cp866);
    static const Encoder cp1251(CodePage::Cp1251);
    return cp == CodePage::Cp866 ? cp866 : cp1251;
}

bool IsSpace(char32_t u) {
    return u <= 0x20 || u == 0x7F || u == 0xA0 || (u >= 0x2000 && u <= 0x200A) || u == 0x202F || u == 0x3000;
}

bool IsWordChar(char32_t u) {
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
           (u >= 0xC0 && u != 0xD7 && u != 0xF7 && u < 0x2000);
}

bool IsLowerLetter(char32_t u) {
    return (u >= 'a' && u <= 'z') || (u >= 0x0430 && u <= 0x044F) || u == 0x0451;
}

char32_t FoldUnicode(char32_t u) {
    if (u >= 'a' && u <= 'z') return u - 0x20;
    if (u >= 0x0430 && u <= 0x044F) return u - 0x20;
    if (u >= 0x0450 && u <= 0x045F) return u - 0x50;
    return u;
}

// Trims a line and makes every run of white space one space.
std::u32string Collapse(const std::u32string& line) {
    std::u32string out;
    bool space = false;
    for (char32_t u : line) {
        if (IsSpace(u)) {
            space = !out.empty();
            continue;
        }
        if (space) out += U' ';
        space = false;
        out += u;
    }
    return out;
}

// "1)" and "а)" at the start of a line become "1>" and "а>", followed by a space.
void MapMarker(std::u32string* t) {
    size_t i = 0;
    while (i < t->size() && (*t)[i] >= '0' && (*t)[i] <= '9')
        ++i;
    if (i == 0 && t->size() >= 2 && IsLowerLetter((*t)[0])) i = 1;
    if (i == 0 || i >= t->size() || (*t)[i] != ')') return;
    (*t)[i] = '>';
    if (i + 1 < t->size() && (*t)[i + 1] != ' ') t->insert(i + 1, 1, U' ');
}

bool StartsWithFolded(const std::u32string& text, const std::u32string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (FoldUnicode(text[i]) != FoldUnicode(prefix[i])) return false;
    return true;
}

std::vector<std::u32string> SplitLines(const std::string& text) {
    std::vector<std::u32string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.push_back(dravel::DecodeUtf8(text.substr(start, stop - start)));
        start = end + 1;
    }
    while (!lines.empty() && Collapse(lines.back()).empty())
        lines.pop_back();
    return lines;
}

std::string EncodeText(const std::u32string& text, CodePage cp, Report* report) {
    std::string out;
    const Encoder& encoder = EncoderFor(cp);
    for (char32_t u : text)
        encoder.Put(u, &out, report);
    return out;
}

unsigned RunKey(const std::string& line, CodePage cp) {
    unsigned char a = line.size() > 0 ? (unsigned char)line[0] : 0;
    unsigned char b = line.size() > 1 ? (unsigned char)line[1] : 0;
    return ((unsigned)dravel::FoldCase(cp, a) << 8) | dravel::FoldCase(cp, b);
}

bool ReadPlainFile(const std::string& path, std::string* out) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    char chunk[64 * 1024];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        out->append(chunk, got);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

// .dict or .dict.dz: zlib reads a file that is not gzip as it stands.
bool ReadDictData(const std::string& path, std::string* out, std::string* error) {
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f) {
        *error = "cannot open " + path;
        return false;
    }
    char chunk[64 * 1024];
    int got;
    while ((got = gzread(f, chunk, sizeof chunk)) > 0)
        out->append(chunk, (size_t)got);
    if (got < 0) {
        int code = 0;
        *error = "cannot decompress " + path + ": " + gzerror(f, &code);
        gzclose(f);
        return false;
    }
    gzclose(f);
    return true;
}

struct Entry {
    std::string headword;
    uint64_t offset;
    uint64_t size;
    size_t order;
};

bool IsDatabaseEntry(const std::string& headword) {
    return headword.compare(0, 11, "00-database") == 0 || headword.compare(0, 10, "00database") == 0;
}

std::string KeyText(const std::string& line, CodePage cp) {
    return dravel::ToUtf8(cp, line.data(), line.size() < 2 ? line.size() : 2);
}

} // namespace

const char* StandInTable() {
    return kStandInHelp;
}

std::string Encode(const std::string& utf8, CodePage cp, Report* report) {
    return EncodeText(dravel::DecodeUtf8(utf8), cp, report);
}

std::string ConvertArticle(const std::string& headword, const std::string& text, const Options& options,
                           Report* report) {
    std::vector<std::u32string> lines = SplitLines(text);
    std::u32string word = Collapse(dravel::DecodeUtf8(headword));
    std::u32string first = lines.empty() ? std::u32string() : Collapse(lines[0]);
    size_t body = 0;        // first line that is text
    std::u32string opening; // text standing on the headword's own line
    if (!lines.empty() && first.size() == word.size() && StartsWithFolded(first, word)) {
        word = first;
        body = 1;
    } else if (!word.empty() && first.size() > word.size() && StartsWithFolded(first, word) &&
               first[word.size()] == ' ') {
        opening = first.substr(word.size() + 1);
        word = first.substr(0, word.size());
        body = 1;
    }

    std::u32string joined = opening;
    for (size_t i = body; i < lines.size(); ++i) {
        std::u32string t = Collapse(lines[i]);
        if (t.empty()) continue;
        if (options.markers) MapMarker(&t);
        if (joined.empty()) {
            joined = t;
        } else if (joined.size() >= 2 && joined.back() == '-' && IsWordChar(joined[joined.size() - 2])) {
            joined += t;
        } else {
            joined += U' ';
            joined += t;
        }
    }
    std::string line = EncodeText(word, options.codePage, report);
    line += "  ";
    line += EncodeText(joined, options.codePage, report);
    return line;
}

void GroupRuns(std::vector<std::string>* body, CodePage cp, Report* report) {
    const unsigned startKey = ((unsigned)'\'' << 8) | 'C';
    if (body->empty() || RunKey(body->front(), cp) != startKey) {
        body->insert(body->begin(), "'c");
        report->startInserted = true;
    }
    std::vector<int> groupOf(65536, -1);
    std::vector<std::vector<size_t>> groups;
    std::vector<bool> closed;
    std::vector<std::string> movedKeys;
    unsigned previous = 0x10000;
    long moved = 0;
    for (size_t i = 0; i < body->size(); ++i) {
        unsigned key = RunKey((*body)[i], cp);
        if (previous != 0x10000 && key != previous) closed[(size_t)groupOf[previous]] = true;
        if (groupOf[key] < 0) {
            groupOf[key] = (int)groups.size();
            groups.emplace_back();
            closed.push_back(false);
        } else if (closed[(size_t)groupOf[key]]) {
            if (key != previous && movedKeys.size() < 12) movedKeys.push_back(KeyText((*body)[i], cp));
            ++moved;
        }
        groups[(size_t)groupOf[key]].push_back(i);
        previous = key;
    }
    if (moved == 0) return;
    std::vector<std::string> ordered;
    ordered.reserve(body->size());
    for (const auto& group : groups)
        for (size_t i : group)
            ordered.push_back(std::move((*body)[i]));
    body->swap(ordered);
    report->moved += moved;
    std::string keys;
    for (const std::string& k : movedKeys)
        keys += (keys.empty() ? "\"" : ", \"") + k + "\"";
    report->notes.push_back(std::to_string(moved) +
                            " articles stood apart from the earlier lines of their run and were moved "
                            "to join them (runs " +
                            keys + (movedKeys.size() >= 12 ? ", ..." : "") + ")");
}

long CountRuns(const std::vector<std::string>& body, CodePage cp) {
    long runs = 0;
    unsigned previous = ((unsigned)'\'' << 8) | 'B';
    bool started = false;
    for (const std::string& line : body) {
        if (line.size() < 2 || line[0] == '\0' || line[1] == '\0') continue;
        unsigned key = RunKey(line, cp);
        if (!started && key != (((unsigned)'\'' << 8) | 'C')) continue;
        started = true;
        if (key != previous) ++runs;
        previous = key;
    }
    return runs;
}

bool DecodeBase64(const std::string& text, uint64_t* value) {
    return dravel::DecodeBase64Number(text.data(), text.size(), value);
}

bool Convert(const char* source, const char* output, const Options& options, Report* report,
             std::string* error) {
    std::string base = dravel::DictdBaseName(source);
    std::string indexPath = base + ".index";
    std::string dataPath =
        dravel::FileExists((base + ".dict.dz").c_str()) ? base + ".dict.dz" : base + ".dict";

    std::string indexText, data;
    if (!ReadPlainFile(indexPath, &indexText)) {
        *error = "cannot read " + indexPath;
        return false;
    }
    if (!ReadDictData(dataPath, &data, error)) return false;

    std::vector<Entry> entries, database;
    size_t start = 0;
    while (start < indexText.size()) {
        size_t end = indexText.find('\n', start);
        if (end == std::string::npos) end = indexText.size();
        std::string line = indexText.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        size_t t1 = line.find('\t');
        size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        size_t t3 = t2 == std::string::npos ? t2 : line.find('\t', t2 + 1);
        Entry e;
        e.order = entries.size() + database.size();
        bool ok = t2 != std::string::npos && t1 > 0;
        if (ok) {
            e.headword = line.substr(0, t1);
            ok = DecodeBase64(line.substr(t1 + 1, t2 - t1 - 1), &e.offset) &&
                 DecodeBase64(line.substr(t2 + 1, t3 == std::string::npos ? std::string::npos : t3 - t2 - 1),
                              &e.size) &&
                 e.offset <= data.size() && e.size <= data.size() - e.offset;
        }
        if (!ok) {
            ++report->skipped;
            continue;
        }
        (IsDatabaseEntry(e.headword) ? database : entries).push_back(e);
    }
    if (report->skipped)
        report->notes.push_back(std::to_string(report->skipped) +
                                " index lines were malformed or pointed outside the data and were skipped");
    if (entries.empty()) {
        *error = "no articles in " + indexPath;
        return false;
    }
    auto byOffset = [](const Entry& a, const Entry& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.order < b.order;
    };
    std::sort(entries.begin(), entries.end(), byOffset);
    std::sort(database.begin(), database.end(), byOffset);
    if (options.limit > 0 && entries.size() > (size_t)options.limit) entries.resize((size_t)options.limit);

    std::string header;
    auto headerLine = [&](const std::string& text) {
        std::string line = EncodeText(Collapse(dravel::DecodeUtf8(text)), options.codePage, nullptr);
        if (line.empty()) return;
        if (RunKey(line, options.codePage) == (((unsigned)'\'' << 8) | 'C')) line.insert(0, 1, ' ');
        header += line;
        header += "\r\n";
    };
    for (const char* wanted : {"short", "url", "info"}) {
        for (const Entry& e : database) {
            if (e.headword.find(wanted) == std::string::npos) continue;
            std::vector<std::u32string> lines = SplitLines(data.substr((size_t)e.offset, (size_t)e.size));
            for (size_t i = 0; i < lines.size(); ++i) {
                std::string utf8;
                for (char32_t u : lines[i])
                    dravel::AppendUtf8(&utf8, u);
                if (i == 0 && utf8 == e.headword) continue;
                headerLine(utf8);
            }
        }
    }
    headerLine(std::string("Converted from the dictd format by dictd2dravel, code page ") +
               dravel::CodePageName(options.codePage) + ".");

    std::vector<std::string> body;
    body.reserve(entries.size() + 1);
    size_t longest = 0;
    std::string longestWord;
    for (const Entry& e : entries) {
        std::string line =
            ConvertArticle(e.headword, data.substr((size_t)e.offset, (size_t)e.size), options, report);
        if (line.size() <= 2) {
            ++report->skipped;
            continue;
        }
        if (line.size() > dravel::LineLimit) {
            ++report->longLines;
            if (line.size() > longest) {
                longest = line.size();
                longestWord = e.headword;
            }
        }
        body.push_back(std::move(line));
    }
    report->articles = (long)body.size();

    GroupRuns(&body, options.codePage, report);
    if (report->startInserted)
        report->notes.insert(report->notes.begin(),
                             "the first article does not begin with \"'c\": a line \"'c\" starts the body "
                             "(it is never offered as an article)");
    report->runs = CountRuns(body, options.codePage);
    if (report->longLines)
        report->notes.push_back(std::to_string(report->longLines) +
                                " articles are longer than 10240 bytes (" + longestWord + ": " +
                                std::to_string(longest) + " bytes); the provider reads them whole");
    if (report->standIns)
        report->notes.push_back(std::to_string(report->standIns) + " characters that " +
                                dravel::CodePageName(options.codePage) +
                                " lacks were written as stand-ins (see --help)");
    if (report->unknown)
        report->notes.push_back(std::to_string(report->unknown) +
                                " characters had no stand-in and became \"?\"");

    FILE* out = fopen(output, "wb");
    if (!out) {
        *error = std::string("cannot create ") + output;
        return false;
    }
    bool ok = fwrite(header.data(), 1, header.size(), out) == header.size();
    report->bytes = (int64_t)header.size();
    for (const std::string& line : body) {
        ok = ok && fwrite(line.data(), 1, line.size(), out) == line.size() && fwrite("\r\n", 1, 2, out) == 2;
        report->bytes += (int64_t)line.size() + 2;
    }
    if (fclose(out) != 0) ok = false;
    if (!ok) {
        remove(output);
        *error = std::string("cannot write ") + output;
        return false;
    }
    return true;
}

} // namespace dictd2dravel
