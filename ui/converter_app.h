#pragma once

// The application: shows the main dialog, and ends when it closes. A save
// the program is started with ("Open with", or dropped on its icon) is
// picked in the dialog as the input chooser would pick it.

#include "framework/framework.h"

class CConverterApp : public CWinApp {
public:
    CConverterApp() = default;

    // Overridables
    // Runs the dialog modally, with the file of the command line picked as its
    // input, and returns FALSE, so the program ends with it.
    BOOL InitInstance() override;

    // Message map
    DECLARE_MESSAGE_MAP()
};
