#pragma once

// The application: shows the main dialog, and ends when it closes.

#include "framework/framework.h"

class CConverterApp : public CWinApp {
public:
    CConverterApp() = default;

    // Overridables
    // Runs the dialog modally and returns FALSE, so the program ends with it.
    BOOL InitInstance() override;

    // Message map
    DECLARE_MESSAGE_MAP()
};
