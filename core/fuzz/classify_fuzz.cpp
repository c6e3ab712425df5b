// Any byte string as a path: recognition never crashes, proposes an output
// only for the three suffixes, and keeps the folder and base name byte for
// byte. The converter's naming for every target agrees with it for J8 and
// never proposes the input's own name, in any case. A portable name is one
// that stays as it is, of no more than 255 bytes, no hidden or device name.

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/output_naming.h"
#include "core/portable_name.h"
#include "core/source_kind.h"

namespace {

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[s.size() - suffix.size() + i]);
        unsigned char upper = (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
        if (upper != static_cast<unsigned char>(suffix[i])) return false;
    }
    return true;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void CheckTargets(const std::string& path, const std::optional<ondrel::Classification>& dialog) {
    using ondrel::SaveTarget;
    for (SaveTarget target : {SaveTarget::J8, SaveTarget::Raw, SaveTarget::Dsv}) {
        const auto named = ondrel::ClassifyForTarget(path, target);
        const std::string output =
            named ? named->outputPath : ondrel::UnrecognisedOutput(path, target);
        Check(!SameNoCase(output, path));
        if (target == SaveTarget::J8 && dialog) Check(named == dialog);
    }
}

void CheckPortable(const std::string& name) {
    const std::string portable = ondrel::PortableName(name);
    Check(ondrel::PortableName(portable) == portable);
    Check(!portable.empty() && portable.size() <= 255);
    Check(portable.find_first_of(std::string_view("<>:\"/\\|?*\0", 10)) == std::string::npos);
    Check(portable.front() != '.' && portable.back() != '.' && portable.back() != ' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    const auto result = ondrel::ClassifyInputPath(path);
    CheckTargets(path, result);
    CheckPortable(path);

    std::size_t cut = 0;
    std::string_view added;
    ondrel::SourceKind kind{};
    if (EndsWithNoCase(path, ".NDS.SAV")) {
        cut = 8, added = ".sav", kind = ondrel::SourceKind::NdsSav;
    } else if (EndsWithNoCase(path, ".SAV")) {
        cut = 4, added = ".j8.sav", kind = ondrel::SourceKind::Sav;
    } else if (EndsWithNoCase(path, ".DAT")) {
        cut = 4, added = ".sav", kind = ondrel::SourceKind::Dat;
    } else {
        Check(!result);
        return 0;
    }
    Check(result.has_value());
    Check(result->kind == kind);
    Check(result->outputPath.size() == path.size() - cut + added.size());
    Check(result->outputPath.compare(0, path.size() - cut, path, 0, path.size() - cut) == 0);
    Check(std::string_view(result->outputPath).substr(path.size() - cut) == added);
    return 0;
}
