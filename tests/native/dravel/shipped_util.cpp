// Writers of test dictionaries in the shipped formats.
#include "shipped_util.h"

#include <string.h>

#include <algorithm>

#include <gtest/gtest.h>
#include <zlib.h>

#include "dravel_test_util.h"
#include "stardict.h"

namespace dravel_test {

namespace {

void Le16(std::string* out, uint32_t v) {
    out->push_back((char)(v & 0xFF));
    out->push_back((char)(v >> 8 & 0xFF));
}

void Le32(std::string* out, uint32_t v) {
    Le16(out, v & 0xFFFF);
    Le16(out, v >> 16);
}

void Be32(std::string* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back((char)(v >> shift & 0xFF));
}

// Raw deflate of a piece with a full flush (or the stream's finish).
std::string Deflate(z_stream* z, const char* data, size_t size, int flush) {
    std::string out;
    z->next_in = (Bytef*)data;
    z->avail_in = (uInt)size;
    unsigned char buffer[16384];
    do {
        z->next_out = buffer;
        z->avail_out = sizeof buffer;
        deflate(z, flush);
        out.append((const char*)buffer, sizeof buffer - z->avail_out);
    } while (z->avail_out == 0);
    return out;
}

std::string Trailer(const std::string& text) {
    std::string out;
    Le32(&out, (uint32_t)crc32(0, (const Bytef*)text.data(), (uInt)text.size()));
    Le32(&out, (uint32_t)text.size());
    return out;
}

} // namespace

std::string Dictzip(const std::string& text, uint32_t chunkLength, std::vector<uint32_t>* chunkSizes,
                    size_t* headerSize) {
    z_stream z;
    memset(&z, 0, sizeof z);
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<std::string> chunks;
    for (size_t at = 0; at < text.size() || chunks.empty(); at += chunkLength) {
        size_t n = std::min<size_t>(chunkLength, text.size() - at);
        chunks.push_back(Deflate(&z, text.data() + at, n, Z_FULL_FLUSH));
    }
    std::string tail = Deflate(&z, "", 0, Z_FINISH);
    deflateEnd(&z);
    std::string out = "\x1f\x8b\x08\x04";
    Le32(&out, 0);
    out += "\x02\x03";
    Le16(&out, (uint32_t)(10 + 2 * chunks.size()));
    out += "RA";
    Le16(&out, (uint32_t)(6 + 2 * chunks.size()));
    Le16(&out, 1);
    Le16(&out, chunkLength);
    Le16(&out, (uint32_t)chunks.size());
    if (chunkSizes) chunkSizes->clear();
    for (const std::string& c : chunks) {
        Le16(&out, (uint32_t)c.size());
        if (chunkSizes) chunkSizes->push_back((uint32_t)c.size());
    }
    if (headerSize) *headerSize = out.size();
    for (const std::string& c : chunks)
        out += c;
    return out + tail + Trailer(text);
}

std::string Gzip(const std::string& text) {
    z_stream z;
    memset(&z, 0, sizeof z);
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::string body = Deflate(&z, text.data(), text.size(), Z_FINISH);
    deflateEnd(&z);
    return std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03", 10) + body + Trailer(text);
}

std::string Base64Number(uint64_t value) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value % 64]);
        value /= 64;
    } while (value);
    return out;
}

void WriteDictd(const std::string& base, const std::vector<DictdArticle>& articles, bool compress,
                const std::vector<std::string>& databaseEntries) {
    std::string index, body;
    auto add = [&](const std::string& headword, const std::string& text) {
        index += headword + "\t" + Base64Number(body.size()) + "\t" + Base64Number(text.size()) + "\n";
        body += text;
    };
    for (const std::string& entry : databaseEntries)
        add(entry, entry == "00-database-short" ? "00-database-short\n     A test dictionary\n" : "\n");
    for (const DictdArticle& a : articles)
        add(a.headword, a.text);
    WriteFile(base + ".index", index);
    WriteFile(base + (compress ? ".dict.dz" : ".dict"), compress ? Dictzip(body, 64) : body);
}

std::string WriteStarDict(const std::string& base, const std::vector<StarDictEntry>& entries,
                          const StarDictOptions& options) {
    std::string idx, body;
    for (const StarDictEntry& e : entries) {
        idx += e.word;
        idx.push_back('\0');
        if (options.offsets64) Be32(&idx, 0);
        Be32(&idx, (uint32_t)body.size());
        Be32(&idx, (uint32_t)e.data.size());
        body += e.data;
    }
    std::string syn;
    for (const auto& s : options.synonyms) {
        syn += s.first;
        syn.push_back('\0');
        Be32(&syn, s.second);
    }
    std::string ifo = "StarDict's dict ifo file\nversion=" + options.version + "\nbookname=Test " +
                      options.version +
                      "\nwordcount=" + std::to_string((long)entries.size() + options.wordCountDelta) +
                      "\nidxfilesize=" + std::to_string(idx.size()) + "\n";
    if (!options.sameTypeSequence.empty()) ifo += "sametypesequence=" + options.sameTypeSequence + "\n";
    if (options.offsets64) ifo += "idxoffsetbits=64\n";
    if (!options.synonyms.empty()) ifo += "synwordcount=" + std::to_string(options.synonyms.size()) + "\n";
    WriteFile(base + ".ifo", ifo);
    WriteFile(base + (options.gzipIndex ? ".idx.gz" : ".idx"), options.gzipIndex ? Gzip(idx) : idx);
    if (!options.synonyms.empty()) WriteFile(base + ".syn", syn);
    WriteFile(base + (options.dictzipBody ? ".dict.dz" : ".dict"),
              options.dictzipBody ? Dictzip(body, 100) : body);
    return base + ".ifo";
}

} // namespace dravel_test
