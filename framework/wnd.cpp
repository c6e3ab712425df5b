#include "framework/wnd.h"

#include <vector>

#include "framework/win_app.h"

CWnd::~CWnd() {
    // The application must not keep pointing at a window that is gone.
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this) pApp->m_pMainWnd = nullptr;
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    *pResult = 0;
    if (message == WM_COMMAND) return OnCommand(wParam, lParam);
    const CMessageMapEntry* entry = FindMessageMapEntry(GetMessageMap(), message, 0, 0);
    if (!entry) return FALSE;
    *pResult = CallHandler(*entry, wParam);
    return TRUE;
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND hCtrl = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (!hCtrl) return;
    if (!pDX->m_bSaveAndValidate) {
        ::SetWindowTextA(hCtrl, value.GetString());
        return;
    }
    // The length can be an overestimate; the copy's count is the truth.
    std::vector<char> buffer(static_cast<std::size_t>(::GetWindowTextLengthA(hCtrl)) + 1);
    int copied = ::GetWindowTextA(hCtrl, buffer.data(), static_cast<int>(buffer.size()));
    value = CString(buffer.data(), copied);
}

std::vector<CString> TakeDroppedFiles(HDROP hDropInfo) {
    std::vector<CString> files;
    const UINT count = ::DragQueryFileA(hDropInfo, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::vector<char> buffer(::DragQueryFileA(hDropInfo, i, nullptr, 0) + 1);
        const UINT length =
            ::DragQueryFileA(hDropInfo, i, buffer.data(), static_cast<UINT>(buffer.size()));
        files.emplace_back(buffer.data(), static_cast<int>(length));
    }
    ::DragFinish(hDropInfo);
    return files;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
}
