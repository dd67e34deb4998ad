// Option states of catalogue entries (see optionstate.hpp).
#include "optionstate.hpp"

#include <string.h>

int GetOptionState(const char* flags, unsigned bit) {
    size_t p = bit / 2;
    if (p >= strlen(flags)) return OPTION_DEFAULT;
    return (unsigned char)flags[p] - '0';
}

void SetOptionState(char* flags, size_t size, int state, unsigned bit) {
    size_t p = bit / 2;
    if (p + 1 >= size) return;
    size_t length = strlen(flags);
    if (p >= length) {
        memset(flags + length, '2', p - length + 1);
        flags[p + 1] = 0;
    }
    flags[p] = (char)('0' + state);
}

int EffectiveOption(const char* flags, unsigned typeDefaults, unsigned bit) {
    int state = GetOptionState(flags, bit);
    return state == OPTION_DEFAULT ? (int)(typeDefaults & bit) : state;
}
