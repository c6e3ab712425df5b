// The application object: it shows the dialog as the main window and ends
// the program when the dialog closes, however it is closed.

#include "ui/converter_app.h"

#include <gtest/gtest.h>

#include "framework/tests/dialog_driver.h"
#include "ui/converter_dlg.h"

namespace {

using ondrel::test_support::DialogDriver;
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

}  // namespace
