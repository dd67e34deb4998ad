// Draws what a Far user would see as plain text for the transcript: menus with
// marks, hotkeys and cursor; dialogs on a character grid; message boxes; help
// topics; editor and viewer windows with the file's content.
#include "internal.hpp"

#include <algorithm>
#include <cstring>

namespace farhost {

namespace {

std::string Hex(unsigned v) {
    char b[16];
    wsprintfA(b, "0x%X", v);
    return b;
}

// Printable form of a text inside a frame (control bytes become '?').
std::string Visible(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if ((unsigned char)c < 0x20) c = '?';
    return out;
}

std::string Pad(const std::string& s, size_t width) {
    return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
}

std::string Centre(const std::string& s, size_t width) {
    if (s.size() >= width) return s;
    size_t left = (width - s.size()) / 2;
    return std::string(left, ' ') + s + std::string(width - s.size() - left, ' ');
}

// A horizontal frame edge with an optional caption in the middle.
std::string Edge(char corner, char fill, const std::string& caption, size_t inner) {
    std::string mid(inner, fill);
    if (!caption.empty()) {
        std::string c = " " + caption + " ";
        if (c.size() > inner) c = c.substr(0, inner);
        mid.replace((inner - c.size()) / 2, c.size(), c);
    }
    return std::string(1, corner) + mid + std::string(1, corner);
}

// Menu item text as shown: '&' markers dropped ("&&" is one '&').
std::string MenuText(const MenuItemRecord& item, DWORD flags) {
    std::string plain;
    const std::string& t = item.Text;
    for (size_t i = 0; i < t.size(); i++) {
        if (t[i] == '&' && !(flags & FMENU_SHOWAMPERSAND)) {
            if (i + 1 < t.size() && t[i + 1] == '&') {
                plain += '&';
                i++;
                continue;
            }
            continue;
        }
        plain += t[i];
    }
    return Visible(plain);
}

std::string FlagNames(DWORD flags, const std::vector<std::pair<DWORD, const char*>>& names) {
    std::string s;
    for (const auto& n : names)
        if (flags & n.first) s += (s.empty() ? "" : "|") + std::string(n.second);
    return s;
}

// Far .hlf markup made readable: highlights, links and escapes.
std::string HelpLine(const std::string& line) {
    std::string out;
    size_t i = 0;
    if (!line.empty() && line[0] == '^') i = 1;
    for (; i < line.size(); i++) {
        char c = line[i];
        if ((c == '#' || c == '~' || c == '@') && i + 1 < line.size() && line[i + 1] == c) {
            out += c;
            i++;
        } else if (c == '#')
            continue;
        else if (c == '~') {
            size_t end = line.find('~', i + 1);
            if (end == std::string::npos) {
                out += c;
                continue;
            }
            out += "[" + line.substr(i + 1, end - i - 1) + "]";
            i = end;
            if (i + 1 < line.size() && line[i + 1] == '@') {
                size_t at = line.find('@', i + 2);
                if (at != std::string::npos) i = at;
            }
        } else
            out += c;
    }
    return Visible(out);
}

// What a dialog item shows of its text: the '&' before a hotkey is not drawn ("&&" is one '&')
// in labels, check boxes, radio buttons and buttons.
std::string Label(const DialogItemRecord& it) {
    bool marked = it.Type == DI_TEXT || it.Type == DI_VTEXT || it.Type == DI_CHECKBOX ||
                  it.Type == DI_RADIOBUTTON || it.Type == DI_BUTTON;
    if (!marked || (it.Flags & DIF_SHOWAMPERSAND)) return it.Data;
    std::string out;
    for (size_t i = 0; i < it.Data.size(); i++) {
        if (it.Data[i] == '&' && i + 1 < it.Data.size() && it.Data[i + 1] == '&')
            out += '&', i++;
        else if (it.Data[i] != '&')
            out += it.Data[i];
    }
    return out;
}

// A dialog drawn on a character grid.
struct Canvas {
    int w, h;
    std::vector<std::string> rows;
    Canvas(int width, int height) : w(width), h(height), rows(height, std::string(width, ' ')) {}
    void Put(int x, int y, const std::string& s) {
        if (y < 0 || y >= h) return;
        for (size_t i = 0; i < s.size(); i++)
            if (x + (int)i >= 0 && x + (int)i < w) rows[y][x + i] = s[i];
    }
};

// The longest message line Far shows whole in an 80-column console.
const size_t kMessageLineRoom = 68;

} // namespace

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"') {
            out += "\\\"";
        } else if (c < 0x20) {
            char b[8];
            wsprintfA(b, "\\x{%02X}", c);
            out += b;
        } else
            out += (char)c;
    }
    return out + "\"";
}

