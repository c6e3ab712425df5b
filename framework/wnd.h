#pragma once

// CWnd: a window of the program, with its data exchange, plus the small
// helpers that work on one (CDataExchange, DDX_Text, CPaintDC, the files of
// a drop).

#include <windows.h>  // with shellapi.h, for the drops

#include <vector>

#include "framework/cstring.h"
#include "framework/message_map.h"

class CDataExchange;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;

    // Attributes
    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }

    // Operations
    // TRUE: every bound control's text into its member; FALSE: every member
    // into its control. Both go through DoDataExchange.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // windows.h spells this SendMessageA in an ANSI build.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    // Whether files dragged from the shell may be dropped on this window; a
    // drop arrives as WM_DROPFILES (ON_WM_DROPFILES).
    void DragAcceptFiles(BOOL bAccept = TRUE) { ::DragAcceptFiles(m_hWnd, bAccept); }
    // A modal message box owned by this window.
    int MessageBoxA(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK) {
        return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
    }

    // Overridables
    virtual void DoDataExchange(CDataExchange* pDX);
    // Routes a WM_COMMAND through OnCmdMsg; TRUE when a handler took it.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Routes any message through the message map; TRUE when a handler took it.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

protected:
    // From inside a handler: let the system's default processing handle the
    // message being handled. A window this framework does not run has none.
    virtual LRESULT Default() { return 0; }

    // Message map
    DECLARE_MESSAGE_MAP()
};

// The direction and the window of one UpdateData call.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    // Attributes
    BOOL m_bSaveAndValidate;  // TRUE: controls to members
    CWnd* m_pDlgWnd;
};

// Copies the whole text of control nIDC into value, or value into the
// control, as pDX says. A missing control leaves both alone.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

// The full paths of the files of a drop, in the order the shell gives them,
// and the drop released (DragFinish), which its handler must do once.
std::vector<CString> TakeDroppedFiles(HDROP hDropInfo);

// Painting a window in its WM_PAINT handler: BeginPaint when made,
// EndPaint when dropped.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    // Attributes
    HDC m_hDC;
    PAINTSTRUCT m_ps;
    HDC GetSafeHdc() const { return m_hDC; }

    // Operations
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }

private:
    HWND m_hWnd;
};
