// fuzz_lzx: the LZX decoder over arbitrary bytes (libFuzzer). Byte 0 picks the window bits (15..21)
// and whether the output is asked for in two calls; bytes 1..3 give the output length (under 4 MB);
// the rest is the compressed stream, handed over in an exact-size block.
#include "lzx.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int windowBits = 15 + data[0] % 7;
    const bool twoCalls = (data[0] & 0x80) != 0;
    const uint32_t outputLength = (data[1] | data[2] << 8 | (uint32_t)data[3] << 16) & 0x3FFFFF;
    const uint32_t inputLength = (uint32_t)(size - 4);

    unsigned char* input = (unsigned char*)malloc(inputLength ? inputLength : 1);
    unsigned char* output = (unsigned char*)malloc(outputLength ? outputLength : 1);
    if (!input || !output) abort();
    memcpy(input, data + 4, inputLength);

    if (LzxInit(windowBits) != LZX_OK) abort();
    int rc;
    if (twoCalls) {
        uint32_t first = outputLength / 2;
        rc = LzxDecompress(input, output, inputLength, first);
        if (rc == LZX_OK) rc = LzxDecompress(input, output + first, inputLength, outputLength - first);
    } else {
        rc = LzxDecompress(inputLength ? input : nullptr, output, inputLength, outputLength);
    }
    if (rc != LZX_OK && rc != LZX_WINDOW_OVERRUN && rc != LZX_BAD_DATA) abort();

    free(input);
    free(output);
    return 0;
}
