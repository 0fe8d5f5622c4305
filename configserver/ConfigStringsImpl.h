// TConfigStringsImpl: the ConfigStrings object, a list of strings that the
// configuration server and its clients hand each other. It owns one string
// list, empty at creation. Indexes outside the list fail with the list's
// index error ("List index out of bounds (<index>)") as description.
//
// Identity: IUnknown is the IConfigStrings pointer. Aggregatable. Failures
// leave error information naming the ProgID and IConfigStrings
// (zelcom::TErrorInfoObject).
#pragma once

#include "TWSConfig_tlb.h"
#include "Zelerrorinfoobject.h"
#include "Zelstringlistadaptor.h"

namespace twsconfig {

class TConfigStringsImpl : public zelcom::TErrorInfoObject<IConfigStrings> {
public:
    // Made by the module's class factory; outer is the aggregating object
    // or null.
    TConfigStringsImpl(zelcom::TModuleLockCount& module, IUnknown* outer);
    ~TConfigStringsImpl() override;

    // IConfigStrings
    HRESULT STDMETHODCALLTYPE Add(LPSTR Value, LONG* Index) override;
    HRESULT STDMETHODCALLTYPE Delete(LONG Index) override;
    HRESULT STDMETHODCALLTYPE SetStringsSDF(LPSTR Values) override;
    HRESULT STDMETHODCALLTYPE Clear() override;
    HRESULT STDMETHODCALLTYPE Count(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE GetItem(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE GetAsCommaText(BSTR* CommaText) override;

private:
    zelcore::TStringListAdaptor FList;
};

}  // namespace twsconfig
