// Errors at a COM method boundary: the thread's error information set from
// a caught exception, and the HRESULT the method returns.
#pragma once

#include "System.hpp"
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

}  // namespace zelcom
