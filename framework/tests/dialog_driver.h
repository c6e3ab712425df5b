#pragma once

// Drives the modal windows of the test thread the way a person would: a
// WH_CBT hook sees each window as it becomes active, and a one-shot timer
// then runs the script's next step on it (click a button, type into a field,
// read a message box, pick a file in the Open dialog). A watchdog ends every
// window if the script stalls, so a broken test fails instead of hanging.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ondrel::test_support {

enum class WindowKind { Dialog, MessageBox, Open };

const char* KindName(WindowKind kind);
WindowKind KindOf(HWND hwnd);

// What a message box showed.
struct MessageSeen {
    std::string text;
    std::string caption;
    UINT icon = 0;  // the MB_ICON... type of the icon shown; 0 for none, ~0u for another
    HWND owner = nullptr;
};

class DialogDriver {
public:
    using Action = std::function<void(HWND)>;

    explicit DialogDriver(UINT watchdogMs = 15000);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Appends a step: when a window of this kind is active, action runs on it.
    DialogDriver& On(WindowKind kind, Action action);

    // Common steps.
    // Reads the message box into *seen and presses its OK button.
    DialogDriver& AnswerMessage(MessageSeen* seen);
    // Types path into the Open dialog's file-name box and presses Open; the
    // dialog's file types are stored in *filter when given, in the form the
    // program passes them: "description|pattern|" for each type.
    DialogDriver& PickFile(const std::string& path, std::string* filter = nullptr,
                           int filterIndex = -1);
    // Presses Cancel in the Open dialog.
    DialogDriver& CancelOpen(std::string* filter = nullptr);

    // True when every step ran and no window turned up unasked.
    bool Finished() const { return m_next == m_steps.size() && m_problems.empty(); }
    // What went wrong, for a failure message.
    std::string Report() const;

private:
    struct Step {
        WindowKind kind;
        Action action;
    };

    static LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam);
    static void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD);
    static void CALLBACK WatchdogTimer(HWND, UINT, UINT_PTR id, DWORD);
    static void CALLBACK TeardownTimer(HWND, UINT, UINT_PTR id, DWORD);
    void Schedule(bool afterActivation);
    void RunStep(bool afterActivation);

    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    std::vector<std::string> m_problems;
    HHOOK m_hook = nullptr;
    UINT_PTR m_watchdog = 0;
    UINT_PTR m_teardown = 0;
    bool m_pendingActivation = false;
};

// Helpers for steps.
std::string TextOf(HWND hwnd);
std::string ItemText(HWND dialog, int id);
void TypeInto(HWND dialog, int id, const std::string& text);
// Clicks a button as the mouse would, once the step has returned.
void Click(HWND button);
void ClickItem(HWND dialog, int id);
// Presses and releases a key in the window that has the focus.
void PressKey(UINT vk);
// Drops files on a window as the shell does when they are dragged onto it:
// WM_DROPFILES with the paths in the ANSI code page, in this order.
void DropFiles(HWND window, const std::vector<std::string>& paths);
// The direct child of parent with this control ID (the Open dialog has
// nested controls sharing IDs).
HWND DirectChild(HWND parent, int id);
// The entries of a combo box.
std::vector<std::string> ComboItems(HWND combo);

}  // namespace ondrel::test_support
