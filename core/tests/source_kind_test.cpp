#include "core/source_kind.h"
#include "core/output_naming.h"
#include "core/portable_name.h"

#include <gtest/gtest.h>

namespace ondrel {
namespace {

struct NameCase {
    std::string path;
    std::optional<Classification> expected;
};

class ClassifyInputPathTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ClassifyInputPathTest, GivesKindAndOutputName) {
    EXPECT_EQ(ClassifyInputPath(GetParam().path), GetParam().expected);
}

using K = SourceKind;
INSTANTIATE_TEST_SUITE_P(
    Names, ClassifyInputPathTest,
    ::testing::Values(
        // The eight-byte suffix is tested first; the name keeps its case.
        NameCase{R"(D:\Saves\Mario.NDS.SAV)", Classification{K::NdsSav, R"(D:\Saves\Mario.sav)"}},
        NameCase{R"(C:\x\game.nds.sav)", Classification{K::NdsSav, R"(C:\x\game.sav)"}},
        NameCase{R"(C:\x\Game.Nds.sAv)", Classification{K::NdsSav, R"(C:\x\Game.sav)"}},
        NameCase{".nds.sav", Classification{K::NdsSav, ".sav"}},
        // A *.sav input never gets its own name proposed as the output.
        NameCase{R"(C:\x\Game.Sav)", Classification{K::Sav, R"(C:\x\Game.j8.sav)"}},
        NameCase{R"(C:\x\a.xnds.sav)", Classification{K::Sav, R"(C:\x\a.xnds.j8.sav)"}},
        NameCase{"nds.sav", Classification{K::Sav, "nds.j8.sav"}},
        NameCase{".sav", Classification{K::Sav, ".j8.sav"}},
        NameCase{"/srv/p/DS Saves/zelda.sav",
                 Classification{K::Sav, "/srv/p/DS Saves/zelda.j8.sav"}},
        NameCase{R"(C:\x\slot1.DAT)", Classification{K::Dat, R"(C:\x\slot1.sav)"}},
        NameCase{R"(C:\My.Sav\slot1.dat)", Classification{K::Dat, R"(C:\My.Sav\slot1.sav)"}},
        // Bytes above 0x7F in the name are kept as they are.
        NameCase{"C:\\\xC4pfel\\\x83\x5C.dat",
                 Classification{K::Dat, "C:\\\xC4pfel\\\x83\x5C.sav"}},
        NameCase{"C:\\\xE9t\xE9.NDS.SAV", Classification{K::NdsSav, "C:\\\xE9t\xE9.sav"}},
        // Not recognised.
        NameCase{R"(C:\x\game.dat.bak)", std::nullopt}, NameCase{R"(C:\x\game.sa)", std::nullopt},
        NameCase{R"(C:\x\game.sav )", std::nullopt},
        NameCase{R"(D:\Saves\notes.txt)", std::nullopt}, NameCase{"sav", std::nullopt},
        NameCase{"", std::nullopt}, NameCase{"C:\\x\\game.s\xC1v", std::nullopt}));

// The converter's names for each target: a bare save or a J8 image is a
// *.sav, a .dsv a *.dsv, and never the input's own name.
struct TargetNameCase {
    std::string path;
    SaveTarget target;
    std::string output;
};

TEST(ClassifyForTargetTest, NamesEveryTargetsOutput) {
    using T = SaveTarget;
    for (const auto& c : {
             TargetNameCase{"g.dsv", T::J8, "g.sav"},
             TargetNameCase{"g.DSV", T::Raw, "g.sav"},
             TargetNameCase{"g.dsv", T::Dsv, "g.new.dsv"},
             TargetNameCase{"g.duc", T::Dsv, "g.dsv"},
             TargetNameCase{"g.Dss", T::Raw, "g.sav"},
             TargetNameCase{"g.sav", T::Raw, "g.raw.sav"},
             TargetNameCase{"g.nds.sav", T::Raw, "g.sav"},
             TargetNameCase{"g.dat", T::Dsv, "g.dsv"},
             TargetNameCase{"g.bin", T::Raw, "g.bin.raw.sav"},
             TargetNameCase{"g.bin", T::Dsv, "g.bin.dsv"},
         }) {
        auto named = ClassifyForTarget(c.path, c.target);
        EXPECT_EQ(named ? named->outputPath : UnrecognisedOutput(c.path, c.target), c.output)
            << c.path;
    }
    // The dialog knows the carts' suffixes only.
    EXPECT_EQ(ClassifyInputPath("g.dsv"), std::nullopt);
}

// Names for a download or a zip's entry, kept as they are by every system.
TEST(PortableNameTest, ChangesOnlyWhatSomeSystemCannotKeep) {
    const std::string longStem(300, 'a'), accented = [] {
        std::string text;
        for (int i = 0; i < 200; ++i) text += "\xC3\xA9";
        return text;
    }();
    for (const auto& [name, portable] : std::initializer_list<std::pair<std::string, std::string>>{
             {"Game.sav", "Game.sav"},
             {"\xC3\xA9t\xC3\xA9 (2).raw.sav", "\xC3\xA9t\xC3\xA9 (2).raw.sav"},
             {"a:b*c?.sav", "a_b_c_.sav"},
             {"x<y>z|\"q\".dsv", "x_y_z__q_.dsv"},
             {"back\\slash/x.sav", "back_slash_x.sav"},
             {"tab\tnew\nline\x7F\xC2\x9B.sav", "tab_new_line__.sav"},
             {"\xE2\x80\xAEvas.exe.sav", "_vas.exe.sav"},
             {"\xFF\xFE.sav", "__.sav"},
             {"CON.sav", "_CON.sav"},
             {"com1 .raw.sav", "_com1 .raw.sav"},
             {"Lpt9", "_Lpt9"},
             {"COM0.sav", "COM0.sav"},
             {"lpt\xC2\xB3.sav", "_lpt\xC2\xB3.sav"},
             {"COM\xC2\xB4.sav", "COM\xC2\xB4.sav"},
             {"CONOUT$.sav", "_CONOUT$.sav"},
             {"CONSOLE.sav", "CONSOLE.sav"},
             {".sav", "_.sav"},
             {"..sav", "_..sav"},
             {"name. ", "name__"},
             {"", "_"},
             {longStem + ".raw.sav", std::string(251, 'a') + ".sav"},
             {accented + ".sav", accented.substr(0, 250) + ".sav"},
             {longStem, std::string(255, 'a')},
             {"." + longStem, "_." + std::string(253, 'a')},
         }) {
        EXPECT_EQ(PortableName(name), portable) << name;
    }
}

}  // namespace
}  // namespace ondrel
