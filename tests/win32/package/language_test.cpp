// The language files of the release zip against the code: every message number that the
// plug-in's and the modules' message enums name is there in English and in Russian (the plug-in's
// .lng files read by Far's rules, the modules' .lvg sections as the host reads them), and the
// Russian texts are in code page 866 as Far shows them, not in 1251 or UTF-8.
#include "package.hpp"

#include <stdlib.h>

namespace {

std::string Unpacked(const std::string& relative) {
    return farhost::Host::WindowsPath(UNPACKED_DIR) + "\\" + relative;
}

std::string Source(const std::string& relative) {
    return farhost::Host::WindowsPath(LUMIVO_SOURCE_DIR) + "\\" + relative;
}

std::string WithoutComments(const std::string& code) {
    std::string out;
    for (size_t i = 0; i < code.size(); i++) {
        if (code.compare(i, 2, "//") == 0) {
            i = code.find('\n', i);
            if (i == std::string::npos) break;
        } else if (code.compare(i, 2, "/*") == 0) {
            i = code.find("*/", i);
            if (i == std::string::npos) break;
            i++;
            continue;
        }
        out += code[i];
    }
    return out;
}

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r\n"), end = text.find_last_not_of(" \t\r\n");
    return begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
}

// The highest value of `enum name { ... }` in code: members counted on from the last one, or
// set to a number or to an earlier member. -1 (with the reason in *fault) when the enum is not
// there or a member is something else.
int HighestEnumValue(const std::string& code, const std::string& name, std::string* fault) {
    std::string text = WithoutComments(code);
    size_t at = text.find("enum " + name);
    size_t open = at == std::string::npos ? at : text.find('{', at);
    size_t close = open == std::string::npos ? open : text.find('}', open);
    if (close == std::string::npos) {
        *fault = "no enum " + name;
        return -1;
    }
    std::vector<std::pair<std::string, long>> members;
    long next = 0, highest = -1;
    std::string body = text.substr(open + 1, close - open - 1) + ",";
    for (size_t start = 0, comma; (comma = body.find(',', start)) != std::string::npos; start = comma + 1) {
        std::string member = Trim(body.substr(start, comma - start));
        if (member.empty()) continue;
        size_t equals = member.find('=');
        std::string memberName = Trim(member.substr(0, equals));
        if (equals != std::string::npos) {
            std::string value = Trim(member.substr(equals + 1));
            char* end = nullptr;
            long number = strtol(value.c_str(), &end, 0);
            if (!value.empty() && *end == 0) {
                next = number;
            } else {
                auto known =
                    std::find_if(members.begin(), members.end(),
                                 [&](const std::pair<std::string, long>& m) { return m.first == value; });
                if (known == members.end()) {
                    *fault = "cannot read " + name + "::" + member;
                    return -1;
                }
                next = known->second;
            }
        }
        members.push_back({memberName, next});
        highest = std::max(highest, next);
        next++;
    }
    return (int)highest;
}

TEST(LanguageFiles, TheEnumReaderCountsAsTheCompilerDoes) {
    std::string fault;
    EXPECT_EQ(3, HighestEnumValue("enum Msg {\n A, // 0, B\n B,\n C /* D, E */,\n D\n};", "Msg", &fault));
    EXPECT_EQ(14,
              HighestEnumValue("enum X { A = 0, B = 13, C };\nenum Msg { T = 0, U = 7, V = 0x0E, W = T };",
                               "Msg", &fault));
    EXPECT_EQ(-1, HighestEnumValue("enum Other { A };", "Msg", &fault));
    EXPECT_EQ("no enum Msg", fault);
    EXPECT_EQ(-1, HighestEnumValue("enum Msg { A = 1 << 2 };", "Msg", &fault));
    EXPECT_NE(std::string::npos, fault.find("1 << 2"));
}

// The lines of a module language file's section, read as the host's GetModuleMsg reads them.
std::vector<std::string> SectionLines(const std::string& file, const char* language) {
    std::vector<char> buffer(65536);
    DWORD n = GetPrivateProfileSectionA(language, buffer.data(), (DWORD)buffer.size(), file.c_str());
    std::vector<std::string> lines;
    for (DWORD at = 0; at < n && buffer[at];) {
        std::string line(&buffer[at]);
        lines.push_back(line);
        at += (DWORD)line.size() + 1;
    }
    return lines;
}

struct MessageSource {
    const char* Module; // "" for the plug-in itself
    const char* Source; // the file of the message enum
    const char* Enum;
};

const MessageSource Sources[] = {
    {"", "host/lumivo.hpp", "LumivoMsg"},
    {"Kestro", "modules/kestro/front.hpp", "KestroMessage"},
    {"Dravel", "modules/dravel/front.hpp", "DravelMessage"}, // the core's failures 7-12 lie below
    {"Ornith", "modules/ornith/module.cpp", "OrnithMessage"},
};

void ExpectMessages(const std::string& what, const std::vector<std::string>& english,
                    const std::vector<std::string>& russian, int highest) {
    SCOPED_TRACE(what);
    EXPECT_GT((int)english.size(), highest) << "English lacks messages the code uses";
    EXPECT_GT((int)russian.size(), highest) << "Russian lacks messages the code uses";
    EXPECT_EQ(english.size(), russian.size()) << "a message missing in one language shifts the rest";
    for (size_t i = 0; i < english.size() && i < russian.size(); i++) {
        EXPECT_FALSE(english[i].empty()) << i;
        EXPECT_FALSE(russian[i].empty()) << i;
    }
    printf("  %-22s messages 0-%d used, %zu English, %zu Russian\n", what.c_str(), highest, english.size(),
           russian.size());
}

