// libFuzzer target: renders arbitrary bytes as a page. The first byte picks the help file's code
// page, the target page, the width and plain text; the rest is the page. Checks what the text
// view promises: no control character, no trailing blank, no blank first or last line, and with
// a target page only characters that page can write.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "text/charsets.h"
#include "text/htmltext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const unsigned codePages[] = {1252, 1251, 1250, CodePageUtf8, 1253, 437, 866, 932};
    static const unsigned widths[] = {78, 20, 40, 200};
    uint8_t control = data[0];
    HtmlTextOptions options;
    options.CodePage = codePages[control & 7];
    options.Width = widths[(control >> 3) & 3];
    options.Plain = (control & 0x20) != 0;
    TextTarget target;
    if (control & 0xC0) {
        InitTextTarget(&target, BuiltInUpperHalf((control & 0x80) ? 866 : 437));
        options.Target = &target;
    }
    std::u32string text;
    if (RenderHtmlText(data + 1, size - 1, options, &text) != HtmlTextDone) return 0;
    bool lineStart = true, blankLine = true;
    for (size_t i = 0; i < text.size(); i++) {
        char32_t c = text[i];
        if (c == '\n') {
            if (i == 0 || (blankLine && i + 1 == text.size())) abort(); // a blank first or last line
            if (i > 0 && text[i - 1] == ' ') abort();                   // a trailing blank
            lineStart = blankLine = true;
            continue;
        }
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == NoBreakSpace) abort();
        if (options.Target && TargetByte(target, c) < 0) abort();
        if (c != ' ') blankLine = false;
        lineStart = false;
    }
    if (!text.empty() && text.back() != '\n') abort();
    (void)lineStart;
    TextAsUtf8(text);
    if (options.Target) TextInTarget(text, target);
    return 0;
}
