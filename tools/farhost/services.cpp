// The PluginStartupInfo services other than dialogs and help: Menu, Message,
// GetMsg, SaveScreen/RestoreScreen, EditorControl, AdvControl, Editor and Viewer,
// each with Far 1.70's semantics and answered from the script.
#include "internal.hpp"
#include "fsf.hpp"
#include "lng.hpp"

#include <cstring>

namespace farhost {

namespace {

std::string Str(const char* s) {
    return s ? s : "";
}

// The character a key press types, for hotkeys and AccelKey.
unsigned VkOfChar(char c) {
    unsigned char u = (unsigned char)c;
    if (u >= 'a' && u <= 'z') return u - 'a' + 'A';
    if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')) return u;
    SHORT s = VkKeyScanA(c);
    return s == -1 ? 0 : (unsigned)(s & 0xFF);
}

// Far's key code of a press (AccelKey): functions and navigation 0x100 + VK,
// Enter/Esc/Space/Tab/BS and characters as themselves, modifiers added.
unsigned FarKeyCode(const Key& key) {
    unsigned code;
    if (key.Vk == VK_RETURN || key.Vk == VK_ESCAPE || key.Vk == VK_SPACE || key.Vk == VK_TAB ||
        key.Vk == VK_BACK)
        code = key.Vk;
    else if (key.Vk)
        code = KEY_FUNCTION_BASE + key.Vk;
    else
        code = (unsigned char)key.Char;
    if (key.Mods & PKF_CONTROL) code |= KEY_CTRL;
    if (key.Mods & PKF_ALT) code |= KEY_ALT;
    if (key.Mods & PKF_SHIFT) code |= KEY_SHIFT;
    return code;
}

bool Selectable(const MenuItemRecord& item) {
    return !item.Separator && !item.Disabled;
}

} // namespace

// ------------------------------------------------------------------ hotkeys
char AmpersandHotkey(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); i++)
        if (text[i] == '&') {
            if (text[i + 1] == '&') {
                i++;
                continue;
            }
            return text[i + 1];
        }
    return 0;
}

void AssignHotkeys(std::vector<MenuItemRecord>* items, DWORD flags) {
    auto same = [](char a, char b) { return FarUpperOem((unsigned char)a) == FarUpperOem((unsigned char)b); };
    std::string taken;
    auto isTaken = [&](char c) {
        for (char t : taken)
            if (same(t, c)) return true;
        return false;
    };
    if (!(flags & FMENU_SHOWAMPERSAND))
        for (MenuItemRecord& it : *items) {
            if (!Selectable(it)) continue;
            char c = AmpersandHotkey(it.Text);
            if (c && c != ' ' && !isTaken(c)) {
                it.Hotkey = c;
                taken += c;
            }
        }
    if (!(flags & (FMENU_AUTOHIGHLIGHT | FMENU_REVERSEAUTOHIGHLIGHT))) return;
    for (MenuItemRecord& it : *items) {
        if (!Selectable(it) || it.Hotkey) continue;
        if (!(flags & FMENU_SHOWAMPERSAND) && AmpersandHotkey(it.Text)) continue;
        const std::string& t = it.Text;
        int n = (int)t.size();
        for (int k = 0; k < n; k++) {
            int i = (flags & FMENU_REVERSEAUTOHIGHLIGHT) ? n - 1 - k : k;
            unsigned char c = (unsigned char)t[i];
            bool alnum = (c >= '0' && c <= '9') || FarUpperOem(c) != FarLowerOem(c);
            if (alnum && !isTaken((char)c)) {
                it.Hotkey = (char)c;
                taken += (char)c;
                break;
            }
        }
    }
}