TEST(LanguageFiles, EveryMessageTheCodeUsesIsInEveryLanguage) {
    std::string folder = Unpacked("Lumivo");
    for (const MessageSource& source : Sources) {
        std::string code = ReadText(Source(source.Source)), fault;
        int highest = HighestEnumValue(code, source.Enum, &fault);
        ASSERT_GE(highest, 0) << source.Source << ": " << fault;
        if (!*source.Module) {
            // Far picks the .lng file by its .Language line, falling back to English.
            std::string english = FarPickLanguageFile(folder, "*.lng", "English");
            std::string russian = FarPickLanguageFile(folder, "*.lng", "Russian");
            EXPECT_EQ(folder + "\\LumivoEng.lng", english);
            EXPECT_EQ(folder + "\\LumivoRus.lng", russian);
            std::vector<std::string> englishLines, russianLines;
            ASSERT_TRUE(FarLoadLng(english, &englishLines));
            ASSERT_TRUE(FarLoadLng(russian, &russianLines));
            ExpectMessages("Lumivo*.lng", englishLines, russianLines, highest);
        } else {
            std::string lvg = folder + "\\lvx\\" + source.Module + ".lvg";
            ExpectMessages(std::string(source.Module) + ".lvg", SectionLines(lvg, "English"),
                           SectionLines(lvg, "Russian"), highest);
        }
    }
    // A module's language file that no enum above accounts for would go unchecked.
    for (const std::string& file : PackageFiles(Unpacked("Lumivo\\lvx"))) {
        std::string module = file.substr(0, file.rfind('.'));
        if (file.size() < 4 || file.compare(file.size() - 4, 4, ".lvg") != 0) continue;
        bool listed = false;
        for (const MessageSource& source : Sources)
            listed = listed || module == source.Module;
        EXPECT_TRUE(listed) << file;
    }
}

// Why the text is not Russian in code page 866; empty when it is: every byte above 127 is one
// of the Russian letters' places in 866 (0x80-0xAF A-p, 0xE0-0xEF r-ya, 0xF0/0xF1 Yo), there is
// no control character but tab and line ends, and some Russian letter is there at all. Text in
// 1251 or UTF-8 has bytes in 866's box-drawing range (0xB0-0xDF) or its other letters (0xF2-).
std::string Cp866Fault(const std::string& text) {
    int letters = 0;
    for (size_t i = 0; i < text.size(); i++) {
        unsigned char c = (unsigned char)text[i];
        char where[48];
        snprintf(where, sizeof where, "byte 0x%02X at offset %zu", c, i);
        if (c >= 0x80) {
            if (!(c <= 0xAF || (c >= 0xE0 && c <= 0xF1)))
                return std::string(where) + ": no Russian letter in 866";
            letters++;
        } else if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') {
            return std::string(where) + ": a control character";
        }
    }
    return letters ? "" : "no Russian letter at all";
}

// Why the text is not plain ASCII; empty when it is.
std::string AsciiFault(const std::string& text) {
    for (size_t i = 0; i < text.size(); i++) {
        unsigned char c = (unsigned char)text[i];
        if (c >= 0x80 || (c < 0x20 && c != '\t' && c != '\r' && c != '\n'))
            return "byte " + std::to_string(c) + " at offset " + std::to_string(i);
    }
    return "";
}

TEST(LanguageFiles, TheCodePageCheckTellsTheRussianCodePagesApart) {
    const std::string cp866 =
        "\x8f\xe0\xa8\xa2\xa5\xe2, \xac\xa8\xe0! \x85\xf1\xad\xf0\r\n";          // "Privet, mir! E yo n YO"
    const std::string cp1251 = "\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0!\r\n";    // the same in 1251
    const std::string utf8 = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82"; // and in UTF-8
    EXPECT_EQ("", Cp866Fault(cp866));
    EXPECT_NE(std::string::npos, Cp866Fault(cp1251).find("0xCF at offset 0"));
    EXPECT_NE(std::string::npos, Cp866Fault(utf8).find("0xD0 at offset 0"));
    EXPECT_EQ("no Russian letter at all", Cp866Fault("English only\r\n"));
    EXPECT_NE(std::string::npos, Cp866Fault("\x8f\x01").find("control"));
    EXPECT_EQ("", AsciiFault("Plain\ttext\r\n"));
    EXPECT_NE("", AsciiFault(cp866));
}

TEST(LanguageFiles, RussianTextsAreInCodePage866AndEnglishOnesInAscii) {
    for (const char* file : {"Lumivo\\LumivoRus.lng", "Lumivo\\LumivoRus.hlf", "Lumivo\\ReadMeRus.txt"})
        EXPECT_EQ("", Cp866Fault(ReadText(Unpacked(file)))) << file;
    for (const char* file : {"Lumivo\\LumivoEng.lng", "Lumivo\\LumivoEng.hlf", "Lumivo\\ReadMeEng.txt",
                             "Lumivo\\Changelog.txt", "file_id.diz"})
        EXPECT_EQ("", AsciiFault(ReadText(Unpacked(file)))) << file;
    for (const std::string& file : PackageFiles(Unpacked("Lumivo\\lvx"))) {
        if (file.size() < 4 || file.compare(file.size() - 4, 4, ".lvg") != 0) continue;
        std::string path = Unpacked("Lumivo\\lvx\\" + file), russian, english;
        for (const std::string& line : SectionLines(path, "Russian"))
            russian += line + "\n";
        for (const std::string& line : SectionLines(path, "English"))
            english += line + "\n";
        EXPECT_EQ("", Cp866Fault(russian)) << file << " [Russian]";
        EXPECT_EQ("", AsciiFault(english)) << file << " [English]";
    }
}

} // namespace
