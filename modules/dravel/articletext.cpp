// Article text. Pango markup is HTML's inline tags over text whose line breaks count, so its line
// ends become <br> before the renderer, which otherwise folds them as HTML white space. XDXF keeps
// its line breaks too; its tags name parts of the article (<k> the headword, <tr> a transcription,
// <ex> an example, ...) that read as the text they hold, so they are dropped and its entities
// decoded.
#include "articletext.h"

#include <new>

#include "text/htmltext.h"
#include "unicase.h"

namespace dravel {

namespace {

// Drops trailing white space and line ends, and leading line ends.
void Trim(std::u32string* text) {
    while (!text->empty() && (text->back() == '\n' || text->back() == ' ' || text->back() == '\t'))
        text->pop_back();
    size_t lead = 0;
    while (lead < text->size() && (*text)[lead] == '\n')
        ++lead;
    text->erase(0, lead);
}

// One entity at text[*at] ('&' there); advances *at past it. Its character, or 0 when there is
// no entity there (then *at moves past the '&' only).
char32_t Entity(const std::u32string& text, size_t* at) {
    size_t semicolon = text.find(';', *at);
    ++*at;
    if (semicolon == std::u32string::npos || semicolon - *at > 10 || semicolon == *at) return 0;
    std::string name;
    for (size_t i = *at; i < semicolon; ++i) {
        if (text[i] > 0x7F) return 0;
        name += (char)text[i];
    }
    char32_t c = 0;
    if (name[0] == '#') {
        bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        for (size_t i = hex ? 2 : 1; i < name.size(); ++i) {
            char d = name[i];
            unsigned v = d >= '0' && d <= '9'          ? (unsigned)(d - '0')
                         : hex && d >= 'a' && d <= 'f' ? (unsigned)(d - 'a' + 10)
                         : hex && d >= 'A' && d <= 'F' ? (unsigned)(d - 'A' + 10)
                                                       : 99;
            if (v > (hex ? 15u : 9u) || c > 0x10FFFF) return 0;
            c = c * (hex ? 16 : 10) + v;
        }
        if (c == 0 || c > 0x10FFFF) return 0;
    } else {
        c = NamedEntity(name.data(), name.size());
        if (c == 0 && name == "apos") c = '\'';
        if (c == 0) return 0;
    }
    *at = semicolon + 1;
    return c;
}

std::u32string XdxfText(const std::string& data) {
    std::u32string source = PlainText(data.data(), data.size()), out;
    for (size_t at = 0; at < source.size();) {
        char32_t c = source[at];
        if (c == '<') {
            size_t end = source.find('>', at);
            at = end == std::u32string::npos ? source.size() : end + 1;
            continue;
        }
        if (c == '&') {
            char32_t e = Entity(source, &at);
            out += e ? e : U'&';
            continue;
        }
        out += c;
        ++at;
    }
    return out;
}

Error MarkupText(const std::string& data, bool pango, const TextTarget* target, std::u32string* out) {
    std::string page;
    const std::string* source = &data;
    if (pango) {
        page.reserve(data.size() + data.size() / 8);
        for (char c : data) {
            if (c == '\n')
                page += "<br>";
            else if (c != '\r')
                page += c;
        }
        source = &page;
    }
    HtmlTextOptions options;
    options.CodePage = CodePageUtf8;
    options.Target = target;
    if (RenderHtmlText((const unsigned char*)source->data(), source->size(), options, out) != HtmlTextDone)
        return Error::NoMemory;
    return Error::None;
}

} // namespace

std::u32string PlainText(const char* text, size_t length) {
    std::u32string out;
    out.reserve(length);
    for (size_t at = 0; at < length;) {
        char32_t c = NextCharacter(text, length, &at);
        if (c == '\r') {
            if (at < length && text[at] == '\n') ++at;
            c = '\n';
        }
        out += c == 0 ? U' ' : c;
    }
    return out;
}

Error StarDictText(const std::vector<StarDictEntryText>& entries, const TextTarget* target,
                   std::u32string* text) {
    text->clear();
    try {
        for (const StarDictEntryText& entry : entries) {
            if (!text->empty()) *text += U"\n";
            *text += PlainText(entry.word.data(), entry.word.size());
            *text += U"\n";
            for (const StarDictField& field : entry.fields) {
                std::u32string part;
                if (field.type == 'g' || field.type == 'h') {
                    Error error = MarkupText(field.data, field.type == 'g', target, &part);
                    if (error != Error::None) return error;
                } else if (field.type == 'x') {
                    part = XdxfText(field.data);
                } else if (field.type >= 'a' && field.type <= 'z' && field.type != 'r') {
                    part = PlainText(field.data.data(), field.data.size());
                }
                Trim(&part);
                if (part.empty()) continue;
                if (field.type == 't') part = U"[" + part + U"]";
                *text += U"\n";
                *text += part;
                *text += U"\n";
            }
        }
    } catch (const std::bad_alloc&) {
        text->clear();
        return Error::NoMemory;
    }
    return Error::None;
}

} // namespace dravel
