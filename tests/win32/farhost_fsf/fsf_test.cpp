// The stand-in host's FarStandardFunctions against Far 1.70's behaviour: masks,
// mask lists, the recursive search, MkTemp and the string functions.
#include "fsf.hpp"
#include "scratch.hpp"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

struct Fsf {
    FarStandardFunctions t;
    Fsf() { FillStandardFunctions(&t); }
    const FarStandardFunctions* operator->() const { return &t; }
};

int ProcessName(const char* mask, const char* name, DWORD flags) {
    Fsf fsf;
    std::string copy(name);
    copy.resize(NM);
    return fsf->ProcessName(mask, &copy[0], flags);
}

const DWORD kList = PN_CMPNAMELIST;
const DWORD kListSkip = PN_CMPNAMELIST | PN_SKIPPATH;

TEST(FsfTable, EverySlotFilledAndReservedZero) {
    FarStandardFunctions t;
    memset(&t, 0xCC, sizeof t);
    FillStandardFunctions(&t);
    EXPECT_EQ(228, t.StructSize);
    const DWORD* words = reinterpret_cast<const DWORD*>(&t);
    for (int i = 1; i < 57; ++i) {
        bool reserved = i >= 10 && i < 19;
        if (reserved)
            EXPECT_EQ(0u, words[i]) << "reserved word " << i;
        else
            EXPECT_NE(0u, words[i]) << "function slot " << i;
    }
}

// ------------------------------------------------------------------ one mask
TEST(FsfMask, StarDotShortcuts) {
    EXPECT_TRUE(FarMatchMask("*.chm", "a.b.chm"));
    EXPECT_FALSE(FarMatchMask("*.chm", "a.chm.bak")); // only the last extension counts
    EXPECT_FALSE(FarMatchMask("*.chm", "chm"));
    EXPECT_TRUE(FarMatchMask("*.*", "noext"));
    EXPECT_TRUE(FarMatchMask("*.", "noext"));
    EXPECT_TRUE(FarMatchMask("*.", "dotend."));
    EXPECT_FALSE(FarMatchMask("*.", "a.txt"));
    EXPECT_TRUE(FarMatchMask("abc.*", "abc"));
    EXPECT_TRUE(FarMatchMask("abc.", "abc"));
    EXPECT_FALSE(FarMatchMask("abc.x", "abc"));
    EXPECT_TRUE(FarMatchMask("a*.c", "ab.b.c"));
}

TEST(FsfMask, WildcardsClassesAndCase) {
    EXPECT_TRUE(FarMatchMask("?b?", "abc"));
    EXPECT_FALSE(FarMatchMask("?b?", "ab"));
    EXPECT_TRUE(FarMatchMask("[a-c]x", "Bx"));
    EXPECT_FALSE(FarMatchMask("[a-c]x", "dx"));
    EXPECT_TRUE(FarMatchMask("[xyz]1", "y1"));
    EXPECT_TRUE(FarMatchMask("[-a]", "-"));  // a leading '-' is literal
    EXPECT_TRUE(FarMatchMask("[ab", "[ab")); // no ']': literal
    EXPECT_FALSE(FarMatchMask("[ab", "a"));
    EXPECT_TRUE(FarMatchMask("*.CHM", "help.chm"));
    EXPECT_TRUE(FarMatchMask("*b*", "aBc"));
    EXPECT_TRUE(FarMatchMask("x.c", "C:\\dir\\x.c", true));
    EXPECT_FALSE(FarMatchMask("x.c", "C:\\dir\\x.c", false));
    EXPECT_TRUE(FarMatchMask("x.c", "D:x.c", true));
    EXPECT_EQ(TRUE, FarCmpName("*.hlf", "C:/lvx/Help.HLF", 1));
}

// The case table comes from the Windows functions through ANSI: in CP866 the
// Cyrillic letters fold, in CP437 the accented Latin ones do.
TEST(FsfMask, OemLettersFoldWithTheCodePage) {
    Fsf fsf;
    if (GetOEMCP() == 866) {
        EXPECT_EQ(0x80u, fsf->LUpper(0xA0));
        EXPECT_EQ(0xA0u, fsf->LLower(0x80));
        EXPECT_TRUE(FarMatchMask("\xA0*", "\x80\x81"));
    } else if (GetOEMCP() == 437) {
        EXPECT_EQ(0x90u, fsf->LUpper(0x82));
        EXPECT_TRUE(fsf->LIsLower(0x82));
        EXPECT_TRUE(FarMatchMask("\x82*", "\x90x"));
    }
    EXPECT_EQ(static_cast<unsigned>('A'), fsf->LUpper('a'));
    EXPECT_FALSE(fsf->LIsAlpha('1'));
    EXPECT_TRUE(fsf->LIsAlphanum('1'));
}

