// Far's help viewer, as far as a plug-in can observe it: which .hlf file and
// topic a ShowHelp call or a help-topic string leads to, what the topic says,
// and ShowHelp's result.
#include "internal.hpp"
#include "lng.hpp"

namespace farhost {

namespace {

// The folder part of a path up to and including its last separator.
std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : "";
    return path.substr(0, slash + 1);
}

// The help window's name in Far's interface language (FarEng.lng / FarRus.lng).
std::string HelpWord(const std::string& language) {
    return lstrcmpiA(language.c_str(), "Russian") ? "Help" : "\x8F\xAE\xAC\xAE\xE9\xEC";
}

} // namespace

bool Host::Impl::ShowHelpTopic(const std::string& origin, const char* path, const char* topicIn,
                               DWORD flags) {
    HelpRecord rec;
    rec.Origin = origin;
    rec.ModuleName = path ? path : "";
    rec.Topic = topicIn ? topicIn : "";
    rec.Flags = flags;
    std::string topic = topicIn && *topicIn ? topicIn : "Contents";
    const DWORD kind = flags & ~(DWORD)(FHELP_USECONTENTS | FHELP_NOSHOWERROR);
    std::string file;
    rec.WindowTitle = HelpWord(host->language_);
    bool farHelp = (kind & FHELP_FARHELP) || topic[0] == ':';
    if (farHelp) {
        if (topic[0] == ':') topic = topic.substr(1);
        if (topic.empty()) topic = "Contents";
    } else if (topic[0] == '<') {
        // "<folder\>Topic" or "<folder\Module.ext>Topic": the help of that folder.
        size_t close = topic.find('>');
        std::string inner = close == std::string::npos ? "" : topic.substr(1, close - 1);
        topic = close == std::string::npos ? "" : topic.substr(close + 1);
        if (topic.empty()) topic = "Contents";
        file = FarPickLanguageFile(FolderOf(inner), "*.hlf", host->language_);
    } else if (!path) {
        rec.Error = "no module name";
    } else if (kind == FHELP_SELFHELP) {
        file = FarPickLanguageFile(FolderOf(path), "*.hlf", host->language_);
    } else if (kind == FHELP_CUSTOMFILE) {
        file = path;
    } else if (kind == FHELP_CUSTOMPATH) {
        std::string folder = path;
        if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
        file = FarPickLanguageFile(folder, "*.hlf", host->language_);
    } else {
        rec.Error = "unsupported flags";
    }
    if (farHelp) {
        rec.File = "<Far's own help>";
        rec.ShownTopic = topic;
        rec.Found = true;
        rec.Result = true;
        rec.Text.push_back("(Far Manager's own help, topic " + topic + ")");
    } else if (rec.Error.empty()) {
        HlfFile hlf;
        if (file.empty() || !FarLoadHlf(file, &hlf)) {
            rec.Error = "cannot open the help file" + (file.empty() ? std::string() : " " + file);
            rec.File = file;
        } else {
            rec.File = file;
            if (!hlf.PluginContents.empty()) rec.WindowTitle += " - " + hlf.PluginContents;
            const HlfTopic* t = hlf.Find(topic.c_str());
            if (!t && (flags & FHELP_USECONTENTS)) {
                t = hlf.Find("Contents");
                if (t) topic = "Contents";
            }
            if (!t)
                rec.Error = "topic " + topic + " not found";
            else {
                rec.ShownTopic = t->Name;
                rec.Found = true;
                rec.Result = true;
                for (const std::string& line : t->Header)
                    rec.Text.push_back("$ " + line);
                for (const std::string& line : t->Lines)
                    rec.Text.push_back(line);
                for (const std::string& fault : HelpColumnFaults(t->Lines))
                    Error("help topic " + t->Name + " of " + file + ": " + fault);
            }
        }
    }
    host->helps_.push_back(rec);
    host->calls_.push_back({CallKind::Help, host->helps_.size() - 1});
    for (const std::string& line : RenderHelp(rec))
        Out(line);
    return rec.Result;
}

void Host::Impl::ShowPluginTopic(const std::string& origin, const char* topic) {
    if (!topic || !*topic) {
        Out("  (F1: no help topic)");
        return;
    }
    // A plain topic is looked up in the calling plug-in's folder.
    std::string module = host->moduleName_;
    ShowHelpTopic(origin, module.c_str(), topic, FHELP_SELFHELP);
}

BOOL WINAPI Host::Impl::ShowHelp(const char* ModuleName, const char* Topic, DWORD Flags) {
    Impl* im = I();
    return im && im->ShowHelpTopic("ShowHelp", ModuleName, Topic, Flags) ? TRUE : FALSE;
}

} // namespace farhost
