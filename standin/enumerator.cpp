// IEnumVARIANT over a snapshot of objects, for For Each over Workbooks and Sheets.
#include <windows.h>
#include <oaidl.h>

#include <vector>

#include "lifetime.h"
#include "objects.h"

namespace zelmo::standin {
namespace {

class Enumerator final : public IEnumVARIANT {
public:
    Enumerator(std::vector<IDispatch*> items, size_t next) : items_(std::move(items)), next_(next) {
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
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (out == nullptr) return E_POINTER;
        ULONG n = 0;
        for (; n < count && next_ < items_.size(); ++n, ++next_) {
            VariantInit(&out[n]);
            V_VT(&out[n]) = VT_DISPATCH;
            V_DISPATCH(&out[n]) = items_[next_];
            items_[next_]->AddRef();
        }
        if (fetched != nullptr) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const size_t left = items_.size() - next_;
        next_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        if (out == nullptr) return E_POINTER;
        for (IDispatch* item : items_) item->AddRef();
        *out = new Enumerator(items_, next_);
        return S_OK;
    }

private:
    ~Enumerator() {
        for (IDispatch* item : items_) item->Release();
        Lifetime::Get().OtherObjectDestroyed();
    }

    std::vector<IDispatch*> items_;
    size_t next_;
    ULONG refs_ = 1;
};

}  // namespace

IUnknown* NewEnumerator(std::vector<IDispatch*> items) { return new Enumerator(std::move(items), 0); }

}  // namespace zelmo::standin