// ------------------------------------------------------------------ ProcessName
TEST(FsfProcessName, CommaLists) {
    EXPECT_EQ(1, ProcessName("*.c,*.h", "main.c", kList));
    EXPECT_EQ(1, ProcessName("*.c,*.h", "main.h", kList));
    EXPECT_EQ(0, ProcessName("*.c,*.h", "main.cpp", kList));
    EXPECT_EQ(1, ProcessName("*.c,*.h", "C:\\src\\x.c", kListSkip)); // a folder named x.c
    EXPECT_EQ(0, ProcessName("*.c,*.h", "C:\\x.c\\readme", kListSkip));
    EXPECT_EQ(1, ProcessName("*.c,   *.h", "main.h", kList)); // spaces after a comma skipped
    EXPECT_EQ(0, ProcessName(" *.c", "main.c", kList));       // leading spaces stay
    EXPECT_EQ(0, ProcessName("*.c ,*.h", "main.c", kList));   // so do spaces before a comma
    EXPECT_EQ(0, ProcessName("*.c;*.h", "main.h", kList));    // ';' does not split
    EXPECT_EQ(1, ProcessName("[,x]*.c,*.h", ",a.c", kList));  // [..] protects the comma
    EXPECT_EQ(0, ProcessName("\"*.c\"", "main.c", kList));    // quotes are plain characters
    EXPECT_EQ(1, ProcessName("\"*.c\"", "\"main.c\"", kList));
    EXPECT_EQ(0, ProcessName("*|*.h", "main.c", kList)); // no exclusion syntax
    EXPECT_EQ(0, ProcessName("*.c,", "", kList));        // trailing empty element ignored
    EXPECT_EQ(1, ProcessName("*.c,", "x.c", kList));
}

TEST(FsfProcessName, CmpNameFlagNeverMatchesAndNamesAreGenerated) {
    EXPECT_EQ(0, ProcessName("*", "main.c", PN_CMPNAME));
    EXPECT_EQ(0, ProcessName("*", "main.c", PN_CMPNAME | PN_SKIPPATH));
    EXPECT_EQ(0, ProcessName(nullptr, "main.c", kList));

    Fsf fsf;
    char buf[NM] = "C:\\out\\*.bak";
    EXPECT_EQ(1, fsf->ProcessName("D:\\in\\report.txt", buf, PN_GENERATENAME));
    EXPECT_STREQ("C:\\out\\report.bak", buf);
    strcpy(buf, "??x*");
    EXPECT_EQ(1, fsf->ProcessName("abcdef.txt", buf, PN_GENERATENAME));
    EXPECT_STREQ("abxdef", buf);
    strcpy(buf, "plain.txt");
    EXPECT_EQ(0, fsf->ProcessName("abc.txt", buf, PN_GENERATENAME));
    EXPECT_STREQ("plain.txt", buf);
}

// ------------------------------------------------------------------ FarRecursiveSearch
struct Found {
    std::vector<std::string> Names; // full names, in report order
    int StopAfter = -1;             // the callback returns 0 on this call (0-based)
    bool SawDots = false;
};

int WINAPI Collect(const WIN32_FIND_DATAA* data, const char* fullName, void* param) {
    Found* f = static_cast<Found*>(param);
    if (!strcmp(data->cFileName, ".") || !strcmp(data->cFileName, "..")) f->SawDots = true;
    f->Names.push_back(fullName);
    return static_cast<int>(f->Names.size()) - 1 == f->StopAfter ? 0 : 1;
}

class FsfSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.File("a.lvx");
        dir.File("other.txt");
        dir.Folder("sub.lvx");
        dir.File("sub.lvx\\inner.lvx");
        dir.Folder("sub.lvx\\deep");
        dir.File("sub.lvx\\deep\\d.lvx");
    }
    Found Run(const char* mask, DWORD flags, const std::string& init = std::string()) {
        Found f;
        Fsf fsf;
        fsf->FarRecursiveSearch((init.empty() ? dir.Path() : init).c_str(), mask, Collect, flags, &f);
        return f;
    }
    std::string P(const std::string& rel) const { return dir / rel; }
    static size_t Pos(const Found& f, const std::string& name) {
        return std::find(f.Names.begin(), f.Names.end(), name) - f.Names.begin();
    }
    static std::set<std::string> Set(const Found& f) { return {f.Names.begin(), f.Names.end()}; }

    ScratchFolder dir;
};

