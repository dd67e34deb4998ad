// The text view's input (private to text/): a page's bytes as the characters the tokenizer reads.
#pragma once

#include <stddef.h>

#include <string>

namespace htmltext {

// The page's bytes in `codePage` (CodePageUtf8, UTF-16 1200 or 1201 past its byte order mark,
// or an 8-bit page: built in, else `upperHalf`, else its upper half undefined), with line ends
// made LF and NUL dropped, as an HTML reader takes its input.
void Decode(const unsigned char* p, size_t n, unsigned codePage, const char32_t* upperHalf,
            std::u32string* out);

} // namespace htmltext
