#include "framework/file_dialog.h"

#include <algorithm>
#include <cstring>

#include "framework/mbcs.h"

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName,
                         DWORD dwFlags, LPCSTR lpszFilter, CWnd* pParentWnd)
    : m_ofn(),
      m_bOpenFileDialog(bOpenFileDialog),
      m_defExt(lpszDefExt ? lpszDefExt : ""),
      m_filter(framework::FilterToDoubleNul(lpszFilter ? lpszFilter : "")),
      m_fileName(kPathBufferSize, '\0') {
    if (lpszFileName)
        std::copy_n(lpszFileName, std::min(std::strlen(lpszFileName), kPathBufferSize - 1),
                    m_fileName.begin());
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.lpstrFile = m_fileName.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_fileName.size());
    m_ofn.lpstrDefExt = m_defExt.empty() ? nullptr : m_defExt.c_str();
    m_ofn.Flags = dwFlags;
}

INT_PTR CFileDialog::DoModal() {
    BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}
