// VARIANT initialisation and clearing, for the values the product's
// interfaces carry (numbers, booleans, BSTRs and interface pointers).
#include "oleauto.h"

extern "C" {

void VariantInit(VARIANTARG* pvarg)
{
    if (pvarg == nullptr)
        return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg)
{
    if (pvarg == nullptr)
        return E_INVALIDARG;
    switch (pvarg->vt) {
    case VT_BSTR:
        SysFreeString(pvarg->bstrVal);
        break;
    case VT_UNKNOWN:
        if (pvarg->punkVal != nullptr)
            pvarg->punkVal->Release();
        break;
    case VT_DISPATCH:
        if (pvarg->pdispVal != nullptr)
            pvarg->pdispVal->Release();
        break;
    default:
        // Numbers own nothing; by-reference values belong to the caller.
        break;
    }
    VariantInit(pvarg);
    return S_OK;
}
}
