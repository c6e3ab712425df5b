#include "framework/cstring.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TrimCase {
    const char* input;
    const char* left;
    const char* right;
};

class CStringTrim : public ::testing::TestWithParam<TrimCase> {};

TEST_P(CStringTrim, DropsOnlyAsciiWhiteSpaceAtItsEnd) {
    const TrimCase& c = GetParam();
    CString left(c.input);
    left.TrimLeft();
    EXPECT_EQ(left.StdString(), c.left);
    CString right(c.input);
    right.TrimRight();
    EXPECT_EQ(right.StdString(), c.right);
}

INSTANTIATE_TEST_SUITE_P(Cases, CStringTrim,
                         ::testing::Values(TrimCase{"", "", ""}, TrimCase{"   ", "", ""},
                                           TrimCase{" \t\n\v\f\ra b\r\n", "a b\r\n",
                                                    " \t\n\v\f\ra b"},
                                           // 0xA0 is a no-break space in code page 1252 and a
                                           // character byte elsewhere: it stays.
                                           TrimCase{"\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"},
                                           // Bytes above 0x7F must not be taken for blanks (a
                                           // signed char passed to isspace would be).
                                           TrimCase{" \xE9t\xE9 ", "\xE9t\xE9 ", " \xE9t\xE9"},
                                           TrimCase{"\x85\x20", "\x85\x20", "\x85"}));

TEST(CString, MakeUpperChangesOnlyAsciiLetters) {
    CString s("c:\\saves\\caf\xE9-\xFF-z.nds.sav");
    s.MakeUpper();
    EXPECT_EQ(s.StdString(), "C:\\SAVES\\CAF\xE9-\xFF-Z.NDS.SAV");
}

struct SliceCase {
    int count;
    const char* left;
    const char* right;
};

class CStringSlice : public ::testing::TestWithParam<SliceCase> {};

TEST_P(CStringSlice, CountsBytesAndClampsToTheLength) {
    const CString s("\xE9t\xE9.dat");  // 7 bytes
    EXPECT_EQ(s.Left(GetParam().count).StdString(), GetParam().left);
    EXPECT_EQ(s.Right(GetParam().count).StdString(), GetParam().right);
}

INSTANTIATE_TEST_SUITE_P(Cases, CStringSlice,
                         ::testing::Values(SliceCase{-1, "", ""}, SliceCase{0, "", ""},
                                           SliceCase{1, "\xE9", "t"},
                                           SliceCase{4, "\xE9t\xE9.", ".dat"},
                                           SliceCase{7, "\xE9t\xE9.dat", "\xE9t\xE9.dat"},
                                           SliceCase{100, "\xE9t\xE9.dat", "\xE9t\xE9.dat"}));

TEST(CString, ConcatenatesBytesAsTheyAre) {
    CString a("\xC4\xE8");
    CString b = a + "\\" + CString("\x81\x40") + '.';
    EXPECT_EQ(b.StdString(), "\xC4\xE8\\\x81\x40.");
    b += "sav";
    b += CString("\xFF");
    EXPECT_EQ(b.GetLength(), 10);
    EXPECT_EQ(b.StdString(), "\xC4\xE8\\\x81\x40.sav\xFF");
    EXPECT_EQ(("x" + a).StdString(), "x\xC4\xE8");
}

TEST(CString, EqualityIsByteWise) {
    EXPECT_TRUE(CString("\xE9") == CString("\xE9"));
    EXPECT_FALSE(CString("\xE9") == CString("\xC9"));  // no case folding
    EXPECT_FALSE(CString("a") == CString("A"));
    EXPECT_FALSE(CString("ab") == CString("a"));
    EXPECT_TRUE(CString("") == "");
    EXPECT_TRUE(CString() == nullptr);
    EXPECT_TRUE(CString("\x80\xFF") != "\x80\xFE");
}

TEST(CString, NullAndCountedConstruction) {
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_EQ(CString("abcdef", 3).StdString(), "abc");
    EXPECT_EQ(CString(std::string("a\0b", 3)).GetLength(), 3);
    CString s("x");
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, StdStringIsTheStringItself) {
    CString s("  path  ");
    s.StdString().erase(0, 2);
    EXPECT_EQ(s.StdString(), "path  ");
    EXPECT_STREQ(static_cast<const char*>(s), "path  ");
}

}  // namespace
