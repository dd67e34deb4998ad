// Error kinds of the dictionary core mapped to the module's messages and to plain texts.
#include "core.h"

namespace dravel {

int MessageIndex(Error error) {
    switch (error) {
    case Error::None:
        return 0;
    case Error::OpenDictionary:
        return 7;
    case Error::ReadFailed:
        return 7;
    case Error::CreateIndex:
        return 8;
    case Error::NoBodyStart:
        return 9;
    case Error::NoIndexEntry:
        return 10;
    case Error::BadOffset:
        return 11;
    case Error::CreateResult:
        return 12;
    case Error::NoMemory:
        return 12;
    case Error::BadIndex:
        return 17;
    case Error::UnsortedIndex:
        return 18;
    case Error::IndexMismatch:
        return 19;
    case Error::BadBody:
        return 20;
    case Error::TooLarge:
        return 21;
    case Error::Unsupported:
        return 22;
    }
    return 7;
}

const char* ErrorText(Error error) {
    switch (error) {
    case Error::None:
        return "no error";
    case Error::OpenDictionary:
        return "the dictionary cannot be opened";
    case Error::ReadFailed:
        return "the dictionary cannot be read";
    case Error::CreateIndex:
        return "the index file cannot be created";
    case Error::NoBodyStart:
        return "the dictionary has no line that begins with \"'c\"";
    case Error::NoIndexEntry:
        return "the keyword's first two characters have no index entry";
    case Error::BadOffset:
        return "the dictionary cannot be positioned at the indexed offset";
    case Error::CreateResult:
        return "the result folder or file cannot be created";
    case Error::NoMemory:
        return "not enough memory";
    case Error::BadIndex:
        return "the dictionary's index is damaged: an entry cannot be read or points outside the dictionary";
    case Error::UnsortedIndex:
        return "the dictionary's index is not in its own order";
    case Error::IndexMismatch:
        return "the dictionary's description (.ifo) does not match its index (.idx)";
    case Error::BadBody:
        return "the dictionary's text is damaged or cut short where the article lies";
    case Error::TooLarge:
        return "the article is larger than the 8 MB Dravel shows";
    case Error::Unsupported:
        return "not a dictionary of this type, or a version of it that Dravel does not read";
    }
    return "unknown error";
}

} // namespace dravel
