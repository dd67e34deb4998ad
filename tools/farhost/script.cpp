// The script language of farhost.exe: one command per line, run on a Host.
//
//   # comment                          // comment
//   lang Russian                       interface and help language (FARLANG)
//   registry clear                     delete HKCU\Software\Far
//   registry set KEY NAME "text"       a REG_SZ value (registry set KEY NAME dword 5)
//   registry delete KEY [NAME]         a value, or the key with everything below it
//   registry show KEY NAME             print a value
//   history NAME                       print a dialog history
//   worddiv ".,;"                      the host's word delimiters
//   panels on|off                      the panels window present or not
//   ansi-default editor|viewer on|off  Far's "ANSI as default" option (on in a fresh Far)
//   table editor|viewer dos|win        the table last chosen with F8, carried into the next window
//   window add editor|viewer|dialog|menu|help NAME [modal]
//   load [DLL]                         load the plug-in (default: the *.dll in --plugins)
//   info                               GetPluginInfo
//   editor open FILE [id N] [line L] [pos P] [select L1 P1 L2 P2] [ansi] [refuse] [modal] [from REALFILE]
//   | a line of the editor             (lines right after "editor open", "| " taken off)
//   close editor [ID]                  EE_CLOSE to the plug-in, the window goes
//   viewer open FILE                   a viewer window as the current window
//   plugin editor|viewer|panels|disks [ITEM]    OpenPlugin (loads the plug-in first)
//   configure [N]                      Configure
//   menu: Down Down Enter              answers for the next menu (keys, "#N" clicks)
//   dialog: edit 2 "text"; check 12 2; choose 15 1; focus 3; f1; button 17 | enter | esc
//   message: 0 | esc                   answer for the next message box
//   window: close | leave              answer for the next editor/viewer window
//   menu?: ...  dialog?: ...           optional answers: dropped after the next OpenPlugin
//                                      or Configure if it showed no such thing
//   close window N                     close a window the plug-in left open
//   note TEXT                          a line in the transcript
//
// Quoted texts keep backslashes as they are; \" is a quote, \x{NN} a byte.
// Texts in the script are UTF-8 (or plain OEM bytes) and reach the plug-in in the
// OEM code page, registry values in the ANSI code page, as in Far.
#include "internal.hpp"

#include <cstring>

namespace farhost {

namespace {

std::string Convert(const std::string& utf8, UINT codePage) {
    if (utf8.empty()) return utf8;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(), nullptr, 0);
    if (n <= 0) return utf8; // not UTF-8: taken as bytes of the target code page
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &w[0], n);
    int m = WideCharToMultiByte(codePage, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(m, '\0');
    WideCharToMultiByte(codePage, 0, w.data(), n, &out[0], m, nullptr, nullptr);
    return out;
}
std::string Oem(const std::string& s) {
    return Convert(s, CP_OEMCP);
}
std::string Ansi(const std::string& s) {
    return Convert(s, CP_ACP);
}

// Splits a line into words; "..." is one word (see the escapes below).
// A ';' outside quotes is a word of its own.
bool Tokenize(const std::string& line, std::vector<std::string>* words, std::string* error) {
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            i++;
            continue;
        }
        if (c == ';') {
            words->push_back(";");
            i++;
            continue;
        }
        std::string w;
        if (c == '"') {
            i++;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                // Backslashes are literal (Windows paths), except \" for a quote
                // and \x{NN} for a byte.
                if (d == '\\' && i < line.size() && line[i] == '"') {
                    w += '"';
                    i++;
                } else if (d == '\\' && line.compare(i, 2, "x{") == 0 && i + 4 < line.size() &&
                           line[i + 4] == '}' && isxdigit((unsigned char)line[i + 2]) &&
                           isxdigit((unsigned char)line[i + 3])) {
                    w += (char)strtol(line.substr(i + 2, 2).c_str(), nullptr, 16);
                    i += 5;
                } else
                    w += d;
            }
            if (!closed) {
                *error = "unterminated quote";
                return false;
            }
            words->push_back("\x01" + w); // marks a quoted word (may be empty)
            continue;
        }
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ';' && line[i] != '\r')
            w += line[i++];
        words->push_back(w);
    }
    return true;
}

std::string Word(const std::string& w) {
    return !w.empty() && w[0] == '\x01' ? w.substr(1) : w;
}
bool IsWord(const std::vector<std::string>& w, size_t i, const char* text) {
    return i < w.size() && !lstrcmpiA(w[i].c_str(), text);
}
bool Number(const std::string& w, int* out) {
    std::string s = Word(w);
    if (s.empty()) return false;
    char* end = nullptr;
    long v = strtol(s.c_str(), &end, 0);
    if (*end) return false;
    *out = (int)v;
    return true;
}

