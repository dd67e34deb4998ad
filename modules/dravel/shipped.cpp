// Lookups in the shipped formats, over the two readers.
#include "shipped.h"

#include <string.h>

#include <new>

#include "articletext.h"
#include "fileio.h"
#include "unicase.h"

namespace dravel {

Format DetectFormat(const char* path) {
    std::string name = path;
    for (const char* ext : {".ifo", ".idx", ".idx.gz", ".syn"})
        if (PathEndsWith(name, ext)) return Format::StarDict;
    if (PathEndsWith(name, ".index")) return Format::Dictd;
    if (PathEndsWith(name, ".dict") || PathEndsWith(name, ".dict.dz")) {
        if (FileExists((StarDictBaseName(path) + ".ifo").c_str())) return Format::StarDict;
        if (FileExists((DictdBaseName(path) + ".index").c_str())) return Format::Dictd;
    }
    return Format::OneLine;
}

const char* FormatName(Format format) {
    switch (format) {
    case Format::OneLine:
        return "one-line";
    case Format::Dictd:
        return "dictd";
    case Format::StarDict:
        return "stardict";
    }
    return "";
}

ShippedLookup::ShippedLookup() = default;
ShippedLookup::~ShippedLookup() = default;

Error ShippedLookup::Open(const char* path, Format format) {
    format_ = format;
    dictd_.reset();
    stardict_.reset();
    dictdFound_.clear();
    stardictFound_.clear();
    name_.clear();
    try {
        if (format == Format::Dictd) {
            dictd_.reset(new DictdDictionary());
            Error error = dictd_->Open(path);
            if (error == Error::None) name_ = dictd_->ShortName();
            return error;
        }
        if (format == Format::StarDict) {
            stardict_.reset(new StarDictDictionary());
            Error error = stardict_->Open(path);
            if (error == Error::None) name_ = stardict_->Info().bookName;
            return error;
        }
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    return Error::Unsupported;
}

bool ShippedLookup::Utf8() const {
    return stardict_ || (dictd_ && dictd_->Collation().utf8);
}

Error ShippedLookup::Find(const std::string& keyword, std::vector<std::string>* headwords, bool* more) {
    headwords->clear();
    *more = false;
    Error error = Error::Unsupported;
    try {
        exact_.clear();
        if (dictd_) {
            error = dictd_->Find(keyword, CandidateLimit, &dictdFound_, more);
            std::string key = DictdKey(keyword.data(), keyword.size(), dictd_->Collation());
            for (const DictdHeadword& h : dictdFound_) {
                headwords->push_back(h.shown);
                exact_.push_back(h.key == key);
            }
        } else if (stardict_) {
            error = stardict_->Find(keyword, CandidateLimit, &stardictFound_, more);
            std::string folded = LowerCaseUtf8(keyword.data(), keyword.size());
            for (const StarDictHeadword& h : stardictFound_) {
                headwords->push_back(h.shown);
                exact_.push_back(LowerCaseUtf8(h.shown.data(), h.shown.size()) == folded);
            }
        }
    } catch (const std::bad_alloc&) {
        error = Error::NoMemory;
    }
    if (error != Error::None) headwords->clear();
    return error;
}

Error ShippedLookup::Text(size_t which, const TextTarget* target, std::u32string* text) {
    text->clear();
    try {
        if (dictd_ && which < dictdFound_.size()) {
            std::string bytes;
            Error error = dictd_->Articles(dictdFound_[which], &bytes);
            if (error == Error::None) *text = PlainText(bytes.data(), bytes.size());
            return error;
        }
        if (stardict_ && which < stardictFound_.size()) {
            std::vector<StarDictEntryText> entries;
            size_t total = 0;
            for (uint32_t entry : stardictFound_[which].entries) {
                entries.emplace_back();
                Error error = stardict_->Article(entry, &entries.back().word, &entries.back().fields);
                if (error != Error::None) return error;
                for (const StarDictField& field : entries.back().fields)
                    total += field.data.size();
                if (total > ArticleByteLimit) return Error::TooLarge;
            }
            return StarDictText(entries, target, text);
        }
    } catch (const std::bad_alloc&) {
        text->clear();
        return Error::NoMemory;
    }
    return Error::ReadFailed;
}

Error ShippedLookup::Bytes(size_t which, std::string* bytes) {
    bytes->clear();
    if (!dictd_ || which >= dictdFound_.size()) return Error::ReadFailed;
    return dictd_->Articles(dictdFound_[which], bytes);
}

} // namespace dravel
