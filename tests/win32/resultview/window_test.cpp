// The result window of a module that shows its answer through the shared result view: editor or
// viewer, modal or not by the settings and by Far's window list, always with delete-on-close, and
// the file with its LUMV folder gone once the window closes. Run for every such module.
#include "resultmodules.hpp"

using farhost::WindowAnswer;
using farhost::WindowRecord;

namespace {

struct WindowCase {
    const char* Name;
    bool Panels;       // the panels are in the window list
    int ExtraEditors;  // non-modal editors in the list besides the panels
    bool ModalEditor;  // the current window is a modal editor
    bool ExpectForced; // the module must open the answer modal whatever the setting
};

const WindowCase kWindowCases[] = {
    {"FromThePanels", true, 0, false, false},
    {"FromAnEditorBesideThePanels", true, 1, false, false},
    {"FromTheOnlyEditorWithoutPanels", false, 1, false, true},
    {"FromAModalEditorOverThePanels", true, 0, true, true},
    {"FromOneOfTwoEditorsWithoutPanels", false, 2, false, false},
};

void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << c.Name;
}

class ResultWindow : public ::testing::WithParamInterface<std::tuple<ResultModule, WindowCase>>,
                     public ModuleFixture {
  protected:
    ResultWindow() : ModuleFixture(std::get<0>(GetParam()).Traits()) {}
};

// Every setting through the dialog, in one host: editor/viewer x non-modal/modal.
TEST_P(ResultWindow, FlagsFollowTheSettingsAndTheWindowList) {
    const ResultModule& m = std::get<0>(GetParam());
    const WindowCase& c = std::get<1>(GetParam());
    Load();
    host->SetPanels(c.Panels);
    for (int i = 0; i < c.ExtraEditors; i++) {
        farhost::HostWindow editor;
        editor.Type = WTYPE_EDITOR;
        editor.Name = DataFolder + "\\notes" + std::to_string(i) + ".txt";
        host->AddWindow(editor);
    }
    if (c.ModalEditor) {
        farhost::HostWindow editor;
        editor.Type = WTYPE_EDITOR;
        editor.Name = DataFolder + "\\modal.txt";
        editor.Modal = true;
        host->AddWindow(editor);
    }
    size_t opened = 0;
    for (int visuality = 0; visuality < 2; visuality++)
        for (int modality = 0; modality < 2; modality++) {
            SCOPED_TRACE("visuality " + std::to_string(visuality) + ", modality " + std::to_string(modality));
            EXPECT_EQ(1, Configure(modality, visuality));
            host->QueueWindow(WindowAnswer::Close);
            EXPECT_EQ(1, ShowFile(m.Keyword, DataFolder + "\\" + m.File, m.Encoding).Result);
            ASSERT_EQ(opened + 1, host->Windows().size());
            const WindowRecord& w = host->Windows()[opened++];
            bool nonModal = modality == 0 && !c.ExpectForced;
            EXPECT_EQ(visuality == 0, w.Editor);
            EXPECT_EQ((nonModal ? 1u : 0u) | (visuality == 0 ? 0x10u : 0x02u), w.Flags);
            EXPECT_EQ(!nonModal, w.Modal);
            EXPECT_EQ(m.Keyword, w.Title);
            EXPECT_EQ(0, w.X1);
            EXPECT_EQ(-1, w.Y2);
            m.ExpectAnswer(DataFolder, ExpectReadsRight(w, m.Ansi));
            EXPECT_TRUE(w.FileDeleted);
            EXPECT_TRUE(w.FolderDeleted);
            EXPECT_TRUE(TempEntries().empty());
        }
}

INSTANTIATE_TEST_SUITE_P(Cases, ResultWindow,
                         ::testing::Combine(::testing::ValuesIn(kResultModules),
                                            ::testing::ValuesIn(kWindowCases)),
                         [](const ::testing::TestParamInfo<std::tuple<ResultModule, WindowCase>>& test) {
                             return std::string(std::get<0>(test.param).Label) + "_" +
                                    std::get<1>(test.param).Name;
                         });

class Result : public ResultViewTest {};

// In the editor (the default) and in the viewer.
TEST_P(Result, ANonModalWindowLeftOpenKeepsTheFileUntilItCloses) {
    Load();
    for (int visuality = 0; visuality < 2; visuality++) {
        SCOPED_TRACE("visuality " + std::to_string(visuality));
        if (visuality == 1) {
            EXPECT_EQ(1, Configure(0, 1));
        }
        size_t first = host->Windows().size();
        host->QueueWindow(WindowAnswer::LeaveOpen);
        EXPECT_EQ(1, Lookup(M().Keyword).Result);
        ASSERT_EQ(first + 1, host->Windows().size());
        const WindowRecord& w = host->Windows()[first];
        EXPECT_EQ(visuality == 0, w.Editor);
        EXPECT_EQ(visuality == 0 ? 0x11u : 0x03u, w.Flags);
        EXPECT_FALSE(w.Modal);
        EXPECT_FALSE(w.Closed);
        std::string file = w.FileName;
        EXPECT_TRUE(farhost::Host::FileExists(file));

        // A second lookup meanwhile gets a folder of its own.
        host->QueueWindow(WindowAnswer::Close);
        EXPECT_EQ(1, Lookup(M().SecondKeyword).Result);
        ASSERT_EQ(first + 2, host->Windows().size());
        std::string second = host->Windows()[first + 1].FileName;
        EXPECT_NE(file, second);
        EXPECT_NE(file.substr(0, file.rfind('\\')), second.substr(0, second.rfind('\\')));
        EXPECT_TRUE(farhost::Host::FileExists(file));

        EXPECT_TRUE(host->CloseWindow(first));
        EXPECT_TRUE(host->Windows()[first].FileDeleted);
        EXPECT_TRUE(host->Windows()[first].FolderDeleted);
        EXPECT_TRUE(TempEntries().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, Result, ::testing::ValuesIn(kResultModules), ResultModuleName);

} // namespace
