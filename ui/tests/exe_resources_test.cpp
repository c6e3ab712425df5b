// The resources of the built Ondrel.exe (its path is the first argument):
// the dialog template, the icon, the version information and the manifest.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/resource.h"

namespace {

const char* g_exePath = "Ondrel.exe";

class ExeResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_module = ::LoadLibraryExA(g_exePath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (s_module) ::FreeLibrary(s_module);
    }
    void SetUp() override { ASSERT_NE(s_module, nullptr) << "cannot open " << g_exePath; }

    // The bytes of resource (type, id) in English (United States).
    static std::vector<BYTE> Resource(LPCSTR type, int id) {
        HRSRC found = ::FindResourceExA(s_module, type, MAKEINTRESOURCEA(id),
                                        MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        if (!found) return {};
        auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(s_module, found)));
        return std::vector<BYTE>(data, data + ::SizeofResource(s_module, found));
    }

    static HMODULE s_module;
};

HMODULE ExeResources::s_module = nullptr;

// Reads a dialog template field by field.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<BYTE>& bytes) : m_bytes(bytes) {}

    template <typename T>
    T Get() {
        T value{};
        if (m_pos + sizeof(T) <= m_bytes.size()) std::memcpy(&value, &m_bytes[m_pos], sizeof(T));
        m_pos += sizeof(T);
        return value;
    }
    // A string, or an ordinal written as "#n".
    std::string SzOrOrd() {
        WORD first = Get<WORD>();
        if (first == 0xFFFF) return std::string("#").append(std::to_string(Get<WORD>()));
        std::string text;
        for (WORD c = first; c != 0; c = Get<WORD>()) text += static_cast<char>(c);
        return text;
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~std::size_t{3}; }
    bool AtEnd() const { return m_pos >= m_bytes.size(); }

private:
    const std::vector<BYTE>& m_bytes;
    std::size_t m_pos = 0;
};

struct ControlRow {
    int id;
    std::string cls;  // "#128" button, "#129" edit, "#130" static
    std::string text;
    short x, y, cx, cy;
    DWORD style;

