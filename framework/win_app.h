#pragma once

// CWinApp: the one application object, the start-up that runs it, and what
// the program was started with.

#include <windows.h>

#include "framework/cstring.h"
#include "framework/message_map.h"

class CWnd;

// The command of the help key.
#define ID_HELP 0xE146

// What the program was started with, filled by CWinApp::ParseCommandLine:
// the file it is to open, as the shell passes one for "Open with" or for a
// file dropped on the program's icon.
class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;

    // Attributes
    CString m_strFileName;  // the first argument, as given; empty without one

    // Overridables
    // Called with each argument in turn. Keeps the first that is not empty as
    // the file name. Unlike the framework we model, no argument is taken for
    // an option: a file may well be named "-Game.sav".
    virtual void ParseParam(const char* pszParam);
};

class CWinApp : public CCmdTarget {
public:
    // Makes this the application object. Without a name, the program's file
    // name without its extension is used.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    // Attributes
    CString m_strAppName;
    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;  // cleared when that window object goes

    // Operations
    // The three-dimensional look of dialog controls. Since Windows 95 and
    // NT 4.0 the system draws dialogs and their controls that way itself
    // (and with the manifest's visual styles, in the current theme), so
    // there is nothing left to switch on. Always TRUE.
    BOOL Enable3dControls() { return TRUE; }
    // Hands each argument of m_lpCmdLine, split as the C runtime splits a
    // command line for main, to rCmdInfo.ParseParam.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);

    // Overridables
    // FALSE ends the program without running the message loop.
    virtual BOOL InitInstance() { return TRUE; }
    // The message loop, until WM_QUIT; then ExitInstance.
    virtual int Run();
    // The program's exit code.
    virtual int ExitInstance() { return 0; }

    // Command handlers
    // The help command. The program has no help file, so there is nothing
    // to open.
    void OnHelp() {}

    // Message map
    DECLARE_MESSAGE_MAP()
};

// The application object, or null before it is made.
CWinApp* AfxGetApp();
// The module that holds resource (lpszName, lpszType): the program itself.
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);

// The full path of a file named relative to the current folder, as the
// system's file dialogs give one (".", ".." and '/' resolved); the name as it
// is when the system can make none of it.
CString AfxFullPath(LPCSTR lpszFileIn);

// What WinMain runs: InitInstance, then Run or ExitInstance. An exception
// that reaches it is shown in a message box and ends the program with -1.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