// ------------------------------------------------------------------ Menu
int WINAPI Host::Impl::Menu(int PluginNumber, int X, int Y, int MaxHeight, DWORD Flags, const char* Title,
                            const char* Bottom, const char* HelpTopic, const int* BreakKeys, int* BreakCode,
                            const FarMenuItem* Item, int ItemsNumber) {
    Impl* im = I();
    if (!im) return -1;
    Host* h = im->host;
    MenuRecord rec;
    rec.X = X;
    rec.Y = Y;
    rec.MaxHeight = MaxHeight;
    rec.Flags = Flags;
    rec.Title = Str(Title);
    rec.Bottom = Str(Bottom);
    rec.HelpTopic = Str(HelpTopic);
    rec.HasBreakCode = BreakCode != nullptr;
    for (int i = 0; BreakKeys && BreakKeys[i] && i < 256; i++)
        rec.BreakKeys.push_back(BreakKeys[i]);
    if (!im->ValidModule(PluginNumber, "Menu") || (ItemsNumber > 0 && !Item)) {
        if (ItemsNumber > 0 && !Item) im->Error("Menu: null items");
        rec.Valid = false;
        h->menus_.push_back(rec);
        h->calls_.push_back({CallKind::Menu, h->menus_.size() - 1});
        return -1;
    }
    if (BreakCode) *BreakCode = -1;

    const bool ext = (Flags & FMENU_USEEXT) != 0;
    for (int i = 0; i < ItemsNumber; i++) {
        MenuItemRecord it;
        if (ext) {
            const FarMenuItemEx* e = reinterpret_cast<const FarMenuItemEx*>(Item) + i;
            const char* text = (e->Flags & MIF_USETEXTPTR) ? e->Text.TextPtr : e->Text.Text;
            it.Text = text ? std::string(text, strnlen(text, 127)) : "";
            it.Separator = (e->Flags & MIF_SEPARATOR) != 0;
            it.Selected = (e->Flags & MIF_SELECTED) != 0;
            it.Disabled = (e->Flags & MIF_DISABLE) != 0;
            if (e->Flags & MIF_CHECKED) it.Mark = (e->Flags & 0xFFFF) ? (int)(e->Flags & 0xFFFF) : 0xFB;
            it.AccelKey = it.Separator ? 0 : e->AccelKey;
            it.UserData = e->UserData;
        } else {
            const FarMenuItem& m = Item[i];
            it.Text = std::string(m.Text, strnlen(m.Text, 127));
            it.Separator = m.Separator != 0;
            it.Selected = m.Selected != 0;
            if (m.Checked) it.Mark = m.Checked & 0xFF;
        }
        if (it.Separator) it.Text.clear();
        rec.Items.push_back(it);
    }
    AssignHotkeys(&rec.Items, Flags);

    int cursor = -1;
    for (int i = 0; i < ItemsNumber && cursor < 0; i++)
        if (rec.Items[i].Selected && !rec.Items[i].Separator) cursor = i;
    for (int i = 0; i < ItemsNumber && cursor < 0; i++)
        if (Selectable(rec.Items[i])) cursor = i;
    rec.InitialCursor = cursor;

    h->menus_.push_back(rec);
    size_t index = h->menus_.size() - 1;
    h->calls_.push_back({CallKind::Menu, index});
    for (const std::string& line : RenderMenu(rec))
        im->Out(line);

    QueuedAnswer answer;
    bool have = im->TakeAnswer(QueuedAnswer::Menu, "menu " + Quote(rec.Title), &answer);
    int result = -1, breakCode = -1;
    bool closed = false;
    size_t used = 0;
    std::vector<std::string> keyNames;
    auto step = [&](int from, int dir) {
        int n = ItemsNumber;
        for (int k = 1; k <= n; k++) {
            int p = from + dir * k;
            if (p < 0 || p >= n) {
                if (!(Flags & FMENU_WRAPMODE)) return from;
                p = (p + n) % n;
            }
            if (Selectable(h->menus_[index].Items[p])) return p;
        }
        return from;
    };
    for (; have && used < answer.menu.Keys.size() && !closed; used++) {
        const Key& key = answer.menu.Keys[used];
        keyNames.push_back(KeyName(key));
        const std::vector<MenuItemRecord>& items = h->menus_[index].Items;
        if (key.Item >= 0) { // a mouse click on a position
            if (key.Item < ItemsNumber && Selectable(items[key.Item])) {
                cursor = result = key.Item;
                closed = true;
            } else
                im->Error("menu: position " + std::to_string(key.Item) + " cannot be clicked");
            continue;
        }
        // Break keys come first. Build 2087's modifier rule: with no modifier
        // held only a break key without modifiers matches; with any held, a break
        // key matches when it asks for at least one of the held modifiers.
        unsigned vk = key.Vk ? key.Vk : VkOfChar(key.Char);
        int matched = -1;
        for (size_t b = 0; b < rec.BreakKeys.size() && matched < 0; b++) {
            unsigned bk = (unsigned)rec.BreakKeys[b];
            if ((bk & 0xFFFF) != vk) continue;
            unsigned want = bk >> 16;
            if (key.Mods == 0 ? want == 0 : (want != 0 && (want & key.Mods) != 0)) matched = (int)b;
        }
        if (matched >= 0) {
            breakCode = matched;
            result = cursor;
            closed = true;
            continue;
        }
        if (ext) {
            unsigned code = FarKeyCode(key);
            int hit = -1;
            for (int i = 0; i < ItemsNumber && hit < 0; i++)
                if (items[i].AccelKey && items[i].AccelKey == code && Selectable(items[i])) hit = i;
            if (hit >= 0) {
                cursor = result = hit;
                closed = true;
                continue;
            }
        }
        if (key.Mods == 0 && key.Vk == VK_RETURN) {
            result = cursor;
            closed = true;
        } else if (key.Mods == 0 && (key.Vk == VK_ESCAPE || key.Vk == VK_F10)) {
            result = -1;
            closed = true;
        } else if (key.Mods == 0 && key.Vk == VK_F1) {
            im->ShowPluginTopic("Menu F1", HelpTopic);
        } else if (key.Mods == 0 && (key.Vk == VK_DOWN || key.Vk == VK_UP)) {
            if (cursor >= 0) cursor = step(cursor, key.Vk == VK_DOWN ? 1 : -1);
        } else if (key.Mods == 0 && (key.Vk == VK_HOME || key.Vk == VK_PRIOR)) {
            for (int i = 0; i < ItemsNumber; i++)
                if (Selectable(items[i])) {
                    cursor = i;
                    break;
                }
        } else if (key.Mods == 0 && (key.Vk == VK_END || key.Vk == VK_NEXT)) {
            for (int i = ItemsNumber - 1; i >= 0; i--)
                if (Selectable(items[i])) {
                    cursor = i;
                    break;
                }
        } else if (!key.Vk && (key.Mods == 0 || key.Mods == PKF_ALT)) {
            int hit = -1;
            for (int i = 0; i < ItemsNumber && hit < 0; i++)
                if (items[i].Hotkey &&
                    FarUpperOem((unsigned char)items[i].Hotkey) == FarUpperOem((unsigned char)key.Char))
                    hit = i;
            if (hit >= 0) {
                cursor = result = hit;
                closed = true;
            } else
                im->Out("  (key " + KeyName(key) + " is no hotkey here)");
        } else {
            im->Out("  (key " + KeyName(key) + " does nothing here)");
        }
    }
    if (have && !closed) im->Error("menu " + Quote(rec.Title) + ": the scripted keys did not close it");
    if (have && used < answer.menu.Keys.size())
        im->Error("menu " + Quote(rec.Title) + ": " + std::to_string(answer.menu.Keys.size() - used) +
                  " scripted keys left after it closed");
    if (!closed) result = -1, breakCode = -1;
    if (BreakCode) *BreakCode = breakCode;

    MenuRecord& r = h->menus_[index];
    r.Keys = keyNames;
    r.FinalCursor = cursor;
    r.Result = result;
    r.BreakCode = breakCode;
    std::string line = "  keys:";
    for (const std::string& k : keyNames)
        line += " " + k;
    if (keyNames.empty()) line += " (none)";
    line += "  => result " + std::to_string(result);
    if (result >= 0 && result < ItemsNumber) line += " " + Quote(r.Items[result].Text);
    if (BreakCode || breakCode >= 0) {
        line += ", break code " + std::to_string(breakCode);
        if (breakCode >= 0) line += " (" + BreakKeyName(rec.BreakKeys[breakCode]) + ")";
    }
    im->Out(line);
    return result;
}

