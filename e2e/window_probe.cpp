// Looks at Ondrel's windows from outside the program, for the end-to-end
// script that drives them with real key presses and clicks:
//
//   window_probe wait TITLE SECONDS   wait until a top-level window TITLE is visible
//   window_probe gone TITLE SECONDS   wait until no window TITLE is visible
//   window_probe center TITLE ID      screen centre of control ID ("x y")
//   window_probe closebox TITLE       screen point of the window's close box ("x y")
//   window_probe text TITLE ID        text of control ID (another process's, by WM_GETTEXT)
//   window_probe icon TITLE ID        "icon" if static control ID shows an icon, else "none"
//   window_probe xid TITLE            the window's X11 id, for xdotool and import
//
// Exit status 0 on success, 1 when the window or control is not there.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Search {
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    char text[512];
    if (IsWindowVisible(window) && GetWindowTextA(window, text, sizeof text) > 0 &&
        std::string(text) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindTopLevel(const char* title) {
    Search search{title, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Direct children only: a list view inside the Open dialog also has ID 1.
HWND FindChild(HWND parent, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

int Fail(const char* what) {
    std::fprintf(stderr, "window_probe: %s\n", what);
    return 1;
}

bool WaitFor(const char* title, bool present, int seconds) {
    for (int waited = 0; waited <= seconds * 1000; waited += 100) {
        if ((FindTopLevel(title) != nullptr) == present) return true;
        Sleep(100);
    }
    return false;
}

POINT CloseBox(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    int y = rect.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = rect.right - 1; x > rect.left; --x) {
        LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        if (hit == HTCLOSE) return {x - GetSystemMetrics(SM_CXSIZE) / 4, y};
    }
    return {-1, -1};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Fail("usage: window_probe wait|gone|center|closebox|text|icon|xid TITLE ...");
    const std::string command = argv[1];
    const char* title = argv[2];
    if (command == "wait" || command == "gone") {
        int seconds = argc > 3 ? std::atoi(argv[3]) : 10;
        return WaitFor(title, command == "wait", seconds) ? 0 : Fail("timed out");
    }
    HWND window = FindTopLevel(title);
    if (!window) return Fail("no such window");
    if (command == "closebox") {
        POINT point = CloseBox(window);
        if (point.x < 0) return Fail("no close box");
        std::printf("%ld %ld\n", point.x, point.y);
        return 0;
    }
    if (command == "xid") {
        auto xid = reinterpret_cast<UINT_PTR>(GetPropA(window, "__wine_x11_whole_window"));
        if (!xid) return Fail("no X11 window");
        std::printf("%lu\n", static_cast<unsigned long>(xid));
        return 0;
    }
    if (argc < 4) return Fail("control ID missing");
    HWND control = FindChild(window, std::atoi(argv[3]));
    if (!control) return Fail("no such control");
    if (command == "center") {
        RECT rect;
        GetWindowRect(control, &rect);
        std::printf("%ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    } else if (command == "text") {
        char text[8192] = "";
        SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        std::printf("%s\n", text);
    } else if (command == "icon") {
        std::printf("%s\n", SendMessageA(control, STM_GETICON, 0, 0) ? "icon" : "none");
    } else {
        return Fail("unknown command");
    }
    return 0;
}
