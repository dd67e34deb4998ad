// The text view's tree builder (see builder.h): the tree of blocks grown from what the tokenizer
// reads: blocks opened and closed (implicitly too, as browsers recover from broken markup),
// lists with their numbers, tables with their rows, cells and spans, a select shown as its chosen
// option, and the text itself, its whitespace collapsed or, in preformatted blocks, kept with
// its tabs expanded. With a target code page, a character it lacks is replaced by its stand-in
// as it enters the tree, so that wrapping and table columns count what will be written.
#include "text/builder.h"

#include <algorithm>

#include "text/htmlchars.h"

namespace htmltext {
namespace {

enum {
    MaxDepth = 100,     // open blocks; deeper ones read as plain content
    StructureSlack = 4, // rows, cells and implicit lists may go this much deeper
    MaxTables = 8,      // nested tables; deeper ones read as plain content
    TabStop = 8,
};

// The number an attribute value starts with (blanks first allowed), or `otherwise`.
int32_t AttributeNumber(const std::u32string& value, int32_t otherwise) {
    size_t i = 0;
    while (i < value.size() && IsHtmlSpace(value[i]))
        i++;
    bool negative = i < value.size() && value[i] == '-';
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) i++;
    if (i == value.size() || value[i] < '0' || value[i] > '9') return otherwise;
    int64_t n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; i++)
        n = std::min<int64_t>(n * 10 + (value[i] - '0'), 1000000000);
    return static_cast<int32_t>(negative ? -n : n);
}

} // namespace

Builder::Builder(const std::u32string& source, const HtmlTextOptions& options, Document* document)
    : S(source), N(source.size()), Options(options), D(*document) {
    Node root = {};
    root.Kind = KindRoot;
    root.Parent = root.First = root.Last = root.Next = -1;
    D.Nodes.push_back(root);
    Stack.push_back({0, -1, TagIgnored});
}

void Builder::Plain() {
    OpenPre(-1, false);
    for (; P < N && !D.Cut; P++)
        Char(S[P]);
    EndRun();
}

// -- nodes

void Builder::EndRun() {
    if (Run >= 0) {
        Node& run = D.Nodes[static_cast<size_t>(Run)];
        run.Length = static_cast<uint32_t>(D.Text.size() - run.Start);
    }
    Run = -1;
    PendingSpace = false;
}

inline int32_t Builder::AddNode(Kind kind) {
    EndRun();
    int32_t parent = Stack.back().Node;
    int32_t index = static_cast<int32_t>(D.Nodes.size());
    Node node = {};
    node.Kind = kind;
    node.Parent = parent;
    node.First = node.Last = node.Next = -1;
    node.ColSpan = node.RowSpan = 1;
    D.Nodes.push_back(node);
    Node& p = D.Nodes[static_cast<size_t>(parent)];
    if (p.Last >= 0)
        D.Nodes[static_cast<size_t>(p.Last)].Next = index;
    else
        p.First = index;
    p.Last = index;
    return index;
}

bool Builder::CanOpen(bool structural) const {
    return Stack.size() < static_cast<size_t>(structural ? MaxDepth + StructureSlack : MaxDepth);
}

int32_t Builder::OpenNode(Kind kind, int tag, TagClass cls) {
    int32_t node = AddNode(kind);
    Stack.push_back({node, tag, cls});
    if (cls == TagPre) PreDepth++;
    if (cls == TagTable) TableDepth++;
    return node;
}

void Builder::Pop() {
    EndRun();
    TagClass cls = Stack.back().Class;
    if (cls == TagPre) PreDepth--;
    if (cls == TagTable) TableDepth--;
    Stack.pop_back();
}

void Builder::PopTo(size_t depth) {
    while (Stack.size() > depth)
        Pop();
}

// The stack position of the innermost open element of class `cls`, looking down no further
// than an element of one of the classes in `stops`; 0 when there is none.
size_t Builder::FindOpen(TagClass cls, std::initializer_list<TagClass> stops, int tag) const {
    for (size_t i = Stack.size(); i-- > 1;) {
        const Open& o = Stack[i];
        if (o.Class == cls && (tag < 0 || o.Tag == tag)) return i;
        for (TagClass stop : stops)
            if (o.Class == stop) return 0;
    }
    return 0;
}

void Builder::ImplicitCell() {
    if (TopClass() == TagRowGroup) Pop();
    if (TopClass() == TagTable && CanOpen(true)) OpenNode(KindRow, -1, TagRow);
    if (TopClass() == TagRow && CanOpen(true)) OpenNode(KindCell, -1, TagCell);
}

