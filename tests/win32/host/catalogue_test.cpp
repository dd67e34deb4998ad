// The help-file catalogue in the registry: counting, reading with defaults,
// writing in its exact registry form, removing and swapping entries, and the
// mask matching of edited files.
#include "support.hpp"

#include <string.h>

using farhost::Host;

namespace {

const char* const Key = "Software\\Far\\Plugins\\Lumivo";
const char* const Stems[] = {"Desc", "Type", "File", "Keyword", "Mask", "Flags", "Encoding"};

class CatalogueTest : public PluginTest {
  protected:
    const ProbeView* probe = nullptr;
    void SetUp() override {
        PluginTest::SetUp();
        Install(true);
        ASSERT_TRUE(Load());
        probe = Probe();
        ASSERT_NE(probe, nullptr);
    }
    static std::string Name(const char* stem, int n) { return stem + std::to_string(n); }
    static void Store(int n, const std::string& tag) {
        for (const char* stem : Stems)
            Host::RegSetString(Key, Name(stem, n), tag + stem);
    }
    static bool Has(const char* stem, int n, std::string* value = nullptr) {
        std::string v;
        return Host::RegGetString(Key, Name(stem, n), value ? value : &v);
    }
    int Count(const char* editedFile, int* matching) {
        return probe->ReadCatalogue(editedFile, matching, nullptr, nullptr);
    }
    CatalogueEntry Read(int n) {
        CatalogueEntry entry;
        memset(&entry, 'x', sizeof entry);
        EXPECT_TRUE(probe->ReadEntry(n, &entry));
        return entry;
    }
};

TEST_F(CatalogueTest, CountStopsAtTheFirstMissingDescAndAt26) {
    EXPECT_EQ(Count(nullptr, nullptr), 0);
    for (int n : {0, 1, 3})
        Store(n, "e" + std::to_string(n));
    EXPECT_EQ(Count(nullptr, nullptr), 2) << "Desc2 missing hides Desc3";
    std::vector<std::string> seen;
    auto visit = [](int n, const char* desc, void* context) {
        ((std::vector<std::string>*)context)->push_back(std::to_string(n) + desc);
    };
    EXPECT_EQ(probe->ReadCatalogue(nullptr, nullptr, visit, &seen), 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"0e0Desc", "1e1Desc"}));

    for (int n = 0; n < 30; n++)
        Host::RegSetString(Key, Name("Desc", n), "d");
    EXPECT_EQ(Count(nullptr, nullptr), 26);

    Host::RegSetString(Key, "Desc4", std::string(512, 'D'));
    EXPECT_EQ(Count(nullptr, nullptr), 4) << "a Desc over 511 characters ends it";
    Host::RegSetString(Key, "Desc4", std::string(511, 'D'));
    EXPECT_EQ(Count(nullptr, nullptr), 26);
    Host::RegSetDword(Key, "Desc2", 1);
    EXPECT_EQ(Count(nullptr, nullptr), 2) << "a Desc that is not text is missing";
}

TEST_F(CatalogueTest, EntryHeadAndMissingValuesReadAsDefaults) {
    char desc[512], mask[512];
    strcpy(mask, "stale");
    EXPECT_FALSE(probe->ReadEntryHead(0, desc, mask));
    EXPECT_STREQ(mask, "stale") << "nothing more is read after a missing Desc";

    Host::RegSetString(Key, "Desc0", "Only a description");
    EXPECT_TRUE(probe->ReadEntryHead(0, desc, mask));
    EXPECT_STREQ(desc, "Only a description");
    EXPECT_STREQ(mask, "");

    CatalogueEntry entry = Read(0);
    EXPECT_STREQ(entry.Desc, "Only a description");
    for (const char* field : {entry.Type, entry.File, entry.Keyword, entry.Mask, entry.Flags})
        EXPECT_STREQ(field, "");
    EXPECT_STREQ(entry.Encoding, "AUTO");

    // Too long for its width, or not text: the value's default.
    Host::RegSetString(Key, "Flags0", std::string(20, '1'));
    Host::RegSetString(Key, "Encoding0", std::string(128, 'W'));
    Host::RegSetDword(Key, "File0", 7);
    entry = Read(0);
    EXPECT_STREQ(entry.Flags, "");
    EXPECT_STREQ(entry.Encoding, "AUTO");
    EXPECT_STREQ(entry.File, "");
    Host::RegSetString(Key, "Flags0", std::string(19, '1'));
    EXPECT_STREQ(Read(0).Flags, std::string(19, '1').c_str());

    entry = Read(12);
    EXPECT_STREQ(entry.Desc, "");
    EXPECT_STREQ(entry.Encoding, "AUTO");
}

