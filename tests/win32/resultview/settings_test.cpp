// The two settings of a module that shows its answer through the shared result view: read from
// the registry at start, changed only by the settings dialog (the host's Dialog), written back
// only after OK. Run for every such module.
#include "resultmodules.hpp"

using farhost::DialogAnswer;
using farhost::WindowAnswer;

namespace {

class Settings : public ResultViewTest {
  protected:
    // The row of a list the dialog showed selected.
    static int SelectedRow(const farhost::DialogItemRecord& item) {
        for (size_t i = 0; i < item.ListFlags.size(); i++)
            if (item.ListFlags[i] & LIF_SELECTED) return (int)i;
        return -1;
    }
};

TEST_P(Settings, WithoutAKeyTheAnswerOpensNonModalInTheEditor) {
    Load();
    EXPECT_EQ("En", Opens());
    EXPECT_EQ("(missing)", Stored("Modality"));
    EXPECT_EQ("(missing)", Stored("Visuality"));
}

TEST_P(Settings, StoredNumbersCountByTheirLowestBit) {
    struct Case {
        const char* Modality;
        const char* Visuality;
        const char* Opens;
    };
    const Case cases[] = {
        {"3", "0", "Em"},           // odd: modal
        {"3", "0x2", "Em"},         // hexadecimal 2: the editor
        {"-2", "0x5", "Vn"},        // even; hexadecimal 5
        {"010", "-1", "Vn"},        // octal 8; negative odd
        {"1 ", "0", "Em"},          // text after the number is ignored
        {"12345678901", "1", "Vn"}, // longer than the 10-byte buffer: the default
        {"yes", "", "En"},          // no number at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Modality) + " / " + c.Visuality);
        Fresh();
        ASSERT_TRUE(farhost::Host::RegSetString(Key, "Modality", c.Modality));
        ASSERT_TRUE(farhost::Host::RegSetString(Key, "Visuality", c.Visuality));
        Load();
        EXPECT_EQ(c.Opens, Opens());
        ExpectNoHostErrors();
    }
    // A value of another type reads as missing.
    Fresh();
    ASSERT_TRUE(farhost::Host::RegSetDword(Key, "Modality", 1));
    Load();
    EXPECT_EQ("En", Opens());
}

TEST_P(Settings, TheDialogShowsTheSettingsAndEscOrCancelWritesNothing) {
    ASSERT_TRUE(farhost::Host::RegSetString(Key, "Modality", "3"));
    Load();
    ASSERT_TRUE(farhost::Host::RegRemoveKey(Key));

    host->QueueDialog(DialogAnswer().Choose(2, 0).Choose(3, 1).Esc());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    host->QueueDialog(DialogAnswer().Choose(2, 0).Choose(3, 1).Button(Accept() + 1));
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("(missing)", Stored("Modality"));
    EXPECT_EQ("(missing)", Stored("Visuality"));
    EXPECT_EQ("Em", Opens()); // the settings in memory are unchanged too

    ASSERT_EQ(2u, host->Dialogs().size());
    const farhost::DialogRecord& d = host->Dialogs()[0];
    EXPECT_EQ(-1, d.Result);
    EXPECT_EQ(Accept() + 1, host->Dialogs()[1].Result);
    EXPECT_FALSE(d.Ex); // the plain Dialog service, no dialog procedure
    EXPECT_EQ(-1, d.X1);
    EXPECT_EQ(-1, d.Y1);
    EXPECT_EQ(52, d.X2);
    EXPECT_EQ(8 + Extra(), d.Y2);
    EXPECT_EQ("", d.HelpTopic);
    ASSERT_EQ(7u + Extra(), d.Before.size());
    struct Item {
        int Type, X1, Y1, X2, Y2;
        unsigned Flags;
        int Message; // -1: empty
    };
    std::vector<Item> items = {
        {DI_DOUBLEBOX, 3, 1, 48, 6, 0, 0},
        {DI_TEXT, 5, 2, 0, 0, 0, 2},
        {DI_COMBOBOX, 5, 3, 24, 0, DIF_DROPDOWNLIST, -1},
        {DI_COMBOBOX, 27, 3, 45, 0, DIF_DROPDOWNLIST, -1},
        {DI_TEXT, 4, 4, 0, 0, DIF_SEPARATOR, -1},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, M().OkMessage},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, M().OkMessage + 1},
    };
    // The module's own settings: each one's label and list push the rest down.
    items[0].Y2 += Extra();
    for (size_t i = 4; i < items.size(); i++)
        items[i].Y1 += Extra();
    for (int c = Extra() / 2 - 1; c >= 0; c--)
        items.insert(items.begin() + 4, {{DI_TEXT, 5, 4 + 2 * c, 0, 0, 0, M().ChoiceLabels[c]},
                                         {DI_COMBOBOX, 5, 5 + 2 * c, 45, 0, DIF_DROPDOWNLIST, -1}});
    for (int i = 0; i < (int)items.size(); i++) {
        SCOPED_TRACE("item " + std::to_string(i));
        const farhost::DialogItemRecord& r = d.Before[i];
        EXPECT_EQ(items[i].Type, r.Type);
        EXPECT_EQ(items[i].X1, r.X1);
        EXPECT_EQ(items[i].Y1, r.Y1);
        EXPECT_EQ(items[i].X2, r.X2);
        EXPECT_EQ(items[i].Y2, r.Y2);
        EXPECT_EQ(items[i].Flags, r.Flags);
        EXPECT_EQ(i == 2 ? 1 : 0, r.Focus);
        EXPECT_EQ(i == Accept() ? 1 : 0, r.DefaultButton);
        if (items[i].Message >= 0) {
            EXPECT_EQ(LanguageLine("English", items[i].Message), r.Data);
        }
    }
    // The combo boxes show their selected row's text.
    EXPECT_EQ((std::vector<std::string>{LanguageLine("English", 4), LanguageLine("English", 3)}),
              d.Before[2].List);
    EXPECT_EQ((std::vector<std::string>{LanguageLine("English", 5), LanguageLine("English", 6)}),
              d.Before[3].List);
    EXPECT_EQ(1, SelectedRow(d.Before[2])); // Modality 3 read as 1
    EXPECT_EQ(0, SelectedRow(d.Before[3]));
    EXPECT_EQ(LanguageLine("English", 3), d.Before[2].Data);
    EXPECT_EQ(LanguageLine("English", 5), d.Before[3].Data);
    ExpectNoHostErrors(); // farhost's layout checks: lists and arrows inside the frame
}

