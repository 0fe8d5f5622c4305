// ReportError: CreateErrorInfo filled in and set for the thread.
#include "Zelcomerror.h"

#include <exception>
#include <new>

#include "Zelcomstrings.h"

namespace zelcom {

HRESULT ReportError(HRESULT result, const AnsiString& source, REFIID iid,
                    const AnsiString& description)
{
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create)))
        return result;
    OleString wideSource = AnsiToWide(source);
    OleString wideDescription = AnsiToWide(description);
    create->SetGUID(iid);
    create->SetSource(wideSource.data());
    create->SetDescription(wideDescription.data());
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
    return result;
}

HRESULT CurrentExceptionResult(const char* source, REFIID iid, HRESULT errorResult) noexcept
{
    // Making the error information allocates too: whatever it throws lands
    // in the outer handlers.
    try {
        try {
            throw;
        } catch (const std::bad_alloc&) {
            SetErrorInfo(0, nullptr);
            return E_OUTOFMEMORY;
        } catch (const Exception& error) {
            return ReportError(errorResult, source, iid, error.Message());
        } catch (const std::exception& error) {
            return ReportError(errorResult, source, iid, error.what());
        } catch (...) {
            SetErrorInfo(0, nullptr);
            return E_UNEXPECTED;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return errorResult;
    }
}

}  // namespace zelcom
