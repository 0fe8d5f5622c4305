// TTidewashCtrlImpl: the review window, shown by ShowProperties.
#include <exception>

#include "Filedetailsform.h"
#include "Tidewash.h"
#include "TidewashCtrlImpl.h"

namespace tidewash {

const TReview kReview = TReview::Window;

void TReviewWindowDeleter::operator()(TfrmFileDetails* window) const { delete window; }

HRESULT TTidewashCtrlImpl::ShowProperties(HWND)
{
    if (!FDetailsWindow) {
        try {
            if (!EnsureWidgetApplication())
                return E_OUTOFMEMORY;
            FDetailsWindow.reset(
                new TfrmFileDetails(FVolume, FFileSearch, FSelection, &FUnselectedReasons, InstallationFolder()));
            FDetailsWindow->Aliases = &FAliases;
            FDetailsWindow->KeptBySettings = &FKeptBySettings;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    try {
        FDetailsWindow->ShowModal();
    } catch (...) {
        return E_UNEXPECTED;
    }
    return S_OK;
}

HRESULT TTidewashCtrlImpl::Deactivate(DWORD*)
{
    FDetailsWindow.reset();
    return S_OK;
}

}  // namespace tidewash