TEST_P(Settings, OkWritesBothValuesAndTheyTakeEffectAtOnce) {
    Load();
    EXPECT_EQ(1, Configure(1, 1));
    EXPECT_EQ("1", Stored("Modality"));
    EXPECT_EQ("1", Stored("Visuality"));
    EXPECT_EQ("Vm", Opens());

    // The dialog shows the new values; OK with the same rows still rewrites both.
    ASSERT_TRUE(farhost::Host::RegRemoveKey(Key));
    host->QueueDialog(DialogAnswer().Button(Accept()));
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    ASSERT_EQ(2u, host->Dialogs().size());
    EXPECT_EQ(1, SelectedRow(host->Dialogs()[1].Before[2]));
    EXPECT_EQ(1, SelectedRow(host->Dialogs()[1].Before[3]));
    EXPECT_EQ("1", Stored("Modality"));
    EXPECT_EQ("1", Stored("Visuality"));

    // Enter in the focused list accepts through the default button as well.
    host->QueueDialog(DialogAnswer().Choose(2, 0).Choose(3, 0).Enter());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ(Accept(), host->Dialogs()[2].Result);
    EXPECT_EQ("0", Stored("Modality"));
    EXPECT_EQ("0", Stored("Visuality"));
    EXPECT_EQ("En", Opens());

    // The values survive a new start of the module.
    EXPECT_EQ(1, Configure(0, 1));
    Fresh(true);
    Load();
    EXPECT_EQ("Vn", Opens());
}

TEST_P(Settings, TextsFollowFarlang) {
    host->SetLanguage("Russian");
    Load();
    host->QueueDialog(DialogAnswer().Esc());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    ASSERT_EQ(1u, host->Dialogs().size());
    const farhost::DialogRecord& d = host->Dialogs()[0];
    EXPECT_EQ(LanguageLine("Russian", 0), d.Before[0].Data);
    EXPECT_EQ(LanguageLine("Russian", M().OkMessage + 1), d.Before[Accept() + 1].Data);
    EXPECT_EQ(LanguageLine("Russian", 6), d.Before[3].List[1]);
    EXPECT_EQ("(missing)", Stored("Modality"));
    ExpectNoHostErrors();
}

INSTANTIATE_TEST_SUITE_P(Modules, Settings, ::testing::ValuesIn(kResultModules), ResultModuleName);

} // namespace
