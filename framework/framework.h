#pragma once

// Everything the program uses of its application framework, a thin layer
// over the Win32 "A" (ANSI code page) API. The framework stands on Win32
// alone and knows nothing of saves; ui/ builds on it and on core/.

#include "framework/cstring.h"
#include "framework/dialog.h"
#include "framework/file_dialog.h"
#include "framework/message_map.h"
#include "framework/win_app.h"
#include "framework/wnd.h"
