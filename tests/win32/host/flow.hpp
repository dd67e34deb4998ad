// Shared by the Wine tests of the request flow (help-file menu, entry editor,
// dispatch, keyword, configuration): catalogue entries stored as the plug-in
// stores them, the scripted editor, the menu called directly through the probe,
// and what a menu call showed.
#pragma once

#include "support.hpp"

#include <string.h>

#include <iostream>
#include <string>
#include <vector>

namespace flow {

const char* const Key = "Software\\Far\\Plugins\\Lumivo";

// One catalogue entry; a field set to Missing is not stored at all.
const char* const Missing = "\x01missing";
struct Entry {
    std::string Desc, Type, File, Keyword, Mask, Flags, Encoding;
    Entry(const std::string& desc, const std::string& type = "", const std::string& file = "",
          const std::string& keyword = "", const std::string& mask = "", const std::string& flags = "",
          const std::string& encoding = "AUTO")
        : Desc(desc), Type(type), File(file), Keyword(keyword), Mask(mask), Flags(flags), Encoding(encoding) {
    }
};

inline void StoreEntry(int n, const Entry& e) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"Desc", &e.Desc}, {"Type", &e.Type},   {"File", &e.File},         {"Keyword", &e.Keyword},
        {"Mask", &e.Mask}, {"Flags", &e.Flags}, {"Encoding", &e.Encoding},
    };
    for (const auto& f : fields) {
        std::string name = f.first + std::to_string(n);
        if (*f.second == Missing)
            farhost::Host::RegRemoveValue(Key, name);
        else
            farhost::Host::RegSetString(Key, name, *f.second);
    }
}

inline std::string Value(const std::string& name) {
    std::string value;
    return farhost::Host::RegGetString(Key, name, &value) ? value : "(missing)";
}

// A menu as the user saw it: "<mark><text>" per item, mark ' ' when none.
inline std::vector<std::string> Shown(const farhost::MenuRecord& menu) {
    std::vector<std::string> lines;
    for (const farhost::MenuItemRecord& item : menu.Items)
        lines.push_back(std::string(1, item.Mark ? (char)item.Mark : ' ') + item.Text);
    return lines;
}

// One expected dialog item as the compact template describes it; a message of
// Unchecked leaves the item's text to the test.
const int Unchecked = -2;
struct ItemRow {
    int Type, X1, Y1, X2, Y2;
    unsigned Flags;
    int Msg; // -1: empty text
};

// What ShowHelpFileMenu handed back.
struct MenuOut {
    int Result = -2;
    std::string File, Keyword, Title, Flags, Encoding, Type;
    int Entry = -2; // the catalogue index of the entry handed back, -1 none
};

} // namespace flow

class FlowTest : public PluginTest {
  protected:
    const ProbeView* probe = nullptr;

    void TearDown() override {
        if (HasFailure() && host) std::cout << host->Transcript();
        PluginTest::TearDown();
    }

    // The probe build of the plug-in with the named test modules in lvx\.
    void Start(const std::vector<std::string>& modules = {}) {
        Install(true);
        for (const std::string& name : modules)
            AddModule(name);
        ASSERT_TRUE(Load());
        probe = Probe();
        ASSERT_NE(probe, nullptr);
    }

    // A module's .lvg file with its title (message 0) in English and Russian.
    void ModuleTitles(const std::string& module, const std::string& english, const std::string& russian) {
        ASSERT_TRUE(
            farhost::Host::WriteFile(Folder + "lvx\\" + module + ".lvg",
                                     "[English]\r\n" + english + "\r\n[Russian]\r\n" + russian + "\r\n"));
    }

    // The scripted editor with one line (or several) and the cursor on line 0.
    void Edit(const std::string& file, const std::vector<std::string>& lines, int pos, int id = 1) {
        farhost::EditorSetup setup;
        setup.FileName = file;
        setup.Id = id;
        setup.Lines = lines;
        setup.CurPos = pos;
        host->OpenEditor(setup);
    }

    // The plug-in's message as the host serves it.
    std::string Msg(int id) { return probe->Info->GetMsg(probe->Info->ModuleNumber, id); }

    void Keys(const std::vector<std::string>& keys) { ASSERT_TRUE(host->QueueMenu(keys)); }

    // ShowHelpFileMenu called directly, as OpenPlugin calls it.
    flow::MenuOut ShowMenu(int openFrom, const std::string& editedFile = "", int editorId = 1) {
        char file[512], keyword[512], title[512], flags[20], encoding[128], type[512];
        memset(keyword, 'x', sizeof keyword);
        lstrcpynA(file, editedFile.c_str(), sizeof file);
        EditorInfo editor;
        memset(&editor, 0, sizeof editor);
        editor.EditorID = editorId;
        editor.FileName = file;
        flow::MenuOut out;
        out.Result = probe->ShowHelpFileMenu(file, keyword, openFrom, &editor, title, flags, encoding, type,
                                             &out.Entry);
        out.File = file, out.Keyword = keyword, out.Title = title;
        out.Flags = flags, out.Encoding = encoding, out.Type = type;
        return out;
    }

    const farhost::MenuRecord& LastMenu() {
        static const farhost::MenuRecord none;
        return host->Menus().empty() ? none : host->Menus().back();
    }
    const farhost::MessageRecord* LastMessage() {
        return host->Messages().empty() ? nullptr : &host->Messages().back();
    }

    // A centred dialog of the given size whose items are rows, with the focus and
    // the default button where given.
    void ExpectDialog(const farhost::DialogRecord& d, int width, int height, const char* helpTopic,
                      const std::vector<flow::ItemRow>& rows, int focus, int defaultButton) {
        EXPECT_EQ(d.X1, -1);
        EXPECT_EQ(d.Y1, -1);
        EXPECT_EQ(d.X2, width);
        EXPECT_EQ(d.Y2, height);
        EXPECT_EQ(d.HelpTopic, helpTopic);
        ASSERT_EQ(d.Before.size(), rows.size());
        for (size_t i = 0; i < rows.size(); i++) {
            const farhost::DialogItemRecord& item = d.Before[i];
            EXPECT_EQ(item.Type, rows[i].Type) << i;
            EXPECT_EQ(item.X1, rows[i].X1) << i;
            EXPECT_EQ(item.Y1, rows[i].Y1) << i;
            EXPECT_EQ(item.X2, rows[i].X2) << i;
            EXPECT_EQ(item.Y2, rows[i].Y2) << i;
            EXPECT_EQ(item.Flags, rows[i].Flags) << i;
            EXPECT_EQ(item.Focus, (int)i == focus ? 1 : 0) << i;
            EXPECT_EQ(item.DefaultButton, (int)i == defaultButton ? 1 : 0) << i;
            if (rows[i].Msg != flow::Unchecked) {
                EXPECT_EQ(item.Data, rows[i].Msg < 0 ? "" : Msg(rows[i].Msg)) << i;
            }
        }
    }

    void ExpectAllAnswersUsed() {
        EXPECT_EQ(host->PendingAnswers(), 0u);
        ExpectNoHostErrors();
    }
};
