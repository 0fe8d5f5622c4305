// The test server's identifiers and interfaces, shared by the server module
// and the tests that drive it through COM.
#pragma once

#include "objbase.h"
#include "oleauto.h"

constexpr CLSID CLSID_ZelTestServer = {
    0x8E4A7F21, 0x3C55, 0x4B0D, {0xA1, 0x6F, 0x22, 0x90, 0x5B, 0x7C, 0x3E, 0x01}};
constexpr IID IID_IZelTestServer = {
    0x8E4A7F21, 0x3C55, 0x4B0D, {0xA1, 0x6F, 0x22, 0x90, 0x5B, 0x7C, 0x3E, 0x02}};
constexpr IID DIID_IZelTestServerEvents = {
    0x8E4A7F21, 0x3C55, 0x4B0D, {0xA1, 0x6F, 0x22, 0x90, 0x5B, 0x7C, 0x3E, 0x03}};
constexpr GUID LIBID_ZelTestServer = {
    0x8E4A7F21, 0x3C55, 0x4B0D, {0xA1, 0x6F, 0x22, 0x90, 0x5B, 0x7C, 0x3E, 0x04}};

#define ZELTESTSERVER_PROGID "ZelTest.Server"
#define ZELTESTSERVER_DESCRIPTION "Test server of the COM support package"

struct IZelTestServer : public IUnknown {
    // Text with " (seen)" appended, as a new BSTR; the input's zeros and
    // non-ASCII characters are kept (member id 1).
    virtual HRESULT STDMETHODCALLTYPE Echo(BSTR text, BSTR* echoed) = 0;
    // Fails with DISP_E_EXCEPTION and error information whose description is
    // text, as the servers report a caught exception (member id 2).
    virtual HRESULT STDMETHODCALLTYPE Fail(LPSTR text) = 0;
    // The folder the server is registered in (DLLPathByGUID), as a BSTR
    // (member id 3).
    virtual HRESULT STDMETHODCALLTYPE InstallFolder(BSTR* folder) = 0;
    // Tells every advised sink (IZelTestServerEvents, an IDispatch) about
    // text through Invoke with member id 1 and the text as the one argument
    // (member id 4).
    virtual HRESULT STDMETHODCALLTYPE Notify(BSTR text) = 0;
};
