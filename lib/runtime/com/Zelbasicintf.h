// TUnknown: the reference-counting base of the framework's COM objects.
//
// Its function table begins with QueryInterface, AddRef and Release in COM
// order, followed by the virtual destructor, so a pointer to the object is
// an IUnknown pointer. The count starts at 0: whoever creates the object
// with new takes the first reference with AddRef, and the last Release
// destroys it. Such an object is never deleted directly.
//
// Derived classes answer their own interfaces in QueryInterface first and
// hand every other request to TUnknown::QueryInterface, which answers
// IID_IUnknown only. A class that also derives from a COM interface
// overrides that interface's AddRef and Release by calling TUnknown's.
#pragma once

#include "comimpl.h"
#include <windows.h>
#include "objbase.h"

namespace zelcom {

// QueryInterface: IID_IUnknown stores this object, adds a reference and
// returns S_OK; anything else stores null and returns E_NOINTERFACE; a null
// ppv gives E_POINTER. AddRef and Release return the new count; at 0 the
// object destroys itself through the virtual destructor. The count is
// atomic (twscom::TComImpl).
class TUnknown : public twscom::TComImpl<TUnknown, IUnknown> {
public:
    TUnknown() = default;
    virtual ~TUnknown();
};

}  // namespace zelcom
