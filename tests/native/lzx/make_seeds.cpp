// Writes small LZX streams built by the test writer as fuzz_lzx seeds: byte 0 the window bits (less
// 15) and the way of decoding (fuzz_lzx.cpp), bytes 1..3 the output length, then the stream. Each
// is checked to decode to its expected bytes first. Usage: lzx_make_seeds DIR
#include "chm/lzx.h"
#include "lzx_writer.h"

#include <stdio.h>
#include <string>

namespace {
void Save(const std::string& dir, const char* name, int bits, LzxWriter& w, unsigned mode = 0) {
    std::vector<unsigned char> stream = w.Finish();
    uint32_t length = (uint32_t)w.Expected().size();
    std::vector<unsigned char> out(length);
    LzxState state = {};
    int rc = LzxInit(&state, bits);
    if (rc == LZX_OK) rc = LzxDecompress(&state, stream.data(), out.data(), (uint32_t)stream.size(), length);
    LzxRelease(&state);
    printf("%s: %u bytes, decodes with %d%s\n", name, length, rc,
           out == w.Expected() ? "" : ", other bytes than the window model (E8 translation)");
    std::vector<unsigned char> seed = {(unsigned char)((bits - 15) | mode << 3), (unsigned char)length,
                                       (unsigned char)(length >> 8), (unsigned char)(length >> 16)};
    seed.insert(seed.end(), stream.begin(), stream.end());
    FILE* f = fopen((dir + "/" + name).c_str(), "wb");
    if (f) {
        fwrite(seed.data(), 1, seed.size(), f);
        fclose(f);
    }
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string dir = argv[1];
    {
        LzxWriter w(15);
        w.Uncompressed({'o', 'd', 'd'}, 1, 2, 3);
        w.Verbatim({Lit('a'), Lit('b'), Match(9, 2), Repeat(3, 0), Lit('c')});
        Save(dir, "uncompressed-verbatim", 15, w);
    }
    {
        LzxWriter w(16);
        w.E8FileSize(5000);
        const char text[] = "call \xE8\x10\x00\x00\x00 twice \xE8\x20\x00\x00\x00 padding....";
        std::vector<LzxToken> t;
        for (size_t i = 0; i + 1 < sizeof text; i++)
            t.push_back(Lit((unsigned char)text[i]));
        t.push_back(Match(20, 12));
        w.Aligned(t);
        Save(dir, "e8-aligned", 16, w);
    }
    {
        LzxWriter w(17);
        std::vector<unsigned char> main(656 + 64, 0);
        const char* letters = "abcdefghijklmnop";
        for (unsigned i = 0; i < 16; i++)
            main[(unsigned char)letters[i]] = (unsigned char)(i + 1);
        main[256 + 8 * 6 + 7] = 16;
        LzxBlockOptions options;
        options.mainLengths = main;
        w.Verbatim({Lit('a'), Lit('p'), Lit('o'), Lit('b'), Match(30, 8), Lit('c')}, options);
        Save(dir, "long-codes", 17, w);
    }
    {
        LzxWriter w(15);
        std::vector<LzxToken> t;
        for (int i = 0; i < 200; i++)
            t.push_back(Lit((unsigned char)(i * 7)));
        for (int i = 0; i < 162; i++)
            t.push_back(Match(200, 150 + (i % 40)));
        t.push_back(Match(168, 150)); // the window is full: the next block starts after a reset
        w.Verbatim(t);
        w.Verbatim({Lit('x'), Repeat(3, 0), Match(40, 1000)});
        Save(dir, "window-reset", 15, w);
        Save(dir, "window-reset-as-a-span", 15, w, 3); // a span from a reset point to the end
    }
    return 0;
}