std::string BreakKeyName(int breakKey) {
    Key k;
    k.Vk = breakKey & 0xFFFF;
    k.Mods = ((unsigned)breakKey >> 16) & 7;
    std::string name = KeyName(k);
    if (name.find("VK") != std::string::npos) {
        if (k.Vk >= '0' && k.Vk <= 'Z') name = name.substr(0, name.find("VK")) + std::string(1, (char)k.Vk);
    }
    return name;
}

std::vector<std::string> RenderMenu(const MenuRecord& menu) {
    std::vector<std::string> out;
    std::string head = "menu " + Quote(menu.Title);
    std::string flags = FlagNames(menu.Flags, {{FMENU_SHOWAMPERSAND, "SHOWAMPERSAND"},
                                               {FMENU_WRAPMODE, "WRAPMODE"},
                                               {FMENU_AUTOHIGHLIGHT, "AUTOHIGHLIGHT"},
                                               {FMENU_REVERSEAUTOHIGHLIGHT, "REVERSEAUTOHIGHLIGHT"},
                                               {FMENU_USEEXT, "USEEXT"},
                                               {FMENU_CHANGECONSOLETITLE, "CHANGECONSOLETITLE"}});
    if (!flags.empty()) head += ", flags " + flags;
    if (!menu.HelpTopic.empty()) head += ", help " + Quote(menu.HelpTopic);
    if (!menu.BreakKeys.empty()) {
        head += ", break keys";
        for (int b : menu.BreakKeys)
            head += " " + BreakKeyName(b);
    }
    out.push_back(head);
    // Far's frame: the mark column, a space, the widest text (or the title or bottom line with a
    // space on each side), a space. The cursor ('>') and the hotkeys stand outside the frame.
    std::vector<std::string> texts;
    size_t widest = std::max(menu.Title.empty() ? 0 : menu.Title.size() + 2,
                             menu.Bottom.empty() ? 0 : menu.Bottom.size() + 2);
    for (const MenuItemRecord& it : menu.Items) {
        texts.push_back(it.Separator ? "" : MenuText(it, menu.Flags));
        widest = std::max(widest, texts.back().size());
    }
    size_t inner = widest + 3;
    out.push_back("  " + Edge('+', '=', Visible(menu.Title), inner));
    for (size_t i = 0; i < menu.Items.size(); i++) {
        const MenuItemRecord& it = menu.Items[i];
        if (it.Separator) {
            out.push_back("  |" + std::string(inner, '-') + "|");
            continue;
        }
        std::string cursor = (int)i == menu.InitialCursor ? " >" : "  ";
        std::string mark = it.Mark ? std::string(1, it.Mark < 0x20 ? '?' : (char)it.Mark) : " ";
        std::string notes;
        if (it.Hotkey) notes += "  hotkey " + std::string(1, it.Hotkey);
        if (it.Disabled) notes += "  (disabled)";
        if (it.AccelKey) notes += "  [key " + Hex(it.AccelKey) + "]";
        out.push_back(cursor + "|" + mark + " " + Pad(texts[i], inner - 2) + "|" + notes);
    }
    if (menu.Items.empty()) out.push_back("  |" + std::string(inner, ' ') + "|");
    out.push_back("  " + Edge('+', '=', Visible(menu.Bottom), inner));
    return out;
}

