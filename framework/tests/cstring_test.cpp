#include "framework/cstring.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
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

// Code that works on std::string edits a CString in place through
// StdString(), as the dialog trims its path fields: every view of the CString
// shows the edit, also one that moves the bytes to a larger buffer.
struct EditCase {
    const char* name;
    const char* before;
    std::function<void(std::string&)> edit;
    std::string after;
};

void PrintTo(const EditCase& c, std::ostream* os) {
    *os << c.name;
}

class CStringEditTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(CStringEditTest, EveryViewShowsTheEdit) {
    const EditCase& c = GetParam();
    CString s(c.before);
    c.edit(s.StdString());
    const CString& seen = s;
    EXPECT_EQ(seen.StdString(), c.after);
    EXPECT_EQ(seen.GetLength(), static_cast<int>(c.after.size()));
    EXPECT_EQ(seen.IsEmpty(), c.after.empty());
    EXPECT_STREQ(seen.GetString(), c.after.c_str());
    EXPECT_STREQ(static_cast<const char*>(seen), c.after.c_str());
    EXPECT_TRUE(seen == c.after.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Edits, CStringEditTest,
    ::testing::Values(EditCase{"BlanksTrimmedFromTheFront", "  path  ",
                               [](std::string& s) { s.erase(0, 2); }, "path  "},
                      // Past the few bytes a string keeps inside itself: the bytes move.
                      EditCase{"GrownToALongPath", "C:\\",
                               [](std::string& s) { s.append(300, 'a'); },
                               "C:\\" + std::string(300, 'a')},
                      EditCase{"BytesAbove0x7FReplaced", "\x81\x40.sav",
                               [](std::string& s) { s.replace(0, 2, "\xC4\xE8\xC4"); },
                               "\xC4\xE8\xC4.sav"},
                      EditCase{"Emptied", "C:\\a.dat", [](std::string& s) { s.clear(); }, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