std::string FindPluginDll(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((base + "*.dll").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string found = base + fd.cFileName;
    FindClose(h);
    return found;
}

} // namespace

bool Host::RunScript(const std::string& text, const std::string& pluginFolder, std::string* error) {
    std::vector<std::string> lines;
    {
        std::string cur;
        for (char c : text)
            if (c == '\n')
                lines.push_back(cur), cur.clear();
            else
                cur += c;
        if (!cur.empty()) lines.push_back(cur);
    }
    std::string folder = WindowsPath(pluginFolder);
    auto fail = [&](size_t n, const std::string& msg) {
        *error = "line " + std::to_string(n + 1) + ": " + msg;
        impl_->Error("script " + *error);
        return false;
    };
    auto ensureLoaded = [&]() {
        if (module_) return true;
        std::string dll = FindPluginDll(folder);
        if (dll.empty()) return false;
        return LoadPlugin(dll);
    };
    for (size_t n = 0; n < lines.size(); n++) {
        std::string line = lines[n];
        size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos) continue;
        line = line.substr(start);
        if (line[0] == '#' || line.compare(0, 2, "//") == 0) continue;
        if (line[0] == '|') return fail(n, "an editor line outside \"editor open\"");
        std::vector<std::string> w;
        std::string terr;
        if (!Tokenize(line, &w, &terr)) return fail(n, terr);
        if (w.empty()) continue;
        std::string cmd = Word(w[0]);
        bool optional = cmd.size() > 2 && cmd.compare(cmd.size() - 2, 2, "?:") == 0;
        if (optional) cmd.erase(cmd.size() - 2, 1);
        const size_t queued = impl_->answers.size();
        auto arg = [&](size_t i) { return i < w.size() ? Word(w[i]) : std::string(); };

        if (cmd == "lang" && w.size() == 2) {
            SetLanguage(arg(1));
        } else if (cmd == "registry" && IsWord(w, 1, "clear")) {
            ClearRegistry();
            impl_->Out("registry cleared (HKCU\\Software\\Far)");
        } else if (cmd == "registry" && IsWord(w, 1, "set") &&
                   (w.size() == 5 || (w.size() == 6 && IsWord(w, 4, "dword")))) {
            int v = 0;
            if (w.size() == 6 && !Number(w[5], &v)) return fail(n, "dword needs a number");
            bool ok = w.size() == 6 ? RegSetDword(Ansi(arg(2)), Ansi(arg(3)), (DWORD)v)
                                    : RegSetString(Ansi(arg(2)), Ansi(arg(3)), Ansi(arg(4)));
            impl_->Out("registry set " + arg(2) + " " + arg(3) + " = " +
                       (w.size() == 6 ? "dword " + arg(5) : Quote(arg(4))) + (ok ? "" : " (failed)"));
        } else if (cmd == "registry" && IsWord(w, 1, "delete") && (w.size() == 3 || w.size() == 4)) {
            if (w.size() == 3)
                RegRemoveKey(Ansi(arg(2)));
            else
                RegRemoveValue(Ansi(arg(2)), Ansi(arg(3)));
            impl_->Out("registry delete " + arg(2) + (w.size() == 4 ? " " + arg(3) : ""));
        } else if (cmd == "registry" && IsWord(w, 1, "show") && w.size() == 4) {
            std::string v;
            bool ok = RegGetString(Ansi(arg(2)), Ansi(arg(3)), &v);
            impl_->Out("registry " + arg(2) + " " + arg(3) + (ok ? " = " + Quote(v) : " (missing)"));
        } else if (cmd == "history" && w.size() == 2) {
            std::string s = "history " + Quote(arg(1)) + ":";
            for (const std::string& h : History(arg(1)))
                s += " " + Quote(h);
            impl_->Out(s);
        } else if (cmd == "worddiv" && w.size() == 2) {
            SetWordDiv(Oem(arg(1)));
            impl_->Out("word delimiters " + Quote(arg(1)));
        } else if (cmd == "panels" && w.size() == 2 && (IsWord(w, 1, "on") || IsWord(w, 1, "off"))) {
            SetPanels(IsWord(w, 1, "on"));
            impl_->Out(std::string("panels ") + (IsWord(w, 1, "on") ? "present" : "absent"));
        } else if (cmd == "ansi-default" && w.size() == 3 &&
                   (IsWord(w, 1, "editor") || IsWord(w, 1, "viewer")) &&
                   (IsWord(w, 2, "on") || IsWord(w, 2, "off"))) {
            SetAnsiAsDefault(IsWord(w, 1, "editor"), IsWord(w, 2, "on"));
        } else if (cmd == "table" && w.size() == 3 && (IsWord(w, 1, "editor") || IsWord(w, 1, "viewer")) &&
                   (IsWord(w, 2, "dos") || IsWord(w, 2, "win"))) {
            SetCarriedTable(IsWord(w, 1, "editor"), IsWord(w, 2, "win") ? TextTable::Win : TextTable::Dos);
        } else if (cmd == "window" && IsWord(w, 1, "add") && w.size() >= 4) {
            static const char* const types[] = {"", "panels", "viewer", "editor", "dialog", "menu", "help"};
            HostWindow hw;
            hw.Type = 0;
            for (int t = 2; t <= 6; t++)
                if (IsWord(w, 2, types[t])) hw.Type = t;
            if (!hw.Type) return fail(n, "window add needs editor, viewer, dialog, menu or help");
            hw.Name = Oem(arg(3));
            hw.Modal = IsWord(w, 4, "modal");
            AddWindow(hw);
            impl_->Out("window " + arg(2) + " " + Quote(arg(3)) + (hw.Modal ? " (modal)" : "") +
                       " is current");
        } else if (cmd == "load") {
            std::string dll = w.size() > 1 ? WindowsPath(arg(1)) : FindPluginDll(folder);
            if (w.size() > 1 && dll.find_first_of("\\:") == std::string::npos && !folder.empty())
                dll = folder + (folder.back() == '\\' ? "" : "\\") + dll;
            if (dll.empty()) return fail(n, "no plug-in DLL in " + folder);
            if (!LoadPlugin(dll)) return fail(n, "cannot load " + dll);
        } else if (cmd == "info") {
            if (!ensureLoaded()) return fail(n, "no plug-in");
            GetPluginInfo();
        } else if (cmd == "editor" && IsWord(w, 1, "open") && w.size() >= 3) {
            EditorSetup es;
            char full[MAX_PATH];
            std::string file = Oem(WindowsPath(arg(2)));
            es.FileName = GetFullPathNameA(file.c_str(), sizeof full, full, nullptr) ? full : file;
            std::string from;
            for (size_t i = 3; i < w.size(); i++) {
                int v = 0;
                if (IsWord(w, i, "id") && i + 1 < w.size() && Number(w[i + 1], &v))
                    es.Id = v, i++;
                else if (IsWord(w, i, "line") && i + 1 < w.size() && Number(w[i + 1], &v))
                    es.CurLine = v, i++;
                else if (IsWord(w, i, "pos") && i + 1 < w.size() && Number(w[i + 1], &v))
                    es.CurPos = v, i++;
                else if (IsWord(w, i, "select") && i + 4 < w.size() && Number(w[i + 1], &es.BlockStartLine) &&
                         Number(w[i + 2], &es.BlockStartPos) && Number(w[i + 3], &es.BlockEndLine) &&
                         Number(w[i + 4], &es.BlockEndPos))
                    es.Block = true, i += 4;
                else if (IsWord(w, i, "ansi"))
                    es.AnsiMode = true;
                else if (IsWord(w, i, "refuse"))
                    es.RefuseGetString = true;
                else if (IsWord(w, i, "modal"))
                    es.Modal = true;
                else if (IsWord(w, i, "from") && i + 1 < w.size())
                    from = WindowsPath(arg(++i));
                else
                    return fail(n, "unknown editor option " + Quote(arg(i)));
            }
            if (!from.empty()) {
                std::string bytes, cur;
                if (!ReadFile(from, &bytes)) return fail(n, "cannot read " + from);
                for (size_t i = 0; i < bytes.size(); i++) {
                    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
                    if (bytes[i] == '\n')
                        es.Lines.push_back(cur), cur.clear();
                    else
                        cur += bytes[i];
                }
                es.Lines.push_back(cur);
            }
            while (n + 1 < lines.size()) {
                std::string next = lines[n + 1];
                size_t s = next.find_first_not_of(" \t");
                if (s == std::string::npos || next[s] != '|') break;
                next = next.substr(s + 1);
                if (!next.empty() && next[0] == ' ') next = next.substr(1);
                if (!next.empty() && next.back() == '\r') next.pop_back();
                es.Lines.push_back(es.AnsiMode ? Ansi(next) : Oem(next));
                n++;
            }
            ensureLoaded();
            OpenEditor(es);
        } else if ((cmd == "close" && IsWord(w, 1, "editor")) || (cmd == "editor" && IsWord(w, 1, "close"))) {
            int id = 0;
            if (w.size() > 2 && !Number(w[2], &id)) return fail(n, "close editor takes an editor id");
            if (w.size() <= 2) { // the scripted editor opened last
                for (const HostWindow& hw : windows_)
                    if (hw.Type == WTYPE_EDITOR && hw.Record < 0) id = hw.EditorId;
                if (!id) return fail(n, "no editor is open");
            }
            CloseEditor(id);
        } else if (cmd == "viewer" && IsWord(w, 1, "open") && w.size() == 3) {
            HostWindow hw;
            hw.Type = WTYPE_VIEWER;
            hw.Name = Oem(WindowsPath(arg(2)));
            AddWindow(hw);
            impl_->Out("viewer " + Quote(hw.Name) + " is current");
        } else if (cmd == "plugin" && w.size() >= 2) {
            int from;
            if (IsWord(w, 1, "editor"))
                from = OPEN_EDITOR;
            else if (IsWord(w, 1, "viewer"))
                from = OPEN_VIEWER;
            else if (IsWord(w, 1, "panels"))
                from = OPEN_PLUGINSMENU;
            else if (IsWord(w, 1, "disks"))
                from = OPEN_DISKMENU;
            else
                return fail(n, "plugin editor|viewer|panels|disks");
            int item = 0;
            if (w.size() > 2 && !Number(w[2], &item)) return fail(n, "the item is a number");
            if (!ensureLoaded()) return fail(n, "no plug-in");
            OpenPlugin(from, item);
        } else if (cmd == "configure") {
            int item = 0;
            if (w.size() > 1 && !Number(w[1], &item)) return fail(n, "the item is a number");
            if (!ensureLoaded()) return fail(n, "no plug-in");
            Configure(item);
        } else if (cmd == "menu:") {
            std::vector<std::string> keys;
            for (size_t i = 1; i < w.size(); i++)
                keys.push_back(Oem(arg(i)));
            if (!QueueMenu(keys)) return fail(n, "unknown key");
        } else if (cmd == "dialog:") {
            DialogAnswer a;
            size_t i = 1;
            while (i < w.size()) {
                if (w[i] == ";") {
                    i++;
                    continue;
                }
                int item = 0, value = 0;
                std::string act = arg(i);
                if (act == "edit" && i + 2 < w.size() && Number(w[i + 1], &item)) {
                    a.Edit(item, Oem(arg(i + 2)));
                    i += 3;
                } else if ((act == "check" || act == "choose") && i + 2 < w.size() &&
                           Number(w[i + 1], &item) && Number(w[i + 2], &value)) {
                    if (act == "check")
                        a.Check(item, value);
                    else
                        a.Choose(item, value);
                    i += 3;
                } else if ((act == "focus" || act == "button") && i + 1 < w.size() &&
                           Number(w[i + 1], &item)) {
                    if (act == "focus")
                        a.Focus(item);
                    else
                        a.Button(item);
                    i += 2;
                } else if (act == "enter" || act == "Enter") {
                    a.Enter();
                    i++;
                } else if (act == "esc" || act == "Esc") {
                    a.Esc();
                    i++;
                } else if (act == "f1" || act == "F1") {
                    a.Help();
                    i++;
                } else
                    return fail(n, "unknown dialog action " + Quote(act));
            }
            QueueDialog(a);
        } else if (cmd == "message:" && w.size() == 2) {
            int b = -1;
            if (!IsWord(w, 1, "esc") && !Number(w[1], &b)) return fail(n, "message: N or esc");
            QueueMessage(b);
        } else if (cmd == "window:" && w.size() == 2 && (IsWord(w, 1, "close") || IsWord(w, 1, "leave"))) {
            QueueWindow(IsWord(w, 1, "close") ? WindowAnswer::Close : WindowAnswer::LeaveOpen);
        } else if (cmd == "close" && IsWord(w, 1, "window") && w.size() == 3) {
            int idx = 0;
            if (!Number(w[2], &idx)) return fail(n, "close window N");
            CloseWindow((size_t)idx);
        } else if (cmd == "note" || cmd == "echo") {
            std::string s = line.substr(cmd.size());
            size_t b = s.find_first_not_of(" \t");
            impl_->Out(b == std::string::npos ? "" : Oem(s.substr(b)));
        } else {
            return fail(n, "unknown command " + Quote(line));
        }
        if (optional && impl_->answers.size() == queued + 1) impl_->answers.back().optional = true;
    }
    if (!impl_->answers.empty()) {
        impl_->Error(std::to_string(impl_->answers.size()) + " scripted answers were never used (next: " +
                     AnswerKindName(impl_->answers.front().kind) + ")");
        impl_->answers.clear();
    }
    return true;
}

} // namespace farhost
