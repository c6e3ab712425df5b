#include "ui/converter_app.h"

#include "ui/converter_dlg.h"

BEGIN_MESSAGE_MAP(CConverterApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

BOOL CConverterApp::InitInstance() {
    Enable3dControls();
    CConverterDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();  // Enter, Escape and the close box all end the program
    return FALSE;
}