std::vector<std::string> RenderDialog(const DialogRecord& dialog,
                                      const std::vector<DialogItemRecord>& items) {
    std::vector<std::string> out;
    bool centred = dialog.X1 == -1 && dialog.Y1 == -1;
    int w = centred ? dialog.X2 : dialog.X2 - dialog.X1 + 1;
    int h = centred ? dialog.Y2 : dialog.Y2 - dialog.Y1 + 1;
    w = std::min(std::max(w, 4), 200);
    h = std::min(std::max(h, 1), 100);
    std::string head = std::string(dialog.Ex ? "dialog (DialogEx" : "dialog (Dialog") + ") " +
                       std::to_string(w) + "x" + std::to_string(h) + (centred ? " centred" : "");
    if (!dialog.HelpTopic.empty()) head += ", help " + Quote(dialog.HelpTopic);
    if (dialog.HasProc) head += ", with a dialog procedure";
    out.push_back(head);
    Canvas cv(w, h);
    int focus = -1;
    for (size_t i = 0; i < items.size(); i++) {
        const DialogItemRecord& it = items[i];
        if (it.Flags & DIF_HIDDEN) continue;
        if (it.Focus) focus = (int)i;
        int x1 = it.X1, y1 = it.Y1, x2 = std::max(it.X2, it.X1), y2 = std::max(it.Y2, it.Y1);
        std::string data = Visible(Label(it));
        switch (it.Type) {
        case DI_SINGLEBOX:
        case DI_DOUBLEBOX: {
            char fill = it.Type == DI_DOUBLEBOX ? '=' : '-';
            int inner = std::max(0, x2 - x1 - 1);
            std::string top = Edge('+', fill, data, inner);
            if (it.Flags & DIF_LEFTTEXT && !data.empty())
                top = "+" + Pad(std::string(1, fill) + " " + data + " ", inner);
            cv.Put(x1, y1, top.substr(0, inner + 2));
            for (int y = y1 + 1; y < y2; y++)
                cv.Put(x1, y, "|"), cv.Put(x2, y, "|");
            cv.Put(x1, y2, Edge('+', fill, "", inner));
            break;
        }
        case DI_TEXT:
            if (it.Flags & (DIF_SEPARATOR | DIF_SEPARATOR2)) {
                std::string line =
                    "+" + std::string(std::max(0, w - 8), (it.Flags & DIF_SEPARATOR2) ? '=' : '-') + "+";
                if (!data.empty())
                    line = Edge('+', (it.Flags & DIF_SEPARATOR2) ? '=' : '-', data, std::max(0, w - 8));
                cv.Put(3, y1, line);
            } else if (x1 == -1)
                cv.Put((w - (int)data.size()) / 2, y1, data);
            else if ((it.Flags & DIF_CENTERTEXT) && it.X2 > it.X1)
                cv.Put(x1, y1, Centre(data, x2 - x1 + 1));
            else
                cv.Put(x1, y1, data);
            break;
        case DI_VTEXT:
            for (size_t k = 0; k < data.size(); k++)
                cv.Put(x1, y1 + (int)k, std::string(1, data[k]));
            break;
        case DI_EDIT:
        case DI_PSWEDIT:
        case DI_FIXEDIT:
        case DI_COMBOBOX: {
            int width = x2 - x1 + 1;
            std::string shown = it.Type == DI_PSWEDIT ? std::string(data.size(), '*') : data;
            if ((int)shown.size() > width) shown = shown.substr(0, width);
            cv.Put(x1, y1, shown + std::string(width - shown.size(), '_'));
            if (it.Type == DI_COMBOBOX || !it.History.empty()) cv.Put(x2 + 1, y1, "v");
            break;
        }
        case DI_CHECKBOX:
            cv.Put(x1, y1,
                   std::string("[") +
                       (it.Selected == 1   ? "x"
                        : it.Selected == 2 ? "?"
                                           : " ") +
                       "] " + data);
            break;
        case DI_RADIOBUTTON:
            cv.Put(x1, y1, std::string("(") + (it.Selected ? "*" : " ") + ") " + data);
            break;
        case DI_BUTTON: {
            if (it.Flags & DIF_CENTERGROUP) break; // drawn with its row below
            // Far marks the default button by its colour only.
            std::string b = (it.Flags & DIF_NOBRACKETS) ? data : "[ " + data + " ]";
            cv.Put(x1, y1, b);
            break;
        }
        case DI_LISTBOX: {
            for (int y = y1; y <= y2; y++)
                cv.Put(x1, y, "|"), cv.Put(x2, y, "|");
            for (size_t k = 0; k < it.List.size() && y1 + 1 + (int)k < y2; k++)
                cv.Put(x1 + 1, y1 + 1 + (int)k, ((int)k == it.ListPos ? ">" : " ") + Visible(it.List[k]));
            break;
        }
        default:
            cv.Put(x1, y1, "<user control>");
        }
    }
    // Items with DIF_CENTERGROUP on one row are centred together, two spaces apart.
    std::vector<int> rowsDone;
    for (size_t i = 0; i < items.size(); i++) {
        const DialogItemRecord& it = items[i];
        if (!(it.Flags & DIF_CENTERGROUP) || (it.Flags & DIF_HIDDEN) ||
            std::find(rowsDone.begin(), rowsDone.end(), it.Y1) != rowsDone.end())
            continue;
        rowsDone.push_back(it.Y1);
        std::string row;
        for (const DialogItemRecord& o : items) {
            if (!(o.Flags & DIF_CENTERGROUP) || o.Y1 != it.Y1 || (o.Flags & DIF_HIDDEN)) continue;
            std::string d = Visible(Label(o));
            std::string b = o.Type == DI_BUTTON && !(o.Flags & DIF_NOBRACKETS) ? "[ " + d + " ]"
                            : o.Type == DI_CHECKBOX                            ? "[" +
                                                          std::string(o.Selected == 1   ? "x"
                                                                      : o.Selected == 2 ? "?"
                                                                                        : " ") +
                                                          "] " + d
                                                    : d;
            row += (row.empty() ? "" : "  ") + b;
        }
        cv.Put((w - (int)row.size()) / 2, it.Y1, row);
    }
    for (const std::string& r : cv.rows) {
        std::string t = r;
        while (!t.empty() && t.back() == ' ')
            t.pop_back();
        out.push_back("  " + t);
    }
    for (size_t i = 0; i < items.size(); i++) {
        const DialogItemRecord& it = items[i];
        if (it.Type == DI_COMBOBOX || (it.Type == DI_LISTBOX && !it.List.empty())) {
            std::string s = "  item " + std::to_string(i) + " list:";
            for (size_t k = 0; k < it.List.size(); k++)
                s += std::string(k ? " |" : "") + ((int)k == it.ListPos ? " >" : " ") + Visible(it.List[k]);
            if (it.List.empty()) s += " (empty)";
            out.push_back(s);
        }
        if (!it.History.empty())
            out.push_back("  item " + std::to_string(i) + " history " + Quote(it.History));
        if (!it.Mask.empty()) out.push_back("  item " + std::to_string(i) + " mask " + Quote(it.Mask));
    }
    if (focus >= 0) out.push_back("  focus on item " + std::to_string(focus));
    for (size_t i = 0; i < items.size(); i++)
        if (items[i].DefaultButton && !(items[i].Flags & DIF_HIDDEN))
            out.push_back("  default item " + std::to_string(i));
    return out;
}