TEST_F(FsfSearch, ReportsFoldersTooAndDescendsPreOrder) {
    Found f = Run("*.lvx", FRS_RECUR);
    EXPECT_EQ(
        (std::set<std::string>{P("a.lvx"), P("sub.lvx"), P("sub.lvx\\inner.lvx"), P("sub.lvx\\deep\\d.lvx")}),
        Set(f));
    EXPECT_EQ(4u, f.Names.size());
    EXPECT_LT(Pos(f, P("sub.lvx")), Pos(f, P("sub.lvx\\inner.lvx")));
    EXPECT_FALSE(f.SawDots);

    Found all = Run("*", FRS_RECUR);
    EXPECT_EQ(6u, all.Names.size());
    EXPECT_LT(Pos(all, P("sub.lvx\\deep")), Pos(all, P("sub.lvx\\deep\\d.lvx")));

    Found flat = Run("*.lvx", 0);
    EXPECT_EQ((std::set<std::string>{P("a.lvx"), P("sub.lvx")}), Set(flat));
}

TEST_F(FsfSearch, ReturnUpDirReportsFolderAgainAfterItsContents) {
    Found f = Run("*", FRS_RECUR | FRS_RETUPDIR);
    ASSERT_EQ(8u, f.Names.size());
    std::vector<size_t> at;
    for (size_t i = 0; i < f.Names.size(); ++i)
        if (f.Names[i] == P("sub.lvx")) at.push_back(i);
    ASSERT_EQ(2u, at.size());
    size_t inner = Pos(f, P("sub.lvx\\inner.lvx")), deep = Pos(f, P("sub.lvx\\deep\\d.lvx"));
    EXPECT_TRUE(at[0] < inner && inner < at[1]);
    EXPECT_TRUE(at[0] < deep && deep < at[1]);
}

TEST_F(FsfSearch, ZeroFromTheCallbackStopsEverything) {
    Found f;
    f.StopAfter = 0;
    Fsf fsf;
    fsf->FarRecursiveSearch(dir.Path().c_str(), "*", Collect, FRS_RECUR, &f);
    EXPECT_EQ(1u, f.Names.size());

    // Stopping inside a subfolder must not resume in the parent.
    Found all = Run("*", FRS_RECUR);
    Found g;
    g.StopAfter = static_cast<int>(Pos(all, P("sub.lvx\\deep\\d.lvx")));
    fsf->FarRecursiveSearch(dir.Path().c_str(), "*", Collect, FRS_RECUR, &g);
    EXPECT_EQ(static_cast<size_t>(g.StopAfter) + 1, g.Names.size());
}

TEST_F(FsfSearch, MaskListSyntax) {
    EXPECT_EQ((std::set<std::string>{P("a.lvx"), P("sub.lvx")}), Set(Run("*|*.txt", 0)));
    EXPECT_EQ((std::set<std::string>{P("other.txt")}), Set(Run("*.*|*.lvx", 0)));
    EXPECT_EQ((std::set<std::string>{P("a.lvx"), P("sub.lvx"), P("other.txt")}),
              Set(Run(" *.lvx ; *.txt ", 0)));
    EXPECT_EQ((std::set<std::string>{P("other.txt")}), Set(Run("\"*.txt\",\"x y\"", 0)));
    EXPECT_EQ((std::set<std::string>{P("other.txt")}), Set(Run("|*.lvx", 0))); // empty include is "*"
    EXPECT_EQ((std::set<std::string>{P("other.txt")}), Set(Run("[o,]*", 0)));
    // Invalid lists: nothing at all.
    for (const char* bad : {"\"*.txt", "*.lvx,,*.txt", "*.lvx|", "*|a|b", "\"\"", " ; "})
        EXPECT_TRUE(Run(bad, FRS_RECUR).Names.empty()) << bad;
    EXPECT_TRUE(FarFileFilterValid("*.c;*.h|x*"));
    EXPECT_FALSE(FarFileFilterValid("*.c;;*.h"));
}

