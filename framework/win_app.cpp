#include "framework/win_app.h"

#include <exception>
#include <string>
#include <vector>

#include "framework/mbcs.h"

namespace {

CWinApp* g_pApp = nullptr;

// The program file's name without folder and extension.
CString ModuleBaseName() {
    std::vector<char> buffer(MAX_PATH);
    DWORD length = 0;
    while ((length = ::GetModuleFileNameA(nullptr, buffer.data(),
                                          static_cast<DWORD>(buffer.size()))) == buffer.size())
        buffer.resize(buffer.size() * 2);
    std::string name(buffer.data(), length);
    name.erase(0, name.find_last_of("\\/:") + 1);
    auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot != 0) name.erase(dot);
    return CString(std::move(name));
}

}  // namespace

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_strAppName(lpszAppName ? CString(lpszAppName) : CString()) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

void CCommandLineInfo::ParseParam(const char* pszParam) {
    if (m_strFileName.IsEmpty()) m_strFileName = pszParam;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    if (!m_lpCmdLine) return;
    for (const std::string& argument : framework::SplitCommandLine(m_lpCmdLine))
        rCmdInfo.ParseParam(argument.c_str());
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return ExitInstance();
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp* AfxGetApp() {
    return g_pApp;
}

HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR) {
    return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}

CString AfxFullPath(LPCSTR lpszFileIn) {
    std::vector<char> buffer(MAX_PATH);
    while (true) {
        const DWORD length = ::GetFullPathNameA(lpszFileIn, static_cast<DWORD>(buffer.size()),
                                                buffer.data(), nullptr);
        if (length == 0) return CString(lpszFileIn);
        if (length < buffer.size()) return CString(buffer.data(), static_cast<int>(length));
        buffer.resize(length);
    }
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp) return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    if (pApp->m_strAppName.IsEmpty()) pApp->m_strAppName = ModuleBaseName();
    try {
        return pApp->InitInstance() ? pApp->Run() : pApp->ExitInstance();
    } catch (const std::exception& e) {
        ::MessageBoxA(nullptr, e.what(), pApp->m_strAppName, MB_OK | MB_ICONERROR);
    } catch (...) {
        ::MessageBoxA(nullptr, "Unexpected failure.", pApp->m_strAppName, MB_OK | MB_ICONERROR);
    }
    return -1;
}
