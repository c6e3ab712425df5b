// The application object: it shows the dialog as the main window, with the
// save it was started with picked as the input, and ends the program when the
// dialog closes, however it is closed.

#include "ui/converter_app.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/tests/test_files.h"
#include "framework/tests/dialog_driver.h"
#include "ui/converter_dlg.h"

namespace {

using ondrel::SourceKind;
using ondrel::test_support::DialogDriver;
using ondrel::test_support::ItemText;
using ondrel::test_support::MessageSeen;
using ondrel::test_support::PressKey;
using ondrel::test_support::WindowKind;

class TestableApp : public CConverterApp {
public:
    using CConverterApp::InitInstance;
};

class AppClose : public ::testing::TestWithParam<UINT> {};

TEST_P(AppClose, InitInstanceRunsTheDialogAsMainWindowAndReturnsFalse) {
    TestableApp app;
    CWnd* mainWnd = nullptr;
    HWND mainHwnd = nullptr, shown = nullptr;
    DialogDriver driver;
    driver.On(WindowKind::Dialog, [&](HWND h) {
        shown = h;
        mainWnd = app.m_pMainWnd;
        mainHwnd = mainWnd ? mainWnd->m_hWnd : nullptr;
        if (GetParam() == WM_CLOSE)
            ::PostMessageA(h, WM_CLOSE, 0, 0);
        else
            PressKey(GetParam());
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_NE(mainWnd, nullptr);
    EXPECT_EQ(mainHwnd, shown);
    EXPECT_FALSE(::IsWindow(shown));
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Ways, AppClose, ::testing::Values(WM_CLOSE, VK_RETURN, VK_ESCAPE));

struct Start {
    const char* name;
    const char* arguments;  // after the program's name; "@" stands for the test folder
    const char* save;       // made in the test folder
    std::size_t size;
    const char* input;   // what the input field shows at start
    const char* output;  // the proposed output, in the folder; empty when none is
    SourceKind kind;
    const char* message;    // of the one press of "&Transform"
    std::size_t bytesUsed;  // of the save, at the start of the image written
};

void PrintTo(const Start& s, std::ostream* os) {
    *os << s.name;
}

class StartedWith : public ::testing::TestWithParam<Start> {
protected:
    void SetUp() override {
        g_sourceKind = SourceKind::NdsSav;
        std::filesystem::current_path(folder.path());
    }
    void TearDown() override { std::filesystem::current_path(started); }

    std::string Expand(std::string text) const {
        for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1))
            text.replace(at, 1, folder.path().string());
        return text;
    }

    const std::filesystem::path started = std::filesystem::current_path();
    ondrel::test_support::TempFolder folder;
};

// A save opened with the program, or dropped on its icon, is picked as the
// input chooser picks a file (a relative name made absolute), and nothing is
// converted until "&Transform" is pressed; without one, the program starts as
// ever. The output, where none is proposed, is typed.
TEST_P(StartedWith, PicksTheSaveAndConvertsItOnTransform) {
    const Start& s = GetParam();
    std::filesystem::create_directory(folder / "My Saves");
    const ondrel::test_support::Bytes save = ondrel::test_support::PatternBytes(s.size);
    ondrel::test_support::WriteBytes(folder / s.save, save);
    const std::string output = *s.output ? s.output : "typed.sav";
    std::string line = Expand(s.arguments);
    TestableApp app;
    app.m_lpCmdLine = line.data();
    std::string input, proposed;
    SourceKind kind = SourceKind::Raw;
    bool convertedAtStart = true;
    MessageSeen seen;
    DialogDriver driver;
    driver
        .On(WindowKind::Dialog,
            [&](HWND h) {
                input = ItemText(h, IDC_INPUT_PATH);
                proposed = ItemText(h, IDC_OUTPUT_PATH);
                kind = g_sourceKind;
                convertedAtStart = std::filesystem::exists(folder / output);
                if (!*s.output)
                    ondrel::test_support::TypeInto(h, IDC_OUTPUT_PATH, Expand("@\\" + output));
                ondrel::test_support::ClickItem(h, IDC_TRANSFORM);
            })
        .AnswerMessage(&seen)
        .On(WindowKind::Dialog, [](HWND h) { ::PostMessageA(h, WM_CLOSE, 0, 0); });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_EQ(input, Expand(s.input));
    EXPECT_EQ(proposed, *s.output ? Expand("@\\" + output) : "");
    EXPECT_EQ(kind, s.kind);
    EXPECT_FALSE(convertedAtStart);
    EXPECT_EQ(seen.text, s.message);
    if (s.bytesUsed)
        EXPECT_TRUE(ondrel::test_support::ReadBytes(folder / output) ==
                    ondrel::test_support::ImageOf(save, s.bytesUsed));
    else
        EXPECT_FALSE(std::filesystem::exists(folder / output));
}

constexpr char kConverted[] = "Transform OK!";

INSTANTIATE_TEST_SUITE_P(
    CommandLines, StartedWith,
    ::testing::Values(Start{"Absolute", "@\\Game.nds.sav", "Game.nds.sav", 600000,
                            "@\\Game.nds.sav", "Game.sav", SourceKind::NdsSav, kConverted, 0x80000},
                      Start{"Relative", "Zelda.Sav", "Zelda.Sav", 0x40000, "@\\Zelda.Sav",
                            "Zelda.j8.sav", SourceKind::Sav, kConverted, 0x40000},
                      Start{"RelativeThroughAFolder", "saves\\..\\slot1.DAT", "slot1.DAT",
                            0x40000 + 1024, "@\\slot1.DAT", "slot1.sav", SourceKind::Dat,
                            kConverted, 0x40000},
                      // The shell quotes a path with blanks; of several files the first is taken.
                      Start{"QuotedWithBlanksFirstOfTwo",
                            "\"@\\My Saves\\Game 1.dat\" @\\Other.nds.sav", "My Saves/Game 1.dat",
                            0x40000 + 1024, "@\\My Saves\\Game 1.dat", "My Saves\\Game 1.sav",
                            SourceKind::Dat, kConverted, 0x40000},
                      // The kind stays the one the program starts with; the output is typed.
                      Start{"Unrecognised", "notes.txt", "notes.txt", 300000, "@\\notes.txt", "",
                            SourceKind::NdsSav, kConverted, 300000},
                      Start{"NoArguments", "", "Game.dat", 1000, "", "", SourceKind::NdsSav,
                            "Please select the input file!", 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
