#include "win/busy_server.h"

#include <atomic>

namespace zelmo::win {
namespace {

constexpr uint32_t kDefaultBoundMs = 60000;
// Short enough that a server that has become free is not kept waiting, long enough not to
// flood one that has not.
constexpr long kPauseMs = 100;

std::atomic<uint32_t> g_boundMs{kDefaultBoundMs};

// The filter: every incoming call is handled, pending messages get their default processing,
// and a call refused with "retry later" is retried until the bound.
class BusyMessageFilter : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IMessageFilter)) return E_NOINTERFACE;
        *out = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    // One static instance for the program's life: counting references would change nothing.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType) override {
        return RetryRejectedCallAnswer(tickCount, rejectType);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};

BusyMessageFilter g_filter;

}  // namespace

uint32_t BusyRetryBoundMs() noexcept { return g_boundMs.load(); }

void SetBusyRetryBoundMs(uint32_t ms) noexcept { g_boundMs.store(ms); }

long BusyRetryDelayMs(uint64_t elapsedMs) noexcept {
    const uint64_t bound = BusyRetryBoundMs();
    if (elapsedMs >= bound) return -1;
    const uint64_t left = bound - elapsedMs;
    return static_cast<long>(left < static_cast<uint64_t>(kPauseMs) ? left : kPauseMs);
}

DWORD RetryRejectedCallAnswer(DWORD tickCount, DWORD rejectType) noexcept {
    // SERVERCALL_REJECTED is the server's final no to this call; the client's own retry
    // (RetryWhileBusy) still tries it again within the same bound.
    if (rejectType != SERVERCALL_RETRYLATER) return static_cast<DWORD>(-1);
    const long delay = BusyRetryDelayMs(tickCount);
    // Values below 100 mean "at once"; COM waits the given milliseconds from 100 on.
    return delay < 0 ? static_cast<DWORD>(-1) : static_cast<DWORD>(kPauseMs);
}

MessageFilterScope::MessageFilterScope() noexcept {
    registered_ = SUCCEEDED(CoRegisterMessageFilter(&g_filter, previous_.put()));
}

MessageFilterScope::~MessageFilterScope() {
    if (!registered_) return;
    IMessageFilter* ours = nullptr;  // the static filter: nothing to release
    CoRegisterMessageFilter(previous_.get(), &ours);
    previous_.reset();
}

}  // namespace zelmo::win
