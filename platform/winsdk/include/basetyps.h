// The macros COM interfaces and their implementations are declared with.
//
// On POSIX every calling-convention name is empty (windef.h) and an
// interface is a struct of pure virtual functions in slot order.
#pragma once

#include "windef.h"

#ifndef EXTERN_C
#define EXTERN_C extern "C"
#endif

#ifndef __STRUCT__
#define __STRUCT__ struct
#endif
#ifndef interface
#define interface __STRUCT__
#endif

#define STDAPICALLTYPE
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define PURE = 0
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#define STDAPI EXTERN_C HRESULT STDAPICALLTYPE
#define STDAPI_(type) EXTERN_C type STDAPICALLTYPE

#define DECLSPEC_UUID(x)
#define DECLSPEC_NOVTABLE
#define MIDL_INTERFACE(x) struct

// The entry points a server module exports must be visible to dlsym even
// when the module is built with hidden visibility.
#define TWS_MODULE_EXPORT __attribute__((visibility("default")))
