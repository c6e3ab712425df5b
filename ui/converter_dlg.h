#pragma once

// The program's one window: input and output path fields, a "..." chooser
// button for each, and "&Transform". A save can also be picked by dropping it
// on the window, or by starting the program with it (ui/converter_app.cpp).

#include "core/source_kind.h"
#include "framework/framework.h"
#include "ui/resource.h"

// The kind of source save the input is read as. Set only when a file picked
// as the input (in the input chooser, dropped, or given at start) has a
// recognised name; never derived from a typed path.
extern ondrel::SourceKind g_sourceKind;

class CConverterDlg : public CDialog {
public:
    explicit CConverterDlg(CWnd* pParent = nullptr);

    enum { IDD = IDD_MAIN_DIALOG };

    // Attributes
    CString m_strInputPath;   // control IDC_INPUT_PATH
    CString m_strOutputPath;  // control IDC_OUTPUT_PATH

    // Where the icon goes in a minimized client area of the given size:
    // centred, rounding the way the system's own dialogs always have.
    static POINT MinimizedIconOrigin(const RECT& client, int cxIcon, int cyIcon);

    // Operations
    // Takes path as the input chooser's pick: the input member, and when the
    // name is recognised the kind and the proposed output; otherwise neither
    // changes. The fields show it at the next UpdateData(FALSE).
    void PickInput(const CString& path);

protected:
    HICON m_hIcon;

    // Overridables
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    // Message handlers
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBrowseInput();
    void OnBrowseOutput();
    void OnTransform();
    void OnDropFiles(HDROP hDropInfo);

    // Message map
    DECLARE_MESSAGE_MAP()
};