// ------------------------------------------------------------------ Message
int WINAPI Host::Impl::Message(int PluginNumber, DWORD Flags, const char* HelpTopic, const char* const* Items,
                               int ItemsNumber, int ButtonsNumber) {
    Impl* im = I();
    if (!im) return -1;
    Host* h = im->host;
    MessageRecord rec;
    rec.Flags = Flags;
    rec.HelpTopic = Str(HelpTopic);
    auto record = [&]() {
        h->messages_.push_back(rec);
        h->calls_.push_back({CallKind::Message, h->messages_.size() - 1});
        return &h->messages_.back();
    };
    std::vector<std::string> lines;
    if (Flags & FMSG_ALLINONE) {
        // Items is one string whose lines are separated by '\n'.
        const char* all = reinterpret_cast<const char*>(Items);
        if (all) {
            std::string s = all, cur;
            for (char c : s)
                if (c == '\n')
                    lines.push_back(cur), cur.clear();
                else
                    cur += c;
            lines.push_back(cur);
        }
    } else {
        for (int i = 0; Items && i < ItemsNumber; i++)
            lines.push_back(Str(Items[i]));
    }
    if (!im->ValidModule(PluginNumber, "Message") ||
        (!(Flags & (FMSG_ALLINONE | FMSG_ERRORTYPE)) && (int)lines.size() < 2) || lines.empty()) {
        rec.Valid = false;
        if (!lines.empty()) rec.Title = lines[0];
        record();
        im->Out("message box refused (fewer than two items): result -1");
        return -1;
    }
    rec.Title = lines[0];
    // Far's own button texts (FarEng.lng, FarRus.lng in code page 866).
    enum { B_YES, B_NO, B_OK, B_CANCEL, B_RETRY, B_ABORT, B_IGNORE, B_NONE };
    static const char* const kEnglish[] = {"Yes", "No", "OK", "Cancel", "Retry", "Abort", "Ignore"};
    static const char* const kRussian[] = {"\x84\xA0",
                                           "\x8D\xA5\xE2",
                                           "\x8F\xE0\xAE\xA4\xAE\xAB\xA6\xA8\xE2\xEC",
                                           "\x8E\xE2\xAC\xA5\xAD\xA8\xE2\xEC",
                                           "\x8F\xAE\xA2\xE2\xAE\xE0\xA8\xE2\xEC",
                                           "\x8F\xE0\xA5\xE0\xA2\xA0\xE2\xEC",
                                           "\x88\xA3\xAD\xAE\xE0\xA8\xE0\xAE\xA2\xA0\xE2\xEC"};
    static const int kStd[][3] = {{B_NONE, B_NONE, B_NONE},   {B_OK, B_NONE, B_NONE},
                                  {B_OK, B_CANCEL, B_NONE},   {B_ABORT, B_RETRY, B_IGNORE},
                                  {B_YES, B_NO, B_NONE},      {B_YES, B_NO, B_CANCEL},
                                  {B_RETRY, B_CANCEL, B_NONE}};
    const char* const* texts = lstrcmpiA(h->language_.c_str(), "Russian") ? kEnglish : kRussian;
    unsigned mb = (Flags & FMSG_MB_MASK) >> 16;
    std::vector<std::string> body(lines.begin() + 1, lines.end());
    if (mb >= 1 && mb <= 6) {
        for (int b : kStd[mb])
            if (b != B_NONE) rec.Buttons.push_back(texts[b]);
    } else {
        int nb = ButtonsNumber < 0 ? 0 : ButtonsNumber;
        if (nb > (int)body.size()) {
            im->Warning("Message: ButtonsNumber " + std::to_string(ButtonsNumber) + " exceeds the lines");
            nb = (int)body.size();
        }
        rec.Buttons.assign(body.end() - nb, body.end());
        body.resize(body.size() - nb);
    }
    if (Flags & FMSG_ERRORTYPE) {
        DWORD err = GetLastError();
        char text[512] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0, text,
                       sizeof text, nullptr);
        CharToOemA(text, text);
        std::string t = text;
        while (!t.empty() && (t.back() == '\n' || t.back() == '\r' || t.back() == ' '))
            t.pop_back();
        body.insert(body.begin(), t.empty() ? "error " + std::to_string(err) : t);
    }
    rec.Lines = body;
    if (rec.Buttons.empty()) {
        // Drawn and left on screen; Far returns at once.
        rec.Notice = true;
        rec.OnScreen = true;
        rec.Result = 0;
        MessageRecord* r = record();
        for (const std::string& line : RenderMessage(*r))
            im->Out(line);
        im->Out("  (notice: stays on screen, result 0)");
        return 0;
    }
    MessageRecord* r = record();
    size_t index = h->messages_.size() - 1;
    for (const std::string& line : RenderMessage(*r))
        im->Out(line);
    QueuedAnswer answer;
    int result = -1;
    if (im->TakeAnswer(QueuedAnswer::Message, "message box " + Quote(rec.Title), &answer)) {
        if (answer.button >= (int)rec.Buttons.size() || answer.button < -1)
            im->Error("message box " + Quote(rec.Title) + " has no button " + std::to_string(answer.button));
        else
            result = answer.button;
    }
    h->messages_[index].Result = result;
    im->Out("  => " + (result < 0
                           ? std::string("Esc, result -1")
                           : "button " + Quote(rec.Buttons[result]) + ", result " + std::to_string(result)));
    return result;
}

