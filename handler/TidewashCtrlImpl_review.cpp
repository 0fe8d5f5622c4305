// TTidewashCtrlImpl: the review window, shown by ShowProperties on the
// caller's thread and owned by the caller's window. The same for every
// view: the build names the header of the one it links
// (TIDEWASH_REVIEW_VIEW_HEADER, set by the tidewash_review library).
#include <cstdint>
#include <exception>

#include TIDEWASH_REVIEW_VIEW_HEADER
#include "Tidewash.h"
#include "TidewashCtrlImpl.h"

namespace tidewash {

const TReview kReview = TReview::Window;

void TReviewWindowDeleter::operator()(TfrmFileDetails* window) const { delete window; }

HRESULT TTidewashCtrlImpl::ShowProperties(HWND hwnd)
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
        // Owned by the caller's window, so that it opens above it and no
        // window of the caller's can cover its buttons.
        FDetailsWindow->SetOwner(reinterpret_cast<std::uintptr_t>(hwnd));
        FDetailsWindow->ShowModal();
    } catch (...) {
        return E_UNEXPECTED;
    }
    return S_OK;
}

HRESULT TTidewashCtrlImpl::Deactivate(DWORD* pdwFlags)
{
    // Nothing to tell the host: the handler stays listed.
    if (pdwFlags != nullptr)
        *pdwFlags = 0;
    FDetailsWindow.reset();
    return S_OK;
}

}  // namespace tidewash
