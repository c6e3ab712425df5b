#pragma once

// CFileDialog: the system's common open-file (or save-file) dialog.

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "framework/cstring.h"
#include "framework/wnd.h"

class CFileDialog {
public:
    // lpszFilter lists descriptions and patterns separated by '|', with a
    // closing '|': "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|".
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr,
                         LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         LPCSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog() = default;
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // Room for the longest path the system can name (32,767 characters),
    // at up to two bytes each in a double-byte code page.
    static constexpr std::size_t kPathBufferSize = 0x10000;

    // Attributes
    OPENFILENAMEA m_ofn;  // what the system dialog is given; may be adjusted before DoModal
    // The chosen file's full path, as the dialog returned it.
    CString GetPathName() const { return CString(m_fileName.data()); }

    // Operations
    // IDOK when a file was chosen, IDCANCEL when the user cancelled (or the
    // dialog could not be shown).
    virtual INT_PTR DoModal();

private:
    BOOL m_bOpenFileDialog;
    std::string m_defExt;
    std::string m_filter;
    std::vector<char> m_fileName;
};
