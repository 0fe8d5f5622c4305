// ReportError: CreateErrorInfo filled in and set for the thread.
#include "Zelcomerror.h"

#include "Zelcomstrings.h"

namespace zelcom {

HRESULT ReportError(HRESULT result, const AnsiString& source, REFIID iid,
                    const AnsiString& description)
{
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create)))
        return result;
    std::u16string wideSource = AnsiToWide(source);
    std::u16string wideDescription = AnsiToWide(description);
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

}  // namespace zelcom
