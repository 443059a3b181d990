// IEnumVARIANT over a snapshot of objects, for For Each over Workbooks and Sheets.
#include <windows.h>
#include <oaidl.h>

#include <utility>
#include <vector>

#include "lifetime.h"
#include "objects.h"
#include "server_lock.h"
#include "win/com.h"

namespace zelmo::standin {
namespace {

class Enumerator final : public IEnumVARIANT {
public:
    Enumerator(std::vector<win::ComPtr<IDispatch>> items, size_t next) : items_(std::move(items)), next_(next) {
        Lifetime::Get().OtherObjectCreated();
    }
    Enumerator(const Enumerator&) = delete;
    Enumerator& operator=(const Enumerator&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumVARIANT)) return E_NOINTERFACE;
        *out = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        const ServerGuard guard(ServerLock());
        return ++refs_;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const ServerGuard guard(ServerLock());
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (out == nullptr) return E_POINTER;
        const ServerGuard guard(ServerLock());
        ULONG n = 0;
        for (; n < count && next_ < items_.size(); ++n, ++next_) out[n] = win::Variant(items_[next_].get()).release();
        if (fetched != nullptr) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const ServerGuard guard(ServerLock());
        const size_t left = items_.size() - next_;
        next_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        const ServerGuard guard(ServerLock());
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        if (out == nullptr) return E_POINTER;
        const ServerGuard guard(ServerLock());
        std::vector<win::ComPtr<IDispatch>> items;
        for (const auto& item : items_) items.push_back(item.Clone());
        *out = new Enumerator(std::move(items), next_);
        return S_OK;
    }

private:
    ~Enumerator() {
        items_.clear();
        Lifetime::Get().OtherObjectDestroyed();
    }

    std::vector<win::ComPtr<IDispatch>> items_;
    size_t next_;
    ULONG refs_ = 1;
};

}  // namespace

void ReturnEnumerator(VARIANT* result, std::vector<win::ComPtr<IDispatch>> items) {
    if (result == nullptr) return;  // the objects go with `items`
    V_VT(result) = VT_UNKNOWN;
    V_UNKNOWN(result) = new Enumerator(std::move(items), 0);
}

}  // namespace zelmo::standin
