// TUnknown: reference counting and the IUnknown answer.
#include "Zelbasicintf.h"

namespace zelcom {

HRESULT STDMETHODCALLTYPE TUnknown::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown) {
        *ppv = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TUnknown::AddRef() { return ++FRefCount; }

ULONG STDMETHODCALLTYPE TUnknown::Release()
{
    const ULONG count = --FRefCount;
    if (count == 0)
        delete this;
    return count;
}

TUnknown::~TUnknown() = default;

}  // namespace zelcom
