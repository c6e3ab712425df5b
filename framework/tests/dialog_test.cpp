// The framework's dialog machinery, on a real dialog from a real template.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/framework.h"
#include "framework/tests/dialog_driver.h"
#include "framework/tests/test_dialog.h"

namespace {

using namespace std::string_literals;
using ondrel::test_support::ClickItem;
using ondrel::test_support::DialogDriver;
using ondrel::test_support::DropFiles;
using ondrel::test_support::ItemText;
using ondrel::test_support::PressKey;
using ondrel::test_support::TypeInto;
using ondrel::test_support::WindowKind;

class CBaseTestDlg : public CDialog {
public:
    CBaseTestDlg() : CDialog(IDD_TEST_DIALOG) {}

    std::vector<std::string> m_calls;
    CString m_strFirst;
    CString m_strSecond;

    static const CMessageMap* Map() { return GetThisMessageMap(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, IDC_TEST_FIRST, m_strFirst);
        DDX_Text(pDX, IDC_TEST_SECOND, m_strSecond);
    }
    void OnOK() override {
        m_calls.push_back("OnOK");
        CDialog::OnOK();
    }
    void OnA() { m_calls.push_back("base A"); }
    void OnB() { m_calls.push_back("base B"); }
    void OnDropFiles(HDROP hDropInfo) {
        for (const CString& file : TakeDroppedFiles(hDropInfo))
            m_calls.push_back("dropped " + file.StdString());
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTestDlg, CDialog)
ON_BN_CLICKED(IDC_TEST_A, &CBaseTestDlg::OnA)
ON_BN_CLICKED(IDC_TEST_B, &CBaseTestDlg::OnB)
ON_WM_DROPFILES()
END_MESSAGE_MAP()

class CDerivedTestDlg : public CBaseTestDlg {
public:
    static const CMessageMap* Map() { return GetThisMessageMap(); }

protected:
    void OnDerivedB() { m_calls.push_back("derived B"); }
    void OnC() { throw std::runtime_error("handler failed"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTestDlg, CBaseTestDlg)
ON_BN_CLICKED(IDC_TEST_B, &CDerivedTestDlg::OnDerivedB)
ON_BN_CLICKED(IDC_TEST_C, &CDerivedTestDlg::OnC)
END_MESSAGE_MAP()

struct LookupCase {
    UINT id;
    const CMessageMap* (*owner)();  // whose table has the entry; null for none
};

class MessageMapLookup : public ::testing::TestWithParam<LookupCase> {};

// The entry is found in the first table up the chain that lists the command.
TEST_P(MessageMapLookup, FindsTheNearestTable) {
    const CMessageMapEntry* entry =
        FindMessageMapEntry(CDerivedTestDlg::Map(), WM_COMMAND, BN_CLICKED, GetParam().id);
    if (!GetParam().owner) {
        EXPECT_EQ(entry, nullptr);
        return;
    }
    ASSERT_NE(entry, nullptr);
    const CMessageMapEntry* first = GetParam().owner()->lpEntries;
    bool inOwner = false;
    for (const CMessageMapEntry* e = first; e->nSig != MessageSig::End; ++e) inOwner |= e == entry;
    EXPECT_TRUE(inOwner);
}

INSTANTIATE_TEST_SUITE_P(Cases, MessageMapLookup,
                         ::testing::Values(LookupCase{IDC_TEST_A, &CBaseTestDlg::Map},
                                           LookupCase{IDC_TEST_B, &CDerivedTestDlg::Map},
                                           LookupCase{IDC_TEST_C, &CDerivedTestDlg::Map},
                                           LookupCase{IDC_TEST_FIRST, nullptr}));

TEST(MessageMap, OkAndCancelComeFromTheDialogTable) {
    for (UINT id : {IDOK, IDCANCEL})
        EXPECT_NE(FindMessageMapEntry(CDerivedTestDlg::Map(), WM_COMMAND, 0, id), nullptr);
    EXPECT_EQ(FindMessageMapEntry(CDerivedTestDlg::Map(), WM_PAINT, 0, 0), nullptr);
}

TEST(CDialog, ClicksReachTheDerivedThenTheBaseHandlers) {
    CDerivedTestDlg dlg;
    DialogDriver driver;
    driver.On(WindowKind::Dialog, [](HWND h) { ClickItem(h, IDC_TEST_A); })
        .On(WindowKind::Dialog, [](HWND h) { ClickItem(h, IDC_TEST_B); })
        .On(WindowKind::Dialog, [](HWND h) { ::PostMessageA(h, WM_CLOSE, 0, 0); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_EQ(dlg.m_calls, (std::vector<std::string>{"base A", "derived B"}));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

// Every file of a drop reaches the handler, whole and in order, however long.
TEST(CDialog, DroppedFilesReachTheHandlerInOrder) {
    const std::vector<std::string> files = {"C:\\Saves\\Game 1.nds.sav", "Z:\\caf\xE9.dat",
                                            "C:\\" + std::string(300, 'n') + ".sav"};
    CDerivedTestDlg dlg;
    DialogDriver driver;
    driver.On(WindowKind::Dialog, [&](HWND h) {
        DropFiles(h, files);
        ::PostMessageA(h, WM_CLOSE, 0, 0);
    });
    dlg.DoModal();
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_EQ(dlg.m_calls, (std::vector<std::string>{"dropped " + files[0], "dropped " + files[1],
                                                     "dropped " + files[2]}));
}

TEST(DDX_Text, CopiesWholeTextBothWays) {
    const std::string longText(5000, 'x');
    CBaseTestDlg dlg;
    dlg.m_strFirst = "  caf\xE9 \xA0\xFF  ";
    dlg.m_strSecond = CString(longText);
    std::string shownFirst, shownSecond;
    DialogDriver driver;
    driver.On(WindowKind::Dialog, [&](HWND h) {
        // OnInitDialog filled the fields from the members.
        shownFirst = ItemText(h, IDC_TEST_FIRST);
        shownSecond = ItemText(h, IDC_TEST_SECOND);
        TypeInto(h, IDC_TEST_FIRST, "\t\x81\x40 typed ");
        TypeInto(h, IDC_TEST_SECOND, longText + "y");
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_EQ(shownFirst, "  caf\xE9 \xA0\xFF  ");
    EXPECT_EQ(shownSecond, longText);
    // Enter is OnOK, which took the fields into the members.
    EXPECT_EQ(dlg.m_calls, std::vector<std::string>{"OnOK"});
    EXPECT_EQ(dlg.m_strFirst.StdString(), "\t\x81\x40 typed ");
    EXPECT_EQ(dlg.m_strSecond.StdString(), longText + "y");
}

TEST(CDialog, EscapeEndsWithoutTakingTheFields) {
    CBaseTestDlg dlg;
    dlg.m_strFirst = "kept";
    DialogDriver driver;
    driver.On(WindowKind::Dialog, [](HWND h) {
        TypeInto(h, IDC_TEST_FIRST, "typed");
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_EQ(dlg.m_strFirst.StdString(), "kept");
    EXPECT_TRUE(dlg.m_calls.empty());
}

TEST(CDialog, HandlerExceptionEndsTheDialogAndLeavesDoModal) {
    CDerivedTestDlg dlg;
    HWND shown = nullptr;
    DialogDriver driver;
    driver.On(WindowKind::Dialog, [&](HWND h) {
        shown = h;
        ClickItem(h, IDC_TEST_C);
    });
    EXPECT_THROW(dlg.DoModal(), std::runtime_error);
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_FALSE(::IsWindow(shown));
    // The dialog can run again afterwards.
    DialogDriver again;
    again.On(WindowKind::Dialog, [](HWND h) { ::PostMessageA(h, WM_CLOSE, 0, 0); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(CDialog, MissingTemplateGivesMinusOne) {
    class CNoTemplateDlg : public CDialog {
    public:
        CNoTemplateDlg() : CDialog(999) {}
    } dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
}

class CHelpTestApp : public CWinApp {
public:
    int m_nHelp = 0;
    BOOL m_bInitResult = FALSE;
    bool m_bThrow = false;
    int m_nInit = 0;

protected:
    BOOL InitInstance() override {
        ++m_nInit;
        if (m_bThrow) throw std::runtime_error("start-up failed");
        if (m_bInitResult) ::PostQuitMessage(0);
        return m_bInitResult;
    }
    int ExitInstance() override { return 40 + m_nInit; }
    void OnTestHelp() { ++m_nHelp; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CHelpTestApp, CWinApp)
ON_COMMAND(ID_HELP, &CHelpTestApp::OnTestHelp)
END_MESSAGE_MAP()

TEST(CDialog, CommandsItDoesNotHandleGoToTheApplication) {
    CHelpTestApp app;
    CBaseTestDlg dlg;
    DialogDriver driver;
    driver.On(WindowKind::Dialog, [&](HWND h) {
        EXPECT_EQ(app.m_pMainWnd, &dlg);
        ::SendMessageA(h, WM_COMMAND, ID_HELP, 0);
        ::PostMessageA(h, WM_CLOSE, 0, 0);
    });
    app.m_pMainWnd = &dlg;
    dlg.DoModal();
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_EQ(app.m_nHelp, 1);
}

TEST(CWinApp, MainWindowIsForgottenWithItsObject) {
    CHelpTestApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    {
        CBaseTestDlg dlg;
        app.m_pMainWnd = &dlg;
    }
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

struct CommandLineCase {
    const char* name;
    const char* line;  // after the program's name, as WinMain gets it
    const char* file;
};

class CommandLine : public ::testing::TestWithParam<CommandLineCase> {};

// The file to open is the first argument, whatever it looks like.
TEST_P(CommandLine, TakesTheFirstArgumentAsTheFile) {
    CHelpTestApp app;
    std::string line = GetParam().line ? GetParam().line : "";
    app.m_lpCmdLine = GetParam().line ? line.data() : nullptr;
    CCommandLineInfo info;
    app.ParseCommandLine(info);
    EXPECT_EQ(info.m_strFileName.StdString(), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLine,
    ::testing::Values(CommandLineCase{"None", nullptr, ""}, CommandLineCase{"Empty", "", ""},
                      CommandLineCase{"FirstOfTwo", "a.dat b.sav", "a.dat"},
                      CommandLineCase{"QuotedWithBlanks", "\"C:\\My Saves\\a b.sav\" c.dat",
                                      "C:\\My Saves\\a b.sav"},
                      CommandLineCase{"LooksLikeAnOption", "-Game.dat /x", "-Game.dat"},
                      CommandLineCase{"EmptyFirst", "\"\" b.sav", "b.sav"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FullPathCase {
    const char* name;
    std::string path;      // "@" stands for the current folder, without its last separator
    std::string expected;  // likewise
};

class FullPath : public ::testing::TestWithParam<FullPathCase> {};

// As the Open dialog would give the file: absolute, in the system's form.
TEST_P(FullPath, IsTheFileTheSystemOpens) {
    char current[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, current);
    ASSERT_GT(length, 0u);
    std::string folder(current, length);
    if (folder.back() == '\\') folder.pop_back();
    auto expand = [&folder](std::string text) {
        if (auto at = text.find('@'); at != std::string::npos) text.replace(at, 1, folder);
        return text;
    };
    EXPECT_EQ(AfxFullPath(expand(GetParam().path).c_str()).StdString(),
              expand(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FullPath,
    ::testing::Values(FullPathCase{"Absolute", "C:\\Saves\\Game.dat", "C:\\Saves\\Game.dat"},
                      FullPathCase{"Relative", "Game 1.nds.sav", "@\\Game 1.nds.sav"},
                      FullPathCase{"RelativeInAFolder", "saves\\..\\x\\.\\a.sav", "@\\x\\a.sav"},
                      FullPathCase{"ForwardSlashes", "C:/Saves/a.sav", "C:\\Saves\\a.sav"},
                      FullPathCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AfxWinMain, InitInstanceFalseEndsWithoutMessageLoop) {
    CHelpTestApp app;
    EXPECT_EQ(AfxWinMain(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 41);
    EXPECT_EQ(app.m_nInit, 1);
    // Without a name the program's file name is the application's.
    EXPECT_EQ(app.m_strAppName.StdString(), "framework_test");
}

TEST(AfxWinMain, InitInstanceTrueRunsTheLoopUntilQuit) {
    CHelpTestApp app;
    app.m_bInitResult = TRUE;
    EXPECT_EQ(AfxWinMain(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 41);
}

TEST(AfxWinMain, ExceptionIsReportedAndEndsWithFailure) {
    CHelpTestApp app;
    app.m_bThrow = true;
    ondrel::test_support::MessageSeen seen;
    DialogDriver driver;
    driver.AnswerMessage(&seen);
    EXPECT_EQ(AfxWinMain(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), -1);
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_EQ(seen.text, "start-up failed");
    EXPECT_EQ(seen.caption, "framework_test");
    EXPECT_EQ(seen.icon, static_cast<UINT>(MB_ICONSTOP));
}

TEST(CFileDialog, HandsTheSystemTheConvertedFilterAndALargeBuffer) {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, "Saves (*.sav)|*.sav|All|*.*|");
    EXPECT_EQ(dlg.m_ofn.Flags, static_cast<DWORD>(OFN_HIDEREADONLY));
    const std::string expected = "Saves (*.sav)\0*.sav\0All\0*.*\0\0"s;
    EXPECT_EQ(std::string(dlg.m_ofn.lpstrFilter, expected.size()), expected);
    EXPECT_GE(dlg.m_ofn.nMaxFile, 32768u);
    EXPECT_EQ(dlg.m_ofn.lpstrDefExt, nullptr);
    EXPECT_TRUE(dlg.GetPathName().IsEmpty());
}

TEST(CFileDialog, ShowsTheFilterAndGivesTheTypedPath) {
    CBaseTestDlg owner;
    std::string filter;
    CString picked;
    INT_PTR result = 0;
    // A long name comes back whole. (Wine's own dialog stops at MAX_PATH, so
    // the path stays below that.)
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + std::string(200, 'n') + ".sav";
    DialogDriver driver;
    driver
        .On(WindowKind::Dialog,
            [&](HWND) {
                CFileDialog file(TRUE, nullptr, nullptr, OFN_HIDEREADONLY,
                                 "Saves (*.sav)|*.sav|All Files (*.*)|*.*|", &owner);
                result = file.DoModal();
                picked = file.GetPathName();
                ::PostMessageA(owner.m_hWnd, WM_CLOSE, 0, 0);
            })
        .PickFile(path, &filter);
    owner.DoModal();
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(filter, "Saves (*.sav)|*.sav|All Files (*.*)|*.*|");
    EXPECT_EQ(picked.StdString(), path);
}

TEST(CFileDialog, CancelGivesIdCancel) {
    CBaseTestDlg owner;
    INT_PTR result = 0;
    DialogDriver driver;
    driver
        .On(WindowKind::Dialog,
            [&](HWND) {
                CFileDialog file(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, "All|*.*|", &owner);
                result = file.DoModal();
                ::PostMessageA(owner.m_hWnd, WM_CLOSE, 0, 0);
            })
        .CancelOpen();
    owner.DoModal();
    EXPECT_TRUE(driver.Finished()) << driver.Report();
    EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
