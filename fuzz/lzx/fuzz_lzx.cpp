// fuzz_lzx: the LZX decoder over arbitrary bytes (libFuzzer). Byte 0: bits 0..2 pick the window bits
// (15 + value % 7), bits 3..4 the way the output is asked for: 0 one call, 1 two calls continuing
// one stream, 2 a span that ends where the stream resets, 3 a span at a section's end (the span
// starts at a stream position of the next three bits times 32 KB). Bytes 1..3 give the output length
// (under 4 MB); the rest is the compressed stream, handed over in an exact-size block.
#include "chm/lzx.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int windowBits = 15 + (data[0] & 7) % 7;
    const unsigned mode = (data[0] >> 3) & 3;
    const uint32_t streamPosition = (uint32_t)(data[0] >> 5) * LZX_FRAME_SIZE;
    const uint32_t outputLength = (data[1] | data[2] << 8 | (uint32_t)data[3] << 16) & 0x3FFFFF;
    const uint32_t inputLength = (uint32_t)(size - 4);

    unsigned char* input = (unsigned char*)malloc(inputLength ? inputLength : 1);
    unsigned char* output = (unsigned char*)malloc(outputLength ? outputLength : 1);
    if (!input || !output) abort();
    memcpy(input, data + 4, inputLength);

    static LzxState state; // kept between inputs, as a container's state serves many reads
    int rc;
    if (mode >= 2) {
        rc = LzxDecodeSpan(&state, windowBits, streamPosition, inputLength ? input : nullptr, inputLength,
                           output, outputLength, mode == 2);
        if (rc == LZX_OK && state.streamOffset > inputLength + 4) abort();
    } else {
        if (LzxInit(&state, windowBits) != LZX_OK) abort();
        if (mode == 1) {
            uint32_t first = outputLength / 2;
            rc = LzxDecompress(&state, input, output, inputLength, first);
            uint32_t used = state.inputUsed;
            if (used > inputLength) abort();
            if (rc == LZX_OK)
                rc = LzxDecompress(&state, input + used, output + first, inputLength - used,
                                   outputLength - first);
        } else {
            rc = LzxDecompress(&state, inputLength ? input : nullptr, output, inputLength, outputLength);
        }
    }
    if (rc != LZX_OK && rc != LZX_WINDOW_OVERRUN && rc != LZX_BAD_DATA) abort();

    free(input);
    free(output);
    return 0;
}
