// Option states of a catalogue entry: its Flags text holds one character per
// option at position bit / 2: '0' off, '1' on, '2' (or no character) "take the
// help type's default".
#pragma once

#include <stddef.h>

enum OptionState { OPTION_OFF = 0, OPTION_ON = 1, OPTION_DEFAULT = 2 };

// 0, 1 or 2 for the usual characters; any other character gives its code minus
// '0', which EffectiveOption counts as on.
int GetOptionState(const char* flags, unsigned bit);
// Sets the character at bit / 2 to '0' + state, padding with '2' up to it.
// size is the buffer's size; a position that would not fit with its NUL is left alone.
void SetOptionState(char* flags, size_t size, int state, unsigned bit);
// Non-zero when the option is on: the state itself, or typeDefaults & bit when unset.
int EffectiveOption(const char* flags, unsigned typeDefaults, unsigned bit);