// Content that is not part of a table's structure goes into a cell of its own.
inline void Builder::BeforeContent() {
    if (InTableContext()) ImplicitCell();
}

void Builder::OpenPre(int tag, bool skipNewline) {
    OpenNode(KindPre, tag, TagPre);
    SkipNewline = skipNewline;
    PreColumn = 0;
}

// -- text

inline void Builder::Push(char32_t c) {
    if (Options.Target && c != NoBreakSpace && TargetByte(*Options.Target, c) < 0) {
        const char* standIn = StandIn(c);
        if (!standIn) standIn = "?";
        for (; *standIn; standIn++) {
            D.Text.push_back(static_cast<unsigned char>(*standIn));
            PreColumn++;
        }
        return;
    }
    D.Text.push_back(c);
    PreColumn++;
}

inline void Builder::EnsureRun() {
    if (Run >= 0 && Top().Last == Run) return;
    int32_t node = AddNode(KindText);
    Node& run = D.Nodes[static_cast<size_t>(node)];
    run.Start = static_cast<uint32_t>(D.Text.size());
    run.Style = PreDepth ? 1 : 0;
    Run = node;
}

void Builder::PreChar(char32_t c) {
    if (SkipNewline) {
        SkipNewline = false;
        if (c == '\n') return;
    }
    if (c == '\n') {
        EnsureRun();
        D.Text.push_back(LineBreak);
        PreColumn = 0;
    } else if (c == '\t') {
        EnsureRun();
        unsigned spaces = TabStop - PreColumn % TabStop;
        while (spaces--)
            Push(' ');
    } else if (c == '\f' || c == '\r' || (IsInvisible(c) && c != 0xAD)) {
        return;
    } else {
        EnsureRun();
        Push(IsOtherSpace(c) ? ' ' : c);
    }
}

void Builder::Char(char32_t c) {
    if (D.Text.size() >= MaxTextChars) { // the page is cut here
        D.Cut = true;
        return;
    }
    if (InSelect) {
        if (OptionCount && !(IsHtmlSpace(c) && (Option.empty() || Option.back() == ' ')) && !IsInvisible(c) &&
            Option.size() <= MaxTextChars)
            Option.push_back(IsHtmlSpace(c) || IsOtherSpace(c) ? ' ' : c);
        return;
    }
    if (IsHtmlSpace(c) || IsOtherSpace(c)) {
        if (PreDepth) {
            BeforeContent();
            PreChar(c);
        } else if (Run >= 0 && Top().Last == Run) {
            PendingSpace = true;
        }
        return;
    }
    if (IsInvisible(c)) return;
    BeforeContent();
    if (PreDepth) {
        PreChar(c);
        return;
    }
    EnsureRun();
    if (PendingSpace && D.Text.size() > D.Nodes[static_cast<size_t>(Run)].Start && D.Text.back() != LineBreak)
        D.Text.push_back(' ');
    PendingSpace = false;
    Push(c);
}

// A run of text between the markup.
void Builder::Chars(size_t from, size_t to) {
    for (size_t p = from; p < to && !D.Cut; p++)
        Char(S[p]);
}

void Builder::Text(const std::u32string& text) {
    for (char32_t c : text)
        Char(c);
}

void Builder::FinishOption() {
    if (OptionCount && !SelectedSeen && (OptionCount == 1 || OptionSelected)) SelectShown = Option;
    SelectedSeen = SelectedSeen || OptionSelected;
    Option.clear();
}

void Builder::StartOption() {
    FinishOption();
    OptionCount++;
    OptionSelected = Attr("selected") != nullptr;
}

void Builder::EndSelect() {
    FinishOption();
    InSelect = false;
    while (!SelectShown.empty() && SelectShown.back() == ' ')
        SelectShown.pop_back();
    if (SelectShown.empty()) return;
    std::u32string shown = U"[" + SelectShown + U"]";
    Text(shown);
}

void Builder::StartSelect() {
    InSelect = true;
    SelectShown.clear();
    Option.clear();
    OptionCount = 0;
    OptionSelected = SelectedSeen = false;
}

void Builder::ForcedBreak() {
    if (InSelect) return;
    BeforeContent();
    if (PreDepth) {
        PreChar('\n');
        return;
    }
    EnsureRun();
    D.Text.push_back(LineBreak);
    PendingSpace = false;
}

// -- elements

// Block elements end an open paragraph; a heading ends an open heading.
void Builder::CloseParagraph(TagClass cls) {
    if (TopClass() == TagPara || (cls == TagHeading && TopClass() == TagHeading)) Pop();
}

