// A busy automation server (a spreadsheet program that is starting, recalculating or copying)
// turns calls away with RPC_E_SERVERCALL_RETRYLATER or RPC_E_CALL_REJECTED. Such a call is not a
// failure: it is made again after a short pause, for up to a bound (60 s unless a test sets
// another), counted from the first attempt.
//
// Two mechanisms share the bound: the OLE message filter of the user-interface thread, which COM
// asks what to do with a rejected call (Windows), and the retry loop of the IDispatch client,
// which sees the refusal as the call's result where COM does not ask the filter (Wine).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstdint>

#include "win/com.h"

namespace zelmo::win {

// True for the two results by which a busy server refuses a call.
constexpr bool IsBusyRefusal(HRESULT hr) noexcept {
    return hr == RPC_E_SERVERCALL_RETRYLATER || hr == RPC_E_CALL_REJECTED;
}

// How long refused calls are retried, in milliseconds (60,000 unless set). The setter is for
// tests, which cannot wait a minute for the give-up path.
uint32_t BusyRetryBoundMs() noexcept;
void SetBusyRetryBoundMs(uint32_t ms) noexcept;

// The pause before the next attempt, given the milliseconds since the first one; -1 when the
// bound is reached and the call is to fail with the refusal.
long BusyRetryDelayMs(uint64_t elapsedMs) noexcept;

// Runs `attempt` (a callable returning an HRESULT) until it is not refused or the bound is
// reached; returns its last result. No messages are pumped between the attempts.
template <class Attempt>
HRESULT RetryWhileBusy(Attempt&& attempt) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const HRESULT hr = attempt();
        if (!IsBusyRefusal(hr)) return hr;
        const long delay = BusyRetryDelayMs(GetTickCount64() - start);
        if (delay < 0) return hr;
        Sleep(static_cast<DWORD>(delay));
    }
}

// Registers the busy-server message filter on the calling (single-threaded apartment) thread for
// the scope's life, and puts the previous filter back at its end.
class MessageFilterScope {
public:
    MessageFilterScope() noexcept;
    ~MessageFilterScope();
    MessageFilterScope(const MessageFilterScope&) = delete;
    MessageFilterScope& operator=(const MessageFilterScope&) = delete;
    bool registered() const noexcept { return registered_; }

private:
    ComPtr<IMessageFilter> previous_;
    bool registered_ = false;
};

// The filter's answer to a rejected call (IMessageFilter::RetryRejectedCall): the pause in
// milliseconds before COM retries, or (DWORD)-1 to let the call fail.
DWORD RetryRejectedCallAnswer(DWORD tickCount, DWORD rejectType) noexcept;

}  // namespace zelmo::win