std::vector<std::string> RenderMessage(const MessageRecord& m) {
    std::vector<std::string> out;
    std::string head = m.FromHost ? "message box of the host" : m.Notice ? "notice" : "message box";
    std::string flags = FlagNames(m.Flags, {{FMSG_WARNING, "WARNING"},
                                            {FMSG_ERRORTYPE, "ERRORTYPE"},
                                            {FMSG_KEEPBACKGROUND, "KEEPBACKGROUND"},
                                            {FMSG_DOWN, "DOWN"},
                                            {FMSG_LEFTALIGN, "LEFTALIGN"},
                                            {FMSG_ALLINONE, "ALLINONE"}});
    static const char* const mb[] = {"",         "MB_OK",          "MB_OKCANCEL",   "MB_ABORTRETRYIGNORE",
                                     "MB_YESNO", "MB_YESNOCANCEL", "MB_RETRYCANCEL"};
    unsigned kind = (m.Flags & FMSG_MB_MASK) >> 16;
    if (kind >= 1 && kind <= 6) flags += (flags.empty() ? "" : "|") + std::string(mb[kind]);
    if (!flags.empty()) head += ", flags " + flags;
    if (!m.HelpTopic.empty()) head += ", help " + Quote(m.HelpTopic);
    out.push_back(head);
    // Far's box: each line with a space on each side, the title with a space and a frame
    // character on each side, the buttons in one row right under the lines, each " text "
    // (the one with the focus is highlighted). Lines longer than an 80-column console allows
    // are cut, from the right.
    std::string buttons;
    for (const std::string& b : m.Buttons)
        buttons += " " + Visible(b) + " ";
    std::vector<std::string> lines;
    size_t inner =
        std::max(m.Title.empty() ? 0 : m.Title.size() + 4, buttons.empty() ? 0 : buttons.size() + 2);
    for (const std::string& l : m.Lines) {
        lines.push_back(Visible(l.substr(0, kMessageLineRoom)));
        inner = std::max(inner, lines.back().size() + 2);
    }
    char fill = (m.Flags & FMSG_WARNING) ? '#' : '=';
    out.push_back("  " + Edge('+', fill, Visible(m.Title), inner));
    for (const std::string& l : lines)
        out.push_back("  |" + ((m.Flags & FMSG_LEFTALIGN) ? Pad(" " + l, inner) : Centre(l, inner)) + "|");
    if (!buttons.empty()) out.push_back("  |" + Centre(buttons, inner) + "|");
    out.push_back("  " + Edge('+', fill, "", inner));
    for (const std::string& l : m.Lines)
        if (l.size() > kMessageLineRoom)
            out.push_back("  (a line of " + std::to_string(l.size()) + " characters is cut)");
    return out;
}

