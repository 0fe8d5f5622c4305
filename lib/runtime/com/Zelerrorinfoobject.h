// TErrorInfoObject: a server object whose methods leave error information.
//
// TErrorInfoObject<IPrimary, IMore...> is a TComObject (Zelcomobject.h)
// implementing IPrimary, IMore... and ISupportErrorInfo. What every such
// object would otherwise write again, it answers once:
//   - FindInterface: each of the interfaces by the IID its header names
//     (TWS_INTERFACE_IID), and IUnknown through IPrimary, the object's
//     identity when it is not aggregated;
//   - InterfaceSupportsErrorInfo: S_OK for IPrimary, S_FALSE for any other
//     interface, so a client reads error information after IPrimary's
//     methods only;
//   - Guarded: runs a method's body at the COM boundary (CallGuarded,
//     Zelcomerror.h). No exception leaves it; a library error becomes
//     DISP_E_EXCEPTION with error information whose source is the one given
//     at construction (the class's ProgID) and whose interface is IPrimary,
//     running out of memory E_OUTOFMEMORY.
#pragma once

#include <utility>

#include "Zelcomerror.h"
#include "Zelcomobject.h"
#include "comimpl.h"
#include "oaidl.h"

namespace zelcom {

template <typename IPrimary, typename... IMore>
class TErrorInfoObject : public TComObject<IPrimary, IMore..., ISupportErrorInfo> {
public:
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override
    {
        return riid == twscom::IidOf<IPrimary>() ? S_OK : S_FALSE;
    }

protected:
    // errorSource: the source the error information names; it must outlive
    // the object (a string constant).
    TErrorInfoObject(TModuleLockCount& module, IUnknown* outer, const char* errorSource)
        : TComObject<IPrimary, IMore..., ISupportErrorInfo>(module, outer), FErrorSource(errorSource)
    {
    }

    void* FindInterface(REFIID riid) override
    {
        if (riid == IID_IUnknown || riid == twscom::IidOf<IPrimary>())
            return static_cast<IPrimary*>(this);
        if (riid == IID_ISupportErrorInfo)
            return static_cast<ISupportErrorInfo*>(this);
        void* found = nullptr;
        ((found == nullptr && riid == twscom::IidOf<IMore>() ? found = static_cast<IMore*>(this) : nullptr), ...);
        return found;
    }

    template <typename F>
    HRESULT Guarded(F&& body) const noexcept
    {
        return CallGuarded(FErrorSource, twscom::IidOf<IPrimary>(), std::forward<F>(body));
    }

private:
    const char* const FErrorSource;
};

}  // namespace zelcom
