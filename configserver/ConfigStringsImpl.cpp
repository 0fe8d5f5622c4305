// TConfigStringsImpl: identity, the list operations and the strings handed
// out as BSTRs.
#include "ConfigStringsImpl.h"

#include "TWSConfig.h"
#include "Zelcomstrings.h"

namespace twsconfig {

TConfigStringsImpl::TConfigStringsImpl(zelcom::TModuleLockCount& module, IUnknown* outer)
    : TErrorInfoObject(module, outer, ProgIDConfigStrings)
{
}

TConfigStringsImpl::~TConfigStringsImpl() = default;

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
