// The lookup proper. The dictionary stays open from the run's search to the chosen article's
// read, so the chosen line is read from the same block that the candidates came from.
#include "lookup.h"

#include <string.h>

#include <new>

#include "article.h"

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

LookupResult RunLookup(const char* dictionaryPath, const char* keyword, const LookupHost& host) {
    LookupResult result;
    if (!keyword || !*keyword) return result;

    Lookup lookup(host.compare);
    std::vector<Candidate> candidates;
    std::string line;
    char folder[PathLimit + 1];
    bool more = false;
    Error error = lookup.Open(dictionaryPath, keyword, &host.notice);
    if (error == Error::None) error = lookup.Collect(&candidates, &more);
    if (error == Error::None && candidates.empty()) result.outcome = Outcome::NotFound;
    if (error == Error::None && !candidates.empty()) {
        size_t chosen = 0;
        if (candidates.size() > 1 || more) {
            int pick = host.choose ? host.choose(host.context, candidates.data(), candidates.size(), more,
                                                 lookup.Keyword())
                                   : 0;
            if (pick < 0 || (size_t)pick >= candidates.size()) return result;
            chosen = (size_t)pick;
        }
        error = lookup.ReadArticle(candidates[chosen].offset, &line);
        std::vector<Candidate>().swap(candidates);
        if (error == Error::None) {
            folder[0] = '\0';
            if (!host.makeFolder || !host.makeFolder(host.context, folder, sizeof folder))
                error = Error::CreateResult;
        }
        if (error == Error::None) {
            folder[sizeof folder - 1] = '\0';
            error = WriteResultFile(folder, line.data(), line.size(), &result.path);
        }
        if (error == Error::None) {
            result.outcome = Outcome::Written;
            result.title = lookup.Keyword();
        }
    }
    if (error != Error::None) {
        result.outcome = Outcome::Failed;
        result.error = error;
        result.path.clear();
    }
    return result;
}

} // namespace dravel
