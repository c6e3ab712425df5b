#include "framework/cstring.h"

#include <gtest/gtest.h>

#include <string>

namespace {

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
