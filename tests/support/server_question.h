// The question the stand-in server asks before SaveAs replaces an existing file: a message box of
// the server's own process, captioned with the server's name, with Yes and No (No the default).
// Tests find it from outside the server, read it and press a button, as a user would.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

namespace zelmo::test {

// What a test saw of the question.
struct SeenQuestion {
    bool found = false;
    std::wstring caption;
    std::wstring text;
    int defaultButton = 0;  // the button's id that Enter would press
    int focusButton = 0;    // the id of the control that has the keyboard focus
};

// The question if it is showing now, else nullptr.
HWND FindServerQuestion();
// Waits for the question; nullptr when none came within `timeoutMs`.
HWND WaitForServerQuestion(DWORD timeoutMs);

// Reads the question and presses `button` (IDYES or IDNO).
SeenQuestion AnswerServerQuestion(HWND box, int button);
// Waits for the question and answers it; `found` is false when none came within `timeoutMs`.
SeenQuestion AnswerServerQuestion(int button, DWORD timeoutMs);

// The same on a thread of its own, for a test whose thread is held in the call that asks.
// Join() before reading seen().
class QuestionAnswerer {
public:
    explicit QuestionAnswerer(int button, DWORD timeoutMs = 15000)
        : thread_([this, button, timeoutMs] { seen_ = AnswerServerQuestion(button, timeoutMs); }) {}
    QuestionAnswerer(const QuestionAnswerer&) = delete;
    QuestionAnswerer& operator=(const QuestionAnswerer&) = delete;
    ~QuestionAnswerer() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    const SeenQuestion& seen() const { return seen_; }

private:
    SeenQuestion seen_;
    std::thread thread_;
};

}  // namespace zelmo::test
