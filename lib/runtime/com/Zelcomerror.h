// Errors at a COM method boundary: the thread's error information set from
// a caught exception, and the HRESULT the method returns.
#pragma once

#include <utility>

#include "System.hpp"
#include <windows.h>
#include "oleauto.h"

namespace zelcom {

// Sets the thread's error information (source, interface, description) and
// returns result. Where the error information cannot be made, the result
// is still returned.
HRESULT ReportError(HRESULT result, const AnsiString& source, REFIID iid,
                    const AnsiString& description);

// The usual form: DISP_E_EXCEPTION with the error information.
inline HRESULT ReportException(const AnsiString& source, REFIID iid, const AnsiString& description)
{
    return ReportError(DISP_E_EXCEPTION, source, iid, description);
}

// The HRESULT for the exception being handled; call it only inside a catch
// handler. Running out of memory is E_OUTOFMEMORY; a library error
// (Exception) or any other std::exception is errorResult, with the error
// information above carrying its message; anything else is E_UNEXPECTED.
// Results without a description clear the thread's error information, so
// that a client does not read the description of an earlier failure. Never
// throws: when the error information itself cannot be made, the result
// stands alone.
HRESULT CurrentExceptionResult(const char* source, REFIID iid, HRESULT errorResult) noexcept;

// Runs body (returning an HRESULT) at a COM method boundary: no exception
// leaves it, each becomes the HRESULT CurrentExceptionResult gives.
template <typename F>
HRESULT CallGuarded(const char* source, REFIID iid, F&& body, HRESULT errorResult = DISP_E_EXCEPTION) noexcept
{
    try {
        return std::forward<F>(body)();
    } catch (...) {
        return CurrentExceptionResult(source, iid, errorResult);
    }
}

}  // namespace zelcom