// ------------------------------------------------------------------ GetMsg
void Host::Impl::LoadMessages() {
    msgs.clear();
    lngFile = FarPickLanguageFile(pluginFolder, "*.lng", host->language_);
    if (!lngFile.empty() && !FarLoadLng(lngFile, &msgs)) msgs.clear();
    msgsLanguage = host->language_;
    msgsLoaded = true;
}

const char* WINAPI Host::Impl::GetMsg(int PluginNumber, int MsgId) {
    Impl* im = I();
    if (!im || !im->ValidModule(PluginNumber, "GetMsg")) return "";
    if (!im->msgsLoaded || im->msgsLanguage != im->host->language_) im->LoadMessages();
    if (im->lngFile.empty()) return "";
    if (MsgId < 0 || MsgId >= (int)im->msgs.size()) {
        // Far's own warning box, answered by the host.
        Host* h = im->host;
        MessageRecord rec;
        rec.FromHost = true;
        rec.Flags = FMSG_WARNING;
        rec.Title = "Error";
        rec.Lines = {"Incorrect or damaged " + im->lngFile,
                     "Message " + std::to_string(MsgId) + " not found"};
        rec.Buttons = {"Ok", "Quit"};
        rec.Result = 0;
        h->messages_.push_back(rec);
        h->calls_.push_back({CallKind::Message, h->messages_.size() - 1});
        for (const std::string& line : RenderMessage(rec))
            im->Out(line);
        im->Warning("GetMsg: no message " + std::to_string(MsgId) + " in " + im->lngFile);
        return "";
    }
    return im->msgs[MsgId].c_str();
}

