// Logoff and shutdown under a run: the session messages, and only they, answered.
#include "ui/session_end.h"

namespace {

SessionEndHandler* g_sessionEndHandler = nullptr;

LRESULT CALLBACK SessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENDSESSION) {
        TellSessionEnd(wParam);
        return 0;
    }
    // WM_QUERYENDSESSION: the session may end; the run tidies up as it does.
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

SessionWatch::SessionWatch(HINSTANCE module, SessionEndHandler& handler) {
    g_sessionEndHandler = &handler;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = SessionWindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = L"SetupSessionWatch";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"Setup", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, module, nullptr);
}

SessionWatch::~SessionWatch() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    g_sessionEndHandler = nullptr;
}

void TellSessionEnd(WPARAM ending) {
    if (ending && g_sessionEndHandler != nullptr) {
        g_sessionEndHandler->SessionEnds();
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
