#include "framework/tests/dialog_driver.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <utility>

namespace ondrel::test_support {
namespace {

DialogDriver* g_driver = nullptr;

constexpr UINT kStepDelayMs = 20;
// The Open dialog's file-name box, file-type list, Open and Cancel buttons.
constexpr int kOpenFileName = 1148;
constexpr int kOpenFileType = 1136;
// A message box's text, and its icon.
constexpr int kMessageText = 0xFFFF;
constexpr int kMessageIcon = 1088;

}  // namespace

const char* KindName(WindowKind kind) {
    switch (kind) {
        case WindowKind::Dialog:
            return "dialog";
        case WindowKind::MessageBox:
            return "message box";
        case WindowKind::Open:
            return "Open dialog";
    }
    return "?";
}

WindowKind KindOf(HWND hwnd) {
    if (DirectChild(hwnd, kMessageText)) return WindowKind::MessageBox;
    if (TextOf(hwnd) == "Open" && DirectChild(hwnd, kOpenFileName)) return WindowKind::Open;
    return WindowKind::Dialog;
}

std::string TextOf(HWND hwnd) {
    if (!hwnd) return "<none>";
    auto length = ::SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    auto copied = ::SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::string ItemText(HWND dialog, int id) {
    return TextOf(::GetDlgItem(dialog, id));
}

void TypeInto(HWND dialog, int id, const std::string& text) {
    ::SendMessageA(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(HWND button) {
    ASSERT_NE(button, nullptr);
    ::PostMessageA(button, BM_CLICK, 0, 0);
}

void ClickItem(HWND dialog, int id) {
    Click(::GetDlgItem(dialog, id));
}

void DropFiles(HWND window, const std::vector<std::string>& paths) {
    // The shell's drop: a DROPFILES header, then each path ended by NUL, and
    // one more NUL. The window's handler releases it.
    std::string names;
    for (const auto& path : paths) names.append(path).push_back('\0');
    names.push_back('\0');
    HGLOBAL drop = ::GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    ASSERT_NE(drop, nullptr);
    auto* header = static_cast<DROPFILES*>(::GlobalLock(drop));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), names.data(), names.size());
    ::GlobalUnlock(drop);
    ::SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
}

void PressKey(UINT vk) {
    HWND focus = ::GetFocus();
    ASSERT_NE(focus, nullptr);
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageA(focus, WM_KEYDOWN, vk, scan | 1);
    ::PostMessageA(focus, WM_KEYUP, vk, scan | 1 | (3LL << 30));
}

HWND DirectChild(HWND parent, int id) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (::GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

// The Open dialog's file types as "description|pattern|..." again. Wine's
// dialog keeps each type's pattern, as a wide string, in its item data.
std::string FilterOf(HWND types) {
    std::string filter;
    auto count = ::SendMessageA(types, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string item(static_cast<std::size_t>(::SendMessageA(types, CB_GETLBTEXTLEN, i, 0)) + 1,
                         '\0');
        auto copied = ::SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&item[0]));
        item.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
        auto pattern =
            reinterpret_cast<const wchar_t*>(::SendMessageA(types, CB_GETITEMDATA, i, 0));
        filter += item + "|";
        for (; pattern && *pattern; ++pattern) filter += static_cast<char>(*pattern);
        filter += "|";
    }
    return filter;
}

// The MB_ICON... type whose system icon a message box shows.
UINT IconType(HICON icon) {
    if (!icon) return 0;
    const std::pair<UINT, LPCSTR> kSystemIcons[] = {
        {MB_ICONHAND, IDI_HAND},
        {MB_ICONQUESTION, IDI_QUESTION},
        {MB_ICONEXCLAMATION, IDI_EXCLAMATION},
        {MB_ICONASTERISK, IDI_ASTERISK},
    };
    for (const auto& [type, id] : kSystemIcons)
        if (icon == ::LoadIconA(nullptr, id)) return type;
    return ~0u;
}

DialogDriver::DialogDriver(UINT watchdogMs) {
    g_driver = this;
    m_hook = ::SetWindowsHookExA(WH_CBT, &CbtProc, nullptr, ::GetCurrentThreadId());
    m_watchdog = ::SetTimer(nullptr, 0, watchdogMs, &WatchdogTimer);
}

DialogDriver::~DialogDriver() {
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
    if (m_watchdog) ::KillTimer(nullptr, m_watchdog);
    if (m_teardown) ::KillTimer(nullptr, m_teardown);
    g_driver = nullptr;
}

DialogDriver& DialogDriver::On(WindowKind kind, Action action) {
    m_steps.push_back({kind, std::move(action)});
    return *this;
}

DialogDriver& DialogDriver::AnswerMessage(MessageSeen* seen) {
    return On(WindowKind::MessageBox, [seen](HWND box) {
        seen->text = ItemText(box, kMessageText);
        seen->caption = TextOf(box);
        HWND icon = DirectChild(box, kMessageIcon);
        seen->icon =
            icon ? IconType(reinterpret_cast<HICON>(::SendMessageA(icon, STM_GETICON, 0, 0))) : 0;
        seen->owner = ::GetWindow(box, GW_OWNER);
        Click(DirectChild(box, IDOK));
    });
}

DialogDriver& DialogDriver::PickFile(const std::string& path, std::string* filter,
                                     int filterIndex) {
    return On(WindowKind::Open, [path, filter, filterIndex](HWND open) {
        HWND types = DirectChild(open, kOpenFileType);
        if (filter) *filter = FilterOf(types);
        if (filterIndex >= 0) {
            ::SendMessageA(types, CB_SETCURSEL, static_cast<WPARAM>(filterIndex), 0);
            ::SendMessageA(open, WM_COMMAND, MAKEWPARAM(kOpenFileType, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(types));
        }
        ::SendMessageA(DirectChild(open, kOpenFileName), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(path.c_str()));
        Click(DirectChild(open, IDOK));
    });
}

DialogDriver& DialogDriver::CancelOpen(std::string* filter) {
    return On(WindowKind::Open, [filter](HWND open) {
        if (filter) *filter = FilterOf(DirectChild(open, kOpenFileType));
        Click(DirectChild(open, IDCANCEL));
    });
}

std::string DialogDriver::Report() const {
    std::ostringstream out;
    out << "ran " << m_next << " of " << m_steps.size() << " steps";
    if (m_next < m_steps.size()) out << "; waiting for a " << KindName(m_steps[m_next].kind);
    for (const auto& problem : m_problems) out << "\n  " << problem;
    return out.str();
}

LRESULT CALLBACK DialogDriver::CbtProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HCBT_ACTIVATE && g_driver) g_driver->Schedule(true);
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// Steps run from a timer rather than inside the hook, once the window has
// finished becoming active.
void DialogDriver::Schedule(bool afterActivation) {
    if (m_teardown) return;
    m_pendingActivation = m_pendingActivation || afterActivation;
    ::SetTimer(nullptr, 0, kStepDelayMs, &StepTimer);
}

void CALLBACK DialogDriver::StepTimer(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (g_driver) g_driver->RunStep(std::exchange(g_driver->m_pendingActivation, false));
}

void DialogDriver::RunStep(bool afterActivation) {
    HWND active = ::GetActiveWindow();
    if (!active) return;
    const WindowKind kind = KindOf(active);
    if (m_next < m_steps.size() && m_steps[m_next].kind == kind) {
        Step& step = m_steps[m_next++];
        step.action(active);
        // A following step on the same window has no activation to wait for.
        if (m_next < m_steps.size() && m_steps[m_next].kind == kind) Schedule(false);
        return;
    }
    // A message box or file dialog that no step asked for: note it and close it.
    if (afterActivation && kind != WindowKind::Dialog) {
        std::string what = std::string("unexpected ") + KindName(kind) + ": \"" + TextOf(active);
        if (kind == WindowKind::MessageBox) what += " / " + ItemText(active, kMessageText);
        m_problems.push_back(what + "\"");
        ::PostMessageA(active, WM_COMMAND, IDCANCEL, 0);
    }
}

void CALLBACK DialogDriver::WatchdogTimer(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (!g_driver) return;
    g_driver->m_watchdog = 0;
    g_driver->m_problems.push_back("watchdog: the script stalled; ending every window");
    ADD_FAILURE() << g_driver->Report();
    g_driver->m_teardown = ::SetTimer(nullptr, 0, 50, &TeardownTimer);
}

// Ends the active window again and again until the test's own DoModal has
// returned and the driver is gone.
void CALLBACK DialogDriver::TeardownTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND active = ::GetActiveWindow()) ::EndDialog(active, IDABORT);
}

}  // namespace ondrel::test_support
