#include "ui/converter_app.h"

#include "ui/converter_dlg.h"

BEGIN_MESSAGE_MAP(CConverterApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

BOOL CConverterApp::InitInstance() {
    Enable3dControls();
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    CConverterDlg dlg;
    m_pMainWnd = &dlg;
    // A relative name is made absolute, as the chooser would give the file.
    if (!cmdInfo.m_strFileName.IsEmpty()) dlg.PickInput(AfxFullPath(cmdInfo.m_strFileName));
    dlg.DoModal();  // Enter, Escape and the close box all end the program
    return FALSE;
}
