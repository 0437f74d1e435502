// A dialog of the program under test answered from the keyboard, as a user would.
#include "dialog_keys.h"
#include "poll.h"

#include <algorithm>
#include <cwchar>

void PressKey(HWND window, WORD key) {
    INPUT presses[2] = {};
    presses[0].type = INPUT_KEYBOARD;
    presses[0].ki.wVk = key;
    presses[1] = presses[0];
    presses[1].ki.dwFlags = KEYEVENTF_KEYUP;
    // Keys go to the window that has the focus in the foreground window; one
    // pressed before the focus has come is lost, so it is pressed again until
    // the window reacts (it closes or hides).
    const auto reacted = [window] { return !IsWindow(window) || !IsWindowVisible(window); };
    PollUntil(
        "window answers a key", kAnswerMs,
        [&] {
            SetForegroundWindow(window);
            SendInput(2, presses, sizeof(INPUT));
            return PollUntil("key press shows", kKeyPressMs, reacted);
        },
        0);
}

void CancelDialog(HWND dialog) {
    PressKey(dialog, VK_ESCAPE);
}

std::vector<std::wstring> LanguageItems(HWND dialog) {
    std::vector<std::wstring> items;
    const HWND combo = GetDlgItem(dialog, 1000);
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
        std::wstring item(length > 0 ? length + 1 : 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&item[0]));
        item.resize(wcslen(item.c_str()));
        items.push_back(item);
    }
    return items;
}

bool ChooseLanguage(HWND dialog, const std::wstring& item) {
    const std::vector<std::wstring> items = LanguageItems(dialog);
    const auto found = std::find(items.begin(), items.end(), item);
    if (found == items.end()) {
        return false;
    }
    const HWND combo = GetDlgItem(dialog, 1000);
    SendMessageW(combo, CB_SETCURSEL, found - items.begin(), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1000, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    // Enter presses the default button, OK.
    PressKey(dialog, VK_RETURN);
    return true;
}