int WINAPI Host::Impl::Control(HANDLE, int Command, void*) {
    if (Impl* im = I()) im->Warning("Control " + std::to_string(Command) + " is not modelled; returned 0");
    return 0;
}

// ------------------------------------------------------------------ screens
HANDLE WINAPI Host::Impl::SaveScreen(int X1, int Y1, int X2, int Y2) {
    Impl* im = I();
    if (!im) return nullptr;
    Host* h = im->host;
    ScreenRecord s{X1, Y1, X2, Y2, nullptr, false};
    s.Handle = (HANDLE)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 16);
    h->screens_.push_back(s);
    h->calls_.push_back({CallKind::SaveScreen, h->screens_.size() - 1});
    char line[96];
    wsprintfA(line, "save screen (%d,%d)-(%d,%d) -> handle %d", X1, Y1, X2, Y2, (int)h->screens_.size());
    im->Out(line);
    return s.Handle;
}

void WINAPI Host::Impl::RestoreScreen(HANDLE hScreen) {
    Impl* im = I();
    if (!im) return;
    Host* h = im->host;
    h->calls_.push_back({CallKind::RestoreScreen, h->screens_.size()});
    size_t since = h->messages_.size(); // notices shown after the save go away
    if (!hScreen) {
        im->Out("restore screen (null: redraw everything)");
        since = 0;
    } else {
        size_t found = h->screens_.size();
        for (size_t i = 0; i < h->screens_.size(); i++)
            if (h->screens_[i].Handle == hScreen && !h->screens_[i].Restored) found = i;
        if (found == h->screens_.size()) {
            im->Error("RestoreScreen: unknown handle or one already restored");
            return;
        }
        h->screens_[found].Restored = true;
        HeapFree(GetProcessHeap(), 0, hScreen);
        h->screens_[found].Handle = nullptr;
        // Messages recorded after this save belong to the restored area.
        size_t callIndex = 0;
        for (size_t c = 0; c < h->calls_.size(); c++)
            if (h->calls_[c].Kind == CallKind::SaveScreen && h->calls_[c].Index == found) callIndex = c;
        since = h->messages_.size();
        for (size_t c = callIndex; c < h->calls_.size(); c++)
            if (h->calls_[c].Kind == CallKind::Message) {
                since = h->calls_[c].Index;
                break;
            }
        im->Out("restore screen " + std::to_string(found + 1));
    }
    for (size_t i = since; i < h->messages_.size(); i++)
        if (h->messages_[i].OnScreen) {
            h->messages_[i].OnScreen = false;
            im->Out("  (notice " + Quote(h->messages_[i].Title) + " removed)");
        }
}

