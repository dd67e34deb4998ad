// The code pages of the text view: each carried table against iconv's, the code page of a
// language id and of a charset label, the language id of real CHMs, and what a console page
// writes for characters it has and lacks.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "text/charsets.h"
#include "chm/container.h"

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

#ifndef _WIN32
// What iconv makes of the byte, or U+FFFD when it calls it undefined.
char32_t IconvChar(const char* codePage, unsigned char byte) {
    iconv_t cd = iconv_open("UTF-32LE", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    char in[1] = {static_cast<char>(byte)}, out[8];
    char *ip = in, *op = out;
    size_t il = 1, ol = sizeof out;
    size_t done = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1) || ol != 4) return UndefinedChar;
    return static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8 |
           static_cast<unsigned char>(out[2]) << 16;
}

TEST(Charsets, CarriedTablesAreIconvs) {
    for (unsigned codePage : {437u, 850u, 852u, 866u, 1250u, 1251u, 1252u}) {
        const char32_t* table = BuiltInUpperHalf(codePage);
        ASSERT_NE(nullptr, table) << codePage;
        std::string name = "CP" + std::to_string(codePage);
        for (unsigned b = 0x80; b < 0x100; b++)
            EXPECT_EQ(IconvChar(name.c_str(), static_cast<unsigned char>(b)), table[b - 0x80])
                << name << " byte " << std::hex << b;
    }
    EXPECT_EQ(nullptr, BuiltInUpperHalf(1253));
    EXPECT_EQ(nullptr, BuiltInUpperHalf(CodePageUtf8));
}
#endif

TEST(Charsets, CodePageOfLanguageAndOfLabel) {
    struct Case {
        uint32_t Language;
        unsigned CodePage;
    };
    for (const Case& c :
         {Case{0x0409, 1252}, Case{0x040C, 1252}, Case{0x0407, 1252}, Case{0x0419, 1251}, Case{0x0422, 1251},
          Case{0x0402, 1251}, Case{0x0415, 1250}, Case{0x0405, 1250}, Case{0x041A, 1250}, Case{0x081A, 1250},
          Case{0x0C1A, 1251}, Case{0x0408, 1253}, Case{0x041F, 1254}, Case{0x0411, 932},  Case{0x0804, 936},
          Case{0x0404, 950},  Case{0x042C, 1254}, Case{0x082C, 1251}, Case{0, 1252},      Case{0xFFFF, 1252}})
        EXPECT_EQ(c.CodePage, AnsiCodePageOfLanguage(c.Language)) << std::hex << c.Language;
    struct Label {
        const char* Text;
        unsigned CodePage;
    };
    for (const Label& l :
         {Label{"utf-8", CodePageUtf8}, Label{" UTF8 ", CodePageUtf8}, Label{"Windows-1251", 1251},
          Label{"cp1250", 1250}, Label{"ISO-8859-1", 1252}, Label{"us-ascii", 1252}, Label{"koi8-r", 0},
          Label{"windows-12510", 0}, Label{"", 0}})
        EXPECT_EQ(l.CodePage, CodePageOfCharset(l.Text, strlen(l.Text))) << l.Text;
}

TEST(Charsets, LanguageIdOfRealChmsAndOfDamagedSystemObjects) {
    struct Case {
        const char* File;
        uint32_t Language;
    };
    for (const Case& c :
         {Case{"titles.chm", 0x409}, Case{"accented.chm", 0x40C}, Case{"cyrillic.chm", 0x419}}) {
        std::string path = std::string(LUMIVO_SOURCE_DIR) + "/tests/data/chm/" + c.File;
        ChmContainer* container = OpenContainer(path.c_str());
        ASSERT_NE(nullptr, container) << path;
        unsigned char* system;
        uint32_t length;
        ASSERT_EQ(0, ReadObject(container, "/#SYSTEM", &system, &length));
        EXPECT_EQ(c.Language, SystemLanguageId(system, length)) << c.File;
        // Cut anywhere, the object yields the id or nothing, never garbage.
        for (uint32_t cut = 0; cut < length; cut++) {
            uint32_t id = SystemLanguageId(system, cut);
            EXPECT_TRUE(id == 0 || id == c.Language) << c.File << " cut at " << cut;
        }
        FreeObject(system);
        CloseContainer(container);
    }
    // A record claiming more than the object holds ends the walk.
    const unsigned char lying[] = {3, 0, 0, 0, 9, 0, 0xFF, 0xFF, 4, 0, 4, 0, 0x19, 4, 0, 0};
    EXPECT_EQ(0u, SystemLanguageId(lying, sizeof lying));
    EXPECT_EQ(0u, SystemLanguageId(nullptr, 0));
}

TEST(Charsets, ConsolePagesWriteWhatTheyHaveAndStandInsForTheRest) {
    TextTarget cp866, cp437;
    InitTextTarget(&cp866, BuiltInUpperHalf(866));
    InitTextTarget(&cp437, BuiltInUpperHalf(437));
    EXPECT_EQ(0x80, TargetByte(cp866, 0x0410));
    EXPECT_EQ(0xF1, TargetByte(cp866, 0x0451));
    EXPECT_EQ(-1, TargetByte(cp866, 0x00E9));
    EXPECT_EQ(0x82, TargetByte(cp437, 0x00E9));
    EXPECT_EQ(0xAE, TargetByte(cp437, 0x00AB));
    EXPECT_EQ('A', TargetByte(cp437, 'A'));
    // cp437 writes the guillemets; cp866 quotes them. Both lack the em dash.
    std::u32string text = U"\u00ABcaf\u00E9\u00BB \u2014 \u0416\u0443\u043A\nnext \u2603\n";
    EXPECT_EQ("\"cafe\" -- \x86\xE3\xAA\r\nnext ?\r\n", TextInTarget(text, cp866));
    EXPECT_EQ("\xAE"
              "caf\x82\xAF -- Zhuk\r\nnext ?\r\n",
              TextInTarget(text, cp437));
    EXPECT_EQ("\xC2\xAB"
              "caf\xC3\xA9\xC2\xBB \xE2\x80\x94 \xD0\x96\xD1\x83\xD0\xBA\nnext \xE2\x98\x83\n",
              TextAsUtf8(text));
    EXPECT_STREQ("ss", StandIn(0x00DF));
    EXPECT_STREQ("L", StandIn(0x0141));
    EXPECT_STREQ("s", StandIn(0x0161));
    EXPECT_STREQ("Shch", StandIn(0x0429));
    EXPECT_STREQ("'", StandIn(0x2019));
    EXPECT_EQ(nullptr, StandIn(0x03B1));
    // A page that maps two bytes to one character writes the first.
    char32_t doubled[128];
    for (int i = 0; i < 128; i++)
        doubled[i] = UndefinedChar;
    doubled[0x10] = doubled[0x20] = 0x0416;
    TextTarget t;
    InitTextTarget(&t, doubled);
    EXPECT_EQ(1u, t.Count);
    EXPECT_EQ(0x90, TargetByte(t, 0x0416));
}

} // namespace