// li, dt and dd: end the open item of the same list, and open a list when there is none.
void Builder::OpenItem(int tag, TagClass cls) {
    TagClass list = cls == TagItem ? TagList : TagDefList;
    for (size_t i = Stack.size(); i-- > 1;) {
        TagClass open = Stack[i].Class;
        if (open == cls || (cls != TagItem && (open == TagTerm || open == TagDefinition))) {
            PopTo(i);
            break;
        }
        if (open != TagPara && open != TagBlock) break;
    }
    if (TopClass() != list) {
        if (!CanOpen(true)) return;
        uint8_t level = ListLevel();
        int32_t node = OpenNode(list == TagList ? KindList : KindDefList, -1, list);
        D.Nodes[static_cast<size_t>(node)].Level = level;
        D.Nodes[static_cast<size_t>(node)].Number = 1;
    }
    if (!CanOpen(true)) return;
    Kind kind = cls == TagItem ? KindItem : cls == TagTerm ? KindTerm : KindDefinition;
    int32_t item = OpenNode(kind, tag, cls);
    if (cls == TagItem) {
        Node& parent = D.Nodes[static_cast<size_t>(D.Nodes[static_cast<size_t>(item)].Parent)];
        const std::u32string* value = Attr("value");
        if (value) parent.Number = AttributeNumber(*value, parent.Number);
        D.Nodes[static_cast<size_t>(item)].Number = parent.Number;
        if (parent.Number < 1000000000) parent.Number++;
    }
}

uint8_t Builder::ListLevel() const {
    unsigned level = 1;
    for (const Open& o : Stack)
        if (o.Class == TagList) level++;
    return static_cast<uint8_t>(std::min(level, 255u));
}

void Builder::OpenList(int tag) {
    int32_t node = OpenNode(KindList, tag, TagList);
    Node& list = D.Nodes[static_cast<size_t>(node)];
    list.Level = static_cast<uint8_t>(ListLevel() - 1);
    list.Style = 0;
    if (Tags[tag].Extra) {
        list.Style = '1';
        const std::u32string* type = Attr("type");
        char32_t t = type && type->size() == 1 ? (*type)[0] : 0;
        if (t == 'a' || t == 'A' || t == 'i' || t == 'I') list.Style = static_cast<uint8_t>(t);
    }
    const std::u32string* start = Attr("start");
    list.Number = start ? AttributeNumber(*start, 1) : 1;
}

// A cell's or row's valign: 't', 'b' or 'm' (the default), else what its row says.
uint8_t Builder::VerticalAlignment(uint8_t otherwise) const {
    const std::u32string* valign = Attr("valign");
    if (valign && !valign->empty()) {
        char32_t c = AsciiLower((*valign)[0]);
        if (c == 't' || c == 'b' || c == 'm') return static_cast<uint8_t>(c);
    }
    return otherwise ? otherwise : 'm';
}

// Structure tags of tables: the stack position of the innermost table, or 0.
size_t Builder::OpenTable() const {
    return FindOpen(TagTable, {});
}

