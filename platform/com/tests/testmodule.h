// The test server module's identifiers and its one interface, shared by the
// module and the tests that load it.
#pragma once

#include "objbase.h"
#include "oleauto.h"

constexpr CLSID CLSID_TwsTestObject = {
    0x5D8C0B52, 0x7E1A, 0x4C11, {0x9A, 0x3E, 0x61, 0x0B, 0x2F, 0x44, 0xD0, 0x01}};
constexpr IID IID_ITwsTestObject = {
    0x5D8C0B52, 0x7E1A, 0x4C11, {0x9A, 0x3E, 0x61, 0x0B, 0x2F, 0x44, 0xD0, 0x02}};
constexpr IID DIID_ITwsTestEvents = {
    0x5D8C0B52, 0x7E1A, 0x4C11, {0x9A, 0x3E, 0x61, 0x0B, 0x2F, 0x44, 0xD0, 0x03}};
constexpr GUID LIBID_TwsTestLibrary = {
    0x5D8C0B52, 0x7E1A, 0x4C11, {0x9A, 0x3E, 0x61, 0x0B, 0x2F, 0x44, 0xD0, 0x04}};

struct ITwsTestObject : public IUnknown {
    // A copy of text with the characters reversed (member id 1).
    virtual HRESULT STDMETHODCALLTYPE Reverse(BSTR text, BSTR* reversed) = 0;
    // Fails with DISP_E_EXCEPTION and error information whose description is
    // the text given (member id 2).
    virtual HRESULT STDMETHODCALLTYPE Fail(LPCOLESTR description) = 0;
};
TWS_INTERFACE_IID(ITwsTestObject, IID_ITwsTestObject);

// The module's objects and server locks, as its DllCanUnloadNow counts them.
using TwsTestLockCountFunc = LONG (*)();
#define TWS_TEST_LOCK_COUNT_EXPORT "TwsTestLockCount"
