#include "framework/dialog.h"

#include <algorithm>
#include <utility>

#include "framework/win_app.h"

namespace {

// Centres a dialog on its owner, when that is shown, or else on the work
// area of the screen it is on; kept within that work area.
void CenterOnOwnerOrWorkArea(HWND dialog) {
    HWND owner = ::GetWindow(dialog, GW_OWNER);
    const bool onOwner = owner && ::IsWindowVisible(owner) && !::IsIconic(owner);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoA(::MonitorFromWindow(onOwner ? owner : dialog, MONITOR_DEFAULTTONEAREST),
                           &monitor))
        return;
    const RECT& work = monitor.rcWork;
    RECT around = work, rect;
    if (onOwner) ::GetWindowRect(owner, &around);
    ::GetWindowRect(dialog, &rect);
    const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
    LONG x = (around.left + around.right - width) / 2,
         y = (around.top + around.bottom - height) / 2;
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
    LPCSTR name = MAKEINTRESOURCEA(m_nIDTemplate);
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    m_pendingException = nullptr;
    INT_PTR result = ::DialogBoxParamA(AfxFindResourceHandle(name, RT_DIALOG), name, hParent,
                                       &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    if (m_pendingException) std::rethrow_exception(std::exchange(m_pendingException, nullptr));
    return result;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCmdMsg(UINT nID, UINT nCode) {
    if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID, nCode);
}

LRESULT CDialog::Default() {
    m_bUseDefault = true;
    return 0;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

// The one dialog procedure of every CDialog. The object arrives with
// WM_INITDIALOG and is kept in the window's DWLP_USER slot; messages before
// that one (WM_SETFONT) are left to the dialog manager.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        reinterpret_cast<CDialog*>(lParam)->m_hWnd = hWnd;
    }
    auto* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (!self) return FALSE;
    // An exception must not unwind through the system's code, which called us.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        if (!self->m_pendingException) self->m_pendingException = std::current_exception();
        ::EndDialog(hWnd, -1);
        return FALSE;
    }
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // As the framework we model does: a dialog that did not place itself
        // in OnInitDialog is centred, where its template would leave it in a
        // corner of the screen.
        RECT before{}, after{};
        ::GetWindowRect(m_hWnd, &before);
        const BOOL result = OnInitDialog();
        ::GetWindowRect(m_hWnd, &after);
        if (::EqualRect(&before, &after)) CenterOnOwnerOrWorkArea(m_hWnd);
        return result;
    }

    // Handlers can nest (a message box's loop paints this dialog), so the
    // request for default processing is kept per message.
    const bool outerUseDefault = std::exchange(m_bUseDefault, false);
    LRESULT result = 0;
    const bool handled = OnWndMsg(message, wParam, lParam, &result) && !m_bUseDefault;
    m_bUseDefault = outerUseDefault;
    if (!handled) return FALSE;

    switch (message) {
        // These give their result as the procedure's return value.
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
    }
}
