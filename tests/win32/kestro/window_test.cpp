// The result window: editor or viewer, modal or not by the settings and by Far's window list,
// always with delete-on-close, and the file with its LUMV folder gone once the window closes.
#include "support.hpp"

using farhost::WindowAnswer;
using farhost::WindowRecord;

namespace {

struct WindowCase {
    const char* Name;
    bool Panels;       // the panels are in the window list
    int ExtraEditors;  // non-modal editors in the list besides the panels
    bool ModalEditor;  // the current window is a modal editor
    bool ExpectForced; // the module must open the page modal whatever the setting
};

class ResultWindow : public KestroTest, public ::testing::WithParamInterface<WindowCase> {};

// Every setting through the dialog, in one host: editor/viewer x non-modal/modal.
TEST_P(ResultWindow, FlagsFollowTheSettingsAndTheWindowList) {
    const WindowCase& c = GetParam();
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
            EXPECT_EQ(1, Show("profile", Help("titles.chm")).Result);
            ASSERT_EQ(opened + 1, host->Windows().size());
            const WindowRecord& w = host->Windows()[opened++];
            bool nonModal = modality == 0 && !c.ExpectForced;
            EXPECT_EQ(visuality == 0, w.Editor);
            EXPECT_EQ((nonModal ? 1u : 0u) | (visuality == 0 ? 0x10u : 0x02u), w.Flags);
            EXPECT_EQ(!nonModal, w.Modal);
            EXPECT_EQ("profile", w.Title);
            EXPECT_EQ(0, w.X1);
            EXPECT_EQ(-1, w.Y2);
            ExpectPage(w.Content, "titles.chm", "/profile.html");
            EXPECT_TRUE(w.FileDeleted);
            EXPECT_TRUE(w.FolderDeleted);
            EXPECT_TRUE(TempEntries().empty());
        }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultWindow,
    ::testing::Values(WindowCase{"FromThePanels", true, 0, false, false},
                      WindowCase{"FromAnEditorBesideThePanels", true, 1, false, false},
                      WindowCase{"FromTheOnlyEditorWithoutPanels", false, 1, false, true},
                      WindowCase{"FromAModalEditorOverThePanels", true, 0, true, true},
                      WindowCase{"FromOneOfTwoEditorsWithoutPanels", false, 2, false, false}),
    [](const ::testing::TestParamInfo<WindowCase>& info) { return std::string(info.param.Name); });

class Result : public KestroTest {};

TEST_F(Result, ANonModalWindowLeftOpenKeepsTheFileUntilItCloses) {
    Load();
    EXPECT_EQ(1, Configure(0, 1)); // the viewer
    host->QueueWindow(WindowAnswer::LeaveOpen);
    EXPECT_EQ(1, Show("profile", Help("titles.chm")).Result);
    ASSERT_EQ(1u, host->Windows().size());
    const WindowRecord& w = host->Windows()[0];
    EXPECT_FALSE(w.Editor);
    EXPECT_EQ(0x03u, w.Flags);
    EXPECT_FALSE(w.Closed);
    std::string file = w.FileName;
    EXPECT_TRUE(farhost::Host::FileExists(file));

    // A second lookup meanwhile gets a folder of its own.
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("deep", Help("titles.chm")).Result);
    ASSERT_EQ(2u, host->Windows().size());
    std::string second = host->Windows()[1].FileName;
    EXPECT_NE(file.substr(0, file.rfind('\\')), second.substr(0, second.rfind('\\')));
    EXPECT_TRUE(farhost::Host::FileExists(file));

    EXPECT_TRUE(host->CloseWindow(0));
    EXPECT_TRUE(host->Windows()[0].FileDeleted);
    EXPECT_TRUE(host->Windows()[0].FolderDeleted);
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Result, ThePageIsCopiedByteForByte) {
    Load();
    // The accented pages are in code page 1252, with the line ends the compiler kept.
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("\xfc"
                      "ber a",
                      Help("accented.chm"))
                     .Result); // "über a"
    ASSERT_EQ(1u, host->Windows().size());
    const std::string& content = host->Windows()[0].Content;
    ExpectPage(content, "accented.chm", "/uber.html");
    EXPECT_NE(std::string::npos, content.find("\xdc"
                                              "ber"))
        << "the page's own code page, unconverted";
    EXPECT_EQ(0u, content.find("<html>"));
}

} // namespace
