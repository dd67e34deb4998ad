// The shared Win32 pieces every deliverable links: the settings store over the
// registry, the zero-filling heap helpers and the compact dialog template.
#include "dlgtemplate.hpp"
#include "heap.hpp"
#include "host.hpp"
#include "settings.hpp"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

using farhost::Host;

namespace {

// Outside Software\Far, which other suites clear while they run.
const char* const Key = "Software\\LumivoTests\\Store";

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { Host::RegRemoveKey(Key); }
    void TearDown() override { Host::RegRemoveKey("Software\\LumivoTests"); }

    static void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY hKey;
        ASSERT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr),
            ERROR_SUCCESS);
        RegSetValueExA(hKey, name, 0, type, (const BYTE*)data, size);
        RegCloseKey(hKey);
    }
    // Reads into a 10-byte buffer guarded by a canary byte after it.
    static std::string Read(const char* name, bool* read, const char* defaultText = "dflt") {
        char buffer[11];
        memset(buffer, '#', sizeof buffer);
        *read = ReadSetting(Key, name, buffer, defaultText, 10);
        EXPECT_EQ(buffer[10], '#') << "wrote past the buffer";
        EXPECT_NE(memchr(buffer, 0, 10), nullptr) << "left unterminated";
        return buffer;
    }
};

TEST_F(SettingsStore, WriteStoresTextWithItsNulAndReadGivesItBack) {
    WriteSetting(Key, "Name", "value");
    HKEY hKey;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_QUERY_VALUE, &hKey), ERROR_SUCCESS);
    char data[16];
    DWORD type = 0, size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(hKey, "Name", nullptr, &type, (BYTE*)data, &size), ERROR_SUCCESS);
    RegCloseKey(hKey);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(size, 6u);

    bool read = false;
    EXPECT_EQ(Read("Name", &read), "value");
    EXPECT_TRUE(read);
    WriteSetting(Key, "Name", "");
    EXPECT_EQ(Read("Name", &read), "");
    EXPECT_TRUE(read) << "an empty text is a value, not a missing one";
}

TEST_F(SettingsStore, WhatCannotBeReadIsItsDefault) {
    bool read = true;
    EXPECT_EQ(Read("Missing", &read), "dflt") << "no key at all";
    EXPECT_FALSE(read);
    WriteSetting(Key, "Other", "x");
    EXPECT_EQ(Read("Missing", &read), "dflt") << "no such value";
    EXPECT_FALSE(read);

    WriteSetting(Key, "Long", "0123456789"); // 11 bytes with its NUL
    EXPECT_EQ(Read("Long", &read), "dflt");
    EXPECT_FALSE(read);
    WriteSetting(Key, "Fits", "012345678"); // exactly 10 bytes
    EXPECT_EQ(Read("Fits", &read), "012345678");
    EXPECT_TRUE(read);

    DWORD number = 0x31;
    SetRaw("Dword", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(Read("Dword", &read), "dflt");
    EXPECT_FALSE(read);
    SetRaw("Binary", REG_BINARY, "12\0", 3);
    EXPECT_EQ(Read("Binary", &read), "dflt");
    EXPECT_FALSE(read);

    // Stored without a NUL: room for one is taken from the buffer, or it is no text.
    SetRaw("Short", REG_SZ, "abc", 3);
    EXPECT_EQ(Read("Short", &read), "abc");
    EXPECT_TRUE(read);
    SetRaw("Full", REG_SZ, "0123456789", 10);
    EXPECT_EQ(Read("Full", &read), "dflt");
    EXPECT_FALSE(read);

    // A default longer than the buffer is cut to fit with its NUL.
    EXPECT_EQ(Read("Missing", &read, "a default that is too long"), "a default");
}

TEST_F(SettingsStore, DeleteRemovesTheValueAndIgnoresWhatIsMissing) {
    DeleteSetting(Key, "Name"); // no key yet
    WriteSetting(Key, "Name", "v");
    WriteSetting(Key, "Kept", "k");
    DeleteSetting(Key, "Name");
    DeleteSetting(Key, "Name");
    std::string value;
    EXPECT_FALSE(Host::RegGetString(Key, "Name", &value));
    EXPECT_TRUE(Host::RegGetString(Key, "Kept", &value));
    EXPECT_EQ(value, "k");
}

TEST(HeapHelpers, BlocksAreZeroFilledAlsoWhereTheyGrow) {
    unsigned char* block = (unsigned char*)HeapAllocZero(16);
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(block[i], 0) << i;
    memset(block, 0xAB, 16);
    block = (unsigned char*)HeapReAllocZero(block, 4096);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[15], 0xAB) << "the old bytes are kept";
    for (int i = 16; i < 4096; i++)
        ASSERT_EQ(block[i], 0) << i;
    HeapFreeBlock(block);
    HeapFreeBlock(nullptr);

    void* fresh = HeapReAllocZero(nullptr, 8);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(((const char*)fresh)[7], 0);
    HeapFreeBlock(fresh);
}