// ------------------------------------------------------------------ EditorControl
int WINAPI Host::Impl::EditorControl(int Command, void* Param) {
    Impl* im = I();
    if (!im) return 0;
    EditorState* ed = im->CurrentEditor();
    if (!ed) {
        im->Out("EditorControl " + std::to_string(Command) + ": no current editor, result 0");
        return 0;
    }
    if (im->inEditorClose && Command != ECTL_GETINFO && Command != ECTL_GETBOOKMARKS) {
        im->Out("EditorControl " + std::to_string(Command) + " during EE_CLOSE: refused, result 0");
        return 0;
    }
    const EditorSetup& s = ed->setup;
    switch (Command) {
    case ECTL_GETINFO: {
        if (!Param) return 0;
        EditorInfo* ei = (EditorInfo*)Param;
        memset(ei, 0, sizeof *ei);
        ei->EditorID = s.Id;
        ei->FileName = ed->fileName.c_str();
        ei->WindowSizeX = 80;
        ei->WindowSizeY = 23;
        ei->TotalLines = (int)s.Lines.size();
        ei->CurLine = s.CurLine;
        ei->CurPos = s.CurPos;
        int tab = 0;
        const std::string& line = s.Lines[s.CurLine >= 0 && s.CurLine < (int)s.Lines.size() ? s.CurLine : 0];
        for (int i = 0; i < s.CurPos; i++)
            tab = (i < (int)line.size() && line[i] == '\t') ? (tab / 8 + 1) * 8 : tab + 1;
        ei->CurTabPos = tab;
        ei->TopScreenLine = s.CurLine > 10 ? s.CurLine - 10 : 0;
        ei->BlockType = s.Block ? BTYPE_STREAM : BTYPE_NONE;
        ei->BlockStartLine = s.Block ? s.BlockStartLine : 0;
        ei->AnsiMode = s.AnsiMode ? 1 : 0;
        ei->TableNum = -1;
        ei->TabSize = 8;
        ei->BookMarkCount = 10;
        return 1;
    }
    case ECTL_GETSTRING: {
        if (!Param) return 0;
        if (s.RefuseGetString) {
            im->Out("EditorControl ECTL_GETSTRING: the editor refuses, result 0");
            return 0;
        }
        EditorGetString* gs = (EditorGetString*)Param;
        int n = gs->StringNumber == -1 ? s.CurLine : gs->StringNumber;
        if (n < 0 || n >= (int)s.Lines.size()) return 0;
        const std::string& line = s.Lines[n];
        gs->StringText = line.c_str();
        gs->StringEOL = n + 1 < (int)s.Lines.size() ? s.Eol.c_str() : "";
        gs->StringLength = (int)line.size();
        gs->SelStart = -1;
        gs->SelEnd = 0;
        if (s.Block && n >= s.BlockStartLine && n <= s.BlockEndLine) {
            int start = n == s.BlockStartLine ? s.BlockStartPos : 0;
            int end = n == s.BlockEndLine ? s.BlockEndPos : -1;
            if (!(n == s.BlockEndLine && n != s.BlockStartLine && end == 0)) {
                gs->SelStart = start;
                gs->SelEnd = end;
            }
        }
        return 1;
    }
    case ECTL_EDITORTOOEM:
    case ECTL_OEMTOEDITOR: {
        if (!Param) return 0;
        EditorConvertText* ct = (EditorConvertText*)Param;
        if (s.AnsiMode && ct->Text && ct->TextLength > 0) {
            if (Command == ECTL_EDITORTOOEM)
                CharToOemBuffA(ct->Text, ct->Text, (DWORD)ct->TextLength);
            else
                OemToCharBuffA(ct->Text, ct->Text, (DWORD)ct->TextLength);
        }
        return 1;
    }
    case ECTL_GETBOOKMARKS:
        return 0;
    case ECTL_SETPARAM: {
        const EditorSetParameter* sp = (const EditorSetParameter*)Param;
        if (!sp) return 0;
        if (sp->Type != ESPT_CHARTABLE) {
            im->Warning("ECTL_SETPARAM " + std::to_string(sp->Type) + " is not modelled; returned 0");
            return 0;
        }
        // 1 DOS, 2 Win; a fresh Far has none of the code tables numbered from 3.
        if (sp->Param.iParam > 2) {
            im->Out("EditorControl ECTL_SETPARAM ESPT_CHARTABLE " + std::to_string(sp->Param.iParam) +
                    ": no such code table, result 0");
            return 0;
        }
        TextTable table = sp->Param.iParam == 2 ? TextTable::Win : TextTable::Dos;
        ed->setup.AnsiMode = table == TextTable::Win;
        im->editorTable = table; // Far carries it into the next editor, as an F8 choice
        if (ed->record >= 0) {
            WindowRecord& r = im->host->windowRecords_[ed->record];
            r.Table = table;
            r.Shown = ShownThrough(r.Content, table);
        }
        im->Out(std::string("EditorControl ECTL_SETPARAM ESPT_CHARTABLE: the editor shows its text in ") +
                TableName(table));
        return 1;
    }
    default:
        im->Warning("EditorControl command " + std::to_string(Command) + " is not modelled; returned 0");
        return 0;
    }
}

