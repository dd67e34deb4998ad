// The text view's reader (private to text/): one pass over a page's characters that tokenizes
// the markup (tokenizer.cpp: tags, attributes, comments, raw text, character references) and
// builds the tree of blocks from it as it goes (treebuilder.cpp: implicit ends, lists, tables,
// selects, whitespace, preformatted text).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "text/document.h"
#include "text/htmltext.h"

namespace htmltext {

enum {
    MaxNumberValue = 64, // characters read of an attribute that holds a number or a keyword
};

enum TagClass : uint8_t {
    TagIgnored, // inline or unknown: leaves no node, its content shows
    TagVoid,    // no content, shows nothing
    TagBlock,
    TagPara,
    TagHeading,
    TagList,
    TagItem,
    TagDefList,
    TagTerm,
    TagDefinition,
    TagQuote,
    TagPre,
    TagRule,
    TagBreak,
    TagImage,
    TagTable,
    TagRowGroup,
    TagRow,
    TagCell,
    TagCaption,
    TagSelect,
    TagOption,
    TagDropped,   // raw text, not shown
    TagVerbatim,  // raw text shown as it is
    TagPlaintext, // everything after it is raw text
};

struct TagInfo {
    const char* Name;
    TagClass Class;
    uint8_t Extra; // heading: its level; ol: 1; raw text: 1 when entities are decoded in it
};

// The elements that are not simply inline; sorted by name.
extern const TagInfo Tags[];

class Builder {
  public:
    Builder(const std::u32string& source, const HtmlTextOptions& options, Document* document);

    void Html();
    void Plain();

  private:
    struct Open {
        int32_t Node;
        int Tag; // index in Tags, -1 for the root and implicit blocks
        TagClass Class;
    };
    struct Attribute {
        char Name[12]; // lower case, cut
        std::u32string Value;
    };

    const std::u32string& S;
    size_t N, P = 0;
    const HtmlTextOptions& Options;
    Document& D;
    std::vector<Open> Stack;
    std::vector<Attribute> Attributes; // of the current start tag that the tree builder reads
    int32_t Run = -1;                  // the text node being filled
    bool PendingSpace = false;         // collapsed whitespace before the next character of the run
    bool SkipNewline = false;          // right after <pre>: a first line end is not content
    unsigned PreColumn = 0;
    int PreDepth = 0, TableDepth = 0;
    bool InSelect = false;
    // A select shows as its chosen option (the first, or the one marked selected) in brackets.
    std::u32string SelectShown, Option;
    int OptionCount = 0;
    bool OptionSelected = false, SelectedSeen = false;

    Node& Top() { return D.Nodes[static_cast<size_t>(Stack.back().Node)]; }
    TagClass TopClass() const { return Stack.back().Class; }
    bool InTableContext() const {
        return TopClass() == TagTable || TopClass() == TagRow || TopClass() == TagRowGroup;
    }

    // The members declared inline are on the per-character path and called by their own file
    // only (which defines them), so that they inline there as they did when the class held its code.

    // -- nodes (treebuilder.cpp)
    void EndRun();
    inline int32_t AddNode(Kind kind);
    bool CanOpen(bool structural) const;
    int32_t OpenNode(Kind kind, int tag, TagClass cls);
    void Pop();
    void PopTo(size_t depth);
    size_t FindOpen(TagClass cls, std::initializer_list<TagClass> stops, int tag = -1) const;
    void ImplicitCell();
    inline void BeforeContent();
    void OpenPre(int tag, bool skipNewline);

    // -- text (treebuilder.cpp)
    inline void Push(char32_t c);
    inline void EnsureRun();
    void PreChar(char32_t c);
    void Char(char32_t c);
    void Chars(size_t from, size_t to);
    void Text(const std::u32string& text);
    void FinishOption();
    void StartOption();
    void EndSelect();
    void StartSelect();
    void ForcedBreak();

    // -- character references (tokenizer.cpp)
    char32_t ReferenceAt(size_t* at, bool inAttribute) const;
    void Reference(bool inAttribute);

    // -- markup (tokenizer.cpp)
    size_t Find(size_t from, char32_t c) const;
    bool At(size_t p, const char* text) const;
    void Markup();
    void Comment();
    std::u32string AttributeValue(size_t from, size_t to, size_t most) const;
    void KeepAttribute(size_t name, size_t nameEnd, size_t valueStart, size_t valueEnd);
    inline int TagName(size_t* p) const;
    void StartTag();
    const std::u32string* Attr(const char* name) const;
    void EndTag();
    size_t RawTextEnd(int tag);
    void ShowRawText(size_t from, size_t to, bool references);

    // -- elements (treebuilder.cpp)
    void CloseParagraph(TagClass cls);
    void OpenItem(int tag, TagClass cls);
    uint8_t ListLevel() const;
    void OpenList(int tag);
    uint8_t VerticalAlignment(uint8_t otherwise) const;
    size_t OpenTable() const;
    void StartElement(int tag, TagClass cls, bool selfClosing);
    void EndElement(int tag, TagClass cls);
};

} // namespace htmltext