TEST_F(FsfSearch, FullNamesFlagsAndRefusedArguments) {
    Found slash = Run("a.lvx", 0, dir.Path() + "\\");
    ASSERT_EQ(1u, slash.Names.size());
    EXPECT_EQ(P("a.lvx"), slash.Names[0]); // no doubled separator

    EXPECT_EQ(4u, Run("*.lvx", 0x100 | FRS_RECUR).Names.size()); // only the low byte counts
    EXPECT_EQ(2u, Run("*.lvx", 0x200).Names.size());

    Fsf fsf;
    Found f;
    fsf->FarRecursiveSearch(dir.Path().c_str(), "*", nullptr, FRS_RECUR, &f);
    fsf->FarRecursiveSearch("", "*", Collect, FRS_RECUR, &f);
    fsf->FarRecursiveSearch(nullptr, "*", Collect, FRS_RECUR, &f);
    fsf->FarRecursiveSearch(dir.Path().c_str(), "", Collect, FRS_RECUR, &f);
    fsf->FarRecursiveSearch(dir.Path().c_str(), nullptr, Collect, FRS_RECUR, &f);
    EXPECT_TRUE(f.Names.empty());
}

TEST_F(FsfSearch, ShortNameMatchesToo) {
    dir.File("averylongname.document");
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(P("averylongname.document").c_str(), &d);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FindClose(h);
    if (!d.cAlternateFileName[0]) GTEST_SKIP() << "the file system gives no 8.3 names";
    Found f = Run(d.cAlternateFileName, 0);
    EXPECT_EQ(std::vector<std::string>{P("averylongname.document")}, f.Names);
}

// ------------------------------------------------------------------ MkTemp
bool UniqueChar(char c) {
    return c == '0' || (c >= 'A' && c <= 'Z');
}
bool IdChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

TEST(FsfMkTemp, ShapeUpperCaseAndUniqueness) {
    ScratchFolder dir;
    std::string folder = dir / "lower";
    CreateDirectoryA(folder.c_str(), nullptr);
    FarSetTempFolder(folder.c_str());
    Fsf fsf;
    char buf[NM];

    ASSERT_EQ(buf, fsf->MkTemp(buf, "lumv"));
    std::string upper = folder + "\\";
    CharUpperA(&upper[0]);
    std::string got = buf;
    ASSERT_EQ(upper.size() + 12, got.size());
    EXPECT_EQ(upper, got.substr(0, upper.size()));
    std::string name = got.substr(upper.size());
    EXPECT_EQ("LUMV", name.substr(0, 4));
    EXPECT_TRUE(UniqueChar(name[4]) && UniqueChar(name[5]) && UniqueChar(name[6])) << name;
    EXPECT_TRUE(IdChar(name[7]) && IdChar(name[9]) && IdChar(name[10]) && IdChar(name[11])) << name;
    EXPECT_EQ('.', name[8]);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(buf)); // nothing created

    // A taken name (file or folder) is never handed out again.
    std::set<std::string> seen{got};
    CreateDirectoryA(buf, nullptr);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(nullptr, fsf->MkTemp(buf, "LUMV"));
        EXPECT_TRUE(seen.insert(buf).second) << buf;
        HANDLE h = CreateFileA(buf, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
    }

    ASSERT_NE(nullptr, fsf->MkTemp(buf, "ab"));
    EXPECT_EQ("AB00", std::string(buf).substr(upper.size(), 4));
    ASSERT_NE(nullptr, fsf->MkTemp(buf, nullptr));
    EXPECT_EQ("FTMP", std::string(buf).substr(upper.size(), 4));
    ASSERT_NE(nullptr, fsf->MkTemp(buf, ""));
    EXPECT_EQ("FTMP", std::string(buf).substr(upper.size(), 4));
    EXPECT_EQ(nullptr, fsf->MkTemp(nullptr, "LUMV"));
    FarSetTempFolder(nullptr);
}

