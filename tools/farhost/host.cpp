// The stand-in host's frame: files and registry for tests, loading the plug-in
// and calling its exports as Far does, the scripted editor and window list, the
// answer queue, records and the transcript.
#include "internal.hpp"
#include "fsf.hpp"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace farhost {

namespace {

Host* g_current = nullptr;

// Far's default word delimiters (Editor\WordDiv): 28 characters, no space or tab.
const char kDefaultWordDiv[] = "~!%^&*()+|{}:\"<>?`-=\\[];',./";

std::string WithSlash(std::string path) {
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    return path;
}

bool DeleteTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((WithSlash(path) + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
            std::string child = WithSlash(path) + fd.cFileName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(child);
            else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return RemoveDirectoryA(path.c_str()) != 0;
}

bool RegDeleteTreeA2(HKEY root, const std::string& key) {
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) return false;
    for (;;) {
        char name[512];
        DWORD len = sizeof name;
        if (RegEnumKeyExA(h, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (!RegDeleteTreeA2(h, name)) break;
    }
    RegCloseKey(h);
    return RegDeleteKeyA(root, key.c_str()) == ERROR_SUCCESS;
}

} // namespace

const char* AnswerKindName(QueuedAnswer::Kind kind) {
    switch (kind) {
    case QueuedAnswer::Menu:
        return "menu";
    case QueuedAnswer::Dialog:
        return "dialog";
    case QueuedAnswer::Message:
        return "message";
    case QueuedAnswer::Window:
        return "window";
    }
    return "?";
}

// ------------------------------------------------------------------ keys
namespace {
struct NamedKey {
    const char* name;
    unsigned vk;
};
const NamedKey kKeys[] = {
    {"Enter", VK_RETURN}, {"Esc", VK_ESCAPE}, {"Up", VK_UP},       {"Down", VK_DOWN},  {"Left", VK_LEFT},
    {"Right", VK_RIGHT},  {"Home", VK_HOME},  {"End", VK_END},     {"PgUp", VK_PRIOR}, {"PgDn", VK_NEXT},
    {"Ins", VK_INSERT},   {"Del", VK_DELETE}, {"Space", VK_SPACE}, {"Tab", VK_TAB},    {"BS", VK_BACK},
    {"F1", VK_F1},        {"F2", VK_F2},      {"F3", VK_F3},       {"F4", VK_F4},      {"F5", VK_F5},
    {"F6", VK_F6},        {"F7", VK_F7},      {"F8", VK_F8},       {"F9", VK_F9},      {"F10", VK_F10},
    {"F11", VK_F11},      {"F12", VK_F12},
};
} // namespace

bool ParseKey(const std::string& text, Key* key) {
    *key = Key();
    if (text.size() > 1 && text[0] == '#') {
        char* end = nullptr;
        long n = strtol(text.c_str() + 1, &end, 10);
        if (*end || n < 0) return false;
        key->Item = (int)n;
        return true;
    }
    std::string rest = text;
    for (;;) {
        size_t plus = rest.find('+');
        if (plus == std::string::npos || plus + 1 >= rest.size()) break;
        std::string mod = rest.substr(0, plus);
        if (!lstrcmpiA(mod.c_str(), "Ctrl"))
            key->Mods |= PKF_CONTROL;
        else if (!lstrcmpiA(mod.c_str(), "Alt"))
            key->Mods |= PKF_ALT;
        else if (!lstrcmpiA(mod.c_str(), "Shift"))
            key->Mods |= PKF_SHIFT;
        else
            return false;
        rest = rest.substr(plus + 1);
    }
    for (const NamedKey& k : kKeys)
        if (!lstrcmpiA(rest.c_str(), k.name)) {
            key->Vk = k.vk;
            return true;
        }
    if (rest.size() == 1) {
        key->Char = rest[0];
        return true;
    }
    return false;
}

std::string KeyName(const Key& key) {
    if (key.Item >= 0) return "#" + std::to_string(key.Item);
    std::string s;
    if (key.Mods & PKF_CONTROL) s += "Ctrl+";
    if (key.Mods & PKF_ALT) s += "Alt+";
    if (key.Mods & PKF_SHIFT) s += "Shift+";
    if (key.Vk) {
        for (const NamedKey& k : kKeys)
            if (k.vk == key.Vk) return s + k.name;
        return s + "VK" + std::to_string(key.Vk);
    }
    return s + std::string(1, key.Char);
}

// ------------------------------------------------------------------ dialog answer builder
DialogAnswer& DialogAnswer::Edit(int item, const std::string& text) {
    Actions.push_back({DialogActionKind::SetText, item, 0, text});
    return *this;
}
DialogAnswer& DialogAnswer::Check(int item, int state) {
    Actions.push_back({DialogActionKind::SetCheck, item, state, ""});
    return *this;
}
DialogAnswer& DialogAnswer::Choose(int item, int listIndex) {
    Actions.push_back({DialogActionKind::ChooseList, item, listIndex, ""});
    return *this;
}
DialogAnswer& DialogAnswer::Focus(int item) {
    Actions.push_back({DialogActionKind::Focus, item, 0, ""});
    return *this;
}
DialogAnswer& DialogAnswer::Button(int item) {
    Actions.push_back({DialogActionKind::Button, item, 0, ""});
    return *this;
}
DialogAnswer& DialogAnswer::Enter() {
    Actions.push_back({DialogActionKind::Enter, -1, 0, ""});
    return *this;
}
DialogAnswer& DialogAnswer::Esc() {
    Actions.push_back({DialogActionKind::Esc, -1, 0, ""});
    return *this;
}
DialogAnswer& DialogAnswer::Help() {
    Actions.push_back({DialogActionKind::Help, -1, 0, ""});
    return *this;
}

// ------------------------------------------------------------------ Host
Host::Host() : impl_(new Impl(this)) {
    // Far's services find their host through one process-wide pointer.
    if (g_current)
        impl_->Error("a second Host was created while another exists; the first stays the host");
    else
        g_current = this;
    impl_->wordDiv = kDefaultWordDiv;
    // Like Far: file names inside the process are in the OEM code page.
    SetFileApisToOEM();
    SetEnvironmentVariableA("FARLANG", language_.c_str());
    _putenv(("FARLANG=" + language_).c_str());
}

Host::~Host() {
    if (module_) FreeLibrary(module_);
    for (const std::string& folder : impl_->tempFolders)
        DeleteTree(folder);
    if (g_current == this) g_current = nullptr;
    delete impl_;
}

Host* Host::Current() {
    return g_current;
}

std::string Host::WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string out = "Z:" + path;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

std::string Host::MakeTempFolder(const std::string& prefix) {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (!n || n >= sizeof temp) return "";
    for (unsigned i = 0; i < 1000; i++) {
        char name[MAX_PATH + 64];
        wsprintfA(name, "%s%s%04lx%03u", temp, prefix.c_str(), GetCurrentProcessId() & 0xFFFF, i);
        if (CreateDirectoryA(name, nullptr)) {
            impl_->tempFolders.push_back(name);
            return name;
        }
    }
    return "";
}

bool Host::WriteFile(const std::string& path, const std::string& bytes) {
    HANDLE h =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

bool Host::ReadFile(const std::string& path, std::string* bytes) {
    bytes->clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char buf[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ::ReadFile(h, buf, sizeof buf, &got, nullptr) != 0) && got)
        bytes->append(buf, got);
    CloseHandle(h);
    return ok;
}

bool Host::FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Host::CopyFolder(const std::string& src, const std::string& dst) {
    CreateDirectoryA(dst.c_str(), nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((WithSlash(src) + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
        std::string from = WithSlash(src) + fd.cFileName, to = WithSlash(dst) + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyFolder(from, to) && ok;
        else
            ok = CopyFileA(from.c_str(), to.c_str(), FALSE) && ok;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return ok;
}

void Host::SetLanguage(const std::string& language) {
    language_ = language;
    // Both the process environment and the C runtime's copy, which modules that
    // share msvcrt.dll read with getenv.
    SetEnvironmentVariableA("FARLANG", language.c_str());
    _putenv(("FARLANG=" + language).c_str());
    impl_->Out("language " + language + " (FARLANG=" + language + "; OEM code page " +
               std::to_string(GetOEMCP()) + ")");
}

void Host::ClearRegistry() {
    RegDeleteTreeA2(HKEY_CURRENT_USER, "Software\\Far");
}

bool Host::RegSetString(const std::string& key, const std::string& name, const std::string& value) {
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(h, name.c_str(), 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

bool Host::RegSetDword(const std::string& key, const std::string& name, DWORD value) {
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(h, name.c_str(), 0, REG_DWORD, (const BYTE*)&value, sizeof value);
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

bool Host::RegGetString(const std::string& key, const std::string& name, std::string* value) {
    value->clear();
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExA(h, name.c_str(), nullptr, &type, nullptr, &size);
    if (r == ERROR_SUCCESS) {
        std::string buf(size, '\0');
        r = RegQueryValueExA(h, name.c_str(), nullptr, &type, (BYTE*)&buf[0], &size);
        buf.resize(size);
        if (type == REG_DWORD && size == 4) {
            DWORD d;
            memcpy(&d, buf.data(), 4);
            buf = std::to_string(d);
        } else if ((type == REG_SZ || type == REG_EXPAND_SZ) && !buf.empty() && buf.back() == '\0')
            buf.pop_back();
        *value = buf;
    }
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

bool Host::RegRemoveValue(const std::string& key, const std::string& name) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return false;
    LONG r = RegDeleteValueA(h, name.c_str());
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

bool Host::RegRemoveKey(const std::string& key) {
    return RegDeleteTreeA2(HKEY_CURRENT_USER, key);
}

namespace {
const int kHistoryLines = 16; // Far keeps this many lines of a dialog history
std::string HistoryKey(const std::string& name) {
    return "Software\\Far\\SavedDialogHistory\\" + name;
}
} // namespace

std::vector<std::string> Host::History(const std::string& name) {
    std::vector<std::string> lines;
    for (int i = 0; i < kHistoryLines; i++) {
        std::string line;
        if (!RegGetString(HistoryKey(name), "Line" + std::to_string(i), &line)) break;
        lines.push_back(line);
    }
    return lines;
}

void Host::AddHistory(const std::string& name, const std::string& line) {
    std::vector<std::string> lines = History(name);
    lines.erase(std::remove(lines.begin(), lines.end(), line), lines.end());
    lines.insert(lines.begin(), line);
    if (lines.size() > (size_t)kHistoryLines) lines.resize(kHistoryLines);
    for (size_t i = 0; i < lines.size(); i++)
        RegSetString(HistoryKey(name), "Line" + std::to_string(i), lines[i]);
    // Far keeps one flag byte per line (locked lines); none are locked here.
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, HistoryKey(name).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                        nullptr) == ERROR_SUCCESS) {
        std::string flags(lines.size(), '\0');
        RegSetValueExA(h, "Flags", 0, REG_BINARY, (const BYTE*)flags.data(), (DWORD)flags.size());
        RegCloseKey(h);
    }
}

void Host::SetWordDiv(const std::string& chars) {
    impl_->wordDiv = chars.substr(0, 255);
}
void Host::SetModuleNumber(int number) {
    moduleNumber_ = number;
}
void Host::SetUser(const std::string& name) {
    impl_->rootKey = name.empty() ? "Software\\Far\\Plugins" : "Software\\Far\\Users\\" + name + "\\Plugins";
    SetEnvironmentVariableA("FARUSER", name.empty() ? nullptr : name.c_str());
    impl_->Out("user " + (name.empty() ? std::string("(none)") : name) + " (RootKey " + impl_->rootKey + ")");
}

const char* TableName(TextTable table) {
    switch (table) {
    case TextTable::Dos:
        return "DOS";
    case TextTable::Win:
        return "Win";
    case TextTable::Unicode:
        return "Unicode";
    }
    return "?";
}

std::string ShownThrough(const std::string& bytes, TextTable table) {
    if (bytes.empty() || table == TextTable::Dos) return bytes;
    if (table == TextTable::Win) {
        std::string out(bytes.size(), '\0');
        CharToOemBuffA(bytes.data(), &out[0], (DWORD)bytes.size());
        return out;
    }
    // UTF-16 little-endian after its two-byte mark; characters the OEM page lacks show as '?'.
    size_t units = bytes.size() >= 2 ? (bytes.size() - 2) / 2 : 0;
    if (!units) return "";
    std::wstring wide(units, L'\0');
    memcpy(&wide[0], bytes.data() + 2, units * 2);
    int n = WideCharToMultiByte(CP_OEMCP, 0, wide.data(), (int)units, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_OEMCP, 0, wide.data(), (int)units, &out[0], n, nullptr, nullptr);
    return out;
}

void Host::SetAnsiAsDefault(bool editor, bool on) {
    (editor ? impl_->editorAnsiDefault : impl_->viewerAnsiDefault) = on;
    (editor ? impl_->editorTable : impl_->viewerTable) = on ? TextTable::Win : TextTable::Dos;
    impl_->Out(std::string(editor ? "editor" : "viewer") + " option \"ANSI as default\" " +
               (on ? "on" : "off") + ": files open in " + (on ? "Win" : "DOS"));
}

void Host::SetCarriedTable(bool editor, TextTable table) {
    if (table == TextTable::Unicode) table = TextTable::Dos; // F8 never leads to Unicode
    (editor ? impl_->editorTable : impl_->viewerTable) = table;
    impl_->Out(std::string("F8 in an earlier ") + (editor ? "editor" : "viewer") +
               ": the next one opens in " + TableName(table));
}

TextTable Host::CarriedTable(bool editor) const {
    return editor ? impl_->editorTable : impl_->viewerTable;
}

void Host::SetPanels(bool present) {
    impl_->panels = present;
    if (!present && impl_->current < 0 && !windows_.empty()) impl_->current = (int)windows_.size() - 1;
}

int Host::AddWindow(const HostWindow& window) {
    windows_.push_back(window);
    // Dialogs, menus and the help viewer are always modal: never in the window list.
    if (window.Type == WTYPE_DIALOG || window.Type == WTYPE_VMENU || window.Type == WTYPE_HELP)
        windows_.back().Modal = true;
    impl_->current = (int)windows_.size() - 1;
    return impl_->current;
}

void Host::SetCurrentWindow(int index) {
    if (index < -1 || index >= (int)windows_.size()) {
        impl_->Error("SetCurrentWindow: no window " + std::to_string(index));
        return;
    }
    impl_->current = index;
}

// ------------------------------------------------------------------ the plug-in
bool Host::LoadPlugin(const std::string& dllPath) {
    if (module_) {
        impl_->Error("LoadPlugin: a plug-in is already loaded");
        return false;
    }
    std::string path = WindowsPath(dllPath);
    std::replace(path.begin(), path.end(), '/', '\\');
    char full[MAX_PATH];
    char* namePart = nullptr;
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, &namePart);
    if (!n || n >= sizeof full) {
        impl_->Error("LoadPlugin: bad path " + path);
        return false;
    }
    // Far loads with the plug-in's folder first in the DLL search path.
    HMODULE m = LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!m) {
        impl_->Error("LoadPlugin: cannot load " + std::string(full) + " (error " +
                     std::to_string(GetLastError()) + ")");
        return false;
    }
    impl_->pSetStartupInfo = (FARSETSTARTUPINFO)(void*)GetProcAddress(m, "SetStartupInfo");
    impl_->pGetPluginInfo = (FARGETPLUGININFO)(void*)GetProcAddress(m, "GetPluginInfo");
    impl_->pOpenPlugin = (FAROPENPLUGIN)(void*)GetProcAddress(m, "OpenPlugin");
    impl_->pConfigure = (FARCONFIGURE)(void*)GetProcAddress(m, "Configure");
    impl_->pProcessEditorEvent = (FARPROCESSEDITOREVENT)(void*)GetProcAddress(m, "ProcessEditorEvent");
    if (!impl_->pSetStartupInfo && !impl_->pGetPluginInfo && !impl_->pOpenPlugin && !impl_->pConfigure &&
        !impl_->pProcessEditorEvent) {
        // Far unloads such a DLL silently; a test wants to know.
        FreeLibrary(m);
        impl_->Error("LoadPlugin: " + std::string(full) + " exports none of Far's names");
        return false;
    }
    module_ = m;
    moduleName_ = full;
    impl_->pluginFolder = std::string(full, namePart ? namePart - full : strlen(full));
    impl_->msgsLoaded = false;
    impl_->Out("load " + moduleName_);
    if (impl_->pSetStartupInfo) {
        // Far hands over temporaries on its stack; afterwards they are garbage.
        PluginStartupInfo info;
        FarStandardFunctions fsf;
        memset(&info, 0, sizeof info);
        memset(&fsf, 0, sizeof fsf);
        FillStandardFunctions(&fsf);
        fsf.StructSize = sizeof fsf;
        info.StructSize = sizeof info;
        lstrcpynA(info.ModuleName, full, sizeof info.ModuleName);
        info.ModuleNumber = moduleNumber_;
        info.RootKey = impl_->rootKey.c_str();
        info.Menu = &Impl::Menu;
        info.Dialog = &Impl::Dialog;
        info.Message = &Impl::Message;
        info.GetMsg = &Impl::GetMsg;
        info.Control = &Impl::Control;
        info.SaveScreen = &Impl::SaveScreen;
        info.RestoreScreen = &Impl::RestoreScreen;
        info.Viewer = &Impl::Viewer;
        info.Editor = &Impl::Editor;
        info.CmpName = &FarCmpName;
        info.EditorControl = &Impl::EditorControl;
        info.FSF = &fsf;
        info.ShowHelp = &Impl::ShowHelp;
        info.AdvControl = &Impl::AdvControl;
        info.DialogEx = &Impl::DialogEx;
        info.SendDlgMessage = &Impl::SendDlgMessage;
        info.DefDlgProc = &Impl::DefDlgProc;
        impl_->BeginExportCall("SetStartupInfo");
        impl_->pSetStartupInfo(&info);
        impl_->EndExportCall();
        memset(&info, 0xCC, sizeof info);
        memset(&fsf, 0xCC, sizeof fsf);
        ReportLibrariesBelowPlugin();
    }
    return true;
}

// What a user would find with a process viewer: the libraries that the plug-in
// loaded from its own folder tree (its help modules), in load order.
void Host::ReportLibrariesBelowPlugin() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    const std::string& folder = impl_->pluginFolder;
    MODULEENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
        std::string path = entry.szExePath;
        if (path.size() > folder.size() && !_strnicmp(path.c_str(), folder.c_str(), folder.size()) &&
            lstrcmpiA(path.c_str(), moduleName_.c_str()) != 0)
            impl_->Out("  loaded by the plug-in: " + path.substr(folder.size()));
    }
    CloseHandle(snapshot);
}

bool Host::HasExport(const char* name) const {
    return module_ && GetProcAddress(module_, name) != nullptr;
}

PluginInfoRecord Host::GetPluginInfo() {
    PluginInfoRecord rec;
    memset(&rec.Raw, 0, sizeof rec.Raw);
    if (!impl_->pGetPluginInfo) {
        impl_->Error("GetPluginInfo: not exported or no plug-in loaded");
        return rec;
    }
    impl_->BeginExportCall("GetPluginInfo");
    impl_->pGetPluginInfo(&rec.Raw);
    impl_->EndExportCall();
    const PluginInfo& pi = rec.Raw;
    auto strings = [](const char* const* list, int n, std::vector<std::string>* out) {
        for (int i = 0; list && i < n && i < 256; i++)
            out->push_back(list[i] ? list[i] : "");
    };
    strings(pi.DiskMenuStrings, pi.DiskMenuStringsNumber, &rec.DiskMenu);
    strings(pi.PluginMenuStrings, pi.PluginMenuStringsNumber, &rec.PluginMenu);
    strings(pi.PluginConfigStrings, pi.PluginConfigStringsNumber, &rec.ConfigMenu);
    for (int i = 0; pi.DiskMenuNumbers && i < pi.DiskMenuStringsNumber && i < 256; i++)
        rec.DiskNumbers.push_back(pi.DiskMenuNumbers[i]);
    rec.HasCommandPrefix = pi.CommandPrefix != nullptr;
    if (pi.CommandPrefix) rec.CommandPrefix = pi.CommandPrefix;
    char line[160];
    wsprintfA(line, "  StructSize %d, Flags 0x%lX", pi.StructSize, (unsigned long)pi.Flags);
    impl_->Out(line);
    auto list = [&](const char* what, const std::vector<std::string>& v) {
        std::string s = std::string("  ") + what + ":";
        if (v.empty()) s += " (none)";
        for (size_t i = 0; i < v.size(); i++) {
            s += " " + Quote(v[i]);
            if (what[0] == 'd' && i < rec.DiskNumbers.size())
                s += " hotkey " + std::to_string(rec.DiskNumbers[i]);
        }
        impl_->Out(s);
    };
    list("disk menu", rec.DiskMenu);
    list("plug-ins menu", rec.PluginMenu);
    list("configuration menu", rec.ConfigMenu);
    if (rec.HasCommandPrefix) impl_->Out("  command prefix " + Quote(rec.CommandPrefix));
    return rec;
}

HANDLE Host::OpenPlugin(int openFrom, int item) {
    if (!impl_->pOpenPlugin) {
        impl_->Error("OpenPlugin: not exported or no plug-in loaded");
        return INVALID_HANDLE_VALUE;
    }
    HostWindow* cur = impl_->CurrentWindow();
    if (openFrom == OPEN_EDITOR && !(cur && cur->Type == WTYPE_EDITOR))
        impl_->Error("OpenPlugin from the editor, but the current window is not an editor");
    if (openFrom == OPEN_VIEWER && !(cur && cur->Type == WTYPE_VIEWER))
        impl_->Error("OpenPlugin from the viewer, but the current window is not a viewer");
    if (openFrom == OPEN_PLUGINSMENU || openFrom == OPEN_DISKMENU) {
        if (!impl_->panels)
            impl_->Error("OpenPlugin from the panels, but there are no panels");
        else if (cur && cur->Modal)
            impl_->Error("OpenPlugin from the panels while a modal window is current");
        else
            impl_->current = -1;
    }
    static const char* const names[] = {"disk menu",    "plug-ins menu", "find list", "shortcut",
                                        "command line", "editor",        "viewer"};
    std::string from = openFrom >= 0 && openFrom <= 6 ? names[openFrom] : "code " + std::to_string(openFrom);
    impl_->BeginExportCall("OpenPlugin from the " + from + ", item " + std::to_string(item));
    HANDLE h = impl_->pOpenPlugin(openFrom, item);
    impl_->EndExportCall();
    impl_->DropOptionalAnswers();
    impl_->Out(h == INVALID_HANDLE_VALUE ? "OpenPlugin returned INVALID_HANDLE_VALUE (no panel)"
                                         : "OpenPlugin returned a panel handle");
    return h;
}

int Host::Configure(int itemNumber) {
    if (!impl_->pConfigure) {
        impl_->Error("Configure: not exported or no plug-in loaded");
        return 0;
    }
    impl_->BeginExportCall("Configure " + std::to_string(itemNumber));
    int r = impl_->pConfigure(itemNumber);
    impl_->EndExportCall();
    impl_->DropOptionalAnswers();
    impl_->Out("Configure returned " + std::to_string(r));
    return r;
}

int Host::ProcessEditorEvent(int event, void* param) {
    if (!impl_->pProcessEditorEvent) return 0;
    static const char* const names[] = {"EE_READ", "EE_SAVE", "EE_REDRAW", "EE_CLOSE"};
    std::string what = event >= 0 && event <= 3 ? names[event] : "event " + std::to_string(event);
    int savedEditor = impl_->eventEditor;
    bool savedClose = impl_->inEditorClose;
    if ((event == EE_CLOSE || event == EE_READ) && param) impl_->eventEditor = *(int*)param;
    if (event == EE_CLOSE) impl_->inEditorClose = true;
    if ((event == EE_CLOSE || event == EE_READ) && param) what += " editor " + std::to_string(*(int*)param);
    impl_->BeginExportCall("ProcessEditorEvent " + what);
    int r = impl_->pProcessEditorEvent(event, param);
    impl_->EndExportCall();
    impl_->eventEditor = savedEditor;
    impl_->inEditorClose = savedClose;
    return r;
}

void Host::OpenEditor(const EditorSetup& setup) {
    EditorState st;
    st.setup = setup;
    if (st.setup.Lines.empty()) st.setup.Lines.push_back("");
    st.fileName = setup.FileName;
    impl_->editors[setup.Id] = st;
    HostWindow w;
    w.Type = WTYPE_EDITOR;
    w.Name = setup.FileName;
    w.Modal = setup.Modal;
    w.EditorId = setup.Id;
    AddWindow(w);
    std::string s = "editor " + Quote(setup.FileName) + " id " + std::to_string(setup.Id) +
                    (setup.Modal ? " (modal)" : "") + " (table " +
                    TableName(setup.AnsiMode ? TextTable::Win : TextTable::Dos) + ")" +
                    (setup.RefuseGetString ? " (refuses lines)" : "");
    impl_->Out(s);
    for (size_t i = 0; i < st.setup.Lines.size(); i++) {
        std::string mark = (int)i == setup.CurLine ? ">" : " ";
        impl_->Out("  " + mark + "| " + st.setup.Lines[i]);
        if ((int)i == setup.CurLine)
            impl_->Out("     " + std::string(setup.CurPos > 0 ? setup.CurPos : 0, ' ') + "^");
    }
    if (setup.Block) {
        char b[120];
        wsprintfA(b, "  block from line %d pos %d to line %d pos %d", setup.BlockStartLine,
                  setup.BlockStartPos, setup.BlockEndLine, setup.BlockEndPos);
        impl_->Out(b);
    }
    int id = setup.Id;
    if (module_) ProcessEditorEvent(EE_READ, &id);
}

int Host::CloseEditor(int editorId) {
    int r = 0;
    int id = editorId;
    impl_->Out("close editor " + std::to_string(editorId));
    if (module_) r = ProcessEditorEvent(EE_CLOSE, &id);
    for (size_t i = 0; i < windows_.size(); i++)
        if (windows_[i].Type == WTYPE_EDITOR && windows_[i].EditorId == editorId && windows_[i].Record < 0) {
            windows_.erase(windows_.begin() + i);
            if (impl_->current == (int)i)
                impl_->current = windows_.empty() ? -1 : (int)windows_.size() - 1;
            else if (impl_->current > (int)i)
                impl_->current--;
            break;
        }
    impl_->editors.erase(editorId);
    return r;
}

bool Host::CloseWindow(size_t recordIndex) {
    if (recordIndex >= windowRecords_.size() || windowRecords_[recordIndex].Closed) {
        impl_->Error("CloseWindow: no open window " + std::to_string(recordIndex));
        return false;
    }
    impl_->CloseWindowAt(recordIndex);
    return true;
}

// ------------------------------------------------------------------ answers
void Host::QueueMenu(const MenuAnswer& answer) {
    QueuedAnswer a;
    a.kind = QueuedAnswer::Menu;
    a.menu = answer;
    impl_->answers.push_back(a);
}

bool Host::QueueMenu(const std::vector<std::string>& keys) {
    MenuAnswer answer;
    for (const std::string& k : keys) {
        Key key;
        if (!ParseKey(k, &key)) {
            impl_->Error("QueueMenu: unknown key " + Quote(k));
            return false;
        }
        answer.Keys.push_back(key);
    }
    QueueMenu(answer);
    return true;
}

void Host::QueueDialog(const DialogAnswer& answer) {
    QueuedAnswer a;
    a.kind = QueuedAnswer::Dialog;
    a.dialog = answer;
    impl_->answers.push_back(a);
}

void Host::QueueMessage(int button) {
    QueuedAnswer a;
    a.kind = QueuedAnswer::Message;
    a.button = button;
    impl_->answers.push_back(a);
}

void Host::QueueWindow(WindowAnswer answer) {
    QueuedAnswer a;
    a.kind = QueuedAnswer::Window;
    a.window = answer;
    impl_->answers.push_back(a);
}

size_t Host::PendingAnswers() const {
    return impl_->answers.size();
}

void Host::SetTranscriptSink(std::function<void(const std::string&)> sink) {
    impl_->sink = sink;
}
void Host::Note(const std::string& text) {
    impl_->Out(text);
}

void Host::ClearRecords() {
    menus_.clear();
    dialogs_.clear();
    messages_.clear();
    helps_.clear();
    screens_.clear();
    calls_.clear();
    errors_.clear();
    warnings_.clear();
    transcript_.clear();
}

// ------------------------------------------------------------------ Impl helpers
void Host::Impl::Out(const std::string& line) {
    std::string indented = std::string(callDepth > 1 ? (callDepth - 1) * 2 : 0, ' ') + line;
    host->transcript_ += indented + "\n";
    if (sink) sink(indented);
}

void Host::Impl::Error(const std::string& text) {
    host->errors_.push_back(text);
    Out("!! error: " + text);
}

void Host::Impl::Warning(const std::string& text) {
    host->warnings_.push_back(text);
    Out("!! warning: " + text);
}

bool Host::Impl::TakeAnswer(QueuedAnswer::Kind kind, const std::string& what, QueuedAnswer* out) {
    if (answers.empty()) {
        Error(what + " shown, but no scripted answer is left");
        return false;
    }
    if (answers.front().kind != kind) {
        Error(what + " shown, but the next scripted answer is for a " + AnswerKindName(answers.front().kind));
        return false;
    }
    *out = answers.front();
    answers.pop_front();
    return true;
}

bool Host::Impl::ValidModule(int number, const char* service) {
    if (host->module_ && number == host->moduleNumber_) return true;
    Error(std::string(service) + ": invalid plug-in number " + std::to_string(number));
    return false;
}

void Host::Impl::BeginExportCall(const std::string& what) {
    callDepth++;
    Out("-> " + what);
}

void Host::Impl::DropOptionalAnswers() {
    size_t dropped = 0;
    for (auto it = answers.begin(); it != answers.end();)
        if (it->optional)
            it = answers.erase(it), dropped++;
        else
            ++it;
    if (dropped) Out("(" + std::to_string(dropped) + " optional scripted answers were not needed)");
}

void Host::Impl::EndExportCall() {
    if (callDepth == 1) {
        // Back in Far: it redraws the screen, so notices vanish; a saved area never
        // restored is a leak.
        for (MessageRecord& m : host->messages_)
            if (m.OnScreen) {
                m.OnScreen = false;
                Warning("a notice was left on screen when the plug-in call returned: " + Quote(m.Title));
            }
        for (ScreenRecord& s : host->screens_)
            if (!s.Restored) {
                s.Restored = true;
                Warning("a saved screen area was never restored");
            }
    }
    callDepth--;
}

HostWindow* Host::Impl::CurrentWindow() {
    if (current < 0 || current >= (int)host->windows_.size()) return nullptr;
    return &host->windows_[current];
}

bool Host::Impl::CurrentIsModalEditorOrViewer() {
    HostWindow* w = CurrentWindow();
    return w && w->Modal && (w->Type == WTYPE_EDITOR || w->Type == WTYPE_VIEWER);
}

EditorState* Host::Impl::CurrentEditor() {
    int id = 0;
    if (eventEditor)
        id = eventEditor;
    else if (HostWindow* w = CurrentWindow())
        if (w->Type == WTYPE_EDITOR) id = w->EditorId;
    if (!id) return nullptr;
    auto it = editors.find(id);
    return it == editors.end() ? nullptr : &it->second;
}

void Host::Impl::RemoveWindowForRecord(size_t recordIndex) {
    std::vector<HostWindow>& ws = host->windows_;
    for (size_t i = 0; i < ws.size(); i++)
        if (ws[i].Record == (int)recordIndex) {
            ws.erase(ws.begin() + i);
            if (current == (int)i)
                current = ws.empty() ? -1 : (int)ws.size() - 1;
            else if (current > (int)i)
                current--;
            if (current < 0 && !panels && !ws.empty()) current = (int)ws.size() - 1;
            return;
        }
}

} // namespace farhost
