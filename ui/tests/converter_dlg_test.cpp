// The main dialog run from its real template and used as a person would:
// typing into the fields, clicking the buttons, answering the message boxes
// and picking files in the real Open dialog.

#include "ui/converter_dlg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tests/test_files.h"
#include "framework/tests/dialog_driver.h"

namespace {

using ondrel::SourceKind;
using ondrel::test_support::Bytes;
using ondrel::test_support::ClickItem;
using ondrel::test_support::DialogDriver;
using ondrel::test_support::DropFiles;
using ondrel::test_support::ItemText;
using ondrel::test_support::MessageSeen;
using ondrel::test_support::PressKey;
using ondrel::test_support::TempFolder;
using ondrel::test_support::TypeInto;
using ondrel::test_support::WindowKind;

// The choosers' filters, byte for byte: descriptions, patterns, closing bar.
const std::string kInputFilters =
    "SC 256K SAVE Files (*.nds.sav)|*.nds.sav|M3 257K SAVE Files (*.dat)|*.dat|"
    "DSLink 520K SAVE Files (*.sav)|*.sav|Acekard 0.5-512K Files (*.nds.sav)|*.nds.sav|"
    "EZ-Flash4 256K Files (*.sav)|*.sav|EWIN2 256K Files (*.sav)|*.sav|All Files (*.*)|*.*|";
const std::string kOutputFilters = "J8 512K SAVE Files (*.sav)|*.sav|All Files (*.*)|*.*|";

struct Fields {
    std::string input;
    std::string output;
    bool operator==(const Fields&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Fields& f) {
    return out << "{\"" << f.input << "\", \"" << f.output << "\"}";
}

Fields FieldsOf(HWND dialog) {
    return {ItemText(dialog, IDC_INPUT_PATH), ItemText(dialog, IDC_OUTPUT_PATH)};
}

// text with blanks typed before and after it.
std::string Spaced(std::string_view before, const std::string& text, std::string_view after) {
    std::string result(before);
    result += text;
    result += after;
    return result;
}

void Close(HWND dialog) {
    ::PostMessageA(dialog, WM_CLOSE, 0, 0);
}

class ConverterDlgTest : public ::testing::Test {
protected:
    void SetUp() override { g_sourceKind = SourceKind::NdsSav; }

    std::string Path(const std::string& name) const { return (folder / name).string(); }
    Fields Members() const {
        return {dlg.m_strInputPath.StdString(), dlg.m_strOutputPath.StdString()};
    }
    INT_PTR Run() {
        INT_PTR result = dlg.DoModal();
        EXPECT_TRUE(driver.Finished()) << driver.Report();
        return result;
    }

