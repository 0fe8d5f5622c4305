// TConfigStringsImpl: identity, the list operations and the strings handed
// out as BSTRs.
#include "ConfigStringsImpl.h"

#include <utility>

#include "TWSConfig.h"
#include "Zelcomstrings.h"

namespace twsconfig {

TConfigStringsImpl::TConfigStringsImpl(zelcom::TModuleLockCount& module, IUnknown* outer)
    : TComObject(module, outer)
{
}

TConfigStringsImpl::~TConfigStringsImpl() = default;

void* TConfigStringsImpl::FindInterface(REFIID riid)
{
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IConfigStrings))
        return static_cast<IConfigStrings*>(this);
    if (IsEqualGUID(riid, IID_ISupportErrorInfo))
        return static_cast<ISupportErrorInfo*>(this);
    return nullptr;
}

HRESULT TConfigStringsImpl::InterfaceSupportsErrorInfo(REFIID riid)
{
    return IsEqualGUID(riid, IID_IConfigStrings) ? S_OK : S_FALSE;
}

template <typename F>
HRESULT TConfigStringsImpl::Guarded(F&& body)
{
    return CallGuarded(ProgIDConfigStrings, IID_IConfigStrings, std::forward<F>(body));
}

HRESULT TConfigStringsImpl::Add(LPSTR Value, LONG* Index)
{
    if (Value == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        const int position = FList->Add(Value);
        if (Index != nullptr)
            *Index = position;
        return S_OK;
    });
}

HRESULT TConfigStringsImpl::Delete(LONG Index)
{
    return Guarded([&] {
        FList->Delete(Index);
        return S_OK;
    });
}

HRESULT TConfigStringsImpl::SetStringsSDF(LPSTR Values)
{
    if (Values == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        FList->SetCommaText(Values);
        return S_OK;
    });
}

HRESULT TConfigStringsImpl::Clear()
{
    return Guarded([&] {
        FList->Clear();
        return S_OK;
    });
}

HRESULT TConfigStringsImpl::Count(LONG* Value)
{
    if (Value == nullptr)
        return InvalidArgument();
    *Value = FList->Count();
    return S_OK;
}

HRESULT TConfigStringsImpl::GetItem(LONG Index, BSTR* Value)
{
    if (Value == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        BSTR item = zelcom::AnsiToBSTR(FList->Get(Index));
        if (item == nullptr)
            return Failure(E_OUTOFMEMORY);
        *Value = item;
        return S_OK;
    });
}

HRESULT TConfigStringsImpl::GetAsCommaText(BSTR* CommaText)
{
    if (CommaText == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        BSTR text = zelcom::AnsiToBSTR(FList->CommaText());
        if (text == nullptr)
            return Failure(E_OUTOFMEMORY);
        *CommaText = text;
        return S_OK;
    });
}

}  // namespace twsconfig