// ------------------------------------------------------------------ AdvControl
int WINAPI Host::Impl::AdvControl(int ModuleNumber, int Command, void* Param) {
    Impl* im = I();
    if (!im || !im->ValidModule(ModuleNumber, "AdvControl")) return 0;
    Host* h = im->host;
    switch (Command) {
    case ACTL_GETFARVERSION:
        return MAKEFARVERSION(1, 70, 2087);
    case ACTL_GETSYSWORDDIV:
        if (Param) memcpy(Param, im->wordDiv.c_str(), im->wordDiv.size() + 1);
        return (int)im->wordDiv.size();
    case ACTL_GETWINDOWCOUNT: {
        int n = im->panels ? 1 : 0;
        for (const HostWindow& w : h->windows_)
            if (!w.Modal) n++;
        return n;
    }
    case ACTL_GETWINDOWINFO: {
        if (!Param) return FALSE;
        WindowInfo* wi = (WindowInfo*)Param;
        // Far's window list: the panels first, then the non-modal windows.
        std::vector<int> list;
        if (im->panels) list.push_back(-1);
        for (size_t i = 0; i < h->windows_.size(); i++)
            if (!h->windows_[i].Modal) list.push_back((int)i);
        int which; // index into windows_, -1 = panels
        int pos;
        if (wi->Pos == -1) {
            which = im->current;
            if (which < 0 && !im->panels) return FALSE;
            pos = -1;
            for (size_t k = 0; k < list.size(); k++)
                if (list[k] == which) pos = (int)k;
        } else {
            if (wi->Pos < 0 || wi->Pos >= (int)list.size()) return FALSE;
            pos = wi->Pos;
            which = list[pos];
        }
        static const char* const kTypeNames[] = {"", "Panels", "View", "Edit", "Dialog", "Menu", "Help"};
        wi->Pos = pos;
        wi->Current = which == im->current;
        if (which < 0) {
            wi->Type = WTYPE_PANELS;
            wi->Modified = 0;
            char dir[NM];
            GetCurrentDirectoryA(sizeof dir, dir);
            lstrcpynA(wi->Name, dir, sizeof wi->Name);
        } else {
            const HostWindow& w = h->windows_[which];
            wi->Type = w.Type;
            wi->Modified = w.Modified;
            lstrcpynA(wi->Name, w.Name.c_str(), sizeof wi->Name);
        }
        lstrcpynA(wi->TypeName, wi->Type >= 1 && wi->Type <= 6 ? kTypeNames[wi->Type] : "",
                  sizeof wi->TypeName);
        return TRUE;
    }
    default:
        im->Warning("AdvControl command " + std::to_string(Command) + " is not modelled; returned 0");
        return 0;
    }
}

// ------------------------------------------------------------------ Editor and Viewer
int WINAPI Host::Impl::Editor(const char* FileName, const char* Title, int X1, int Y1, int X2, int Y2,
                              DWORD Flags, int StartLine, int StartChar) {
    Impl* im = I();
    return im ? im->OpenFileWindow(true, FileName, Title, X1, Y1, X2, Y2, Flags, StartLine, StartChar) : 0;
}

int WINAPI Host::Impl::Viewer(const char* FileName, const char* Title, int X1, int Y1, int X2, int Y2,
                              DWORD Flags) {
    Impl* im = I();
    return im ? im->OpenFileWindow(false, FileName, Title, X1, Y1, X2, Y2, Flags, 0, 0) : 0;
}

