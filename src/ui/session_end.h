// Logoff and shutdown under a run: the session messages, and only they, answered.
#pragma once

#include <windows.h>

// What a run does when Windows ends the session under it; called from
// WM_ENDSESSION (TRUE), before it is answered, after which Windows may end
// the process at any moment.
class SessionEndHandler {
  public:
    virtual void SessionEnds() = 0;

  protected:
    ~SessionEndHandler() = default;
};

// While it lives, a hidden top-level window of its own answers the session
// messages for the run and tells handler that the session ends: Windows
// sends them to top-level windows only, and a quiet run has no other.
class SessionWatch {
  public:
    SessionWatch(HINSTANCE module, SessionEndHandler& handler);
    SessionWatch(const SessionWatch&) = delete;
    SessionWatch& operator=(const SessionWatch&) = delete;
    ~SessionWatch();

  private:
    HWND window_ = nullptr;
};

// Answers the messages sent to the thread, the session's among them, and
// takes none that was posted (keys, clicks, commands): none of those can
// start or end anything meanwhile.
void AnswerSentMessages();

// Waits for the object, answering sent messages meanwhile; what
// WaitForSingleObject would return.
DWORD WaitAnsweringSentMessages(HANDLE object);
