// Resource identifiers of Ondrel.exe, shared by the resource script and the code.
#pragma once

#define IDD_MAIN_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_INPUT_PATH 1000
#define IDC_OUTPUT_PATH 1001
#define IDC_BROWSE_INPUT 1002
#define IDC_BROWSE_OUTPUT 1003
#define IDC_TRANSFORM 1004
