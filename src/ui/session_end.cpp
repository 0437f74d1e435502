// Logoff and shutdown under a run: the session messages, and only they, answered.
#include "ui/session_end.h"

namespace {

LRESULT CALLBACK SessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENDSESSION) {
        auto* handler =
            reinterpret_cast<SessionEndHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (wParam && handler != nullptr) {
            handler->SessionEnds();
        }
        return 0;
    }
    // WM_QUERYENDSESSION: the session may end; the run tidies up as it does.
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

SessionWatch::SessionWatch(HINSTANCE module, SessionEndHandler& handler) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = SessionWindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = L"SetupSessionWatch";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"Setup", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, module, nullptr);
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handler));
    }
}

SessionWatch::~SessionWatch() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void AnswerSentMessages() {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

DWORD WaitAnsweringSentMessages(HANDLE object) {
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken != WAIT_OBJECT_0 + 1) {
            return woken;
        }
        AnswerSentMessages();
    }
}
