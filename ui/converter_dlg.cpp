#include "ui/converter_dlg.h"

#include <string>
#include <vector>

#include "jobs/transform_command.h"

ondrel::SourceKind g_sourceKind = ondrel::SourceKind::NdsSav;

namespace {

constexpr char kInputFilter[] =
    "SC 256K SAVE Files (*.nds.sav)|*.nds.sav|"
    "M3 257K SAVE Files (*.dat)|*.dat|"
    "DSLink 520K SAVE Files (*.sav)|*.sav|"
    "Acekard 0.5-512K Files (*.nds.sav)|*.nds.sav|"
    "EZ-Flash4 256K Files (*.sav)|*.sav|"
    "EWIN2 256K Files (*.sav)|*.sav|"
    "All Files (*.*)|*.*|";

constexpr char kOutputFilter[] = "J8 512K SAVE Files (*.sav)|*.sav|All Files (*.*)|*.*|";

// The Transform command's messages, as message boxes owned by the dialog.
class DialogMessageSink final : public ondrel::MessageSink {
public:
    explicit DialogMessageSink(CWnd& wnd) : m_wnd(wnd) {}

    void ShowMessage(const std::string& text, const std::string& caption,
                     ondrel::MessageIcon icon) override {
        m_wnd.MessageBoxA(text.c_str(), caption.c_str(), static_cast<UINT>(icon));
    }

private:
    CWnd& m_wnd;
};

}  // namespace

CConverterDlg::CConverterDlg(CWnd* pParent)
    : CDialog(IDD, pParent),
      m_strInputPath(""),
      m_strOutputPath(""),
      m_hIcon(::LoadIconA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON),
                          MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

void CConverterDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_INPUT_PATH, m_strInputPath);
    DDX_Text(pDX, IDC_OUTPUT_PATH, m_strOutputPath);
}

BEGIN_MESSAGE_MAP(CConverterDlg, CDialog)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_BROWSE_INPUT, &CConverterDlg::OnBrowseInput)
ON_BN_CLICKED(IDC_BROWSE_OUTPUT, &CConverterDlg::OnBrowseOutput)
ON_BN_CLICKED(IDC_TRANSFORM, &CConverterDlg::OnTransform)
ON_WM_DROPFILES()
END_MESSAGE_MAP()

BOOL CConverterDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    DragAcceptFiles();
    return TRUE;  // the focus goes to the input field
}

POINT CConverterDlg::MinimizedIconOrigin(const RECT& client, int cxIcon, int cyIcon) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    return POINT{(width - cxIcon + 1) / 2, (height - cyIcon + 1) / 2};
}

void CConverterDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const POINT origin = MinimizedIconOrigin(rect, cxIcon, cyIcon);
    dc.DrawIcon(origin.x, origin.y, m_hIcon);
}

HCURSOR CConverterDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CConverterDlg::PickInput(const CString& path) {
    m_strInputPath = path;
    if (auto recognised = ondrel::ClassifyInputPath(m_strInputPath.StdString())) {
        m_strOutputPath = CString(std::move(recognised->outputPath));
        g_sourceKind = recognised->kind;
    }
}

void CConverterDlg::OnBrowseInput() {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, kInputFilter, this);
    if (dlg.DoModal() == IDCANCEL) return;
    PickInput(dlg.GetPathName());
    UpdateData(FALSE);
}

// A save dropped on the window is picked as in the input chooser; of several,
// the first.
void CConverterDlg::OnDropFiles(HDROP hDropInfo) {
    const std::vector<CString> files = TakeDroppedFiles(hDropInfo);
    if (files.empty()) return;
    PickInput(files.front());
    UpdateData(FALSE);
}

void CConverterDlg::OnBrowseOutput() {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, kOutputFilter, this);
    if (dlg.DoModal() == IDCANCEL) return;
    m_strOutputPath = dlg.GetPathName();
    UpdateData(FALSE);
}

// Trims the members in place and leaves the fields as typed.
void CConverterDlg::OnTransform() {
    UpdateData(TRUE);
    DialogMessageSink sink(*this);
    ondrel::RunTransform(m_strInputPath.StdString(), m_strOutputPath.StdString(), g_sourceKind,
                         sink);
}
