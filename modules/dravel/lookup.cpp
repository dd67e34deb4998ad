// The lookup proper. The dictionary stays open from the run's search to the chosen article's
// read, so the chosen line is read from the same block that the candidates came from.
#include "lookup.h"

#include <string.h>

#include <new>

#include "article.h"
#include "articletext.h"
#include "codepage.h"

namespace dravel {

Lookup::Lookup(CompareFn compare) : compare_(compare), dictionary_(dictionaryFile_) {
    keyword_[0] = '\0';
}

void Lookup::Close() {
    indexFile_.Close();
    dictionaryFile_.Close();
    runStart_ = -1;
}

Error Lookup::Open(const char* dictionaryPath, const char* keyword, const BuildNotice* notice) {
    Close();
    keyword_[0] = '\0';
    keywordLength_ = 0;
    if (!keyword || !*keyword) return Error::None;

    keywordLength_ = strlen(keyword);
    if (keywordLength_ > KeywordLimit) keywordLength_ = KeywordLimit;
    memcpy(keyword_, keyword, keywordLength_);
    if (keywordLength_ < 2) keyword_[keywordLength_++] = ' ';
    keyword_[keywordLength_] = '\0';

    int64_t size = 0;
    if (!dictionaryFile_.OpenRead(dictionaryPath)) return Error::OpenDictionary;
    if (!dictionaryFile_.Size(&size) || size > OffsetLimit) {
        Close();
        return Error::OpenDictionary;
    }
    dictionary_.Reset();

    bool built = false;
    std::string indexPath;
    Error error =
        OpenIndex(dictionaryPath, dictionary_, &indexFile_, compare_, notice, false, &built, &indexPath);
    if (error == Error::None) {
        LineReader index(indexFile_);
        error = FindRun(index, dictionary_, size, keyword_, compare_);
    }
    // An index can fit its dictionary by every outward sign and still lie (an entry taken out,
    // an offset moved within its run): before the keyword's pair is declared missing, or when its
    // entry leads nowhere right, the index is checked against the dictionary, once per run.
    bool suspect = error == Error::BadOffset || (error == Error::NoIndexEntry && !built &&
                                                 !IndexChecked(dictionaryPath, dictionaryFile_, indexFile_));
    if (suspect && !built) {
        indexFile_.Close();
        error = CheckIndex(indexPath, dictionary_, &indexFile_, compare_, notice);
        if (error == Error::None) {
            LineReader index(indexFile_);
            error = FindRun(index, dictionary_, size, keyword_, compare_);
        }
    }
    if (indexFile_.IsOpen() && (built || suspect))
        NoteIndexChecked(dictionaryPath, dictionaryFile_, indexFile_);
    if (error != Error::None) {
        Close();
        return error;
    }
    runStart_ = dictionary_.Tell();
    return Error::None;
}

Error Lookup::Collect(std::vector<Candidate>* candidates, bool* more) {
    candidates->clear();
    *more = false;
    if (runStart_ < 0) return Error::None;
    char line[LineLimit + 1];
    size_t stored = 0;
    dictionary_.Seek(runStart_);
    for (;;) {
        int64_t offset = dictionary_.Tell();
        if (!dictionary_.ReadLine(line, LineLimit, &stored)) break;
        if (compare_(line, keyword_, 2) != 0) break;
        size_t headword = HeadwordLength(line, stored);
        if (headword == 0 || headword < keywordLength_) continue;
        if (compare_(line, keyword_, (int)keywordLength_) != 0) continue;
        if (candidates->size() == CandidateLimit) {
            *more = true; // one more is enough to know
            break;
        }

        Candidate item;
        size_t shown = headword < MenuTextLimit ? headword : MenuTextLimit;
        memcpy(item.text, line, shown);
        item.text[shown] = '\0';
        for (size_t i = 0; i < shown; ++i)
            if (item.text[i] == '\0') item.text[i] = ' ';
        item.offset = (uint32_t)offset;
        try {
            candidates->push_back(item);
        } catch (const std::bad_alloc&) {
            candidates->clear();
            return Error::NoMemory;
        }
    }
    return dictionary_.Failed() ? Error::ReadFailed : Error::None;
}

Error Lookup::ReadArticle(uint32_t offset, std::string* line) {
    int64_t length = 0;
    if (!dictionaryFile_.IsOpen()) return Error::ReadFailed;
    dictionary_.Seek(offset);
    if (!dictionary_.ReadLine(line, ArticleLimit, &length)) return Error::ReadFailed;
    if ((int64_t)line->size() < (length < (int64_t)ArticleLimit ? length : (int64_t)ArticleLimit))
        return Error::NoMemory;
    return Error::None;
}

std::string KeywordAsUtf8(const char* keyword, const char32_t* upperHalf) {
    std::string out;
    for (const unsigned char* p = (const unsigned char*)keyword; *p; ++p)
        AppendUtf8(&out, *p < 0x80 || !upperHalf ? (char32_t)*p : upperHalf[*p - 0x80]);
    return out;
}

namespace {

// A headword as a menu item's text: in the target's code page (or UTF-8) for a UTF-8 dictionary,
// as it stands otherwise; cut to MenuTextLimit bytes, never inside a character.
void CandidateText(const std::string& headword, bool utf8, const TextTarget* target, Candidate* item) {
    std::string text = headword;
    if (utf8 && target) text = TextInTarget(PlainText(headword.data(), headword.size()), *target);
    size_t shown = text.size() < MenuTextLimit ? text.size() : (size_t)MenuTextLimit;
    if (utf8 && !target)
        while (shown > 0 && shown < text.size() && ((unsigned char)text[shown] & 0xC0) == 0x80)
            --shown;
    memcpy(item->text, text.data(), shown);
    item->text[shown] = '\0';
    for (size_t i = 0; i < shown; ++i)
        if (item->text[i] == '\0' || item->text[i] == '\n' || item->text[i] == '\r') item->text[i] = ' ';
}

// Text with its line ends as CR LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

} // namespace

std::string ResultBytes(const std::u32string& text, const TextTarget* target) {
    return target ? TextInTarget(text, *target) : WithCrLf(TextAsUtf8(text));
}

namespace {

// Lets the host choose among several candidates (or a list cut at the limit); false when the
// menu was cancelled.
bool Choose(const LookupHost& host, const std::vector<Candidate>& candidates, bool more, const char* keyword,
            const char* name, size_t* chosen) {
    *chosen = 0;
    if (candidates.size() < 2 && !more) return true;
    int pick = host.choose
                   ? host.choose(host.context, candidates.data(), candidates.size(), more, keyword, name)
                   : 0;
    if (pick < 0 || (size_t)pick >= candidates.size()) return false;
    *chosen = (size_t)pick;
    return true;
}

// The end of every lookup that found an article: its bytes into "Dravel.txt" in a new result
// folder, or the failure that came before.
void Deliver(Error error, const std::string& bytes, const char* title, bool converted, const LookupHost& host,
             LookupResult* result) {
    char folder[PathLimit + 1];
    folder[0] = '\0';
    if (error == Error::None && (!host.makeFolder || !host.makeFolder(host.context, folder, sizeof folder)))
        error = Error::CreateResult;
    if (error == Error::None) {
        folder[sizeof folder - 1] = '\0';
        error = WriteResultBytes(folder, bytes, &result->path);
    }
    if (error == Error::None) {
        result->outcome = Outcome::Written;
        result->title = title;
        result->converted = converted;
    } else {
        result->outcome = Outcome::Failed;
        result->error = error;
    }
}

LookupResult RunShippedLookup(const char* dictionaryPath, const char* keyword, const LookupHost& host,
                              Format format) {
    LookupResult result;
    ShippedLookup lookup;
    std::vector<std::string> headwords;
    std::vector<Candidate> candidates;
    bool more = false;
    Error error = lookup.Open(dictionaryPath, format);
    if (error == Error::None) {
        std::string key = lookup.Utf8() ? KeywordAsUtf8(keyword, host.keywordUpperHalf) : keyword;
        error = lookup.Find(key, &headwords, &more);
    }
    if (error == Error::None && headwords.empty()) result.outcome = Outcome::NotFound;
    if (error == Error::None && !headwords.empty()) {
        candidates.resize(headwords.size());
        for (size_t i = 0; i < headwords.size(); ++i) {
            CandidateText(headwords[i], lookup.Utf8(), host.target, &candidates[i]);
            candidates[i].offset = (uint32_t)i;
        }
        Candidate name;
        CandidateText(lookup.Name(), lookup.Utf8(), host.target, &name);
        size_t chosen = 0;
        if (!Choose(host, candidates, more, keyword, name.text, &chosen)) return result;
        std::string bytes;
        if (lookup.Utf8()) {
            std::u32string text;
            error = lookup.Text(chosen, host.target, &text);
            if (error == Error::None) bytes = ResultBytes(text, host.target);
        } else {
            error = lookup.Bytes(chosen, &bytes);
            if (error == Error::None) bytes = WithCrLf(bytes);
        }
        Deliver(error, bytes, keyword, lookup.Utf8(), host, &result);
        return result;
    }
    result.error = error;
    if (error != Error::None) result.outcome = Outcome::Failed;
    return result;
}

} // namespace

LookupResult RunLookup(const char* dictionaryPath, const char* keyword, const LookupHost& host,
                       Format format) {
    LookupResult result;
    if (!keyword || !*keyword) return result;
    try {
        if (format != Format::OneLine) {
            result = RunShippedLookup(dictionaryPath, keyword, host, format);
        } else {
            Lookup lookup(host.compare);
            std::vector<Candidate> candidates;
            bool more = false;
            Error error = lookup.Open(dictionaryPath, keyword, &host.notice);
            if (error == Error::None) error = lookup.Collect(&candidates, &more);
            if (error == Error::None && candidates.empty()) result.outcome = Outcome::NotFound;
            if (error == Error::None && !candidates.empty()) {
                size_t chosen = 0;
                if (!Choose(host, candidates, more, lookup.Keyword(), "", &chosen)) return result;
                std::string line, bytes;
                error = lookup.ReadArticle(candidates[chosen].offset, &line);
                std::vector<Candidate>().swap(candidates);
                if (error == Error::None) LayoutArticle(line.data(), line.size(), &bytes);
                Deliver(error, bytes, lookup.Keyword(), false, host, &result);
            } else if (error != Error::None) {
                result.outcome = Outcome::Failed;
                result.error = error;
            }
        }
    } catch (const std::bad_alloc&) {
        result = LookupResult();
        result.outcome = Outcome::Failed;
        result.error = Error::NoMemory;
    }
    if (result.outcome == Outcome::Failed) result.path.clear();
    return result;
}

} // namespace dravel