// ------------------------------------------------------------------ strings
TEST(FsfStrings, TruncStrAndTruncPathStr) {
    Fsf fsf;
    char s[64];
    strcpy(s, "abcdefghij");
    EXPECT_STREQ("...hij", fsf->TruncStr(s, 6));
    strcpy(s, "abcdefghij");
    EXPECT_STREQ("abc", fsf->TruncStr(s, 3));
    strcpy(s, "abcdefghij");
    EXPECT_STREQ("", fsf->TruncStr(s, -4));
    strcpy(s, "abc");
    EXPECT_STREQ("abc", fsf->TruncStr(s, 3));
    EXPECT_EQ(nullptr, fsf->TruncStr(nullptr, 3));

    strcpy(s, "C:\\very\\long\\path\\file.txt");
    fsf->TruncPathStr(s, 15);
    EXPECT_STREQ("C:\\...\\file.txt", s);
    strcpy(s, "relative\\long\\path\\file.txt");
    fsf->TruncPathStr(s, 10);
    EXPECT_STREQ("...ile.txt", s);
}

TEST(FsfStrings, UnquotePointToNameAndFriends) {
    Fsf fsf;
    char s[64];
    strcpy(s, "\"C:\\a b\"\\\"c\"");
    fsf->Unquote(s);
    EXPECT_STREQ("C:\\a b\\c", s);

    EXPECT_STREQ("file", fsf->PointToName("C:\\dir\\file"));
    EXPECT_STREQ("file", fsf->PointToName("dir/file"));
    EXPECT_STREQ("file", fsf->PointToName("C:file"));
    EXPECT_STREQ("ab:c", fsf->PointToName("ab:c")); // ':' counts only as a drive's
    EXPECT_STREQ("", fsf->PointToName("dir\\"));
    const char* plain = "file";
    EXPECT_EQ(plain, fsf->PointToName(plain));

    strcpy(s, "  x y \t");
    EXPECT_STREQ("x y", fsf->Trim(s));
    strcpy(s, "a b");
    EXPECT_STREQ("\"a b\"", fsf->QuoteSpaceOnly(s));
    strcpy(s, "C:\\dir");
    fsf->AddEndSlash(s);
    EXPECT_STREQ("C:\\dir\\", s);
    strcpy(s, "/usr/lib");
    fsf->AddEndSlash(s);
    EXPECT_STREQ("/usr/lib/", s);
    fsf->GetPathRoot("\\\\server\\share\\dir\\f", s);
    EXPECT_STREQ("\\\\server\\share\\", s);
    fsf->GetPathRoot("D:\\x\\y", s);
    EXPECT_STREQ("D:\\", s);
}

TEST(FsfStrings, ExpandEnvironmentStr) {
    Fsf fsf;
    SetEnvironmentVariableA("LUMIVO_FSF_T", "value");
    char s[64];
    EXPECT_EQ(7u, fsf->ExpandEnvironmentStr("%LUMIVO_FSF_T%\\x", s, sizeof s));
    EXPECT_STREQ("value\\x", s);
    strcpy(s, "\x82%LUMIVO_FSF_T%"); // an OEM letter survives both conversions
    fsf->ExpandEnvironmentStr(s, s, sizeof s);
    EXPECT_STREQ("\x82value", s);
    EXPECT_EQ(5u, fsf->ExpandEnvironmentStr("%LUMIVO_FSF_T%", s, 6)); // fits exactly
    EXPECT_STREQ("value", s);
    // Too small: the unexpanded source, cut to Size - 1.
    EXPECT_EQ(4u, fsf->ExpandEnvironmentStr("%LUMIVO_FSF_T%", s, 5));
    EXPECT_STREQ("%LUM", s);
    strcpy(s, "untouched");
    EXPECT_EQ(0u, fsf->ExpandEnvironmentStr("%LUMIVO_FSF_T%", s, 0));
    EXPECT_STREQ("untouched", s);
    fsf->ExpandEnvironmentStr("%LUMIVO_NOT_SET_T%", s, sizeof s);
    EXPECT_STREQ("%LUMIVO_NOT_SET_T%", s);
}

TEST(FsfStrings, CompareByLoweredCodes) {
    Fsf fsf;
    EXPECT_EQ(0, fsf->LStricmp("Hello", "hELLO"));
    EXPECT_LT(fsf->LStricmp("abc", "ABD"), 0);
    EXPECT_LT(fsf->LStricmp("[", "A"), 0); // '[' 0x5B < 'a' 0x61: lowered, not upper-cased
    EXPECT_GT(fsf->LStricmp("abc", "AB"), 0);
    EXPECT_EQ(0, fsf->LStrnicmp("abcX", "ABCy", 3));
    EXPECT_NE(0, fsf->LStrnicmp("abcX", "ABCy", 4));
    EXPECT_EQ(0, fsf->LStrnicmp("a", "b", 0));
    EXPECT_EQ(0, fsf->LStrnicmp("a", "b", -1));
    EXPECT_EQ(0, fsf->LStrnicmp("ab", "AB", 50)); // stops at the NUL
}