    bool operator==(const ControlRow&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ControlRow& r) {
    return out << "{" << r.id << " " << r.cls << " \"" << r.text << "\" " << r.x << "," << r.y
               << " " << r.cx << "x" << r.cy << " style 0x" << std::hex << r.style << std::dec
               << "}";
}

TEST_F(ExeResources, MainDialogTemplateIsExactlyTheDesignedOne) {
    const std::vector<BYTE> bytes = Resource(RT_DIALOG, IDD_MAIN_DIALOG);
    ASSERT_FALSE(bytes.empty());
    TemplateReader t(bytes);
    EXPECT_EQ(t.Get<WORD>(), 1);  // extended template
    EXPECT_EQ(t.Get<WORD>(), 0xFFFF);
    t.Get<DWORD>();  // help ID
    EXPECT_EQ(t.Get<DWORD>(), static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(t.Get<DWORD>(), static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                                 DS_MODALFRAME | DS_SETFONT));
    const WORD count = t.Get<WORD>();
    EXPECT_EQ(t.Get<short>(), 0);
    EXPECT_EQ(t.Get<short>(), 0);
    EXPECT_EQ(t.Get<short>(), 434);
    EXPECT_EQ(t.Get<short>(), 84);
    EXPECT_EQ(t.SzOrOrd(), "");  // no menu
    EXPECT_EQ(t.SzOrOrd(), "");  // the standard dialog class
    EXPECT_EQ(t.SzOrOrd(), "J8 Ondrel (v2.0)");
    EXPECT_EQ(t.Get<WORD>(), 8);  // points
    t.Get<WORD>();                // weight
    t.Get<BYTE>();                // italic
    t.Get<BYTE>();                // character set
    EXPECT_EQ(t.SzOrOrd(), "MS Sans Serif");

    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    const std::vector<ControlRow> expected = {
        {-1, "#130", "Input filename:", 12, 13, 61, 8, kChild | WS_GROUP | SS_LEFT},
        {-1, "#130", "Output filename:", 8, 33, 65, 8, kChild | WS_GROUP | SS_LEFT},
        {IDC_INPUT_PATH, "#129", "", 77, 10, 310, 15,
         kChild | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL},
        {IDC_OUTPUT_PATH, "#129", "", 77, 29, 310, 15,
         kChild | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL},
        {IDC_BROWSE_INPUT, "#128", "...", 398, 9, 21, 15, kChild | WS_TABSTOP | BS_PUSHBUTTON},
        {IDC_BROWSE_OUTPUT, "#128", "...", 398, 28, 21, 15, kChild | WS_TABSTOP | BS_PUSHBUTTON},
        {IDC_TRANSFORM, "#128", "&Transform", 147, 52, 138, 25,
         kChild | WS_TABSTOP | BS_PUSHBUTTON},
    };
    std::vector<ControlRow> controls;
    for (WORD i = 0; i < count; ++i) {
        t.AlignDword();
        ControlRow row;
        t.Get<DWORD>();  // help ID
        EXPECT_EQ(t.Get<DWORD>(), 0u) << "extended style of control " << i;
        row.style = t.Get<DWORD>();
        row.x = t.Get<short>();
        row.y = t.Get<short>();
        row.cx = t.Get<short>();
        row.cy = t.Get<short>();
        row.id = static_cast<int>(t.Get<DWORD>());
        if (row.id == 0xFFFF) row.id = -1;
        row.cls = t.SzOrOrd();
        row.text = t.SzOrOrd();
        t.Get<WORD>();  // creation data: none
        controls.push_back(row);
    }
    EXPECT_EQ(controls, expected);
}

TEST_F(ExeResources, IconHas32And16PixelImagesOf16Colours) {
    const std::vector<BYTE> group = Resource(RT_GROUP_ICON, IDR_MAINFRAME);
    ASSERT_GE(group.size(), 6u);
    const WORD count = *reinterpret_cast<const WORD*>(&group[4]);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = &group[6 + 14 * i];
        sizes.push_back(entry[0]);
        EXPECT_EQ(entry[0], entry[1]);
        EXPECT_EQ(entry[2], 16) << "colours";
        EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 4) << "bits per pixel";
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
    // Each size makes a usable icon.
    for (int size : {32, 16}) {
        int id = ::LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group.data()), TRUE, size, size,
                                               LR_DEFAULTCOLOR);
        std::vector<BYTE> image = Resource(RT_ICON, id);
        ASSERT_FALSE(image.empty()) << size;
        HICON icon = ::CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()),
                                                TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << size;
        if (icon) ::DestroyIcon(icon);
    }
}

std::string VersionValue(const std::vector<BYTE>& info, const std::string& name) {
    void* value = nullptr;
    UINT length = 0;
    std::string query = "\\StringFileInfo\\040904B0\\" + name;
    if (!::VerQueryValueA(info.data(), query.c_str(), &value, &length)) return "<missing>";
    return length ? std::string(static_cast<const char*>(value)) : std::string();
}

TEST_F(ExeResources, VersionInformation) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(g_exePath, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(::GetFileVersionInfoA(g_exePath, 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    const std::vector<std::pair<std::string, std::string>> strings = {
        {"CompanyName", ""},
        {"FileDescription", "Ondrel MFC Application"},
        {"FileVersion", "1, 0, 0, 1"},
        {"InternalName", "Ondrel"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "Ondrel.EXE"},
        {"ProductName", "Ondrel Application"},
        {"ProductVersion", "1, 0, 0, 1"},
    };
    for (const auto& [name, value] : strings) EXPECT_EQ(VersionValue(info, name), value) << name;
    EXPECT_NE(VersionValue(info, "LegalCopyright").find("Copyright"), std::string::npos);
}

TEST_F(ExeResources, ManifestAsksForInvokerRightsStylesAndDpiAwareness) {
    const std::vector<BYTE> bytes = Resource(RT_MANIFEST, 1);
    ASSERT_FALSE(bytes.empty());
    const std::string manifest(bytes.begin(), bytes.end());
    for (const char* needle : {
             "level=\"asInvoker\"",
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
             "<dpiAware",
             "PerMonitorV2",
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             // The program's own processor: x86 in a 32-bit build, amd64 in a 64-bit one.
             "version=\"1.0.0.1\" processorArchitecture=\"" ONDREL_MANIFEST_ARCH "\"",
         })
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) g_exePath = argv[1];
    return RUN_ALL_TESTS();
}