TEST_F(CatalogueTest, WriteStoresSevenStringValuesWithTheirNul) {
    CatalogueEntry entry;
    memset(&entry, 0, sizeof entry);
    strcpy(entry.Desc, "Win32 API");
    strcpy(entry.Type, "Compiled HTML");
    strcpy(entry.File, "\"%WINDIR%\\help\\win32.chm\"");
    strcpy(entry.Keyword, "CreateFile");
    strcpy(entry.Mask, "*.c,*.h");
    strcpy(entry.Flags, "21");
    strcpy(entry.Encoding, "WIN");
    probe->WriteEntry(&entry, 3);

    HKEY hKey;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_QUERY_VALUE, &hKey), ERROR_SUCCESS);
    const char* values[] = {entry.Desc, entry.Type,  entry.File,    entry.Keyword,
                            entry.Mask, entry.Flags, entry.Encoding};
    for (int f = 0; f < 7; f++) {
        char data[600];
        DWORD type = 0, size = sizeof data;
        ASSERT_EQ(RegQueryValueExA(hKey, Name(Stems[f], 3).c_str(), nullptr, &type, (BYTE*)data, &size),
                  ERROR_SUCCESS)
            << Stems[f];
        EXPECT_EQ(type, (DWORD)REG_SZ);
        EXPECT_EQ(size, strlen(values[f]) + 1);
        EXPECT_STREQ(data, values[f]);
    }
    RegCloseKey(hKey);

    CatalogueEntry back = Read(3);
    const char* read[] = {back.Desc, back.Type,  back.File,    back.Keyword,
                          back.Mask, back.Flags, back.Encoding};
    for (int f = 0; f < 7; f++)
        EXPECT_STREQ(read[f], values[f]) << Stems[f];
}

TEST_F(CatalogueTest, RemoveEntryMovesLaterEntriesDownAndDeletesTheLast) {
    for (int n = 0; n < 3; n++)
        Store(n, "e" + std::to_string(n));
    Host::RegRemoveValue(Key, "Flags2"); // a missing value moves down as its default
    probe->RemoveEntry(1, 3);
    std::string value;
    EXPECT_TRUE(Has("Desc", 0, &value));
    EXPECT_EQ(value, "e0Desc");
    EXPECT_TRUE(Has("Keyword", 1, &value));
    EXPECT_EQ(value, "e2Keyword");
    EXPECT_TRUE(Has("Flags", 1, &value));
    EXPECT_EQ(value, "");
    for (const char* stem : Stems)
        EXPECT_FALSE(Has(stem, 2)) << stem << "2 left behind";
    EXPECT_EQ(Count(nullptr, nullptr), 2);

    probe->RemoveEntry(0, 1); // the only entry of a one-entry run
    probe->RemoveEntry(1, 2);
    EXPECT_EQ(Count(nullptr, nullptr), 0);
    for (const char* stem : Stems)
        EXPECT_FALSE(Has(stem, 1)) << stem;
    probe->DeleteEntry(9); // nothing there: no error
}

TEST_F(CatalogueTest, SwapExchangesWholeEntries) {
    Store(0, "a");
    Store(1, "b");
    Host::RegRemoveValue(Key, "Encoding1");
    probe->SwapEntries(0, 1);
    CatalogueEntry first = Read(0), second = Read(1);
    EXPECT_STREQ(first.Desc, "bDesc");
    EXPECT_STREQ(first.Encoding, "AUTO") << "the missing value was read as its default and stored";
    EXPECT_STREQ(second.Mask, "aMask");
    EXPECT_STREQ(second.Encoding, "aEncoding");
}

TEST_F(CatalogueTest, MaskListsMatchTheNamePartOfTheEditedFile) {
    EXPECT_TRUE(probe->MaskMatchesFile("*.c,*.h", "C:\\src\\main.c"));
    EXPECT_TRUE(probe->MaskMatchesFile("*.c,*.h", "C:\\src\\MAIN.H"));
    EXPECT_FALSE(probe->MaskMatchesFile("*.c,*.h", "C:\\x.c\\readme"));
    EXPECT_FALSE(probe->MaskMatchesFile("", "C:\\src\\main.c"));
    EXPECT_FALSE(probe->MaskMatchesFile("*.c;*.h", "C:\\src\\main.h")) << "';' does not split here";

    Host::RegSetString(Key, "Desc0", "no masks");
    Host::RegSetString(Key, "Desc1", "headers");
    Host::RegSetString(Key, "Mask1", "*.h");
    Host::RegSetString(Key, "Desc2", "C sources");
    Host::RegSetString(Key, "Mask2", "*.c,*.h");
    Host::RegSetString(Key, "Desc3", "also C");
    Host::RegSetString(Key, "Mask3", "*.c");
    int matching = 77;
    EXPECT_EQ(Count("C:\\src\\main.c", &matching), 4);
    EXPECT_EQ(matching, 2);
    EXPECT_EQ(Count("C:\\src\\main.h", &matching), 4);
    EXPECT_EQ(matching, 1);
    EXPECT_EQ(Count("C:\\x.c\\readme", &matching), 4);
    EXPECT_EQ(matching, -1);
}

} // namespace
