// OLE automation functions on POSIX: BSTRs, variants, per-thread error
// information and type libraries.
//
// Error information: each thread holds at most one IErrorInfo. SetErrorInfo
// replaces it (null clears it); GetErrorInfo hands it to the caller and
// clears it, or gives S_FALSE and null when there is none. CreateErrorInfo
// makes an object with both ICreateErrorInfo and IErrorInfo; unset texts
// read back as empty strings.
//
// Type libraries: a server module describes its type library in code and
// exports TwsGetTypeLibrary (typelibdesc.h). LoadTypeLib takes the path of
// such a module and gives an ITypeLib over a copy of the description (the
// module is not kept loaded); a file that cannot be loaded or has no such
// export gives TYPE_E_CANTLOADLIBRARY. The ITypeLib and ITypeInfo objects
// answer names, help strings, versions, locale, GUIDs, member ids and the
// interfaces a coclass implements; what needs function or variable
// descriptions, binding or invocation returns E_NOTIMPL.
//
// RegisterTypeLib writes, under HKEY_CLASSES_ROOT, as Windows does:
//   TypeLib\{LIBID}\<maj>.<min>              default: the help string (the name when it has none)
//   TypeLib\{LIBID}\<maj>.<min>\FLAGS        default: the library flags, decimal
//   TypeLib\{LIBID}\<maj>.<min>\HELPDIR      default: szHelpDir, else the module's folder
//   TypeLib\{LIBID}\<maj>.<min>\<lcid>\win32 default: szFullPath
//   Interface\{IID} for each dispatch interface and each OLE-automation or
//     dual interface: default the name, ProxyStubClsid and ProxyStubClsid32
//     the automation marshaller, TypeLib the LIBID with "Version" maj.min
// with the version numbers and the locale in hexadecimal. UnRegisterTypeLib
// removes the locale key, those Interface keys that name the library, and
// the version and library keys once nothing else is left under them.
// LoadRegTypeLib loads the module registered for the locale, falling back
// to the neutral locale 0.
#pragma once

#include "oaidl.h"
#include "wtypes.h"

EXTERN_C {
BSTR SysAllocString(const OLECHAR* psz);
// Copies len characters (zeros included); with psz null the characters are
// zero. Null when the length is too large or memory runs out.
BSTR SysAllocStringLen(const OLECHAR* psz, UINT len);
// A BSTR of len bytes (an odd count is allowed), for byte data.
BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
// Replace *pbstr by a new copy; the source may be *pbstr itself. TRUE on
// success; on failure *pbstr is unchanged.
INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
void SysFreeString(BSTR bstrString);
UINT SysStringLen(BSTR pbstr);
UINT SysStringByteLen(BSTR bstr);

void VariantInit(VARIANTARG* pvarg);
// Frees what the variant owns (BSTR, interface) and leaves it VT_EMPTY.
HRESULT VariantClear(VARIANTARG* pvarg);

HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);
HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo);

HRESULT LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib);
HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                       ITypeLib** pptlib);
HRESULT RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir);
HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                          SYSKIND syskind);
}