std::vector<std::string> RenderHelp(const HelpRecord& help) {
    std::vector<std::string> out;
    std::string head = "help (" + help.Origin + ")";
    if (help.Origin == "ShowHelp")
        head +=
            " module " + Quote(help.ModuleName) + " topic " + Quote(help.Topic) + " flags " + Hex(help.Flags);
    else
        head += " topic " + Quote(help.Topic);
    out.push_back(head);
    if (!help.Found) {
        out.push_back("  (nothing shown: " + help.Error + (help.File.empty() ? "" : "; file " + help.File) +
                      "; result FALSE)");
        return out;
    }
    out.push_back("  file " + help.File + ", topic " + help.ShownTopic);
    // Far's help window: titled with the window's name and the help file's .PluginContents, the
    // topic's $ lines as its fixed header above a separator, then the topic's text.
    size_t width = 60;
    std::vector<std::string> header, lines;
    for (const std::string& l : help.Text) {
        if (l == "@-" || l == "@+") continue;
        bool fixed = l.compare(0, 2, "$ ") == 0;
        std::string t = HelpLine(fixed ? l.substr(2) : l);
        (fixed ? header : lines).push_back(t);
        width = std::max(width, t.size() + 2);
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    out.push_back("  " + Edge('+', '=', Visible(help.WindowTitle), width));
    for (const std::string& l : header)
        out.push_back("  | " + Pad(l, width - 1) + "|");
    if (!header.empty()) out.push_back("  |" + std::string(width, '-') + "|");
    for (const std::string& l : lines)
        out.push_back("  | " + Pad(l, width - 1) + "|");
    out.push_back("  " + Edge('+', '=', "", width));
    return out;
}

std::vector<std::string> HelpColumnFaults(const std::vector<std::string>& lines) {
    std::vector<std::string> faults;
    std::vector<std::pair<std::string, bool>> table; // the lines as shown; true for a key's line
    auto check = [&]() {
        int column = -1;
        std::string first;
        for (const auto& line : table) {
            if (!line.second) continue;
            size_t gap = line.first.find("  ", 3);
            size_t text = gap == std::string::npos ? gap : line.first.find_first_not_of(' ', gap);
            if (text == std::string::npos) continue; // a key on a line of its own
            if (column < 0) {
                column = (int)text;
                first = line.first;
            } else if ((int)text != column)
                faults.push_back("the text of \"" + line.first + "\" starts at column " +
                                 std::to_string(text) + ", that of \"" + first + "\" at " +
                                 std::to_string(column));
        }
        for (const auto& line : table) {
            size_t indent = line.first.find_first_not_of(' ');
            if (!line.second && column >= 0 && (int)indent != column)
                faults.push_back("\"" + line.first + "\" goes on at column " + std::to_string(indent) +
                                 ", its table's texts start at " + std::to_string(column));
        }
        table.clear();
    };
    for (const std::string& line : lines) {
        if (line.find_first_not_of(' ') == std::string::npos)
            check();
        else if (line.compare(0, 4, "   #") == 0)
            table.push_back({HelpLine(line), true});
        else if (line.compare(0, 4, "    ") == 0)
            table.push_back({HelpLine(line), false});
        else
            check();
    }
    check();
    return faults;
}

std::vector<std::string> RenderWindowOpen(const WindowRecord& wr) {
    std::vector<std::string> out;
    std::string head = std::string(wr.Editor ? "editor " : "viewer ") + Quote(wr.FileName);
    if (!wr.Title.empty()) head += " title " + Quote(wr.Title);
    head += wr.Modal ? " (modal" : " (non-modal";
    std::string flags = wr.Editor
                            ? FlagNames(wr.Flags, {{EF_NONMODAL, "NONMODAL"},
                                                   {EF_CREATENEW, "CREATENEW"},
                                                   {EF_ENABLE_F6, "ENABLE_F6"},
                                                   {EF_DISABLEHISTORY, "DISABLEHISTORY"},
                                                   {EF_DELETEONCLOSE, "DELETEONCLOSE"},
                                                   {EF_IMMEDIATERETURN, "IMMEDIATERETURN"},
                                                   {EF_DELETEONLYFILEONCLOSE, "DELETEONLYFILEONCLOSE"}})
                            : FlagNames(wr.Flags, {{VF_NONMODAL, "NONMODAL"},
                                                   {VF_DELETEONCLOSE, "DELETEONCLOSE"},
                                                   {VF_ENABLE_F6, "ENABLE_F6"},
                                                   {VF_DISABLEHISTORY, "DISABLEHISTORY"},
                                                   {VF_IMMEDIATERETURN, "IMMEDIATERETURN"},
                                                   {VF_DELETEONLYFILEONCLOSE, "DELETEONLYFILEONCLOSE"}});
    if (!flags.empty()) head += ", flags " + flags;
    if (wr.Editor)
        head += ", start line " + std::to_string(wr.StartLine) + " char " + std::to_string(wr.StartChar);
    char area[64];
    wsprintfA(area, ", area (%d,%d)-(%d,%d))", wr.X1, wr.Y1, wr.X2, wr.Y2);
    out.push_back(head + area);
    return out;
}

std::vector<std::string> RenderWindowContent(const WindowRecord& wr) {
    std::vector<std::string> out;
    std::vector<std::string> lines;
    std::string cur;
    for (size_t i = 0; i < wr.Shown.size(); i++) {
        char c = wr.Shown[i];
        if (c == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            lines.push_back(cur);
            cur.clear();
        } else
            cur += c;
    }
    if (!cur.empty()) lines.push_back(cur);
    const size_t kMaxLines = 60;
    size_t width = 60;
    for (size_t i = 0; i < lines.size() && i < kMaxLines; i++)
        width = std::max(width, lines[i].size() + 2);
    width = std::min<size_t>(width, 160);
    std::string name = wr.FileName.substr(
        wr.FileName.find_last_of("\\/") == std::string::npos ? 0 : wr.FileName.find_last_of("\\/") + 1);
    // The caption holds what Far's status line says: the title and the table.
    out.push_back("  " + Edge('+', '-',
                              (wr.Editor ? "Edit: " : "View: ") +
                                  Visible(wr.Title.empty() ? name : wr.Title) + ", " + TableName(wr.Table),
                              width));
    for (size_t i = 0; i < lines.size() && i < kMaxLines; i++) {
        std::string t = lines[i];
        for (char& c : t)
            if (c == '\t') c = ' ';
        out.push_back("  | " + Visible(t));
    }
    if (lines.size() > kMaxLines)
        out.push_back("  | ... (" + std::to_string(lines.size() - kMaxLines) + " more lines)");
    out.push_back("  " + Edge('+', '-', std::to_string(wr.Content.size()) + " bytes", width));
    return out;
}

} // namespace farhost