    TempFolder folder;
    CConverterDlg dlg;
    DialogDriver driver;
};

TEST_F(ConverterDlgTest, StartsEmptyWithFocusInTheInputFieldAndBothIcons) {
    Fields shown{"?", "?"};
    HWND focus = nullptr, inputField = nullptr;
    LRESULT bigIcon = 0, smallIcon = 0;
    std::string caption;
    driver.On(WindowKind::Dialog, [&](HWND h) {
        shown = FieldsOf(h);
        focus = ::GetFocus();
        inputField = ::GetDlgItem(h, IDC_INPUT_PATH);
        bigIcon = ::SendMessageA(h, WM_GETICON, ICON_BIG, 0);
        smallIcon = ::SendMessageA(h, WM_GETICON, ICON_SMALL, 0);
        caption = ondrel::test_support::TextOf(h);
        Close(h);
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(shown, (Fields{"", ""}));
    EXPECT_EQ(focus, inputField);
    EXPECT_EQ(caption, "J8 Ondrel (v2.0)");
    const HICON appIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(appIcon, nullptr);
    EXPECT_EQ(bigIcon, reinterpret_cast<LRESULT>(appIcon));
    EXPECT_EQ(smallIcon, reinterpret_cast<LRESULT>(appIcon));
    EXPECT_EQ(g_sourceKind, SourceKind::NdsSav);
}

TEST_F(ConverterDlgTest, TransformWithBothFieldsEmptyAsksForTheInput) {
    HWND shownDialog = nullptr;
    MessageSeen seen;
    driver
        .On(WindowKind::Dialog,
            [&](HWND h) {
                shownDialog = h;
                ClickItem(h, IDC_TRANSFORM);
            })
        .AnswerMessage(&seen)
        .On(WindowKind::Dialog, Close);
    Run();
    EXPECT_EQ(seen.text, "Please select the input file!");
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.icon, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(seen.owner, shownDialog);
    EXPECT_TRUE(folder.Names().empty());
}

TEST_F(ConverterDlgTest, BlanksAroundATypedPathAreDroppedForTheCommandButStayShown) {
    const std::string typedInput = Spaced("  ", Path("a.dat"), " \t");
    const std::string typedOutput = Spaced("\t", Path("out.sav"), "  ");
    MessageSeen seen;
    Fields shownAfter;
    driver
        .On(WindowKind::Dialog,
            [&](HWND h) {
                TypeInto(h, IDC_INPUT_PATH, typedInput);
                TypeInto(h, IDC_OUTPUT_PATH, typedOutput);
                ClickItem(h, IDC_TRANSFORM);
            })
        .AnswerMessage(&seen)
        .On(WindowKind::Dialog, [&](HWND h) {
            shownAfter = FieldsOf(h);
            Close(h);
        });
    Run();
    // a.dat does not exist: the message names the trimmed path.
    EXPECT_EQ(seen.text, "Open file [ " + Path("a.dat") + " ] failure!");
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.icon, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(shownAfter, (Fields{typedInput, typedOutput}));
    EXPECT_EQ(Members(), (Fields{Path("a.dat"), Path("out.sav")}));
}

class ChooserCancel : public ConverterDlgTest, public ::testing::WithParamInterface<int> {};

TEST_P(ChooserCancel, ChangesNothing) {
    const int button = GetParam();
    dlg.m_strInputPath = "C:\\in.dat";
    dlg.m_strOutputPath = "C:\\out.sav";
    g_sourceKind = SourceKind::Sav;
    std::string filter;
    Fields shownAfter;
    driver
        .On(WindowKind::Dialog,
            [&](HWND h) {
                TypeInto(h, IDC_INPUT_PATH, "typed in");
                TypeInto(h, IDC_OUTPUT_PATH, "typed out");
                ClickItem(h, button);
            })
        .CancelOpen(&filter)
        .On(WindowKind::Dialog, [&](HWND h) {
            shownAfter = FieldsOf(h);
            Close(h);
        });
    Run();
    EXPECT_EQ(filter, button == IDC_BROWSE_INPUT ? kInputFilters : kOutputFilters);
    EXPECT_EQ(shownAfter, (Fields{"typed in", "typed out"}));
    EXPECT_EQ(Members(), (Fields{"C:\\in.dat", "C:\\out.sav"}));
    EXPECT_EQ(g_sourceKind, SourceKind::Sav);
}

INSTANTIATE_TEST_SUITE_P(Choosers, ChooserCancel,
                         ::testing::Values(IDC_BROWSE_INPUT, IDC_BROWSE_OUTPUT));

struct InputPick {
    const char* name;
    SourceKind before;
    std::optional<SourceKind> recognised;
    const char* proposedOutput;  // when recognised
    int filterIndex;             // -1: the chooser's default
};

class InputChooserPick : public ConverterDlgTest,
                         public ::testing::WithParamInterface<InputPick> {};

// The pick fills the input field; a recognised name also sets the kind and
// proposes the output, replacing what was typed there; an unrecognised one
// puts the output member back.
TEST_P(InputChooserPick, SetsKindAndOutputOnlyForARecognisedName) {
    const InputPick& pick = GetParam();
    dlg.m_strOutputPath = CString(Path("previous.sav"));
    g_sourceKind = pick.before;
    std::string filter;
    Fields shownAfter;
    driver
        .On(WindowKind::Dialog,
            [&](HWND h) {
                TypeInto(h, IDC_OUTPUT_PATH, "typed by hand");
                ClickItem(h, IDC_BROWSE_INPUT);
            })
        .PickFile(Path(pick.name), &filter, pick.filterIndex)
        .On(WindowKind::Dialog, [&](HWND h) {
            shownAfter = FieldsOf(h);
            Close(h);
        });
    Run();
    EXPECT_EQ(filter, kInputFilters);
    const std::string output = pick.recognised ? Path(pick.proposedOutput) : Path("previous.sav");
    EXPECT_EQ(shownAfter, (Fields{Path(pick.name), output}));
    EXPECT_EQ(Members(), (Fields{Path(pick.name), output}));
    EXPECT_EQ(g_sourceKind, pick.recognised.value_or(pick.before));
}

INSTANTIATE_TEST_SUITE_P(
    Names, InputChooserPick,
    ::testing::Values(InputPick{"Game.nds.sav", SourceKind::Sav, SourceKind::NdsSav, "Game.sav",
                                -1},
                      InputPick{"Game.sav", SourceKind::NdsSav, SourceKind::Sav, "Game.j8.sav", -1},
                      InputPick{"GAME.DAT", SourceKind::NdsSav, SourceKind::Dat, "GAME.sav", -1},
                      InputPick{"Mix.NDS.Sav", SourceKind::Dat, SourceKind::NdsSav, "Mix.sav", -1},
                      // "All Files (*.*)" chosen: only the name counts.
                      InputPick{"any.dat", SourceKind::Sav, SourceKind::Dat, "any.sav", 6},
                      InputPick{"notes.txt", SourceKind::Dat, std::nullopt, nullptr, -1},
                      InputPick{"game.sav.bak", SourceKind::Sav, std::nullopt, nullptr, -1}));

TEST_F(ConverterDlgTest, OutputPickPutsTheInputMemberBackOverTypedText) {
    dlg.m_strInputPath = "C:\\kept.dat";
    g_sourceKind = SourceKind::Dat;
    std::string filter;
    Fields shownAfter;
    driver
        .On(WindowKind::Dialog,
            [&](HWND h) {
                TypeInto(h, IDC_INPUT_PATH, "typed by hand");
                ClickItem(h, IDC_BROWSE_OUTPUT);
            })
        .PickFile(Path("chosen.bin"), &filter)  // no extension is added or checked
        .On(WindowKind::Dialog, [&](HWND h) {
            shownAfter = FieldsOf(h);
            Close(h);
        });
    Run();
    EXPECT_EQ(filter, kOutputFilters);
    EXPECT_EQ(shownAfter, (Fields{"C:\\kept.dat", Path("chosen.bin")}));
    EXPECT_EQ(Members(), shownAfter);
    EXPECT_EQ(g_sourceKind, SourceKind::Dat);
}

struct BlankPick {
    int button;
    const char* name;
    bool pickIsOutput;
};

class BlanksAtNextPick : public ConverterDlgTest,
                         public ::testing::WithParamInterface<BlankPick> {};

// "&Transform" trims the members but not the fields; the next completed pick
// writes the trimmed members into both fields.
TEST_P(BlanksAtNextPick, VanishFromBothFields) {
    const BlankPick& pick = GetParam();
    MessageSeen seen;
    Fields shownAfterTransform, shownAfterPick;
    driver
        .On(WindowKind::Dialog,
            [&](HWND h) {
                TypeInto(h, IDC_INPUT_PATH, Spaced("  ", Path("missing.dat"), "  "));
                TypeInto(h, IDC_OUTPUT_PATH, Spaced(" ", Path("out.sav"), "\t"));
                ClickItem(h, IDC_TRANSFORM);
            })
        .AnswerMessage(&seen)
        .On(WindowKind::Dialog,
            [&](HWND h) {
                shownAfterTransform = FieldsOf(h);
                ClickItem(h, pick.button);
            })
        .PickFile(Path(pick.name))
        .On(WindowKind::Dialog, [&](HWND h) {
            shownAfterPick = FieldsOf(h);
            Close(h);
        });
    Run();
    EXPECT_EQ(seen.text, "Open file [ " + Path("missing.dat") + " ] failure!");
    EXPECT_EQ(shownAfterTransform.input, Spaced("  ", Path("missing.dat"), "  "));
    const Fields expected = pick.pickIsOutput ? Fields{Path("missing.dat"), Path(pick.name)}
                                              : Fields{Path(pick.name), Path("out.sav")};
    EXPECT_EQ(shownAfterPick, expected);
}

INSTANTIATE_TEST_SUITE_P(Choosers, BlanksAtNextPick,
                         ::testing::Values(BlankPick{IDC_BROWSE_OUTPUT, "new.sav", true},
                                           BlankPick{IDC_BROWSE_INPUT, "notes.txt", false}));

class EnterKey : public ConverterDlgTest, public ::testing::WithParamInterface<int> {};

// Enter is the dialog's OK: it takes the fields into the members and ends the
// dialog. It does not start a transform.
TEST_P(EnterKey, EndsTheDialogWithoutTransforming) {
    ondrel::test_support::WriteBytes(folder / "in.nds.sav",
                                     ondrel::test_support::PatternBytes(1000));
    const std::string typedInput = Spaced(" ", Path("in.nds.sav"), "");
    driver.On(WindowKind::Dialog, [&](HWND h) {
        TypeInto(h, IDC_INPUT_PATH, typedInput);
        TypeInto(h, IDC_OUTPUT_PATH, Path("out.sav"));
        ::SetFocus(::GetDlgItem(h, GetParam()));
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(Members(), (Fields{typedInput, Path("out.sav")}));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"in.nds.sav"});
}

INSTANTIATE_TEST_SUITE_P(Fields, EnterKey, ::testing::Values(IDC_INPUT_PATH, IDC_OUTPUT_PATH));

TEST_F(ConverterDlgTest, EscapeEndsTheDialog) {
    driver.On(WindowKind::Dialog, [](HWND) { PressKey(VK_ESCAPE); });
    EXPECT_EQ(Run(), IDCANCEL);
}

struct Conversion {
    const char* inputName;
    std::size_t inputSize;
    const char* proposedOutput;
    std::size_t bytesUsed;  // of the input, at the image's start
};

class ConversionThroughChoosers : public ConverterDlgTest,
                                  public ::testing::WithParamInterface<Conversion> {};

// The whole conversion without typing: pick the input (which sets the kind),
// pick an output that does not exist yet, press "&Transform".
TEST_P(ConversionThroughChoosers, WritesTheImageOfThePickedKind) {
    const Conversion& c = GetParam();
    const Bytes input = ondrel::test_support::PatternBytes(c.inputSize);
    ondrel::test_support::WriteBytes(folder / c.inputName, input);
    Fields proposed;
    MessageSeen seen;
    driver.On(WindowKind::Dialog, [](HWND h) { ClickItem(h, IDC_BROWSE_INPUT); })
        .PickFile(Path(c.inputName))
        .On(WindowKind::Dialog,
            [&](HWND h) {
                proposed = FieldsOf(h);
                ClickItem(h, IDC_BROWSE_OUTPUT);
            })
        .PickFile(Path("fresh.sav"))
        .On(WindowKind::Dialog, [](HWND h) { ClickItem(h, IDC_TRANSFORM); })
        .AnswerMessage(&seen)
        .On(WindowKind::Dialog, Close);
    Run();
    EXPECT_EQ(proposed, (Fields{Path(c.inputName), Path(c.proposedOutput)}));
    EXPECT_EQ(seen.text, "Transform OK!");
    EXPECT_EQ(seen.caption, "OK");
    EXPECT_EQ(seen.icon, 0u);
    ASSERT_EQ(folder.Names(), (std::vector<std::string>{c.inputName, "fresh.sav"}));
    EXPECT_TRUE(ondrel::test_support::ReadBytes(folder / "fresh.sav") ==
                ondrel::test_support::ImageOf(input, c.bytesUsed));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ConversionThroughChoosers,
                         ::testing::Values(Conversion{"Game.nds.sav", 300000, "Game.sav", 300000},
                                           // A .dat save carries 256 KiB; the rest is dropped.
                                           Conversion{"Game.dat", 0x40000 + 4096, "Game.sav",
                                                      0x40000}));

struct Drop {
    const char* name;
    std::vector<std::string> files;  // in the order dropped; the first is made as a save
    std::size_t size;
    SourceKind before;
    std::optional<SourceKind> recognised;
    const char* proposedOutput;  // when recognised
    std::size_t bytesUsed;       // of the save, by the kind the drop leaves
};

void PrintTo(const Drop& d, std::ostream* os) {
    *os << d.name;
}

class DroppedOnTheWindow : public ConverterDlgTest, public ::testing::WithParamInterface<Drop> {};

// Files dragged onto the window are a pick in the input chooser: the first
// fills the input field and, when its name is recognised, sets the kind and
// proposes the output; both fields show the members again, as after a pick.
TEST_P(DroppedOnTheWindow, IsPickedAsTheInputChooserPicksAFile) {
    const Drop& d = GetParam();
    const Bytes save = ondrel::test_support::PatternBytes(d.size);
    ondrel::test_support::WriteBytes(folder / d.files.front(), save);
    dlg.m_strOutputPath = CString(Path("previous.sav"));
    g_sourceKind = d.before;
    std::vector<std::string> paths;
    for (const auto& file : d.files) paths.push_back(Path(file));
    bool acceptsDrops = false;
    Fields shown;
    SourceKind kind = d.before;
    MessageSeen seen;
    driver
        .On(WindowKind::Dialog,
            [&](HWND h) {
                acceptsDrops = (::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
                TypeInto(h, IDC_INPUT_PATH, "typed by hand");
                TypeInto(h, IDC_OUTPUT_PATH, "typed by hand");
                DropFiles(h, paths);
                shown = FieldsOf(h);
                kind = g_sourceKind;
                ClickItem(h, IDC_TRANSFORM);
            })
        .AnswerMessage(&seen)
        .On(WindowKind::Dialog, Close);
    Run();
    const std::string output = d.recognised ? d.proposedOutput : "previous.sav";
    EXPECT_TRUE(acceptsDrops);
    EXPECT_EQ(shown, (Fields{Path(d.files.front()), Path(output)}));
    EXPECT_EQ(kind, d.recognised.value_or(d.before));
    EXPECT_EQ(seen.text, "Transform OK!");
    EXPECT_TRUE(ondrel::test_support::ReadBytes(folder / output) ==
                ondrel::test_support::ImageOf(save, d.bytesUsed));
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DroppedOnTheWindow,
    ::testing::Values(Drop{"Dat",
                           {"Game.dat"},
                           0x40000 + 1024,
                           SourceKind::NdsSav,
                           SourceKind::Dat,
                           "Game.sav",
                           0x40000},
                      Drop{"FirstOfSeveral",
                           {"Mario.NDS.SAV", "Zelda.dat"},
                           600000,
                           SourceKind::Dat,
                           SourceKind::NdsSav,
                           "Mario.sav",
                           0x80000},
                      // Read by the kind of the last recognised pick, into the kept output.
                      Drop{"Unrecognised",
                           {"notes.txt"},
                           300000,
                           SourceKind::Dat,
                           std::nullopt,
                           nullptr,
                           0x40000}),
    [](const auto& info) { return std::string(info.param.name); });

// The kind comes from the last pick, never from a typed name: a typed
// *.nds.sav after a picked *.dat is read by the dat rule (its first 256 KiB).
TEST_F(ConverterDlgTest, TypedInputIsReadByTheLastPickedKind) {
    const Bytes typed = ondrel::test_support::PatternBytes(300000);
    ondrel::test_support::WriteBytes(folder / "typed.nds.sav", typed);
    ondrel::test_support::WriteBytes(folder / "picked.dat", ondrel::test_support::PatternBytes(10));
    MessageSeen seen;
    driver.On(WindowKind::Dialog, [](HWND h) { ClickItem(h, IDC_BROWSE_INPUT); })
        .PickFile(Path("picked.dat"))
        .On(WindowKind::Dialog,
            [&](HWND h) {
                TypeInto(h, IDC_INPUT_PATH, Path("typed.nds.sav"));
                ClickItem(h, IDC_TRANSFORM);
            })
        .AnswerMessage(&seen)
        .On(WindowKind::Dialog, Close);
    Run();
    EXPECT_EQ(seen.text, "Transform OK!");
    EXPECT_EQ(g_sourceKind, SourceKind::Dat);
    EXPECT_TRUE(ondrel::test_support::ReadBytes(folder / "picked.sav") ==
                ondrel::test_support::ImageOf(typed, 0x40000));
}

TEST_F(ConverterDlgTest, OpensCentredOnTheWorkArea) {
    RECT shown{}, work{};
    driver.On(WindowKind::Dialog, [&](HWND h) {
        ::GetWindowRect(h, &shown);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoA(::MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &monitor);
        work = monitor.rcWork;
        Close(h);
    });
    Run();
    EXPECT_NEAR(shown.left + shown.right, work.left + work.right, 2) << "centred across";
    EXPECT_NEAR(shown.top + shown.bottom, work.top + work.bottom, 2) << "centred down";
}

// Names in any script reach the disk whole: the program's manifest makes
// UTF-8 its code page, and this test program carries the same manifest.
struct ScriptName {
    const char* name;  // UTF-8
    const char* proposed;
    bool picked;  // through the chooser; otherwise typed
};

void PrintTo(const ScriptName& n, std::ostream* os) {
    *os << (n.picked ? "picked " : "typed ") << n.proposed;
}

class NamesInAnyScript : public ConverterDlgTest, public ::testing::WithParamInterface<ScriptName> {
protected:
    // Files by their real names, through the wide functions, which do not
    // depend on the code page: a name the program mangled is not found.
    static std::wstring Wide(const std::string& utf8) {
        std::wstring wide(utf8.size(), L'\0');
        wide.resize(static_cast<std::size_t>(
            ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                  wide.data(), static_cast<int>(wide.size()))));
        return wide;
    }
    static void Write(const std::string& path, const Bytes& bytes) {
        std::FILE* file = ::_wfopen(Wide(path).c_str(), L"wb");
        ASSERT_NE(file, nullptr) << path;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    static Bytes Read(const std::string& path) {
        Bytes bytes(0x80001);
        std::FILE* file = ::_wfopen(Wide(path).c_str(), L"rb");
        if (!file) return {};
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
        std::fclose(file);
        return bytes;
    }
};

TEST_P(NamesInAnyScript, ConvertUnderTheirOwnNames) {
    const ScriptName& n = GetParam();
    const Bytes input = ondrel::test_support::PatternBytes(1000);
    Write(Path(n.name), input);
    Fields proposed;
    MessageSeen converted, missing;
    driver.On(WindowKind::Dialog, [&](HWND h) {
        if (n.picked) return ClickItem(h, IDC_BROWSE_INPUT);
        TypeInto(h, IDC_INPUT_PATH, Path(n.name));
        TypeInto(h, IDC_OUTPUT_PATH, Path(n.proposed));
        ClickItem(h, IDC_TRANSFORM);
    });
    if (n.picked)
        driver.PickFile(Path(n.name)).On(WindowKind::Dialog, [&](HWND h) {
            proposed = FieldsOf(h);
            ClickItem(h, IDC_TRANSFORM);
        });
    driver.AnswerMessage(&converted)
        .On(WindowKind::Dialog,
            [&](HWND h) {
                TypeInto(h, IDC_INPUT_PATH, Path(std::string("gone ") + n.name));
                ClickItem(h, IDC_TRANSFORM);
            })
        .AnswerMessage(&missing)
        .On(WindowKind::Dialog, Close);
    Run();
    if (n.picked) {
        EXPECT_EQ(proposed, (Fields{Path(n.name), Path(n.proposed)}));
    }
    EXPECT_EQ(converted.text, "Transform OK!");
    EXPECT_TRUE(Read(Path(n.proposed)) == ondrel::test_support::ImageOf(input, input.size()));
    EXPECT_EQ(missing.text, "Open file [ " + Path(std::string("gone ") + n.name) + " ] failure!");
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, NamesInAnyScript,
    ::testing::Values(
        ScriptName{"\xE3\x83\x9D\xE3\x82\xB1\xE3\x83\xA2\xE3\x83\xB3.nds.sav",  // Japanese
                   "\xE3\x83\x9D\xE3\x82\xB1\xE3\x83\xA2\xE3\x83\xB3.sav", true},
        ScriptName{"\xC5\x81\xC3\xB3\x64\xC5\xBA \xC5\x91.nds.sav",  // Polish, Hungarian
                   "\xC5\x81\xC3\xB3\x64\xC5\xBA \xC5\x91.sav", true},
        ScriptName{"\xCE\x96\xCE\xAD\xCE\xBB\xCE\xBD\xCF\x84\xCE\xB1.sav",  // Greek
                   "\xCE\x96\xCE\xAD\xCE\xBB\xCE\xBD\xCF\x84\xCE\xB1.j8.sav", true},
        ScriptName{"My Game.NDS.SAV", "My Game.sav", true},
        ScriptName{"\xE3\x83\x9D\xE3\x82\xB1\xE3\x83\xA2\xE3\x83\xB3.nds.sav",
                   "\xE3\x83\x9D\xE3\x82\xB1\xE3\x83\xA2\xE3\x83\xB3 2.sav", false},
        ScriptName{"\xC5\x81\xC3\xB3\x64\xC5\xBA \xC5\x91.nds.sav",
                   "\xC5\x81\xC3\xB3\x64\xC5\xBA \xC5\x91 2.sav", false}));

struct IconCase {
    RECT client;
    int cx, cy;
    POINT expected;
};

class MinimizedIcon : public ::testing::TestWithParam<IconCase> {};

// Centred with one pixel of rounding up; negative halves truncate toward zero.
TEST_P(MinimizedIcon, IsCentredInTheClientArea) {
    const IconCase& c = GetParam();
    const POINT p = CConverterDlg::MinimizedIconOrigin(c.client, c.cx, c.cy);
    EXPECT_EQ(p.x, c.expected.x);
    EXPECT_EQ(p.y, c.expected.y);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MinimizedIcon,
                         ::testing::Values(IconCase{{0, 0, 100, 50}, 32, 32, {34, 9}},
                                           IconCase{{0, 0, 64, 63}, 32, 32, {16, 16}},
                                           IconCase{{10, 20, 42, 52}, 32, 32, {0, 0}},
                                           IconCase{{0, 0, 20, 21}, 32, 32, {-5, -5}},
                                           IconCase{{0, 0, 0, 0}, 32, 16, {-15, -7}}));

}  // namespace