TEST(FsfRuntime, ScanfPrintfAndNumbers) {
    Fsf fsf;
    int a = -1, b = -1, c = -1;
    EXPECT_EQ(3, fsf->sscanf("0x10 010 -12", "%i %i %i", &a, &b, &c));
    EXPECT_EQ(16, a);
    EXPECT_EQ(8, b);
    EXPECT_EQ(-12, c);
    EXPECT_EQ(0, fsf->sscanf(nullptr, "%i", &a));
    EXPECT_EQ(0, fsf->sscanf("1", nullptr));

    char s[64];
    EXPECT_EQ(9, fsf->sprintf(s, "%s-%d-%.*s", "ab", -12, 2, "xyz"));
    EXPECT_STREQ("ab--12-xy", s);
    EXPECT_EQ(0, fsf->sprintf(nullptr, "%d", 1));

    EXPECT_STREQ("-5", fsf->itoa(-5, s, 10));
    EXPECT_STREQ("ff", fsf->itoa(255, s, 16));
    EXPECT_EQ(nullptr, fsf->itoa(1, nullptr, 10));
    EXPECT_EQ(42, fsf->atoi("42x"));
    EXPECT_EQ(0, fsf->atoi(nullptr));
    EXPECT_EQ(5000000000LL, fsf->atoi64("5000000000"));
}

int __cdecl ByKeyMod(const void* a, const void* b, void* user) {
    int m = *static_cast<int*>(user);
    return *static_cast<const int*>(a) % m - *static_cast<const int*>(b) % m;
}
int __cdecl ByValue(const void* a, const void* b) {
    return *static_cast<const int*>(a) - *static_cast<const int*>(b);
}

TEST(FsfRuntime, SortsAndSearch) {
    Fsf fsf;
    int mod = 10;
    std::vector<int> v{39, 11, 25, 4, 50, 17, 2, 33};
    fsf->qsortex(v.data(), v.size(), sizeof(int), ByKeyMod, &mod);
    for (size_t i = 1; i < v.size(); ++i)
        EXPECT_LE(v[i - 1] % 10, v[i] % 10);
    fsf->qsort(v.data(), v.size(), sizeof(int), ByValue);
    EXPECT_EQ((std::vector<int>{2, 4, 11, 17, 25, 33, 39, 50}), v);
    int key = 33;
    EXPECT_EQ(&v[5], fsf->bsearch(&key, v.data(), v.size(), sizeof(int), ByValue));
    key = 34;
    EXPECT_EQ(nullptr, fsf->bsearch(&key, v.data(), v.size(), sizeof(int), ByValue));
}

TEST(FsfRuntime, SimpleMembersDoNotCrash) {
    Fsf fsf;
    fsf->CopyToClipboard("clip");
    char* pasted = fsf->PasteFromClipboard();
    ASSERT_NE(nullptr, pasted);
    EXPECT_STREQ("clip", pasted);
    fsf->DeleteBuffer(pasted);

    char name[32];
    ASSERT_TRUE(fsf->FarKeyToName(KEY_CTRL | KEY_SHIFT | (KEY_FUNCTION_BASE + VK_F1), name, sizeof name));
    EXPECT_STREQ("CtrlShiftF1", name);
    EXPECT_EQ(KEY_CTRL | KEY_SHIFT | (KEY_FUNCTION_BASE + VK_F1), fsf->FarNameToKey(name));
    EXPECT_EQ(-1, fsf->FarNameToKey("NoSuchKey"));

    char line[] = "text";
    EXPECT_EQ(line, fsf->XLat(line, 0, 4, nullptr, 0));
    EXPECT_EQ(0, fsf->FarInputRecordToKey(nullptr));

    ScratchFolder dir;
    dir.File("f.txt", "x");
    EXPECT_EQ(1, fsf->GetNumberOfLinks((dir / "f.txt").c_str()));
    char real[NM];
    EXPECT_GT(fsf->ConvertNameToReal((dir / "f.txt").c_str(), real, NM), 0);
    EXPECT_EQ(0, fsf->GetReparsePointInfo((dir / "f.txt").c_str(), real, NM));
    char owner[NM];
    fsf->GetFileOwner(nullptr, (dir / "f.txt").c_str(), owner);
}

} // namespace