void Builder::StartElement(int tag, TagClass cls, bool selfClosing) {
    if (InSelect) {
        if (cls == TagOption) StartOption();
        if (cls == TagIgnored || cls == TagVoid || cls == TagOption || cls == TagBreak || cls == TagImage)
            return;
        EndSelect(); // a block ends an unclosed select
        if (cls == TagSelect) return;
    }
    if (PreDepth && cls != TagBreak && cls != TagImage && cls != TagDropped && cls != TagRow &&
        cls != TagCell && cls != TagCaption && cls != TagRowGroup)
        return; // inside a preformatted block only its text counts
    switch (cls) {
    case TagIgnored:
    case TagVoid:
    case TagOption:
        return;
    case TagDropped:
        if (!selfClosing) RawTextEnd(tag);
        return;
    case TagVerbatim:
    case TagPlaintext: {
        CloseParagraph(cls);
        BeforeContent();
        bool opened = CanOpen(false);
        if (opened) OpenPre(tag, true);
        size_t from = P;
        size_t to = cls == TagPlaintext ? (P = N) : RawTextEnd(tag);
        size_t resume = P;
        ShowRawText(from, to, Tags[tag].Extra != 0);
        P = resume;
        if (opened) PopTo(FindOpen(TagPre, {}));
        return;
    }
    case TagBreak:
        ForcedBreak();
        return;
    case TagImage: {
        const std::u32string* alt = Attr("alt");
        if (alt) Text(*alt);
        return;
    }
    case TagSelect:
        StartSelect();
        return;
    case TagRowGroup: {
        size_t table = OpenTable();
        if (table) PopTo(table + 1);
        return;
    }
    case TagRow: {
        size_t table = OpenTable();
        if (!table) return;
        PopTo(table + 1);
        int32_t row = OpenNode(KindRow, tag, TagRow);
        D.Nodes[static_cast<size_t>(row)].Style = VerticalAlignment(0);
        return;
    }
    case TagCell: {
        size_t table = OpenTable();
        if (!table) return;
        size_t row = FindOpen(TagRow, {TagTable});
        PopTo(row ? row + 1 : table + 1);
        if (!row) OpenNode(KindRow, -1, TagRow);
        uint8_t rowAlignment = Top().Style;
        int32_t cell = OpenNode(KindCell, tag, TagCell);
        D.Nodes[static_cast<size_t>(cell)].Style = VerticalAlignment(rowAlignment);
        const std::u32string* colspan = Attr("colspan");
        const std::u32string* rowspan = Attr("rowspan");
        Node& c = D.Nodes[static_cast<size_t>(cell)];
        c.ColSpan = static_cast<uint16_t>(
            std::max(1, std::min<int32_t>(colspan ? AttributeNumber(*colspan, 1) : 1, MaxSpan)));
        c.RowSpan = static_cast<uint16_t>(
            std::max(1, std::min<int32_t>(rowspan ? AttributeNumber(*rowspan, 1) : 1, MaxSpan)));
        return;
    }
    case TagCaption: {
        size_t table = OpenTable();
        if (!table) return;
        PopTo(table + 1);
        OpenNode(KindCaption, tag, TagCaption);
        return;
    }
    default:
        break;
    }
    // The blocks.
    if (cls == TagTable && TableDepth >= MaxTables) return;
    if (cls == TagTable && InTableContext()) PopTo(OpenTable()); // a table directly in a table ends it
    CloseParagraph(cls);
    BeforeContent();
    if (cls == TagRule) {
        AddNode(KindRule);
        return;
    }
    if (cls == TagItem || cls == TagTerm || cls == TagDefinition) {
        OpenItem(tag, cls);
        return;
    }
    if (!CanOpen(false)) return;
    switch (cls) {
    case TagPara:
        OpenNode(KindPara, tag, cls);
        break;
    case TagHeading: {
        int32_t node = OpenNode(KindHeading, tag, cls);
        D.Nodes[static_cast<size_t>(node)].Level = Tags[tag].Extra;
        break;
    }
    case TagList:
        OpenList(tag);
        break;
    case TagDefList:
        OpenNode(KindDefList, tag, cls);
        break;
    case TagQuote:
        OpenNode(KindQuote, tag, cls);
        break;
    case TagPre:
        OpenPre(tag, true);
        break;
    case TagTable:
        OpenNode(KindTable, tag, cls);
        break;
    default:
        OpenNode(KindBlock, tag, TagBlock);
        break;
    }
}

void Builder::EndElement(int tag, TagClass cls) {
    size_t at = 0;
    switch (cls) {
    case TagIgnored:
    case TagVoid:
    case TagOption:
    case TagDropped:
    case TagImage:
    case TagPlaintext:
    case TagVerbatim:
        return;
    case TagBreak:
        ForcedBreak(); // "</br>" is read as "<br>"
        return;
    case TagSelect:
        if (InSelect) EndSelect();
        return;
    case TagPara:
        at = FindOpen(TagPara, {TagTable, TagCell, TagCaption});
        if (!at) { // a lone "</p>" is an empty paragraph
            if (CanOpen(false) && !PreDepth) {
                BeforeContent();
                OpenNode(KindPara, tag, TagPara);
                Pop();
            }
            return;
        }
        break;
    case TagHeading:
        at = FindOpen(TagHeading, {TagTable, TagCell, TagCaption});
        break;
    case TagItem:
        at = FindOpen(TagItem, {TagList, TagTable, TagCell, TagCaption});
        break;
    case TagTerm:
    case TagDefinition:
        at = FindOpen(cls, {TagDefList, TagTable, TagCell, TagCaption});
        break;
    case TagCell:
    case TagRow:
    case TagCaption:
        at = FindOpen(cls, {TagTable});
        break;
    case TagRowGroup:
        at = OpenTable();
        if (at) PopTo(at + 1);
        return;
    case TagTable:
        at = OpenTable();
        break;
    default:
        at = FindOpen(cls, {TagTable, TagCell, TagCaption}, tag);
        break;
    }
    if (at) PopTo(at);
}

} // namespace htmltext