int Host::Impl::OpenFileWindow(bool editor, const char* FileName, const char* Title, int X1, int Y1, int X2,
                               int Y2, DWORD Flags, int StartLine, int StartChar) {
    Host* h = host;
    WindowRecord rec;
    rec.Editor = editor;
    rec.FileName = Str(FileName);
    rec.Title = Str(Title);
    rec.X1 = X1, rec.Y1 = Y1, rec.X2 = X2, rec.Y2 = Y2;
    rec.Flags = Flags;
    rec.StartLine = StartLine;
    rec.StartChar = StartChar;
    const DWORD nonModalFlag = editor ? (DWORD)EF_NONMODAL : (DWORD)VF_NONMODAL;
    const DWORD immediate = editor ? (DWORD)EF_IMMEDIATERETURN : (DWORD)VF_IMMEDIATERETURN;
    // Inside a modal editor or viewer the non-modal flag is dropped.
    bool nonModal = (Flags & nonModalFlag) && !CurrentIsModalEditorOrViewer();
    rec.Modal = !nonModal;
    rec.Opened = FileName && Host::ReadFile(FileName, &rec.Content);
    if (rec.Opened && editor) rec.EditorId = nextEditorId++;
    // The table it opens in; the viewer knows UTF-16 by its mark.
    if (editor)
        rec.Table = editorTable;
    else if (rec.Content.compare(0, 2, "\xFF\xFE") == 0)
        rec.Table = TextTable::Unicode;
    else
        rec.Table = viewerTable;
    h->windowRecords_.push_back(rec);
    size_t index = h->windowRecords_.size() - 1;
    h->calls_.push_back({CallKind::Window, index});
    for (const std::string& line : RenderWindowOpen(rec))
        Out(line);
    if (!rec.Opened) {
        Warning(std::string(editor ? "Editor" : "Viewer") + ": cannot open " + Quote(rec.FileName));
        h->windowRecords_[index].Closed = true;
        return 0;
    }
    if (!editor && rec.Table == TextTable::Unicode) viewerTable = TextTable::Dos;
    // The window becomes current while the user is in it.
    HostWindow w;
    w.Type = editor ? WTYPE_EDITOR : WTYPE_VIEWER;
    w.Name = rec.FileName;
    w.Modal = rec.Modal;
    w.EditorId = rec.EditorId;
    w.Record = (int)index;
    int previous = current;
    h->windows_.push_back(w);
    current = (int)h->windows_.size() - 1;
    if (editor) {
        EditorState st;
        st.fileName = rec.FileName;
        st.record = (int)index;
        st.setup.FileName = rec.FileName;
        st.setup.Id = rec.EditorId;
        st.setup.AnsiMode = rec.Table == TextTable::Win;
        std::string cur;
        for (size_t i = 0; i < rec.Content.size(); i++) {
            char c = rec.Content[i];
            if (c == '\n' || c == '\r') {
                st.setup.Lines.push_back(cur);
                cur.clear();
                if (c == '\r' && i + 1 < rec.Content.size() && rec.Content[i + 1] == '\n') i++;
            } else
                cur += c;
        }
        st.setup.Lines.push_back(cur);
        st.setup.CurLine = StartLine > 0 ? StartLine - 1 : 0;
        if (st.setup.CurLine >= (int)st.setup.Lines.size()) st.setup.CurLine = (int)st.setup.Lines.size() - 1;
        st.setup.CurPos = StartChar > 0 ? StartChar - 1 : 0;
        editors[rec.EditorId] = st;
        if (h->module_) {
            int id = rec.EditorId;
            h->ProcessEditorEvent(EE_READ, &id);
        }
    }
    // What the user sees: the file through the table the window has once it is open.
    WindowRecord& shown = h->windowRecords_[index];
    shown.Shown = ShownThrough(shown.Content, shown.Table);
    for (const std::string& line : RenderWindowContent(shown))
        Out(line);
    int result = editor ? (rec.Modal ? EEC_NOT_MODIFIED : EEC_MODIFIED) : TRUE;
    if (!rec.Modal && (Flags & immediate)) {
        Out("  (returns at once; the window stays open)");
        current = previous;
        h->windowRecords_[index].Result = result;
        return result;
    }
    QueuedAnswer answer;
    bool close = true;
    if (TakeAnswer(QueuedAnswer::Window,
                   std::string(editor ? "editor" : "viewer") + " window " + Quote(rec.FileName), &answer))
        close = answer.window == WindowAnswer::Close || rec.Modal;
    h->windowRecords_[index].Result = result;
    if (close)
        CloseWindowAt(index);
    else {
        Out("  (the user switches away; the window stays open)");
        current = previous;
    }
    Out("  => result " + std::to_string(result));
    return result;
}

void Host::Impl::CloseWindowAt(size_t recordIndex) {
    Host* h = host;
    WindowRecord& rec = h->windowRecords_[recordIndex];
    if (rec.Closed) return;
    rec.Closed = true;
    RemoveWindowForRecord(recordIndex);
    std::string what = std::string(rec.Editor ? "editor" : "viewer") + " " + Quote(rec.FileName) + " closed";
    if (rec.Editor) {
        int id = rec.EditorId;
        if (h->module_) h->ProcessEditorEvent(EE_CLOSE, &id);
        editors.erase(id);
    }
    WindowRecord& r = h->windowRecords_[recordIndex];
    const DWORD onlyFile = r.Editor ? (DWORD)EF_DELETEONLYFILEONCLOSE : (DWORD)VF_DELETEONLYFILEONCLOSE;
    const DWORD withFolder = r.Editor ? (DWORD)EF_DELETEONCLOSE : (DWORD)VF_DELETEONCLOSE;
    if (r.Flags & (onlyFile | withFolder)) {
        bool shown = false; // another open window on the same file keeps it
        for (const WindowRecord& o : h->windowRecords_)
            if (&o != &r && !o.Closed && !lstrcmpiA(o.FileName.c_str(), r.FileName.c_str())) shown = true;
        if (!shown) {
            r.FileDeleted = DeleteFileA(r.FileName.c_str()) != 0;
            what += r.FileDeleted ? ", file deleted" : ", file could not be deleted";
            // Far finds the folder by the last backslash only.
            size_t slash = r.FileName.rfind('\\');
            if (!(r.Flags & onlyFile) && r.FileDeleted && slash != std::string::npos && slash > 0) {
                std::string folder = r.FileName.substr(0, slash);
                if (folder.size() > 2 || folder[1] != ':') {
                    r.FolderDeleted = RemoveDirectoryA(folder.c_str()) != 0;
                    if (r.FolderDeleted) {
                        r.DeletedFolder = folder;
                        what += ", folder " + Quote(folder) + " removed";
                    }
                }
            }
        }
    }
    Out("  (" + what + ")");
}

} // namespace farhost
