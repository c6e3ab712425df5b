#pragma once

// CDialog: a modal dialog built from a dialog template resource.

#include <windows.h>

#include <exception>

#include "framework/wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Operations
    // Creates the window from the template, calls OnInitDialog, runs the
    // modal loop until EndDialog and destroys the window. Gives EndDialog's
    // result, or -1 when the window could not be made. An exception thrown
    // by a handler ends the dialog and is thrown again from here, once the
    // system's code is no longer on the stack.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

    // Overridables
    // Fills the controls from the members (UpdateData(FALSE)); TRUE lets the
    // system put the focus on the first tab stop. A dialog that has not moved
    // itself by its end is then centred on its owner or on the screen.
    virtual BOOL OnInitDialog();
    // IDOK: takes the controls' text into the members, then ends the dialog.
    virtual void OnOK();
    // IDCANCEL: ends the dialog.
    virtual void OnCancel();
    // Commands this dialog has no handler for go on to the application.
    BOOL OnCmdMsg(UINT nID, UINT nCode) override;

protected:
    // Asks the dialog manager to process the current message once the
    // handler returns.
    LRESULT Default() override;

    // Message map
    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bUseDefault = false;
    std::exception_ptr m_pendingException;
};