TEST(HeapHelpers, ArraysRefuseASizeThatOverflowsAndBytesAreFoundWithinTheirBound) {
    EXPECT_EQ(HeapAllocArray((size_t)-1 / 8 + 1, 8), nullptr);
    EXPECT_EQ(HeapAllocArray(0x10000, 0x10001), nullptr) << "wraps on a 32-bit size_t";
    int* numbers = (int*)HeapAllocArray(100, sizeof(int));
    ASSERT_NE(numbers, nullptr);
    EXPECT_EQ(numbers[99], 0);
    HeapFreeBlock(numbers);

    const char text[] = "abc\0xyz";
    EXPECT_EQ(MemFindByte(text, 'c', 3), text + 2);
    EXPECT_EQ(MemFindByte(text, 'x', 4), nullptr) << "past the bound";
    EXPECT_EQ(MemFindByte(text, 'x', 8), text + 4) << "NUL is no end";
    char copy[8];
    MemFill(copy, 0x5A, sizeof copy);
    MemCopy(copy, text, 3);
    EXPECT_EQ(0, memcmp(copy, "abc\x5A", 4));

    char* dup = HeapStrDup("lumivo");
    ASSERT_NE(dup, nullptr);
    EXPECT_STREQ(dup, "lumivo");
    HeapFreeBlock(dup);
}

const char* TemplateText(int id, void* context) {
    ++*(int*)context;
    static std::string text;
    text = id == 2 ? std::string(600, 'L') : "msg" + std::to_string(id);
    return text.c_str();
}

TEST(DialogTemplate, ExpansionCopiesTheTemplateAndClearsTheRest) {
    static const DialogTemplateItem templates[] = {
        {DI_DOUBLEBOX, 3, 1, 72, 8, 0, 0},
        {DI_EDIT, 5, 2, 70, 2, DIF_HISTORY | DIF_USELASTHISTORY, -1},
        {DI_TEXT, 5, 3, 0, 3, 0, 2},
        {DI_BUTTON, 0, 7, 0, 7, DIF_CENTERGROUP, 1},
    };
    FarDialogItem items[4];
    memset(items, 0x77, sizeof items);
    int calls = 0;
    ExpandDialog(templates, 4, items, TemplateText, &calls);
    EXPECT_EQ(calls, 3) << "no message for the item without text";

    EXPECT_EQ(items[0].Type, DI_DOUBLEBOX);
    EXPECT_EQ(items[0].X1, 3);
    EXPECT_EQ(items[0].Y1, 1);
    EXPECT_EQ(items[0].X2, 72);
    EXPECT_EQ(items[0].Y2, 8);
    EXPECT_STREQ(items[0].Data, "msg0");
    EXPECT_EQ(items[1].Flags, (DWORD)(DIF_HISTORY | DIF_USELASTHISTORY));
    EXPECT_STREQ(items[1].Data, "");
    EXPECT_EQ(strlen(items[2].Data), sizeof items[2].Data - 1) << "a long text is cut to the field";
    EXPECT_EQ(items[3].Flags, (DWORD)DIF_CENTERGROUP);
    EXPECT_STREQ(items[3].Data, "msg1");
    for (const FarDialogItem& item : items) {
        EXPECT_EQ(item.Focus, 0);
        EXPECT_EQ(item.Selected, 0);
        EXPECT_EQ(item.DefaultButton, 0);
    }

    ExpandDialog(templates, 1, items, nullptr, nullptr);
    EXPECT_STREQ(items[0].Data, "") << "no text source: empty texts";
}

} // namespace
